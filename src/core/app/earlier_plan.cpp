#include "app/earlier_plan.h"

#include <cctype>

#include <nlohmann/json.hpp>

#include "model/input_file.h"

namespace zov {

namespace {

constexpr std::uintmax_t kMaxPlanBytes = std::uintmax_t{1} << 30;

// "<diagram>-<path>-<place>": the diagram and the place, given the path.
bool SplitId(const std::string& id, const std::string& path, std::string& diagram, long& place) {
  const std::string middle = "-" + path + "-";
  std::size_t end = id.size();
  while (end > 0 && std::isdigit(static_cast<unsigned char>(id[end - 1]))) --end;
  if (end == id.size() || end < middle.size() + 1 || id.compare(end - middle.size(), middle.size(), middle) != 0)
    return false;
  diagram = id.substr(0, end - middle.size());
  try {
    place = std::stol(id.substr(end));
  } catch (const std::exception&) {
    return false;
  }
  return place > 0;
}

}  // namespace

std::shared_ptr<const EarlierPlan> ReadEarlierPlan(const std::string& path, std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = path + ": " + why;
    return nullptr;
  };
  std::string why;
  const std::optional<std::string> text = ReadInputFile(path, kMaxPlanBytes, &why);
  if (!text) {
    if (error != nullptr) *error = why;
    return nullptr;
  }
  nlohmann::json plan;
  try {
    plan = nlohmann::json::parse(*text);
  } catch (const nlohmann::json::parse_error& e) {
    return fail(std::string("not a plan.json: ") + e.what());
  }
  if (!plan.is_object() || plan.value("format", "") != "zov-plan")
    return fail("not a plan.json written by zov plan (no \"format\": \"zov-plan\")");
  if (!plan["version"].is_number_integer() || plan["version"].get<int>() < 2)
    return fail("a plan.json older than version 2, whose procedures have no ids to keep");
  const nlohmann::json& procedures = plan["procedures"];
  if (!procedures.is_array()) return fail("\"procedures\" is not a list");
  auto earlier = std::make_shared<EarlierPlan>();
  earlier->file = path;
  try {
    for (std::size_t i = 0; i < procedures.size(); ++i) {
      const nlohmann::json& p = procedures[i];
      const std::string where = "procedure " + std::to_string(i + 1);
      if (!p.is_object()) return fail(where + " is not an object");
      const std::string id = p.value("id", ""), pathName = p.value("path", "");
      EarlierProcedure e;
      std::string diagram;
      if (!SplitId(id, pathName, diagram, e.place))
        return fail(where + ": the id \"" + id + "\" is not <diagram>-" + pathName + "-<number>");
      e.significant = p.value("significant", true);
      for (const nlohmann::json& s : p.value("steps", nlohmann::json::array()))
        e.steps.push_back({s.value("message", ""), s.value("category", ""), s.value("value", "")});
      earlier->paths[EarlierPlan::Key(diagram, pathName)].push_back(std::move(e));
      ++earlier->procedures;
    }
  } catch (const nlohmann::json::exception& e) {
    return fail(std::string("a procedure is not as zov writes it: ") + e.what());
  }
  return earlier;
}

}  // namespace zov
