#include "session/session_file.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "export/exports.h"
#include "files/input_file.h"
#include "files/work_folder.h"
#include "generation/strength.h"
#include "generation/test_case_table.h"
#include "model/fnv.h"
#include "session/planning_session.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace zov {

namespace {

constexpr int kSessionVersion = 1;
// A session file is a few kilobytes; a larger one is no session of ours.
constexpr std::uintmax_t kMaxSessionBytes = std::uintmax_t{256} << 20;
// The format nests five levels (session, decisions, a decision, its values,
// a value); anything nested much deeper is refused while it is parsed,
// before any walk over it.
constexpr int kMaxNesting = 16;
struct TooDeep {};

// The first value of a session that does not have the type or the range
// the format gives it: where it is and what was expected; empty when the
// session can be replayed.
std::string CheckSession(const json& s) {
  std::string why;
  const auto fail = [&why](const std::string& where, const std::string& what) {
    if (why.empty()) why = where + ": " + what;
  };
  const auto typed = [&](const json& o, const std::string& at, const char* key, bool (json::*is)() const noexcept,
                         const char* what) {
    if (o.contains(key) && !(o[key].*is)()) fail(at + key, what);
  };
  const auto text = [&](const json& o, const std::string& at, std::initializer_list<const char*> keys) {
    for (const char* k : keys) typed(o, at, k, &json::is_string, "a text expected");
  };
  const auto flag = [&](const json& o, const std::string& at, std::initializer_list<const char*> keys) {
    for (const char* k : keys) typed(o, at, k, &json::is_boolean, "true or false expected");
  };
  const auto whole = [&](const json& o, const std::string& at, const char* key, long long lo, long long hi) {
    if (!o.contains(key)) return;
    const json& v = o[key];
    const bool ok = v.is_number_unsigned()  ? v.get<unsigned long long>() <= static_cast<unsigned long long>(hi)
                    : v.is_number_integer() ? v.get<long long>() >= lo && v.get<long long>() <= hi
                                            : false;
    if (!ok) fail(at + key, "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) + " expected");
  };
  const auto object = [&](const json& o, const std::string& at, const char* key) {
    typed(o, at, key, &json::is_object, "an object expected");
    return o.contains(key) && o[key].is_object();
  };
  if (object(s, "", "model")) {
    const json& m = s["model"];
    text(m, "model.", {"path", "fnv1a64", "encoding"});
    whole(m, "model.", "size", 0, std::numeric_limits<long long>::max());
  }
  whole(s, "", "seed", 0, 0xFFFFFFFFLL);
  text(s, "", {"formats"});
  if (s.contains("formats") && s["formats"].is_string()) {
    Formats f;
    if (!ParseFormats(s["formats"].get<std::string>(), f))
      fail("formats", "format words expected (" + FormatWords() + ")");
  }
  if (object(s, "", "strength")) {
    const json& t = s["strength"];
    whole(t, "strength.", "t", 0, 10);
    flag(t, "strength.", {"fills"});
  }
  if (object(s, "", "criterionDialog")) {
    const json& c = s["criterionDialog"];
    flag(c, "criterionDialog.", {"byNumber", "everyPath"});
    whole(c, "criterionDialog.", "procedures", 0, 32767);
    whole(c, "criterionDialog.", "coverage", 1, 100);
  }
  typed(s, "", "decisions", &json::is_array, "a list expected");
  if (!why.empty() || !s.contains("decisions") || !s["decisions"].is_array()) return why;
  std::size_t n = 0;
  for (const json& d : s["decisions"]) {
    const std::string at = "decisions[" + std::to_string(n++) + "].";
    if (!d.is_object()) {
      fail(at.substr(0, at.size() - 1), "an object expected");
      break;
    }
    text(d, at,
         {"op", "node", "path", "weight", "name", "source", "diagram", "label", "message", "parameter", "text", "file",
          "fnv1a64"});
    flag(d, at, {"unselect", "all", "diagramsOnly", "unpick", "defaults", "cancelled"});
    whole(d, at, "choice", -1, static_cast<long long>(kMaxChoices) - 1);
    if (object(d, at, "criterion")) {
      const json& c = d["criterion"];
      flag(c, at + "criterion.", {"byNumber"});
      text(c, at + "criterion.", {"procedures", "coverage", "answer"});
    }
    typed(d, at, "testCases", &json::is_array, "a list expected");
    if (d.contains("testCases") && d["testCases"].is_array())
      for (const json& k : d["testCases"])
        if (!k.is_string()) fail(at + "testCases", "a list of texts expected");
    typed(d, at, "values", &json::is_array, "a list expected");
    if (d.contains("values") && d["values"].is_array()) {
      std::size_t i = 0;
      for (const json& v : d["values"]) {
        const std::string vat = at + "values[" + std::to_string(i++) + "]";
        if (!v.is_object())
          fail(vat, "an object expected");
        else
          text(v, vat + ".", {"value", "properties", "selectors"});
      }
    }
    if (!why.empty()) break;
  }
  return why;
}

const char* TypeName(Decision::Type t) {
  switch (t) {
    case Decision::Type::kWeight: return "weight";
    case Decision::Type::kStartStop: return "startStop";
    case Decision::Type::kSelectLevel: return "selectLevel";
    case Decision::Type::kLoadTestCases: return "loadTestCases";
    case Decision::Type::kPick: return "pick";
    case Decision::Type::kProcess: return "process";
    case Decision::Type::kCategory: return "category";
    case Decision::Type::kGenerate: return "generate";
    case Decision::Type::kRemoveChoice: return "removeChoice";
    case Decision::Type::kConfirmDefaults: return "confirmDefaults";
    case Decision::Type::kStrength: return "strength";
    case Decision::Type::kRequirements: return "requirements";
    case Decision::Type::kResults: return "results";
  }
  return "";
}

json Json(const Decision& d) {
  json j = {{"op", TypeName(d.type)}};
  switch (d.type) {
    case Decision::Type::kWeight: j.update({{"node", d.node}, {"path", d.path}, {"weight", d.value}}); break;
    case Decision::Type::kStartStop: j.update({{"node", d.node}, {"path", d.path}}); break;
    case Decision::Type::kSelectLevel:
      j.update({{"node", d.node}, {"path", d.path}, {"unselect", d.unselect}});
      if (!d.unselect) {
        j["criterion"] = {{"byNumber", d.criterion.byNumber},
                          {"procedures", std::to_string(d.criterion.procedures)},
                          {"coverage", std::to_string(d.criterion.coverage)}};
        if (d.criterion.answer) j["criterion"]["answer"] = *d.criterion.answer;
      }
      break;
    case Decision::Type::kLoadTestCases: j["source"] = SourceName(d.source); break;
    case Decision::Type::kPick:
      if (d.all)
        j.update({{"all", true}, {"diagramsOnly", d.diagramsOnly}, {"unpick", d.unselect}});
      else
        j.update({{"node", d.node}, {"name", d.value}});
      if (!d.all && d.unselect) j["unpick"] = true;
      break;
    case Decision::Type::kRemoveChoice:
      j.update({{"diagram", d.category.diagram},
                {"path", d.category.path},
                {"label", d.category.label},
                {"message", d.category.message},
                {"parameter", d.category.parameter},
                {"choice", d.index}});
      if (d.index >= 0) j["text"] = d.value;
      break;
    case Decision::Type::kCategory: {
      json values = json::array();
      for (const ChosenValue& v : d.values)
        values.push_back({{"value", v.value}, {"properties", v.properties}, {"selectors", v.selectors}});
      j.update({{"diagram", d.category.diagram},
                {"path", d.category.path},
                {"label", d.category.label},
                {"message", d.category.message},
                {"parameter", d.category.parameter},
                {"values", values},
                {"defaults", d.defaults},
                {"cancelled", d.cancelled}});
      break;
    }
    case Decision::Type::kGenerate:
      if (!d.testCases.empty()) j["testCases"] = d.testCases;
      break;
    case Decision::Type::kStrength: j.update({{"t", d.index}, {"fills", d.all}}); break;
    case Decision::Type::kRequirements: j.update({{"file", d.node}, {"text", d.value}}); break;
    case Decision::Type::kResults: j.update({{"file", d.node}, {"fnv1a64", d.path}, {"text", d.value}}); break;
    case Decision::Type::kProcess:
    case Decision::Type::kConfirmDefaults: break;
  }
  return j;
}

// The node a decision names: its key, else its path of names.
NodeId NodeNamed(const Tree& t, const json& j) {
  const std::string key = j.value("node", "");
  if (const NodeId id = key.empty() ? kNoNode : t.find(key); id != kNoNode) return id;
  return FindByKeyOrPath(t, j.value("path", ""));
}

std::string Describe(const json& j) {
  std::string what = j.value("op", "?");
  const bool category = j.contains("message");  // a category's path is the diagram's path number
  if (!category && j.contains("path") && j["path"].is_string() && !j["path"].get<std::string>().empty())
    what += " '" + j["path"].get<std::string>() + "'";
  if (j.contains("name") && j["name"].is_string()) what += " '" + j["name"].get<std::string>() + "'";
  if (category) what += " of '" + j.value("message", "") + "' on path " + j.value("path", "");
  if (j.contains("parameter") && !j.value("parameter", "").empty())
    what += ", parameter '" + j.value("parameter", "") + "'";
  return what;
}

// Numbers of the criterion are written as text, as the dialog shows them.
int Number(const json& c, const char* key, int fallback) {
  if (!c.contains(key)) return fallback;
  const std::string text = c[key].get<std::string>();
  std::size_t used = 0;
  int n = 0;
  try {
    n = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  // Text no number reads is kept out of range, for the dialog to refuse.
  return used == text.size() && !text.empty() ? n : -1;
}

// Applies one decision of a session file; an empty result when it was,
// else why not.
std::string Apply(PlanningSession& s, const json& j) {
  const std::string op = j.value("op", "");
  const Tree& main = s.TV(kMainTree);
  if (op == "weight" || op == "startStop" || op == "selectLevel") {
    const NodeId node = NodeNamed(main, j);
    if (node == kNoNode) return "the node is no longer in the Main Tree";
    Outcome e;
    if (op == "weight") {
      e = s.weight(node, j.value("weight", ""));
    } else if (op == "startStop") {
      e = s.startStop(node);
    } else if (j.value("unselect", false)) {
      bool waiting = false;
      e = s.beginSelection(node, waiting);
      if (e && waiting) {
        s.cancelSelection();
        return "the node is no longer selected";
      }
    } else {
      const json c = j.value("criterion", json::object());
      Criterion criterion{c.value("byNumber", true), Number(c, "procedures", 500), Number(c, "coverage", 100),
                          std::nullopt};
      if (c.contains("answer")) criterion.answer = c["answer"].get<std::string>();
      e = s.selectLevel(node, criterion);
    }
    return e.done ? std::string() : e.message;
  }
  if (op == "loadTestCases") return s.loadTestCases(SourceFromName(j.value("source", "zov"))).message;
  if (op == "pick") {
    if (j.value("all", false) && j.value("unpick", false)) return s.unpickAll().message;
    if (j.value("unpick", false)) {
      const NodeId node = s.TV(kSelectedTestCases).find(j.value("node", ""));
      if (node == kNoNode) return "the test case is not among the selected ones";
      return s.unpick(node).message;
    }
    if (j.value("all", false)) return s.pickAll(j.value("diagramsOnly", false)).message;
    return s.pick(j.value("node", "")).done ? std::string() : "the test case is no longer in the UIT tree";
  }
  if (op == "process") return s.process().done ? std::string() : "no model";
  if (op == "results") {
    const std::string file = j.value("file", ""), digest = j.value("fnv1a64", "");
    const Outcome o = s.resultsRead(file, digest, RecordsFromText(j.value("text", ""), file, digest));
    return o.done ? std::string() : o.message;
  }
  if (op == "requirements") {
    const Outcome o = s.requirementsFile(j.value("file", ""), j.value("text", ""));
    return o.done ? std::string() : o.message;
  }
  if (op == "strength") {
    const int t = j.value("t", -1);
    if (t < 0 || t > 10) return "the strength is not 0 (random) to 10";
    s.setStrength({t, j.value("fills", false)});
    return {};
  }
  if (op == "confirmDefaults") {
    s.confirmDefaults();
    return {};
  }
  if (op == "generate") {
    const std::vector<std::string> testCases = j.value("testCases", std::vector<std::string>());
    std::string missing;
    std::size_t gone = 0;
    for (const std::string& k : testCases)
      if (s.work().specification.cases.count(k) == 0) {
        missing += (missing.empty() ? "" : ", ") + k;
        ++gone;
      }
    if (!testCases.empty() && gone == testCases.size())
      return "none of its test cases is in the Test Specification tree";
    s.generate(testCases);
    return missing.empty() ? std::string() : "generated without the test cases " + missing + ", no longer there";
  }
  const NamedCategory r{j.value("diagram", ""), j.value("path", ""), j.value("label", ""), j.value("message", ""),
                        j.value("parameter", "")};
  if (op == "removeChoice") {
    const NodeId category = s.findCategory(r);
    if (category == kNoNode) return "the Test Specification tree has no such category";
    const Tree& t = s.TV(kSpecTree);
    const NodeId list = t.find(std::string(t.node(category).key) + " Choices");
    const int index = j.value("choice", -1);
    NodeId node = list == kNoNode || index < 0 ? list : t.childAt(list, index);
    if (node == kNoNode || (index >= 0 && t.node(node).text != j.value("text", "")))
      return "the category has no such choice";
    return s.removeChoice(node).done ? std::string() : "the choice cannot be removed";
  }
  if (op == "category") {
    const NodeId node = s.findCategory(r);
    if (node == kNoNode) return "the Test Specification tree has no such category";
    std::vector<ChosenValue> values;
    for (const json& v : j.value("values", json::array()))
      values.push_back({v.value("value", ""), v.value("properties", ""), v.value("selectors", "")});
    const Outcome edited = s.category(node, values, j.value("defaults", false), j.value("cancelled", false));
    return edited.done ? std::string() : "the category cannot be edited";
  }
  return "unknown decision '" + op + "'";
}

}  // namespace

std::string SessionText(const PlanningSession& session, const std::string& sessionPath) {
  json s;
  s["format"] = "zov-session";
  s["version"] = kSessionVersion;
  fs::path model = session.work().filemdl;
  std::error_code ec;
  const fs::path base = fs::absolute(sessionPath, ec).parent_path();
  const fs::path absolute = fs::absolute(model, ec);
  const fs::path relative = absolute.lexically_relative(base);
  const bool below = !relative.empty() && relative.native().rfind("..", 0) != 0;
  s["model"] = {{"path", below ? relative.generic_string() : absolute.generic_string()}};
  if (const auto print = ModelFingerprint(absolute)) {
    s["model"]["size"] = print->first;
    s["model"]["fnv1a64"] = FnvHex(print->second);
  }
  // The encoding the model was read in, where the tester named one.
  if (!session.settings.modelEncoding.empty()) s["model"]["encoding"] = session.settings.modelEncoding;
  s["seed"] = session.seed();
  // The strength at the load; its changes are decisions.
  s["strength"] = {{"t", session.strengthAtLoad().t}, {"fills", session.strengthAtLoad().fills}};
  s["criterionDialog"] = {{"byNumber", session.settings.criterion.byNumber},
                          {"procedures", session.settings.criterion.procedures},
                          {"coverage", session.settings.criterion.coverage}};
  if (session.settings.criterion.everyPath) s["criterionDialog"]["everyPath"] = true;
  if (!session.settings.formats.empty()) s["formats"] = session.settings.formats;
  json decisions = json::array();
  for (const Decision& d : session.decisions()) decisions.push_back(Json(d));
  s["decisions"] = decisions;
  return s.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

Outcome SessionWritable(const std::string& sessionPath) {
  // Only a session file is ever written over: a model or any other file stays.
  std::error_code ec;
  if (fs::exists(fs::symlink_status(sessionPath, ec))) {
    // Never a device, a FIFO or a link: only a regular file is ever opened,
    // and that without blocking.
    if (!fs::is_regular_file(fs::symlink_status(sessionPath, ec)))
      return Outcome::Refused(sessionPath + ": not a regular file; choose another name");
    char head[4096];
    long got = 0;
    if (auto old = InputFile::Open(sessionPath, nullptr)) got = std::max(0L, old->read(head, sizeof head));
    if (std::string_view(head, static_cast<std::size_t>(got)).find("\"zov-session\"") == std::string_view::npos)
      return Outcome::Refused(sessionPath + ": this file is not a Zov Suite session; choose another name");
  }
  return {};
}

Outcome SaveSession(const PlanningSession& session, const std::string& sessionPath) {
  if (Outcome e = SessionWritable(sessionPath); !e) return e;
  const std::string text = SessionText(session, sessionPath);
  std::ofstream out(sessionPath, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) return Outcome::Refused(sessionPath + ": the session could not be written: " + std::strerror(errno));
  return {};
}

std::string SessionReport::text() const {
  if (leftOut.empty() && !modelChanged) return {};
  std::string out = modelChanged ? "The model has changed since the session was saved.\n" : "";
  if (leftOut.empty()) return out + "Every decision of the session was replayed.";
  out += std::to_string(leftOut.size()) + " decision" + (leftOut.size() == 1 ? "" : "s") +
         " of the session no longer match the model and were left out:";
  for (const std::string& line : leftOut) out += "\n" + line;
  return out;
}

std::string ReplayDecision(PlanningSession& s, const Decision& d) { return Apply(s, Json(d)); }

std::string DescribeDecision(const Decision& d) {
  const auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
  const NamedCategory& c = d.category;
  const std::string category =
      quoted(c.parameter.empty() ? c.message : c.message + " / " + c.parameter) + " on path " + c.path;
  switch (d.type) {
    case Decision::Type::kWeight: return "weight of " + quoted(d.path) + " set to " + d.value;
    case Decision::Type::kStartStop: return "Select START/STOP Node on " + quoted(d.path);
    case Decision::Type::kSelectLevel: return (d.unselect ? "Unselect All on " : "Select Level on ") + quoted(d.path);
    case Decision::Type::kLoadTestCases:
      switch (d.source) {
        case TestCaseSource::kAllDiagrams: return "Loading all Sequence";
        case TestCaseSource::kZov: return "Loading from ZOV tree";
        case TestCaseSource::kDesignTree: return "Loading from Design Tree";
        case TestCaseSource::kNotLinked: return "Loading NOT Linked";
      }
      return "Loading";
    case Decision::Type::kPick:
      if (d.all && d.unselect) return "Unselect All of the selected test cases";
      if (d.all) return d.diagramsOnly ? "every scenario diagram of the UIT tree picked" : "Select All";
      return quoted(d.value) + (d.unselect ? " taken back from the selected test cases" : " picked");
    case Decision::Type::kProcess: return "Processing";
    case Decision::Type::kCategory:
      return (d.cancelled ? "choices of " + category + " (cancelled)"
                          : (d.defaults ? "default values of " : "choices of ") + category);
    case Decision::Type::kGenerate: return d.testCases.empty() ? "All Test Cases" : "Selected Test Cases";
    case Decision::Type::kRemoveChoice:
      return (d.index < 0 ? "the choices of " : "a choice of ") + category + " removed";
    case Decision::Type::kConfirmDefaults: return "default values for every category not edited";
    case Decision::Type::kStrength: return "Coverage Strength " + StrengthName(d.index) + (d.all ? ", fills" : "");
    case Decision::Type::kRequirements: return "requirements of " + quoted(d.node);
    case Decision::Type::kResults: return "results of " + quoted(d.node);
  }
  return {};
}

SessionReport LoadSession(PlanningSession& session, const std::string& sessionPath, const unsigned* seed) {
  SessionReport r;
  const auto damaged = [&](const std::string& what) {
    r.outcome = Outcome::Refused(sessionPath + ": the session file is damaged (" + what + ")");
    return r;
  };
  std::string error;
  const std::optional<std::string> text = ReadInputFile(sessionPath, kMaxSessionBytes, &error);
  if (!text) {
    r.outcome = Outcome::Refused(error);
    return r;
  }
  json s;
  try {
    s = json::parse(*text, [](int depth, json::parse_event_t, json&) {
      if (depth > kMaxNesting) throw TooDeep{};
      return true;
    });
  } catch (const TooDeep&) {
    return damaged("values nested deeper than " + std::to_string(kMaxNesting) + " levels");
  } catch (const json::exception& e) {
    // A file that says it is a session is a damaged one; any other is none.
    if (text->find("\"zov-session\"") != std::string::npos) return damaged(e.what());
    r.outcome = Outcome::Refused(sessionPath + ": not a session file (" + e.what() + ")");
    return r;
  }
  if (s.is_object() && s.contains("format") && !s["format"].is_string() && s.contains("model"))
    return damaged("format: a text expected");
  if (!s.is_object() || !s.contains("format") || s["format"] != "zov-session" || !s.contains("model")) {
    r.outcome = Outcome::Refused(sessionPath + ": not a Zov Suite session file");
    return r;
  }
  if (s.contains("version")) {
    const json& v = s["version"];
    if (!v.is_number_unsigned() || v.get<unsigned long long>() < 1) return damaged("version: a whole number expected");
    if (v.get<unsigned long long>() > static_cast<unsigned long long>(kSessionVersion)) {
      r.outcome = Outcome::Refused(sessionPath + ": written by a newer Zov Suite (session format version " +
                                   std::to_string(v.get<unsigned long long>()) + "); this program reads version " +
                                   std::to_string(kSessionVersion));
      return r;
    }
  }
  if (const std::string why = CheckSession(s); !why.empty()) return damaged(why);
  try {
    fs::path model = s["model"].value("path", "");
    if (model.is_relative()) model = fs::absolute(sessionPath).parent_path() / model;
    const auto print = ModelFingerprint(model);
    r.modelChanged =
        !print || !s["model"].contains("fnv1a64") || FnvHex(print->second) != s["model"].value("fnv1a64", "");
    session.setSeed(seed != nullptr ? *seed : s.value("seed", 0u));
    if (s["model"].contains("encoding")) session.settings.modelEncoding = s["model"].value("encoding", "");
    // A session older than the strength draws at random.
    const json strength = s.value("strength", json::object());
    session.loadWithStrength({strength.value("t", 0), strength.value("fills", false)});
    if (r.outcome = session.openModel(model.string()); !r.outcome) return r;
    const json dialog = s.value("criterionDialog", json::object());
    session.settings.criterion.byNumber = dialog.value("byNumber", true);
    session.settings.criterion.everyPath = dialog.value("everyPath", false);
    session.settings.formats = s.value("formats", "");
    const json& decisions = s.contains("decisions") ? s["decisions"] : json::array();
    int n = 0;
    const PlanningSession::Replay replay(session);
    for (const json& d : decisions) {
      ++n;
      if (std::string why = Apply(session, d); !why.empty())
        r.leftOut.push_back(std::to_string(n) + ". " + Describe(d) + ": " + why);
    }
    session.settings.criterion.procedures = static_cast<std::int16_t>(dialog.value("procedures", 500));
    session.settings.criterion.coverage = static_cast<std::int16_t>(dialog.value("coverage", 100));
  } catch (const json::exception& e) {
    return damaged(e.what());
  }
  return r;
}

}  // namespace zov
