// zov: the command-line front end of Zov Suite. It reads its options, runs
// the planning API of the core and prints what came of it.
#include <CLI/CLI.hpp>

#include <malloc.h>

#include <new>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "export/tool_exports.h"
#include "files/text_encoding.h"
#include "model/tidy_up.h"
#include "session/build_commit.h"
#include "session/process_heap.h"
#include "session/runs.h"
#include "tree/dump.h"
#include "ui/command_line.h"

namespace {

constexpr int kExitOk = 0, kExitFailure = 1, kExitUsage = 2;

// Each line of text after prefix, with whatever came from a file or the
// command line (control characters, escape sequences, a NUL byte) made
// visible instead of reaching the terminal.
void PrintLines(const std::string& text, const char* prefix, std::FILE* to) {
  for (std::size_t from = 0, end; from <= text.size(); from = end + 1) {
    end = std::min(text.find('\n', from), text.size());
    std::fprintf(to, "%s%s\n", prefix, zov::Printable(std::string_view(text).substr(from, end - from)).c_str());
  }
}
void Say(const std::string& text) { PrintLines(text, "zov: ", stderr); }
void Warn(const std::string& text) { Say("warning: " + text); }

// What the options fill: the request of the command run, and the values a
// request takes in another form.
struct Options {
  zov::LoadRequest load;  // load, tree, spec
  zov::PlanRequest plan;
  zov::ResultsRequest results;
  std::optional<int> tree;
  std::vector<std::string> uit;
  std::optional<std::string> seed, encoding, csvDelimiter;
  int maxMainTree = 0;
  std::string formats = "text", names = "default", strength = "random", resultsFormat;
};

// A check of an option's value as typed: what is wrong with it, or nothing.
CLI::Validator Check(std::function<std::string(std::string&)> problem) { return {std::move(problem), ""}; }

// A whole number from lo to hi as typed, else the message naming what.
CLI::Validator Whole(long lo, long hi, const std::string& what, const std::string& range) {
  return Check([=](std::string& v) {
    std::size_t used = 0;
    long n = 0;
    try {
      n = std::stol(v, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    const bool ok = used == v.size() && !v.empty() && v[0] != ' ' && n >= lo && n <= hi;
    return ok ? std::string() : "invalid " + what + " '" + v + "' (" + range + ")";
  });
}

// The words of the options that take one from a list.
const std::vector<std::string> kSources = {"all", "zov", "design", "notlinked"};
const std::vector<std::string> kNameStyles = {"default", "stable"};

// What the bash completion offers for each option's value; an option that
// takes a value and is not listed gets nothing (a node, a number).
std::map<std::string, zov::OptionValues> CompletionValues() {
  using V = zov::OptionValues;
  return {{"--uit", V::Words(kSources)},
          {"--names", V::Words(kNameStyles)},
          {"--format", V::ListOf(zov::FormatWordList())},
          {"--strength", V::Words({"random", "each", "pairwise", "3", "4", "5"})},
          {"--tree", V::Words({"0", "1", "2", "3", "4", "5", "6"})},
          {"--csv-delimiter", V::Words({",", ";", "|", "tab"})},
          {"--encoding",
           V::Words({"windows-1250", "windows-1251", "windows-1252", "windows-1253", "windows-1254", "ISO-8859-1",
                     "ISO-8859-2", "ISO-8859-5", "KOI8-R", "Shift_JIS", "EUC-JP", "GBK", "BIG5", "EUC-KR", "UTF-8"})},
          {"--session", V::Files("*.@(zov|ZOV)")},
          {"--save-session", V::Files("*.@(zov|ZOV)")},
          {"--keep", V::Files("*.json")},
          {"--focus", V::Files("*.json")},
          {"--choices", V::Files("*")},
          {"--requirements", V::Files("*.@(csv|CSV)")},
          {"--template", V::Files("*")},
          {"--out", V::Folders()},
          {"--work", V::Folders()},
          {"--completion", V::Words({"bash"})}};
}

// The selection options of a command, into its selection; the criterion is
// by number unless --coverage is given.
void AddSelectionOptions(CLI::App* c, zov::SelectionOptions& s, std::vector<std::string>& uit, bool plan) {
  c->add_option("--select", s.nodes, "run \"Select Level\" on NODE (key or path of names; repeatable)");
  auto* start = c->add_option("--start", s.start, "fix the start level at NODE first");
  auto* stop = c->add_option("--stop", s.stop, "fix the stop level at NODE first");
  start->needs(stop);
  stop->needs(start);
  auto* n = c->add_option("--procedures", s.criterion.procedures, "share N test procedures over the leaves")
                ->check(Whole(0, 32767, "number of test procedures", "0 to 32767"));
  auto* p = c->add_option("--coverage", s.criterion.coverage, "keep the leaves that cover P percent of the usage")
                ->check(Whole(1, 100, "coverage", "a percentage from 1 to 100"))
                ->excludes(n);
  p->each([&s](const std::string&) { s.criterion.byNumber = false; });
  c->add_option("--answer", s.criterion.answer, "procedures asked for by --coverage (default: the least it proposes)")
      ->check(Whole(0, 32767, "number of test procedures", "0 to 32767"))
      ->needs(p);
  c->add_option(
       "--uit", uit,
       std::string("fill the UIT tree from: all, zov, design, notlinked (repeatable") + (plan ? "; default zov)" : ")"))
      ->check(CLI::IsMember(kSources).description(""))
      ->type_name("SOURCE");
}

// The commands and their options as --help shows them, for the completion
// and the hints.
zov::CommandLine Shape(const CLI::App& app) {
  const auto options = [](const CLI::App& c) {
    std::vector<zov::CommandLineOption> out;
    for (const CLI::Option* o : c.get_options())
      if (!o->get_positional() && !o->get_group().empty())
        for (const std::string& n : o->get_lnames()) out.push_back({"--" + n, o->get_type_size() != 0});
    return out;
  };
  zov::CommandLine line{options(app), {}};
  for (const CLI::App* c : app.get_subcommands([](const CLI::App*) { return true; }))
    line.commands.push_back({c->get_name(), options(*c)});
  return line;
}

// The UIT sources named on the command line.
std::vector<zov::TestCaseSource> SourcesNamed(const std::vector<std::string>& names) {
  std::vector<zov::TestCaseSource> from;
  for (const std::string& n : names) from.push_back(zov::SourceFromName(n));
  return from;
}

// The planning session of one run, left to the end of the process: freeing
// a large model's trees node by node takes longer than the rest of the
// exit, and the system takes the memory back at once. It stays reachable
// from here, so it is no leak.
zov::PlanningSession* gSession = nullptr;
// plan --quiet: no progress lines either.
bool gQuiet = false;

zov::PlanningSession& Session(const Options& o) {
  gQuiet = o.plan.quiet;
  static zov::QuietBusyBox busy{[](std::string_view text) {
    if (!gQuiet) Say(std::string(text));
  }};
  gSession = new zov::PlanningSession;
  gSession->setBusyBox(&busy);
  gSession->settings.mainTreeLimit = o.maxMainTree;
  if (o.encoding) gSession->settings.modelEncoding = *o.encoding;
  return *gSession;
}

const zov::RunVoice kVoice{Say, Warn};

int Load(zov::LoadRequest::Kind kind, Options& o) {
  o.load.kind = kind;
  o.load.sources = SourcesNamed(o.uit);
  zov::PlanningSession& p = Session(o);
  const zov::LoadResult done = zov::RunLoad(p, o.load, kVoice);
  if (done.status != zov::RunStatus::kOk) return static_cast<int>(done.status);
  if (kind == zov::LoadRequest::Kind::kLoad) return std::printf("%s\n", done.printed.c_str()), kExitOk;
  const bool spec = kind == zov::LoadRequest::Kind::kSpec;
  zov::WriteTree(p.TV(o.tree ? *o.tree : spec ? zov::kSpecTree : zov::kMainTree), stdout);
  return kExitOk;
}

// A run whose output could not be written (a full disk, a closed pipe)
// failed, whatever it did before.
int Printed(int code) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
  Say(std::string("the output could not be written: ") + std::strerror(errno));
  return kExitFailure;
}

int Plan(Options& o) {
  zov::PlanRequest& r = o.plan;
  if (o.seed) r.seed = static_cast<unsigned>(std::stoul(*o.seed));
  r.strength.t = *zov::ParseStrength(o.strength);
  r.stableNames = o.names == "stable";
  r.plan.sources = SourcesNamed(o.uit);
  zov::ParseFormats(o.formats, r.plan.formats);
  if (o.csvDelimiter) r.plan.formats.style.delimiter = (*o.csvDelimiter)[0];
  const zov::PlanRunResult done = zov::RunPlanCommand(Session(o), r, kVoice);
  if (!done.printed.empty()) std::printf("%s\n", zov::Printable(done.printed).c_str());
  return static_cast<int>(done.status);
}

}  // namespace

int main(int argc, char** argv) {
  zov::TuneProcessHeap(argv);
  // One run, then the process ends: memory freed in small pieces stays
  // with the process for what is built next, instead of going back to the
  // system and being faulted in again page by page. Blocks of 4 MB and more
  // (a parsed model's text and forms, the large tables of a plan) are
  // mapped on their own and go back when freed: kept in the heap they leave
  // holes that the many small nodes and records of the later steps fill
  // only in part, so that a large plan would peak some 50-100 MB higher.
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  CLI::App app(
      "Plan tests from a UML model: a Rational Rose petal file (.mdl, .cat), UML 2 XMI (.xmi, .uml, .xml), or diagrams "
      "kept as text: PlantUML (.puml, .plantuml, .pu), Mermaid (.mmd, .mermaid), or Markdown (.md) holding them.",
      "zov");
  app.set_version_flag("-V,--version",
                       std::string("zov (Zov Suite) ") + ZOV_VERSION + " (commit " + zov::BuildCommit() + ")");
  app.require_subcommand(0, 1);
  app.footer(
      "Exit status: 0 if all went well, 1 if the work failed, 2 on a usage error, 3 when 'plan --strict' wrote a "
      "plan that warns or gives fewer useful test procedures than allotted.");
  Options o;
  auto* load = app.add_subcommand("load", "load the model and print a one-line summary of it");
  auto* tree = app.add_subcommand(
      "tree",
      "load the model and print a tree, one node per line in collection "
      "order under the header: index depth key kind text tag fore back bold parent (the index of the "
      "parent's line, 0 for a root)");
  auto* spec = app.add_subcommand("spec",
                                  "as 'tree', then pick test cases (--pick, else all of the UIT tree), "
                                  "run \"Processing...\" and print the Test Specification tree");
  auto* plan = app.add_subcommand("plan",
                                  "plan the model end to end: documents and scripts go to --out DIR "
                                  "(default zov-plan-<model name>)");
  auto* results = app.add_subcommand("results",
                                     "record the verdicts of result files (JUnit XML, a TestRail or Xray CSV export, "
                                     "a CSV of id,verdict) in PLAN_DIR/results.json and print the reliability "
                                     "per use they estimate (docs/results.md)");
  results->add_option("PLAN_DIR", o.results.dir, "a folder holding a plan written with --format json")->required();
  results->add_option("FILE", o.results.files, "result files, read in the order given")->required();
  results->add_option("--format", o.resultsFormat, "html: also give the folder's report.html its Results section")
      ->check(CLI::IsMember({"html"}).description(""));
  for (CLI::App* c : {load, tree, spec}) c->add_option("MODEL", o.load.model, "the model file")->required();
  auto* session =
      plan->add_option("--session", o.plan.session, "replay a session saved by the window or by --save-session");
  plan->add_option("MODEL", o.plan.model, "the model file")->excludes(session);
  plan->add_option("--save-session", o.plan.saveSession, "write the session of this run to FILE")->excludes(session);
  plan->add_flag("--allow-changed", o.plan.allowChanged, "replay a session whose model has changed");
  for (CLI::App* c : {load, tree, spec})
    c->add_option("--work", o.load.work,
                  "write the load's working files (and the documents of spec) into DIR, for inspection");
  for (CLI::App* c : {load, tree, spec, plan})
    c->add_option("--encoding", o.encoding,
                  "the encoding of a model that does not say its own (a petal file whose header says charSet 0, "
                  "an XMI file without an encoding declaration), as iconv names it: windows-1251, ISO-8859-2, "
                  "Shift_JIS ...")
        ->check(Check([](std::string& v) {
          return zov::TextDecoder::Of(v) ? std::string() : "unknown encoding '" + v + "' (see iconv -l)";
        }));
  for (CLI::App* c : {load, tree, spec, plan})
    c->add_option("--max-main-tree-nodes", o.maxMainTree,
                  "stop copying branches below links when the Main Tree has N nodes (default 0: the cap grows "
                  "with the model, " +
                      std::to_string(zov::kCopyNodesPerNode) +
                      " nodes for each one before the "
                      "copies and at least " +
                      std::to_string(zov::kMinMainTreeCap) + ")")
        ->check(Whole(0, 2147483647L, "number of Main Tree nodes", "0 to 2147483647"));
  for (CLI::App* c : {tree, spec}) {
    c->add_option("--tree", o.tree,
                  "the tree to print: 0 Main Tree, 1 UIT, 2 Test Specification, "
                  "3 selected test cases, 4 not-linked, 5 selection, 6 Design Tree")
        ->check(Check([](std::string& v) {
          return v.size() == 1 && v[0] >= '0' && v[0] <= '6' ? std::string()
                                                             : "invalid tree number '" + v + "' (0 to 6)";
        }));
    AddSelectionOptions(c, o.load.selection, o.uit, false);
  }
  spec->add_option("--pick", o.load.pick, "drag this test case of the UIT tree onto the selected test cases");
  for (CLI::App* c : {spec, plan})
    c->add_option("--choices", c == plan ? o.plan.choices : o.load.choices,
                  "enter choices through the editors: lines 'category NODE', "
                  "'choice VALUE', 'property P1,P2', 'if S1,S2'");
  AddSelectionOptions(plan, o.plan.plan.selection, o.uit, true);
  plan->add_option("--requirements", o.plan.plan.requirements,
                   "trace use cases to requirements from a CSV file (use case key or path, requirement id, title); "
                   "its rows replace the model's links of the use cases it names")
      ->type_name("FILE")
      ->excludes(session);
  plan->add_option("--out", o.plan.out, "the folder for the documents and scripts");
  auto* formats =
      plan->add_option("--format", o.formats,
                       "what goes to the output folder (comma-separated): " + zov::FormatWords() + "; index.csv always")
          ->check(Check([](std::string& v) {
            zov::Formats f;
            return zov::ParseFormats(v, f) ? std::string() : "invalid format '" + v + "' (" + zov::FormatWords() + ")";
          }));
  plan->add_option("--template", o.plan.templateFile,
                   "also render this Mustache template over the data of plan.json (docs/exports.md); the file is "
                   "named after the template, without .mustache");
  plan->add_flag("--csv-bom", o.plan.plan.formats.style.bom,
                 "begin procedures.csv and xray.csv with a UTF-8 byte order mark");
  plan->add_option("--csv-delimiter", o.csvDelimiter,
                   "the field delimiter of procedures.csv and xray.csv: ',' (default), ';' (where decimals take a "
                   "comma), '|' or tab")
      ->transform(Check([](std::string& v) {
        if (v == "tab" || v == "\\t") v = "\t";
        return v == "," || v == ";" || v == "|" || v == "\t" ? std::string()
                                                             : "invalid delimiter '" + v + "' (',', ';', '|' or tab)";
      }));
  plan->add_option("--names", o.names,
                   "document names: default (from the tree, as the window names them) or stable "
                   "(<diagram identifier>_<diagram name>_<path>.txt, unchanged by another budget or selection)")
      ->check(CLI::IsMember(kNameStyles).description(""))
      ->type_name("STYLE");
  auto* strength =
      plan->add_option("--strength", o.strength,
                       "what each path's procedures cover first: random (every combination in random order, the "
                       "default), each (every choice), pairwise (every pair of choices) or N (every N choices)")
          ->check(Check([](std::string& v) {
            return zov::ParseStrength(v) ? std::string()
                                         : "invalid strength '" + v + "' (random, each, pairwise or 1 to 10)";
          }));
  auto* strengthFills =
      plan->add_flag("--strength-fills", o.plan.strength.fills,
                     "give a path the procedures its strength needs when it was allotted fewer (reported)");
  plan->add_flag("--every-path", o.plan.everyPath,
                 "give a path whose categories have no choices one procedure: its messages, nothing to choose (a "
                 "session keeps its own setting)")
      ->excludes(session);
  plan->add_option("--keep", o.plan.keep,
                   "keep the test procedures of an earlier plan (its plan.json) that are still valid, with their ids; "
                   "new ones take the lowest free numbers (the report says how many were kept, dropped and added); "
                   "unless given, --seed, --strength and --strength-fills are those of the earlier plan")
      ->type_name("PLAN.JSON");
  plan->add_option("--focus", o.plan.focus,
                   "allot the procedures by weight x what the results leave uncertain, and plan every failed "
                   "procedure again with its id (a results.json of zov results; docs/results.md)")
      ->type_name("RESULTS.JSON")
      ->excludes(session);
  plan->add_flag("--quiet", o.plan.quiet, "say only what failed: no plan report, no warnings");
  plan->add_flag("--strict", o.plan.strict,
                 "exit 3 when the plan warns (no test case, no procedure written) or gives fewer useful test "
                 "procedures than allotted; the plan is written all the same");
  plan->add_option("--seed", o.seed, "seed of the random numbers (repeatable runs)")
      ->check(Whole(0, 0xFFFFFFFFL, "seed", "0 to 4294967295"));
  // What each option takes, as --help shows it.
  const std::map<std::string, std::string> takes = {{"session", "FILE"},
                                                    {"save-session", "FILE"},
                                                    {"encoding", "NAME"},
                                                    {"max-main-tree-nodes", "N"},
                                                    {"choices", "FILE"},
                                                    {"select", "NODE"},
                                                    {"start", "NODE"},
                                                    {"stop", "NODE"},
                                                    {"procedures", "N"},
                                                    {"coverage", "P"},
                                                    {"answer", "N"},
                                                    {"out", "DIR"},
                                                    {"work", "DIR"},
                                                    {"format", "LIST"},
                                                    {"template", "FILE"},
                                                    {"csv-delimiter", "CHAR"},
                                                    {"strength", "STRENGTH"},
                                                    {"seed", "N"},
                                                    {"tree", "N"},
                                                    {"pick", "NODE"},
                                                    {"completion", "SHELL"}};
  for (CLI::App* c : {&app, load, tree, spec, plan, results})
    for (CLI::Option* option : c->get_options()) {
      if (option->get_positional()) option->type_name("");
      for (const std::string& n : option->get_lnames())
        if (const auto it = takes.find(n); it != takes.end()) option->type_name(it->second);
    }
  results->get_option("--format")->type_name("FORMAT");
  // The bash completion, written at build time from these options.
  std::string completion;
  app.add_option("--completion", completion, "print the completion script of SHELL (bash)")
      ->check(CLI::IsMember({"bash"}))
      ->group("");
  try {
    app.parse(argc, argv);
    if (!completion.empty()) {
      const std::string script = zov::BashCompletion(Shape(app), CompletionValues());
      std::fwrite(script.data(), 1, script.size(), stdout);
      return Printed(kExitOk);
    }
    if (app.get_subcommands().empty())
      throw CLI::ValidationError("missing command (load, tree, spec, plan or results)");
    if (plan->parsed() && o.plan.model.empty() && !o.plan.session)
      throw CLI::ValidationError("'plan' needs a MODEL or --session");
    o.plan.strengthGiven = strength->count() > 0 || strengthFills->count() > 0;
    o.plan.formatsGiven = formats->count() > 0;
    if (plan->parsed()) return Printed(Plan(o));
    if (results->parsed()) {
      const zov::PlanRunResult done =
          (o.results.html = o.resultsFormat == "html", zov::RunResultsCommand(o.results, kVoice));
      // Line by line: the table's lines stay lines.
      std::string_view text = done.printed;
      if (text.ends_with('\n')) text.remove_suffix(1);
      if (!done.printed.empty()) PrintLines(std::string(text), "", stdout);
      return Printed(static_cast<int>(done.status));
    }
    using Kind = zov::LoadRequest::Kind;
    for (CLI::App* c : {tree, spec})
      if (c->parsed() && c->count("--procedures") + c->count("--coverage") > 0 && o.load.selection.nodes.empty())
        throw CLI::ValidationError("'--procedures' and '--coverage' need '--select'");
    return Printed(Load(load->parsed() ? Kind::kLoad : tree->parsed() ? Kind::kTree : Kind::kSpec, o));
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ExtrasError& e) {
    const CLI::App* given = app.get_subcommands().empty() ? nullptr : app.get_subcommands().back();
    const std::string name = given ? given->get_name() : "";
    Say(zov::DidYouMean(Shape(app), given ? &name : nullptr, app.remaining(true)).value_or(e.what()));
    std::fprintf(stderr, "Try 'zov --help' for more information.\n");
    return kExitUsage;
  } catch (const CLI::ParseError& e) {
    Say(e.what());
    std::fprintf(stderr, "Try 'zov --help' for more information.\n");
    return kExitUsage;
  } catch (const std::bad_alloc&) {
    // The folders of the run were put back as they were on the way out.
    Say("there is not enough memory for this run");
    return kExitFailure;
  }
}
