#include "results/focus.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>

#include "files/input_file.h"
#include "results/results.h"

namespace zov {

double Uncertainty(int runs, int failures) {
  const double p = (failures + 1.0) / (runs + 2.0);
  return p * (1 - p) / (runs + 3.0);
}

double Focus::uncertainty(std::string_view diagram) const {
  const auto it = runs.find(std::string(diagram));
  return it == runs.end() ? Uncertainty(0, 0) : Uncertainty(it->second.first, it->second.second);
}

std::shared_ptr<const Focus> ReadFocus(const std::string& resultsPath, std::string* error) {
  const std::optional<std::string> text = ReadInputFile(resultsPath, kMaxPlanBytes, error);
  if (!text) return nullptr;
  auto focus = std::make_shared<Focus>();
  focus->file = resultsPath;
  try {
    const nlohmann::json results = nlohmann::json::parse(*text);
    if (!results.is_object() || results.value("format", "") != "zov-results") {
      *error = resultsPath + ": not a results.json of zov results";
      return nullptr;
    }
    for (const ResultRecord& r : RecordsOf(results)) {
      if (r.stale || r.verdict == Verdict::kNotRun) continue;
      std::pair<int, int>& nf = focus->runs[r.id.substr(0, r.id.find('-'))];
      ++nf.first;
      if (r.verdict == Verdict::kFail) {
        ++nf.second;
        focus->failed.insert(r.id);
      }
    }
  } catch (const nlohmann::json::exception& e) {
    *error = resultsPath + ": damaged (" + e.what() + ")";
    return nullptr;
  }
  const std::string plan = (std::filesystem::path(resultsPath).parent_path() / "plan.json").string();
  focus->plan = ReadEarlierPlan(plan, error);
  if (!focus->plan) return nullptr;
  return focus;
}

std::shared_ptr<const EarlierPlan> RegressionPlan(const Focus& focus, std::shared_ptr<const EarlierPlan> keep) {
  auto out = std::make_shared<EarlierPlan>(keep ? *keep : *focus.plan);
  for (auto& [key, procedures] : out->paths) {
    const std::string diagram = key.substr(0, key.find('\n')), path = key.substr(key.find('\n') + 1);
    for (EarlierProcedure& p : procedures) {
      char place[32];
      std::snprintf(place, sizeof place, "%03ld", p.place);
      p.regression = focus.failed.contains(diagram + "-" + path + "-" + place);
    }
    // Without --keep, only the failed ones are kept.
    if (!keep) std::erase_if(procedures, [](const EarlierProcedure& p) { return !p.regression; });
  }
  out->procedures = 0;
  for (const auto& [key, procedures] : out->paths) out->procedures += static_cast<long>(procedures.size());
  if (!keep) out->seed.reset(), out->strength.reset();
  return out;
}

}  // namespace zov
