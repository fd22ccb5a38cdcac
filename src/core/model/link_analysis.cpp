#include "model/link_analysis.h"

#include <cstdio>
#include <utility>

#include "model/load_files.h"
#include "tree/kinds.h"
#include "tree/tag.h"

namespace zov {

namespace {

constexpr std::string_view kSep = "::";
constexpr int kMaxPasses = 9;

// The fields of text cut at every "::".
std::vector<std::string_view> Cut(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = text.find(kSep, start);
    if (at == std::string_view::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, at - start));
    start = at + kSep.size();
  }
}

// Everything after the nth "::" (n from 1), or "" when there are fewer.
std::string_view After(std::string_view text, int n) {
  std::size_t at = 0;
  for (int i = 0; i < n; ++i) {
    const std::size_t found = text.find(kSep, at);
    if (found == std::string_view::npos) return {};
    at = found + kSep.size();
  }
  return text.substr(at);
}

std::string Field(const std::vector<std::string_view>& parts, std::size_t i) {
  return i < parts.size() ? std::string(parts[i]) : std::string();
}

bool IsDiagramLine(std::string_view kind) { return kind == "SCENAUC" || kind == "COLLAUC"; }

void Dump(LoadFiles& files, const char* name, const std::vector<RecordRelazione>& table) {
  std::string& out = files.create(name);
  for (const auto& r : table) {
    for (const std::string* f : {&r.f1, &r.f2, &r.f3}) out.append(*f).append("--");
    out.append(r.f4).push_back('\n');
  }
}

}  // namespace

LinkFields RitornaCampi(std::string_view line) {
  LinkFields c;
  const auto parts = Cut(line);
  c.kindName = std::string(parts[0]);
  if (c.kindName.find("OBJ") != std::string::npos) {
    c.object = true;
    c.f1 = Field(parts, 1);
    c.f2 = std::string(After(line, 2));
  } else if (IsDiagramLine(c.kindName)) {
    c.f1 = Field(parts, 1);
    c.f3 = Field(parts, 2);
    c.f4 = std::string(After(line, 3));
  } else {
    c.f1 = Field(parts, 1);
    c.f2 = Field(parts, 2);
    c.f3 = Field(parts, 3);
    c.f4 = std::string(After(line, 4));
  }
  return c;
}

void CambiaNumerazione(std::vector<RecordRelazione>& table) {
  // Each original target and source text is numbered by its first place
  // among all of them (targets first); the records of each number, by
  // target and by source, in ascending order, lie side by side in one array
  // each.
  const std::size_t n = table.size();
  const std::vector<std::uint32_t> textNumber = FirstOfEqual(
      2 * n, [&table, n](std::size_t k) -> std::string_view { return k < n ? table[k].f3 : table[k - n].f1; });
  const auto group = [&](std::size_t from, std::vector<std::uint32_t>& start, std::vector<std::uint32_t>& records) {
    start.assign(2 * n + 1, 0);
    for (std::size_t i = 0; i < n; ++i) ++start[textNumber[from + i] + 1];
    for (std::size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
    records.resize(n);
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < n; ++i) records[next[textNumber[from + i]]++] = static_cast<std::uint32_t>(i);
  };
  std::vector<std::uint32_t> targetStart, byTarget, sourceStart, bySource;
  group(0, targetStart, byTarget);
  group(n, sourceStart, bySource);

  int c = 0;
  for (std::size_t i = 0; i < n; ++i) {
    // A target not yet renumbered is still its original text.
    if (table[i].f3.find(kSep) != std::string::npos) continue;
    const std::string t = table[i].f3;
    const std::uint32_t k = textNumber[i];
    for (std::uint32_t a = targetStart[k]; a < targetStart[k + 1]; ++a) {
      const std::size_t j = byTarget[a];
      if (j <= i || table[j].f3 != t) continue;
      char number[16];
      std::snprintf(number, sizeof number, "%06d", c);
      table[j].f3 = t + "::" + number;
      for (std::uint32_t b = sourceStart[k]; b < sourceStart[k + 1]; ++b) {
        const std::size_t m = bySource[b];
        if (m > i && table[m].f1 == t) table[m].f1 = table[j].f3;
      }
      ++c;
    }
  }
}

int ControllaRipetizione(const Tree& tree, int node) {
  const std::string_view own = std::string_view(tree.node(node).key).substr(0, 12);
  int count = 0;
  for (NodeId p = tree.node(node).parent; p != kNoNode; p = tree.node(p).parent)
    if (std::string_view(tree.node(p).key).substr(0, 12) == own) ++count;
  return count;
}

int BuildMainTree(Tree& t, LoadFiles& files, const std::function<void(std::string_view)>& status, bool tableDumps) {
  const auto MostraMessaggio = [&status](std::string_view text) {
    if (status) status(text);
  };
  const std::string* links = files.find("collegamenti.txt");
  const std::vector<std::string_view> lines = LinesOf(links != nullptr ? *links : std::string_view());
  std::vector<LinkFields> fields;
  fields.reserve(lines.size());
  for (const auto& l : lines) fields.push_back(RitornaCampi(l));

  // 1. The relation table.
  std::vector<RecordRelazione> table;
  if (tableDumps)
    for (const auto& f : fields)
      if (!f.object) table.push_back({f.f1, f.f2, f.f3, f.f4});
  MostraMessaggio("End of Operation");
  MostraMessaggio("Sorting all Items ...");

  // 2. Actor nodes, in the order of their first line.
  for (const auto& f : fields) {
    if (f.kindName != "ACTOROBJ" || t.isPresent(f.f1)) continue;
    const NodeId actor = t.addTop(f.f1, WeightLabel(1.0f, f.f2), kind::kActor);
    if (actor != kNoNode) t.setTag(actor, CreaTag(0, 1.0f, 1, false));
  }

  // 3. The dumps of the table, before and after renumbering.
  if (tableDumps) {
    Dump(files, "nonriordinati.txt", table);
    CambiaNumerazione(table);
    Dump(files, "riordinati.txt", table);
  }

  // 4. The verify passes.
  files.create("passo1.txt");
  // Whether a line was processed, kept for the first line of each text:
  // equal lines count as one.
  const std::vector<std::uint32_t> sameAs =
      FirstOfEqual(lines.size(), [&lines](std::size_t n) -> std::string_view { return lines[n]; });
  std::vector<char> processed(lines.size(), 0);
  int counter = 1;
  std::string designLink;  // the key of the first "Design Link" node
  bool waiting = true;
  int pass = 1;
  for (; waiting && pass <= kMaxPasses; ++pass) {
    MostraMessaggio("Starting verify #" + std::to_string(pass));
    waiting = false;
    for (std::size_t n = 0; n < lines.size(); ++n) {
      const LinkFields& f = fields[n];
      if (f.object) continue;
      char& done = processed[sameAs[n]];
      if (!t.isPresent(f.f1)) {
        waiting = true;
        continue;
      }
      if (IsDiagramLine(f.kindName)) {
        t.addChild(f.f1, f.f3, f.f4, f.kindName == "SCENAUC" ? kind::kSequence : kind::kCollaboration);
        done = 1;
        continue;
      }
      if (t.isPresent(f.f3) && done == 0) {
        // A further occurrence of an element already in the tree: a link.
        const NodeId target = t.find(f.f3);
        if (target == kNoNode) continue;  // only copies of it exist: nothing to point to
        const std::string key = f.f3 + "ACTOR" + std::to_string(counter++);
        if (t.node(target).image == kind::kActor) {
          t.addChild(f.f1, key, f.f4, kind::kActor);
        } else {
          const NodeId link = t.addChild(f.f1, key, f.f4, kind::kContinua);
          if (link != kNoNode) {
            if (ControllaRipetizione(t, link) != 0) {
              t.setImage(link, kind::kUsecaseCic);
            } else {
              files.create(key + "_cont.txt").append(f.f3).append("\n").append(f.f4).push_back('\n');
              files.append(f.f3 + "_entry.txt").append(key).append("\n").append(f.f4).push_back('\n');
              t.setBold(link, true);
              t.setBold(target, true);
              if (t.node(target).image == kind::kUsecase) t.setImage(target, kind::kEntryUsecase);
            }
          }
        }
        done = 1;
        continue;
      }
      if (f.kindName == "ASSOCREL") {
        t.addChild(f.f1, f.f3, f.f4, kind::kUsecaseRel);
      } else if (f.kindName == "ASSOCPACK") {
        if (designLink.empty()) {
          designLink = f.f1 + "Design Link";
          t.addChild(f.f1, designLink, "Design Link", kind::kPackage);
        }
        t.addChild(designLink, f.f3, f.f4, kind::kPackage);
      } else {
        t.addChild(f.f1, f.f3, f.f4, kind::kUsecase);
      }
      done = 1;
    }
  }
  return pass - 1;
}

}  // namespace zov
