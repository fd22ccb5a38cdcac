#include "tree/dump.h"

#include <string>
#include <unordered_map>

namespace zov {

namespace {
std::string Field(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}
}  // namespace

void WriteTree(const Tree& t, std::FILE* stream) {
  std::string out = "index\tdepth\tkey\tkind\ttext\ttag\tfore\tback\tbold\tparent\n";
  // Depth and index of every node written so far: a parent comes before
  // its children in collection order.
  std::unordered_map<NodeId, std::pair<int, int>> seen;
  int index = 0;
  for (NodeId id = t.nextInCollection(kNoNode); id != kNoNode; id = t.nextInCollection(id)) {
    const Node& n = t.node(id);
    const auto parent = n.parent == kNoNode ? seen.end() : seen.find(n.parent);
    const int d = parent == seen.end() ? 0 : parent->second.first + 1;
    const int parentIndex = parent == seen.end() ? 0 : parent->second.second;
    seen[id] = {d, index + 1};
    char colours[40];
    std::snprintf(colours, sizeof colours, "0x%06X\t0x%06X\t%d", static_cast<unsigned>(n.foreColor),
                  static_cast<unsigned>(n.backColor), n.bold ? 1 : 0);
    out += std::to_string(++index) + '\t' + std::to_string(d) + '\t' + Field(n.key) + '\t' + Field(n.image) + '\t' +
           Field(n.text) + '\t' + Field(t.tag(id)) + '\t' + colours + '\t' + std::to_string(parentIndex) + '\n';
    if (out.size() > (1u << 16)) {
      std::fwrite(out.data(), 1, out.size(), stream);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stream);
}

}  // namespace zov
