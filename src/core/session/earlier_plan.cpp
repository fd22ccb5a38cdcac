#include "session/earlier_plan.h"

#include <cctype>

#include <nlohmann/json.hpp>

#include "files/input_file.h"
#include "generation/strength.h"

namespace zov {

namespace {

using json = nlohmann::json;

constexpr std::uintmax_t kMaxPlanBytes = std::uintmax_t{1} << 30;
// A plan.json nests its values a dozen deep at most (a choice of a setting
// of a message of a path of a test case); a file nested much deeper is none.
constexpr int kMaxNesting = 32;
struct TooDeep {};

// "<diagram>-<path>-<place>": the diagram and the place, given the path.
bool SplitId(const std::string& id, const std::string& path, std::string& diagram, long& place) {
  const std::string middle = "-" + path + "-";
  std::size_t end = id.size();
  while (end > 0 && std::isdigit(static_cast<unsigned char>(id[end - 1]))) --end;
  if (end == id.size() || id.size() - end > 9 || end < middle.size() + 1 ||
      id.compare(end - middle.size(), middle.size(), middle) != 0)
    return false;
  diagram = id.substr(0, end - middle.size());
  place = std::stol(id.substr(end));
  return place > 0;
}

// The text of key in object o: "" when it is missing, nullopt when it is
// something else.
std::optional<std::string> Text(const json& o, const char* key) {
  const auto it = o.find(key);
  if (it == o.end()) return std::string();
  if (!it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

// "random", "each", "pairwise", "N-wise" (as plan.json names a strength).
std::optional<int> StrengthOf(const std::string& name) {
  if (name.size() > 5 && name.ends_with("-wise")) return ParseStrength(name.substr(0, name.size() - 5));
  return ParseStrength(name);
}

}  // namespace

std::shared_ptr<const EarlierPlan> ReadEarlierPlan(const std::string& path, std::string* error) {
  std::string why;
  const std::optional<std::string> text = ReadInputFile(path, kMaxPlanBytes, &why);
  if (!text) {
    if (error != nullptr) *error = why;
    return nullptr;
  }
  return ParseEarlierPlan(*text, path, error);
}

std::shared_ptr<const EarlierPlan> ParseEarlierPlan(const std::string& text, const std::string& file,
                                                    std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = file + ": " + why;
    return nullptr;
  };
  const auto damaged = [&](const std::string& what) { return fail("the plan.json is damaged (" + what + ")"); };
  json plan;
  try {
    plan = json::parse(text, [](int depth, json::parse_event_t, json&) {
      if (depth > kMaxNesting) throw TooDeep{};
      return true;
    });
  } catch (const TooDeep&) {
    return damaged("values nested deeper than " + std::to_string(kMaxNesting) + " levels");
  } catch (const json::exception& e) {
    return fail(std::string("not a plan.json: ") + e.what());
  }
  if (!plan.is_object() || !plan.contains("format") || plan["format"] != "zov-plan")
    return fail("not a plan.json written by zov plan (no \"format\": \"zov-plan\")");
  const json& version = plan["version"];
  if (!version.is_number_unsigned() || version.get<std::uint64_t>() < 1)
    return damaged("version: a whole number from 1 expected");
  if (version.get<std::uint64_t>() > static_cast<std::uint64_t>(kPlanVersion))
    return fail("written by a newer Zov Suite (plan.json version " + std::to_string(version.get<std::uint64_t>()) +
                "); this program reads version " + std::to_string(kPlanVersion) + " and older");
  if (version.get<std::uint64_t>() < 2)
    return fail("a plan.json older than version 2, whose procedures have no ids to keep");
  auto earlier = std::make_shared<EarlierPlan>();
  earlier->file = file;
  if (plan.contains("provenance")) {
    const json& made = plan["provenance"];
    if (!made.is_object()) return damaged("provenance: an object expected");
    if (made.contains("seed")) {
      const json& seed = made["seed"];
      if (!seed.is_number_unsigned() || seed.get<std::uint64_t>() > 0xFFFFFFFFu)
        return damaged("provenance.seed: a whole number from 0 to 4294967295 expected");
      earlier->seed = static_cast<unsigned>(seed.get<std::uint64_t>());
    }
  }
  if (plan.contains("report")) {
    const json& report = plan["report"];
    if (!report.is_object()) return damaged("report: an object expected");
    if (report.contains("strength")) {
      const std::optional<int> t =
          report["strength"].is_string() ? StrengthOf(report["strength"].get<std::string>()) : std::nullopt;
      if (!t) return damaged("report.strength: random, each, pairwise or 3-wise to 10-wise expected");
      earlier->strength = t;
    }
    if (report.contains("strengthFills")) {
      if (!report["strengthFills"].is_boolean()) return damaged("report.strengthFills: true or false expected");
      earlier->fills = report["strengthFills"].get<bool>();
    }
  }
  if (!plan.contains("procedures") || !plan["procedures"].is_array()) return damaged("\"procedures\" is not a list");
  const json& procedures = plan["procedures"];
  for (std::size_t i = 0; i < procedures.size(); ++i) {
    const json& p = procedures[i];
    const std::string where = "procedure " + std::to_string(i + 1);
    if (!p.is_object()) return damaged(where + " is not an object");
    const std::optional<std::string> id = Text(p, "id"), pathName = Text(p, "path");
    if (!id || !pathName) return damaged(where + ": its id and path are texts");
    EarlierProcedure e;
    std::string diagram;
    if (!SplitId(*id, *pathName, diagram, e.place))
      return damaged(where + ": the id \"" + *id + "\" is not <diagram>-" + *pathName + "-<number>");
    if (p.contains("significant")) {
      if (!p["significant"].is_boolean()) return damaged(where + ": significant is true or false");
      e.significant = p["significant"].get<bool>();
    }
    if (p.contains("steps")) {
      if (!p["steps"].is_array()) return damaged(where + ": its steps are not a list");
      for (const json& s : p["steps"]) {
        if (!s.is_object()) return damaged(where + ": a step is not an object");
        const std::optional<std::string> message = Text(s, "message"), category = Text(s, "category"),
                                         value = Text(s, "value");
        if (!message || !category || !value) return damaged(where + ": a step's message, category and value are texts");
        e.steps.push_back({*message, *category, *value});
      }
    }
    earlier->paths[EarlierPlan::Key(diagram, *pathName)].push_back(std::move(e));
    ++earlier->procedures;
  }
  return earlier;
}

}  // namespace zov
