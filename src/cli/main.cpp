// zov: the command-line front end of Zov Suite. It runs the same operations
// as the desktop program, without a window.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/caricamento.h"
#include "model/work_folder.h"
#include "shell/generale.h"
#include "shell/ui.h"
#include "testcases/sequenze.h"
#include "selection/selezione.h"
#include "generation/specifica.h"
#include "specification/editor_categorie.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: zov [OPTION]... COMMAND [ARGUMENT]...\n"
      "Plan tests from a UML model: Rational Rose petal files (.mdl, .cat) or UML 2\n"
      "XMI files (.xmi, .uml, .xml), told apart by their content.\n"
      "\n"
      "Commands:\n"
      "  load MODEL     load the model and print a one-line summary of it\n"
      "  tree MODEL     load the model and print one of its trees, one node per\n"
      "                 line in collection order, tab-separated under a header:\n"
      "                 index depth key kind text tag fore back bold\n"
      "                 (colours as 0xBBGGRR, bold as 0/1; a tab, line break or\n"
      "                 backslash inside a field is written \\t, \\n, \\r, \\\\)\n"
      "  plan MODEL     plan the model end to end: select (default: every actor's\n"
      "                 whole branch), allocate, take the test cases, Processing,\n"
      "                 choices (--choices, else every category's defaults) and\n"
      "                 generate; documents and scripts go to --out DIR (default\n"
      "                 zov-plan-<model name>); --seed S makes the run repeatable;\n"
      "                 --uit SOURCE takes the test cases from another source\n"
      "  spec MODEL     as 'tree', then pick test cases into the selected test\n"
      "                 cases (--pick, else all of the UIT tree), run \"&Processing...\"\n"
      "                 and print the Test Specification tree (--tree to change);\n"
      "                 the documents go into the working folder (keep it with --work)\n"
      "\n"
      "Options:\n"
      "  --tree N       the tree to print: 0 Main Tree (default), 1 UIT tree,\n"
      "                 2 Test Specification, 3 selected test cases,\n"
      "                 4 not-linked tree, 5 selection tree, 6 Design Tree\n"
      "\n"
      "Selecting what to test (with 'tree', 'spec' and 'plan'; NODE is a key or a\n"
      "path of names such as \"Customer/Withdraw Cash\"):\n"
      "  --select NODE  run \"&Select Level\" on NODE (may be repeated)\n"
      "  --start NODE --stop NODE\n"
      "                 fix the start and stop levels first\n"
      "  --procedures N share N test procedures over the leaves\n"
      "  --coverage P   keep the leaves that cover P percent of the usage\n"
      "  --answer N     the number of test procedures asked for by --coverage\n"
      "                 (default: the least number it proposes)\n"
      "  --uit SOURCE   then fill the UIT tree: all (\"Loading all &Sequence\"),\n"
      "                 zov (\"Loading from &ZOV tree\"), design (\"Loading from\n"
      "                 Design Tree\"), notlinked (\"Loading NOT Linked\"); may be repeated\n"
      "  --pick NODE    with 'spec': drag this test case of the UIT tree onto the\n"
      "                 selected test cases (may be repeated)\n"
      "  --choices FILE with 'spec' and 'plan': enter choices through the editors;\n"
      "                 lines 'category NODE', 'choice VALUE', 'property P1,P2' and\n"
      "                 'if S1,S2' (a category without choices takes its defaults)\n"
      "  --out DIR      with 'plan': the folder for the documents and scripts\n"
      "  --seed S       with 'plan': seed of the random numbers (repeatable runs)\n"
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
  // The selection: nodes for "&Select Level", start and stop nodes, the
  // criterion and the answer to the coverage's input box.
  std::vector<std::string> select;
  std::optional<std::string> start, stop;
  std::optional<std::string> procedures, coverage, answer;
  // The UIT commands to run after the selection, in order.
  std::vector<std::string> uit;
  // Test cases of the UIT tree to pick for "spec".
  std::vector<std::string> pick;
  // The test specification to enter with the editors, for "spec".
  std::optional<std::string> choices;
  // For "plan": the output folder and the seed of the random numbers.
  std::optional<std::string> out;
  std::optional<std::string> seed;
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

// Answers as scripted; messages go to standard error.
class CliAsker : public zov::ScriptedAsker {
 public:
  zov::Answer messageBox(std::string_view text, std::string_view title, zov::MessageButtons buttons,
                         zov::MessageIcon icon) override {
    if (!quiet || title != "Warning")
      std::fprintf(stderr, "zov: %.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
                   static_cast<int>(text.size()), text.data());
    ++messages;
    return ScriptedAsker::messageBox(text, title, buttons, icon);
  }
  int messages = 0;
  bool quiet = false;   // leave out the "Warning" boxes (counted elsewhere)
};

// Runs the selection commands as the tester would from the Main Tree's
// pop-up menu. False, with a message, when a node is not there or a
// command refuses.
bool RunSelection(const Options& o, zov::Generale& g, CliAsker& asker) {
  zov::Tree& t = g.TV(zov::kMainTree);
  const auto pick = [&](const std::string& spec) {
    const zov::NodeId n = zov::FindByKeyOrPath(t, spec);
    if (n == zov::kNoNode) std::fprintf(stderr, "zov: no node '%s' in the Main Tree\n", spec.c_str());
    else t.setSelected(n);
    return n != zov::kNoNode;
  };
  const auto run = [&](std::string_view item) {
    const int before = asker.messages;
    if (!g.esegui(item)) {
      std::fprintf(stderr, "zov: '%s' is not available now\n", g.menus.find(item)->caption.c_str());
      return false;
    }
    return asker.messages == before;
  };
  if (o.start) {
    if (!pick(*o.start) || !run(zov::menu::kStart)) return false;
    if (!pick(*o.stop) || !run(zov::menu::kStart)) return false;
  }
  bool refused = false;
  for (const std::string& node : o.select) {
    if (!pick(node)) return false;
    asker.criteria.push_back([&](zov::DialogoNumTest& d) {
      if (o.procedures) {
        d.scegliNumTest();
        d.NNTest = *o.procedures;
      } else if (o.coverage) {
        d.scegliCoverage();
        d.Percc = *o.coverage;
      }
      const std::string message = d.done();
      if (!message.empty()) {
        std::fprintf(stderr, "zov: %s\n", message.c_str());
        refused = true;
      }
    });
    if (o.answer) asker.inputs.push_back(*o.answer);
    if (!run(zov::menu::kSeleziona) || refused) return false;
  }
  if (!o.select.empty()) std::fprintf(stderr, "zov: %s\n", g.somma.c_str());
  return true;
}

// Runs the UIT commands.
void RunUit(const Options& o, zov::Generale& g) {
  if (o.uit.empty()) return;
  g.clickTab(2);
  for (const std::string& source : o.uit) {
    if (source == "all") zov::CaricaAllSequence(g);
    else if (source == "zov") zov::CaricaSequenceFromZov(g);
    else if (source == "design") zov::CaricaDaDesignTree(g);
    else zov::CaricaNonConnessi(g);
  }
}

// One category of a choices file: the node and the values with their
// properties and if-selectors.
struct CategoriaScritta {
  std::string node;
  int line = 0;
  struct Valore {
    std::string value, properties, selectors;
  };
  std::vector<Valore> values;
};

// Reads a choices file:
//   category NODE        the "attributo" or "messaggio" node (key or path)
//   choice VALUE         an own value of that category
//   property P1,P2       properties of the last value (settings categories)
//   if S1,S2             if-selectors of the last value (settings categories)
// Blank lines and lines starting with "#" are skipped. A category without
// choice lines takes its default values.
std::optional<std::vector<CategoriaScritta>> LeggiScelte(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "zov: %s: cannot be read\n", path.c_str());
    return std::nullopt;
  }
  std::vector<CategoriaScritta> out;
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    ++n;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    line.erase(0, first);
    const std::size_t blank = line.find(' ');
    const std::string word = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    const auto fail = [&](const std::string& what) {
      std::fprintf(stderr, "zov: %s:%d: %s\n", path.c_str(), n, what.c_str());
      return std::nullopt;
    };
    if (word == "category") {
      if (rest.empty()) return fail("'category' needs a node");
      out.push_back({rest, n, {}});
    } else if (word == "choice") {
      if (out.empty()) return fail("'choice' before any 'category'");
      out.back().values.push_back({rest, {}, {}});
    } else if (word == "property" || word == "if") {
      if (out.empty() || out.back().values.empty()) return fail("'" + word + "' before any 'choice'");
      (word == "property" ? out.back().values.back().properties : out.back().values.back().selectors) = rest;
    } else {
      return fail("expected 'category', 'choice', 'property' or 'if', found '" + word + "'");
    }
  }
  return out;
}

// Enters the choices through the editors, as the tester would: opens the
// editor on the node, picks "Insert your own values", adds each value, OK.
bool RunChoices(const Options& o, zov::Generale& g, CliAsker& asker) {
  const auto categories = LeggiScelte(*o.choices);
  if (!categories) return false;
  zov::Tree& spec = g.TV(zov::kSpecTree);
  for (const CategoriaScritta& c : *categories) {
    const zov::NodeId n = zov::FindByKeyOrPath(spec, c.node);
    const std::string& kind = n == zov::kNoNode ? std::string() : spec.node(n).image;
    if (kind != "attributo" && kind != "messaggio") {
      std::fprintf(stderr, "zov: %s:%d: no category node '%s' in the Test Specification tree\n", o.choices->c_str(),
                   c.line, c.node.c_str());
      return false;
    }
    spec.setSelected(n);
    // Values past what a category holds are counted and reported once.
    int leftOut = 0;
    if (kind == "attributo") {
      asker.settings.push_back([&c, &leftOut](zov::EditorImpostazioni& e) {
        if (!c.values.empty()) e.clickOption2();
        for (const auto& v : c.values) {
          e.Text1 = v.value;
          e.Text3 = v.properties;
          e.Text2 = v.selectors;
          if (!e.add()) ++leftOut;
        }
        e.ok();
      });
    } else {
      asker.interactions.push_back([&c, &leftOut](zov::EditorInterazioni& e) {
        if (!c.values.empty()) e.clickOption3();
        for (const auto& v : c.values) {
          e.Text1 = v.value;
          if (!e.add()) ++leftOut;
        }
        e.ok();
      });
    }
    const bool opened = g.specifiche();
    asker.settings.clear();
    asker.interactions.clear();
    if (!opened) {
      std::fprintf(stderr, "zov: %s:%d: the category '%s' cannot be edited: no test specification record behind it\n",
                   o.choices->c_str(), c.line, c.node.c_str());
      return false;
    }
    if (leftOut > 0) {
      std::fprintf(stderr, "zov: %s:%d: '%s' holds at most %zu choices: %d of its values were left out\n",
                   o.choices->c_str(), c.line, c.node.c_str(), zov::kMassimoScelte, leftOut);
      return false;
    }
  }
  return true;
}

// Picks the test cases (the --pick nodes, else all of the UIT tree) and
// runs "&Processing...".
bool RunSpec(const Options& o, zov::Generale& g) {
  zov::Tree& uit = g.TV(zov::kUitTree);
  if (o.pick.empty()) {
    zov::SelezionaTutti(uit, g.TV(zov::kSelectedTestCases));
  } else {
    for (const std::string& spec : o.pick) {
      const zov::NodeId n = zov::FindByKeyOrPath(uit, spec);
      if (n == zov::kNoNode) {
        std::fprintf(stderr, "zov: no node '%s' in the UIT tree\n", spec.c_str());
        return false;
      }
      g.mouseDown(zov::kUitTree, n, zov::MouseButton::kLeft);
      g.mouseUp(zov::kUitTree, zov::MouseButton::kLeft);
      g.rilascia(zov::kSelectedTestCases, zov::kNoNode);
    }
  }
  zov::Elabora(g);
  if (o.choices && !RunChoices(o, g, *dynamic_cast<CliAsker*>(g.asker()))) return false;
  for (const std::string& file : g.specifica.specDocuments) {
    const auto path = g.workFolder()->pathOf(file);
    std::fprintf(stderr, "zov: wrote %s\n", path ? path->string().c_str() : file.c_str());
  }
  return true;
}

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
  CliAsker asker;
  g.setBusyBox(&busy);
  g.setAsker(&asker);
  g.setWorkFolder(&*work);
  g.caricaFinestra();
  error = zov::CaricaModello(g, path);
  int status = kExitOk;
  if (!error.empty()) {
    std::fprintf(stderr, "zov: %s\n", error.c_str());
    status = kExitFailure;
  } else if (o.command == "tree" || o.command == "spec") {
    for (const auto& w : g.modello()->Warnings()) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
    for (const auto& w : g.avvisi) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
    if (RunSelection(o, g, asker)) {
      RunUit(o, g);
      if (o.command == "spec" && !RunSpec(o, g)) return kExitFailure;
      PrintTree(g.TV(o.tree.value_or(o.command == "spec" ? zov::kSpecTree : zov::kMainTree)));
    } else {
      status = kExitFailure;
    }
  } else {
    for (const auto& w : g.modello()->Warnings()) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
    for (const auto& w : g.avvisi) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
    const zov::ModelSummary s = g.modello()->Summarize();
    const bool empty = s.useCases == 0 && s.sequenceDiagrams + s.collaborationDiagrams == 0;
    std::printf("%s: %s, %s, %s, %s, %s, %s, %s, %s%s\n", path.c_str(),
                Plural(s.packages, "package", "packages").c_str(),
                Plural(s.useCases, "use case", "use cases").c_str(), Plural(s.actors, "actor", "actors").c_str(),
                Plural(s.classes, "class", "classes").c_str(),
                Plural(s.useCaseDiagrams, "use-case diagram", "use-case diagrams").c_str(),
                Plural(s.classDiagrams, "class diagram", "class diagrams").c_str(),
                Plural(s.sequenceDiagrams + s.collaborationDiagrams, "scenario diagram", "scenario diagrams").c_str(),
                Plural(s.messages, "message", "messages").c_str(),
                empty ? " (no use case and no interaction: nothing to plan)" : "");
  }
  // Without --work nothing is left behind; with it the files stay for inspection.
  if (!o.work) {
    zov::RimuoveFileCreati(*work);
    zov::RimuoveFileCreatiUIT(*work);
  }
  return status;
}

}  // namespace

// The rules the selection options keep wherever they are taken; the usage
// error's status, or 0.
int CheckSelectionOptions(const Options& o) {
  // A whole number from lo to hi, as typed (an optional sign and digits).
  const auto whole = [](const std::string& text, long lo, long hi) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && !std::isspace(static_cast<unsigned char>(text[0])) && *end == '\0' && errno == 0 &&
           v >= lo && v <= hi;
  };
  if (o.procedures && !whole(*o.procedures, 0, 32767))
    return UsageError("invalid number of test procedures '" + *o.procedures + "' (0 to 32767)");
  if (o.answer && !whole(*o.answer, 0, 32767))
    return UsageError("invalid number of test procedures '" + *o.answer + "' (0 to 32767)");
  if (o.coverage && !whole(*o.coverage, 1, 100))
    return UsageError("invalid coverage '" + *o.coverage + "' (a percentage from 1 to 100)");
  if (o.start.has_value() != o.stop.has_value()) return UsageError("'--start' and '--stop' go together");
  if (o.procedures && o.coverage) return UsageError("choose either '--procedures' or '--coverage'");
  if (o.answer && !o.coverage) return UsageError("'--answer' goes with '--coverage'");
  return 0;
}

// Progress for long runs: the busy box's status on standard error, at most
// twice a second and only once a run has taken more than a second.
class CliBusyBox : public zov::QuietBusyBox {
 public:
  void setStatus(std::string_view text) override {
    QuietBusyBox::setStatus(text);
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(500)) return;
    last_ = now;
    std::fprintf(stderr, "zov: %.*s\n", static_cast<int>(text.size()), text.data());
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_{};
};

// The files an earlier plan wrote into the folder, one name per line.
constexpr const char* kManifesto = ".zov-plan";

// Plans a model end to end: load, select, allocate, take the test cases,
// "&Processing...", choices (the given ones, then every category's
// defaults), "&All Test Cases". The documents and scripts stay in the
// output folder.
int Plan(const Options& o) {
  if (o.arguments.size() != 1) return UsageError("'plan' takes one model file");
  if (const int bad = CheckSelectionOptions(o)) return bad;
  if (o.tree || !o.pick.empty() || o.work)
    return UsageError("'plan' takes --out, --uit, --procedures, --coverage, --answer, --select, --start, --stop, --choices and --seed");
  const std::string& model = o.arguments.front();
  unsigned seed = 0;
  if (o.seed) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(o.seed->c_str(), &end, 10);
    if (o.seed->empty() || *end != '\0' || v > 0xFFFFFFFFul) return UsageError("invalid seed '" + *o.seed + "'");
    seed = static_cast<unsigned>(v);
  }
  const std::filesystem::path dir =
      o.out ? std::filesystem::path(*o.out) : std::filesystem::path("zov-plan-" + std::filesystem::path(model).stem().string());
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "zov: cannot make the folder %s: %s\n", dir.string().c_str(), ec.message().c_str());
    return kExitFailure;
  }
  zov::WorkFolder work(dir);
  // What an earlier plan wrote here may be written again; nothing else is touched.
  {
    std::ifstream manifest(dir / kManifesto);
    for (std::string name; std::getline(manifest, name);)
      if (!name.empty()) work.record(name, zov::CreatedList::kScripts);
  }

  zov::Generale g;
  CliBusyBox busy;
  CliAsker asker;
  asker.quiet = true;
  g.setBusyBox(&busy);
  g.setAsker(&asker);
  g.setWorkFolder(&work);
  if (o.seed) g.casuale = std::make_unique<zov::CasualeFisso>(seed);
  g.caricaFinestra();
  const std::string error = zov::CaricaModello(g, model);
  if (!error.empty()) {
    std::fprintf(stderr, "zov: %s\n", error.c_str());
    return kExitFailure;
  }
  for (const auto& w : g.modello()->Warnings()) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
  for (const auto& w : g.avvisi) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());

  // Without --select: every actor's whole branch (start level 0, stop at the deepest level).
  Options selection = o;
  zov::Tree& t = g.TV(zov::kMainTree);
  if (o.select.empty() && !o.start) {
    zov::NodeId firstActor = zov::kNoNode, deepest = zov::kNoNode;
    int deepestLevel = -1;
    for (zov::NodeId id : t.collection()) {
      const zov::Node& n = t.node(id);
      if (n.image == "rose") continue;
      if (n.parent == zov::kNoNode && n.children > 0 && firstActor == zov::kNoNode) firstActor = id;
      const int level = zov::Livello(t, id);
      if (level > deepestLevel) {
        deepestLevel = level;
        deepest = id;
      }
    }
    const bool onlyZov = o.uit.empty() || std::all_of(o.uit.begin(), o.uit.end(), [](const std::string& u) { return u == "zov"; });
    if (firstActor == zov::kNoNode && onlyZov) {
      std::printf("%s: no actor reaches a use case: nothing to plan\n", model.c_str());
      zov::RimuoveFileCreati(work);
      return kExitOk;
    }
    if (firstActor != zov::kNoNode) {
      selection.start = t.node(firstActor).key;
      selection.stop = t.node(deepest).key;
      for (zov::NodeId a = t.firstRoot(); a != zov::kNoNode; a = t.node(a).next)
        if (t.node(a).image != "rose" && t.node(a).children > 0) selection.select.push_back(t.node(t.node(a).child).key);
    }
  }
  if (!RunSelection(selection, g, asker)) return kExitFailure;

  // The test cases: from the selection (--uit zov, the default) or from
  // the other sources of the UIT tree.
  Options sources = o;
  if (sources.uit.empty()) sources.uit.push_back("zov");
  RunUit(sources, g);
  // Every test case of the UIT tree goes to the selected test cases, as if
  // dragged there one by one; the "rose" nodes of messages that could not be
  // placed are no test cases and stay behind.
  zov::Tree& uit = g.TV(zov::kUitTree);
  for (zov::NodeId c = uit.firstRoot() == zov::kNoNode ? zov::kNoNode : uit.node(uit.firstRoot()).child;
       c != zov::kNoNode; c = uit.node(c).next) {
    const std::string& kind = uit.node(c).image;
    if (kind == "sequence" || kind == "collaboration")
      zov::AggiungiSelezionato(uit, c, g.TV(zov::kSelectedTestCases));
  }
  zov::Elabora(g);
  if (o.choices && !RunChoices(o, g, asker)) return kExitFailure;
  // Every category not given its choices takes its defaults, confirmed with OK.
  zov::Tree& spec = g.TV(zov::kSpecTree);
  for (zov::NodeId id : spec.collection()) {
    const std::string kind = spec.node(id).image;
    if (kind != "attributo" && kind != "messaggio") continue;
    spec.setSelected(id);
    if (kind == "attributo")
      asker.settings.push_back([](zov::EditorImpostazioni& e) {
        if (e.record() != nullptr && !e.record()->edited) e.ok();
        else e.cancel();
      });
    else
      asker.interactions.push_back([](zov::EditorInterazioni& e) {
        if (e.record() != nullptr && !e.record()->edited) e.ok();
        else e.cancel();
      });
    g.specifiche();
  }
  asker.settings.clear();
  asker.interactions.clear();
  long conflicts = 0;
  const zov::RisultatoGenerazione result = zov::GenerateTestProcedures(g, [&conflicts](const std::string&) { ++conflicts; });

  zov::RimuoveFileCreati(work);
  const std::vector<std::string>& files = work.files(zov::CreatedList::kScripts);
  {
    std::ofstream manifest(dir / kManifesto, std::ios::binary | std::ios::trunc);
    for (const std::string& name : files) manifest << name << '\n';
  }
  int testCases = 0;
  for (int i = 1; i <= g.specifica.tabella.count(); ++i)
    if (g.specifica.tabella.caso(i)->pathCount > 0) ++testCases;
  std::printf("%s: %d test case%s, %d path%s, %ld test procedure%s (%ld insignificant), %zu files in %s\n",
              model.c_str(), testCases, testCases == 1 ? "" : "s", result.paths, result.paths == 1 ? "" : "s",
              result.procedures, result.procedures == 1 ? "" : "s", result.insignificant, files.size(),
              dir.string().c_str());
  for (const auto& w : g.avvisi) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
  return result.failed > 0 || g.specifica.nonScritti > 0 ? kExitFailure : kExitOk;
}

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
    } else if (const auto value = [&]() -> std::optional<std::string> {
                 for (const char* name :
                      {"--select", "--start", "--stop", "--procedures", "--coverage", "--answer", "--uit", "--pick", "--choices", "--out", "--seed"}) {
                   const std::string_view n(name);
                   if (a == n) {
                     if (i + 1 >= args.size()) return std::string("\x01") + name;
                     return std::string(args[++i]);
                   }
                   if (a.size() > n.size() && a.substr(0, n.size()) == n && a[n.size()] == '=')
                     return std::string(a.substr(n.size() + 1));
                 }
                 return std::nullopt;
               }();
               value) {
      if (!value->empty() && (*value)[0] == '\x01')
        return UsageError("option '" + value->substr(1) + "' needs a value");
      const std::string_view name = a.substr(0, a.find('='));
      if (name == "--select") o.select.push_back(*value);
      else if (name == "--start") o.start = *value;
      else if (name == "--stop") o.stop = *value;
      else if (name == "--procedures") o.procedures = *value;
      else if (name == "--coverage") o.coverage = *value;
      else if (name == "--answer") o.answer = *value;
      else if (name == "--pick") o.pick.push_back(*value);
      else if (name == "--choices") o.choices = *value;
      else if (name == "--out") o.out = *value;
      else if (name == "--seed") o.seed = *value;
      else if (*value == "all" || *value == "zov" || *value == "design" || *value == "notlinked") o.uit.push_back(*value);
      else return UsageError("invalid UIT source '" + *value + "' (all, zov, design or notlinked)");
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
  if (o.command == "plan") return Plan(o);
  const bool treeCommand = o.command == "tree" || o.command == "spec";
  if (o.tree && !treeCommand) return UsageError("option '--tree' goes with the 'tree' and 'spec' commands");
  if ((!o.pick.empty() || o.choices) && o.command != "spec")
    return UsageError("'--pick' and '--choices' go with the 'spec' command");
  if (o.out || o.seed) return UsageError("'--out' and '--seed' go with the 'plan' command");
  const bool selecting =
      !o.select.empty() || o.start || o.stop || o.procedures || o.coverage || o.answer || !o.uit.empty();
  if (selecting && !treeCommand) return UsageError("the selection options go with the 'tree' and 'spec' commands");
  if (const int bad = CheckSelectionOptions(o)) return bad;
  if ((o.procedures || o.coverage) && o.select.empty()) return UsageError("'--procedures' and '--coverage' need '--select'");
  if (o.command == "load" || treeCommand) return Load(o);
  return UsageError("unknown command '" + o.command + "'");
}
