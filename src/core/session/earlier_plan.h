// The procedures of an earlier plan (its plan.json), for a new plan to keep
// those still valid with their ids: a review or a test management tool that
// took the earlier ones in sees only what changed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "generation/procedures.h"

namespace zov {

struct EarlierPlan {
  std::string file;  // as named
  // The procedures of each path, by diagram identifier and path name.
  std::unordered_map<std::string, std::vector<EarlierProcedure>> paths;
  long procedures = 0;
  // What the earlier plan was drawn with (provenance.seed, report.strength
  // and report.strengthFills), when it says: a new plan of the same model
  // draws the same procedures with them.
  std::optional<unsigned> seed;
  std::optional<int> strength;
  bool fills = false;
  static std::string Key(const std::string& diagram, const std::string& path) { return diagram + '\n' + path; }
  const std::vector<EarlierProcedure>* of(const std::string& diagram, const std::string& path) const {
    const auto it = paths.find(Key(diagram, path));
    return it == paths.end() ? nullptr : &it->second;
  }
};

// Reads the procedures of a plan.json written by zov plan (version 2 or
// later, whose procedures have ids); nullptr with *error ("PATH: why")
// when the file cannot be read, is not such a plan, is damaged (a value of
// the wrong type or range, nesting deeper than a plan's) or was written by
// a newer version.
std::shared_ptr<const EarlierPlan> ReadEarlierPlan(const std::string& path, std::string* error);
// The same from the file's text; file names it in messages.
std::shared_ptr<const EarlierPlan> ParseEarlierPlan(const std::string& text, const std::string& file,
                                                    std::string* error);
// The newest plan.json version this program writes and reads.
inline constexpr int kPlanVersion = 2;

}  // namespace zov
