#include "session/runs.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "export/plan_report.h"
#include "export/tool_exports.h"
#include "files/input_file.h"
#include "files/interruption.h"
#include "files/output_folder.h"
#include "files/work_folder.h"
#include "results/results.h"
#include "session/earlier_plan.h"
#include "session/session_file.h"

namespace zov {

namespace {

// The choices file, read before any work starts; false when it is bad.
bool ReadChoices(const std::optional<std::string>& path, std::optional<ChoicesFile>& file, const RunVoice& voice) {
  if (!path) return true;
  const Outcome e = ReadChoicesFile(*path, file.emplace());
  if (!e) voice.say(e.message);
  return e.done;
}

}  // namespace

LoadResult RunLoad(PlanningSession& p, const LoadRequest& r, const RunVoice& voice) {
  const auto failed = [&](const std::string& why) {
    if (!why.empty()) voice.say(why);
    return LoadResult{RunStatus::kFailure, {}};
  };
  // Without a folder given the run leaves no file.
  bool made = false;
  std::optional<WorkFolder> work;
  if (!r.work) {
    work = WorkFolder::InMemory();
  } else {
    std::string error;
    if (work = OpenWorkFolder(std::filesystem::path(*r.work), made, &error); !work) return failed(error);
  }
  FolderRun folder(*work, r.work.has_value(), true, made, voice.say);
  p.setWorkFolder(&*work);
  p.setKeepLoadFiles(r.work.has_value());
  const Outcome loaded = p.openModel(r.model);
  // The session outlives the folder: it forgets it on the way out.
  struct Detach {
    PlanningSession& p;
    ~Detach() { p.setWorkFolder(nullptr); }
  } detach{p};
  if (!loaded) return failed(loaded.message);
  for (const auto& w : loaded.warnings) voice.warn(w);
  if (r.kind == LoadRequest::Kind::kLoad) {
    if (!folder.done()) return failed("");
    return {RunStatus::kOk, r.model + ": " + p.modelSummary().Text()};
  }
  if (const Outcome e = SelectNodes(p, r.selection); !e) return failed(e.message);
  if (!r.selection.nodes.empty()) voice.say(p.work().weightsSum);
  for (TestCaseSource s : r.sources) p.loadTestCases(s);
  if (r.kind == LoadRequest::Kind::kSpec) {
    std::optional<ChoicesFile> choices;
    if (!ReadChoices(r.choices, choices, voice)) return failed("");
    const Outcome processed = RunSpec(p, r.pick, choices);
    if (!processed) return failed(processed.message);
    for (const std::string& w : processed.warnings) voice.say("Warning: " + w);
    for (const std::string& n : processed.notes) voice.warn(n);
    // A document that could not be written fails the run, said once.
    if (!work->errors().empty()) {
      for (const std::string& e : work->errors()) voice.say(e);
      return failed("");
    }
    if (!work->inMemory())
      for (const std::string& file : p.work().specification.specDocuments)
        voice.say("wrote " + (work->dir() / file).string());
  }
  if (!folder.done()) return failed("");
  return {};
}

PlanRunResult RunPlanCommand(PlanningSession& p, const PlanRequest& r, const RunVoice& voice) {
  const auto refused = [&](const std::string& why, RunStatus status) {
    voice.say(why);
    return PlanRunResult{status, {}};
  };
  PlanOptions plan = r.plan;
  if (plan.sources.empty()) plan.sources = PlanOptions().sources;
  if (r.templateFile) {
    // A template that would replace a file of the plan, or that cannot be
    // used, is refused before any work.
    if (const Outcome e = TemplateNameFree(*r.templateFile); !e) return refused(e.message, RunStatus::kUsage);
    std::string text;
    if (const Outcome e = ReadTemplate(*r.templateFile, &text); !e) return refused(e.message, RunStatus::kFailure);
    plan.formats.templateFile = *r.templateFile;
  }
  if (!ReadChoices(r.choices, plan.choices, voice)) return {RunStatus::kFailure, {}};
  // The earlier plan is read before anything is written: it may lie in the
  // folder this run replaces.
  std::shared_ptr<const EarlierPlan> earlier;
  if (r.keep) {
    std::string why;
    if (earlier = ReadEarlierPlan(*r.keep, &why); !earlier) return refused(why, RunStatus::kFailure);
  }
  // The results that focus the plan, read before the folder is replaced.
  std::shared_ptr<const Focus> focus;
  if (r.focus) {
    std::string why;
    if (focus = ReadFocus(*r.focus, &why); !focus) return refused(why, RunStatus::kFailure);
  }
  // Every file the run would refuse at its end is refused before it starts.
  const std::filesystem::path dir = std::filesystem::path(
      r.out ? *r.out : "zov-plan-" + std::filesystem::path(r.session.value_or(r.model)).stem().string());
  if (r.saveSession) {
    if (const Outcome e = SessionNameFree(*r.saveSession, dir, r.templateFile.value_or("")); !e)
      return refused(e.message, RunStatus::kUsage);
    if (const Outcome e = SessionWritable(*r.saveSession); !e) return refused(e.message, RunStatus::kFailure);
  }
  std::string error;
  auto out = OutputFolder::Open(dir, &error);
  if (!out) return refused(error, RunStatus::kFailure);
  // The folder named after the model may hold the plan of another model of
  // that name (ATM.mdl and ATM.xmi): it is not replaced unless --out says so.
  if (!r.out && !r.session) {
    const std::string model = std::filesystem::path(r.model).filename().string();
    for (const std::string& line : out->earlierProvenance()) {
      if (line.rfind("model ", 0) != 0) continue;
      const std::size_t a = line.find(' ', 6), b = a == std::string::npos ? a : line.find(' ', a + 1);
      const std::string other = b == std::string::npos ? std::string() : line.substr(b + 1);
      if (!other.empty() && other != model)
        return refused(dir.string() + " holds the plan of " + other + ", not of " + model +
                           ": name a folder for this plan with --out (the same folder replaces that plan)",
                       RunStatus::kFailure);
    }
  }
  const Interruption interruption(out->staging().dir(), out->lockMade() ? out->lockPath() : std::filesystem::path(),
                                  out->made() ? dir : std::filesystem::path());
  // The load's working files stay in memory.
  p.setWorkFolder(nullptr);
  p.setOutputFolder(&out->staging());
  struct Detach {
    PlanningSession& p;
    ~Detach() { p.setOutputFolder(nullptr); }
  } detach{p};
  p.settings.stableNames = r.stableNames;
  if (r.everyPath) p.settings.criterion.everyPath = true;
  p.loadWithStrength(r.strength);
  p.settings.earlierPlan = earlier;
  if (r.seed) p.setSeed(*r.seed);
  // The earlier plan's procedures are drawn again as they were: with its
  // seed and strength, unless others are given.
  if (earlier && !r.session) {
    if (!r.seed && earlier->seed) p.setSeed(*earlier->seed);
    if (!r.strengthGiven && earlier->strength) p.loadWithStrength({*earlier->strength, earlier->fills});
  }
  // The verdicts recorded in the folder show in the new plan's report.
  if (out->hadEarlier(kResultsFile))
    if (const auto text = ReadInputFile(dir / kResultsFile, kMaxPlanBytes, nullptr)) try {
        p.settings.recordedResults = RecordsOf(nlohmann::json::parse(*text));
      } catch (const nlohmann::json::exception&) {
        // A damaged file is carried as it is and warned of when published.
      }
  // Failed procedures are planned again with their ids; without --keep,
  // only those are kept from the plan the results were recorded against.
  if (focus) {
    p.settings.focus = focus;
    p.settings.earlierPlan = RegressionPlan(*focus, earlier);
  }
  // A run that fails says what failed and leaves the folder as it was.
  // The first file that could not be written says why; the others are
  // counted (a full disk fails every one after it alike).
  const auto failed = [&](const std::string& why) {
    const std::vector<std::string>& errors = out->staging().errors();
    if (!errors.empty()) voice.say(errors.front());
    if (errors.size() > 1)
      voice.say("and " + std::to_string(errors.size() - 1) + (errors.size() == 2 ? " more file" : " more files") +
                " could not be written");
    if (!why.empty() && std::find(errors.begin(), errors.end(), why) == errors.end()) voice.say(why);
    return PlanRunResult{RunStatus::kFailure, {}};
  };
  std::string summary;
  bool nothingToPlan = false;
  if (r.session) {
    const SessionPlan s =
        PlanFromSession(p, *r.session, r.seed.has_value(), plan.formats, r.allowChanged, r.formatsGiven);
    if (!s.outcome) return failed(s.outcome.message);
    if (!s.said.empty()) voice.say(s.said);
    if (s.stop) return {RunStatus::kFailure, {}};
    summary = s.summary;
  } else {
    const PlanResult result = RunPlan(p, r.model, plan);
    // What failed is said once, below, not among the warnings.
    const std::vector<std::string>& errors = out->staging().errors();
    for (const auto& w : result.warnings)
      if (std::find(errors.begin(), errors.end(), w) == errors.end() && !r.quiet) voice.warn(w);
    if (!result.outcome) return failed(result.outcome.message);
    nothingToPlan = result.nothingToPlan;
    summary = PlanSummary(r.model, result, out->staging().files(CreatedList::kScripts).size());
  }
  const PlanVerdict verdict = JudgePlan(p, nothingToPlan);
  if (const std::optional<PlanReport>& report = p.work().planReport; report && !r.quiet) {
    // Its first lines; the whole of it goes beside the plan.
    std::string text = report->head();
    if (out->staging().written(kReportFile)) text += "  the whole report: " + (dir / kReportFile).string() + "\n";
    if (!text.empty() && text.back() == '\n') text.pop_back();
    voice.say(text);
    for (const std::string& w : report->warnings) voice.warn(w);
  }
  if (!r.quiet)
    for (const std::string& w : verdict.warnings) voice.warn(w);
  if (!out->staging().errors().empty()) return failed("");
  if (r.saveSession) {
    // A name no rule foresees (a document named after its diagram) is still
    // never taken by the session.
    const std::vector<std::string_view>& files = out->staging().files(CreatedList::kScripts);
    const std::string name = std::filesystem::path(*r.saveSession).filename().string();
    if (InsideFolder(*r.saveSession, dir) && std::find(files.begin(), files.end(), name) != files.end())
      return failed(*r.saveSession + ": the session would take the name of a file of the plan in " + dir.string() +
                    "; save it under another name or outside the folder");
    p.settings.formats = FormatList(plan.formats);
    if (const Outcome e = SaveSession(p, *r.saveSession); !e) return failed(e.message);
  }
  // The results recorded against the earlier plan stay, those of its
  // procedures this one no longer has marked stale.
  if (out->hadEarlier(kResultsFile))
    if (const std::string why = CarryResults(out->dir(), PlanJson(p), out->staging()); !why.empty()) {
      if (!r.quiet) voice.warn(why);
      if (!out->staging().errors().empty()) return failed("");
    }
  out->setProvenance(ProvenanceOf(p).lines());
  {
    // The plan moves into place whole, whatever signal comes meanwhile.
    const Interruption::Held held;
    const bool published = out->publish(&error);
    if (!out->lockMade()) interruption.keepLock();  // it stays with the plan now
    if (!published) return failed(error);
  }
  if (r.session) summary += ", " + std::to_string(out->published().size()) + " files";
  if (!nothingToPlan) summary += " in " + dir.string();
  return {r.strict && verdict.flawed ? RunStatus::kFlawed : RunStatus::kOk, summary};
}

PlanRunResult RunResultsCommand(const ResultsRequest& r, const RunVoice& voice) {
  const auto refused = [&](const std::string& why) {
    voice.say(why);
    return PlanRunResult{RunStatus::kFailure, {}};
  };
  const std::filesystem::path dir = r.dir;
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return refused(r.dir + ": no such plan folder");
  std::string error;
  const std::optional<std::string> planText = ReadInputFile(dir / kPlanFile, kMaxPlanBytes, &error);
  if (!planText)
    return refused(r.dir + " has no plan.json: results are read against a plan written with --format json (" + error +
                   ")");
  nlohmann::json planJson;
  try {
    planJson = nlohmann::json::parse(*planText);
  } catch (const nlohmann::json::exception& e) {
    return refused((dir / kPlanFile).string() + " is damaged: " + e.what());
  }
  const std::optional<PlanForResults> plan = ReadPlanForResults(planJson, &error);
  if (!plan) return refused((dir / kPlanFile).string() + ": " + error);
  // Every file is read before anything is recorded.
  std::vector<ResultFile> files;
  for (const std::string& f : r.files) {
    std::optional<ResultFile> read = ReadResultFile(f, &error);
    if (!read) return refused(error + "; nothing was recorded");
    files.push_back(std::move(*read));
  }
  auto out = OutputFolder::Open(dir, &error);
  if (!out) return refused(error);
  const Interruption interruption(out->staging().dir(), out->lockMade() ? out->lockPath() : std::filesystem::path(),
                                  std::filesystem::path());
  if (!out->hadEarlier(kPlanFile))
    return refused((dir / kPlanFile).string() +
                   " is not a file Zov Suite wrote there (the folder's list of the "
                   "plan's files does not name it); nothing was recorded");
  out->keepEarlier(true);
  out->setProvenance(out->earlierProvenance());
  std::vector<ResultRecord> records;
  std::vector<ResultFile> all;
  if (out->hadEarlier(kResultsFile)) {
    const std::optional<std::string> text = ReadInputFile(dir / kResultsFile, kMaxPlanBytes, &error);
    if (!text) return refused(error);
    try {
      const nlohmann::json earlier = nlohmann::json::parse(*text);
      records = RecordsOf(earlier, &*plan);
      all = FilesOf(earlier);
    } catch (const nlohmann::json::exception& e) {
      return refused((dir / kResultsFile).string() + " is damaged: " + e.what() + "; nothing was recorded");
    }
  }
  std::vector<const ResultFile*> added;
  for (const ResultFile& f : files) {
    // A file recorded before (the same content) adds nothing again.
    if (std::any_of(all.begin(), all.end(), [&f](const ResultFile& a) { return a.digest == f.digest; })) {
      voice.warn(f.path + ": recorded before (the same content); its verdicts are not counted twice");
      continue;
    }
    records.insert(records.end(), f.records.begin(), f.records.end());
    all.push_back(f);
    added.push_back(&f);
  }
  const Verdicts verdicts = MergeVerdicts(*plan, records);
  const Estimate estimate = EstimateReliability(*plan, verdicts.known);
  if (r.html) {
    // The report of the plan gets its Results section; nothing else of it changes.
    if (!out->hadEarlier("report.html"))
      return refused(r.dir +
                     " has no report.html of a plan: plan into it with --format html first; nothing was "
                     "recorded");
    const std::optional<std::string> page = ReadInputFile(dir / "report.html", kMaxPlanBytes, &error);
    if (!page) return refused(error);
    std::unordered_map<std::string, std::string> caseNames;
    for (const auto& c : planJson.value("testCases", nlohmann::json::array()))
      caseNames[std::to_string(c.value("number", 0))] = c.value("name", "");
    std::unordered_map<std::string, FailingProcedure> procedures;
    for (const auto& p : planJson["procedures"]) {
      FailingProcedure& f = procedures[p.value("id", "")];
      f.path = caseNames[std::to_string(p.value("testCase", 0))] + " / " + p.value("path", "");
      for (const auto& step : p.value("steps", nlohmann::json::array()))
        f.values += (f.values.empty() ? "" : ", ") + step.value("category", "") + " = " + step.value("trimmed", "");
    }
    const std::optional<std::string> with =
        WithResultsSection(*page, ResultsSection(ResultsSectionData(estimate, verdicts, procedures)));
    if (!with) return refused((dir / "report.html").string() + " is not a plan's report; nothing was recorded");
    OutputFile file = out->staging().create("report.html", CreatedList::kScripts, &error);
    if (!file.is_open()) return refused(error);
    file << *with;
    if (!out->staging().close(file, "report.html", &error)) return refused(error);
  }
  {
    OutputFile file = out->staging().create(kResultsFile, CreatedList::kScripts, &error);
    if (!file.is_open()) return refused(error);
    file << ResultsJson(all, verdicts, estimate).dump(2) << "\n";
    if (!out->staging().close(file, kResultsFile, &error)) return refused(error);
  }
  {
    const Interruption::Held held;
    const bool published = out->publish(&error);
    if (!out->lockMade()) interruption.keepLock();
    if (!published) return refused(error);
  }
  for (const ResultFile* f : added)
    if (f->withoutId > 0)
      voice.warn(f->path + ": " + std::to_string(f->withoutId) + (f->withoutId == 1 ? " test names" : " tests name") +
                 " no procedure id of a plan; left out");
  std::string text = EstimateText(estimate, verdicts);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return {RunStatus::kOk, text + "\n" + r.dir + ": " + std::to_string(verdicts.known.size()) +
                              " procedures with a verdict in " + kResultsFile};
}

}  // namespace zov
