// The procedures of an earlier plan (its plan.json), for a new plan to keep
// those still valid with their ids: a review or a test management tool that
// took the earlier ones in sees only what changed.
#pragma once

#include <memory>
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
  static std::string Key(const std::string& diagram, const std::string& path) { return diagram + '\n' + path; }
  const std::vector<EarlierProcedure>* of(const std::string& diagram, const std::string& path) const {
    const auto it = paths.find(Key(diagram, path));
    return it == paths.end() ? nullptr : &it->second;
  }
};

// Reads the procedures of a plan.json written by zov plan (version 2 or
// later, whose procedures have ids); nullptr with *error ("PATH: why")
// when the file cannot be read or is not such a plan.
std::shared_ptr<const EarlierPlan> ReadEarlierPlan(const std::string& path, std::string* error);

}  // namespace zov
