// zov: the command-line front end of Zov Suite. It runs the same operations
// as the desktop program, without a window.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/caricamento.h"
#include "model/petal_model.h"
#include "model/work_folder.h"
#include "shell/generale.h"
#include "shell/ui.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: zov [OPTION]... COMMAND [ARGUMENT]...\n"
      "Plan tests from a UML model kept in Rational Rose petal files (.mdl, .cat).\n"
      "\n"
      "Commands:\n"
      "  load MODEL     load the model and print a one-line summary of it\n"
      "  tree MODEL     load the model and print one of its trees, one node per\n"
      "                 line in collection order, tab-separated under a header:\n"
      "                 index depth key kind text tag fore back bold\n"
      "                 (colours as 0xBBGGRR, bold as 0/1; a tab, line break or\n"
      "                 backslash inside a field is written \\t, \\n, \\r, \\\\)\n"
      "\n"
      "Options:\n"
      "  --tree N       the tree to print: 0 Main Tree (default), 1 UIT tree,\n"
      "                 2 Test Specification, 3 selected test cases,\n"
      "                 4 not-linked tree, 5 selection tree, 6 Design Tree\n"
      "  --work DIR     write the working files into DIR and keep them there\n"
      "                 (default: a private folder, removed at the end)\n"
      "  -h, --help     show this help and exit\n"
      "  -V, --version  show the version and exit\n"
      "\n"
      "Exit status: 0 if all went well, 1 if the work failed, 2 on a usage error.\n",
      out);
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "zov: %s\nTry 'zov --help' for more information.\n", message.c_str());
  return kExitUsage;
}

struct Options {
  std::string command;
  std::vector<std::string> arguments;
  std::optional<std::string> work;
  std::optional<int> tree;
};

// A field of a tree line: tabs, line breaks and backslashes escaped.
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

void PrintTree(const zov::Tree& t) {
  std::string out = "index\tdepth\tkey\tkind\ttext\ttag\tfore\tback\tbold\n";
  std::unordered_map<zov::NodeId, int> depth;
  depth.reserve(static_cast<std::size_t>(t.count()));
  int index = 0;
  for (zov::NodeId id = t.nextInCollection(zov::kNoNode); id != zov::kNoNode; id = t.nextInCollection(id)) {
    const zov::Node& n = t.node(id);
    const int d = n.parent == zov::kNoNode ? 0 : depth[n.parent] + 1;
    depth[id] = d;
    char colours[40];
    std::snprintf(colours, sizeof colours, "0x%06X\t0x%06X\t%d", static_cast<unsigned>(n.foreColor),
                  static_cast<unsigned>(n.backColor), n.bold ? 1 : 0);
    out += std::to_string(++index) + '\t' + std::to_string(d) + '\t' + Field(n.key) + '\t' + Field(n.image) +
           '\t' + Field(n.text) + '\t' + Field(n.tag) + '\t' + colours + '\n';
    if (out.size() > (1u << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

std::string Plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Answers nothing: a headless run asks no questions.
class NoAsker : public zov::ScriptedAsker {};

int Load(const Options& o) {
  if (o.arguments.size() != 1) return UsageError("'" + o.command + "' takes one model file");
  const std::string& path = o.arguments.front();

  std::string error;
  std::optional<zov::WorkFolder> work;
  if (o.work) work.emplace(*o.work);
  else work = zov::WorkFolder::CreatePrivate(&error);
  if (!work) {
    std::fprintf(stderr, "zov: %s\n", error.c_str());
    return kExitFailure;
  }

  zov::Generale g;
  zov::QuietBusyBox busy;
  NoAsker asker;
  g.setBusyBox(&busy);
  g.setAsker(&asker);
  g.setWorkFolder(&*work);
  g.caricaFinestra();
  error = zov::CaricaModello(g, path);
  int status = kExitOk;
  if (!error.empty()) {
    std::fprintf(stderr, "zov: %s\n", error.c_str());
    status = kExitFailure;
  } else if (o.command == "tree") {
    for (const auto& w : g.modello()->Warnings()) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
    for (const auto& w : g.avvisi) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
    PrintTree(g.TV(o.tree.value_or(zov::kMainTree)));
  } else {
    for (const auto& w : g.modello()->Warnings()) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
    for (const auto& w : g.avvisi) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
    const auto* petal = dynamic_cast<const zov::PetalModel*>(g.modello());
    const auto s = petal->Summarize();
    std::printf("%s: %s, %s, %s, %s, %s, %s, %s, %s\n", path.c_str(),
                Plural(s.packages, "package", "packages").c_str(),
                Plural(s.useCases, "use case", "use cases").c_str(), Plural(s.actors, "actor", "actors").c_str(),
                Plural(s.classes, "class", "classes").c_str(),
                Plural(s.useCaseDiagrams, "use-case diagram", "use-case diagrams").c_str(),
                Plural(s.classDiagrams, "class diagram", "class diagrams").c_str(),
                Plural(s.sequenceDiagrams + s.collaborationDiagrams, "scenario diagram", "scenario diagrams").c_str(),
                Plural(s.messages, "message", "messages").c_str());
  }
  // Without --work nothing is left behind; with it the files stay for inspection.
  if (!o.work) {
    zov::RimuoveFileCreati(*work);
    zov::RimuoveFileCreatiUIT(*work);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "-h" || a == "--help") {
      PrintUsage(stdout);
      return kExitOk;
    }
    if (a == "-V" || a == "--version") {
      std::printf("zov (Zov Suite) %s\n", ZOV_VERSION);
      return kExitOk;
    }
    if (a == "--work") {
      if (i + 1 >= args.size()) return UsageError("option '--work' needs a folder");
      o.work = std::string(args[++i]);
    } else if (a.substr(0, 7) == "--work=") {
      o.work = std::string(a.substr(7));
    } else if (a == "--tree" || a.substr(0, 7) == "--tree=") {
      std::string_view value;
      if (a == "--tree") {
        if (i + 1 >= args.size()) return UsageError("option '--tree' needs a tree number from 0 to 6");
        value = args[++i];
      } else {
        value = a.substr(7);
      }
      if (value.size() != 1 || value[0] < '0' || value[0] > '6')
        return UsageError("invalid tree number '" + std::string(value) + "' (0 to 6)");
      o.tree = value[0] - '0';
    } else if (a == "--") {
      for (++i; i < args.size(); ++i) (o.command.empty() ? o.command : o.arguments.emplace_back()) = args[i];
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("unrecognized option '" + std::string(a) + "'");
    } else if (o.command.empty()) {
      o.command = std::string(a);
    } else {
      o.arguments.emplace_back(a);
    }
  }
  if (o.command.empty()) return UsageError("missing command");
  if (o.work && o.work->empty()) return UsageError("option '--work' needs a folder");
  if (o.tree && o.command != "tree") return UsageError("option '--tree' goes with the 'tree' command");
  if (o.command == "load" || o.command == "tree") return Load(o);
  return UsageError("unknown command '" + o.command + "'");
}
