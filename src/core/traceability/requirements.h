// The requirements a plan verifies: those the model holds and the traces
// from its use cases and scenario diagrams to them, and those a team keeps
// in a tracker, given as a CSV file of links.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_source.h"

namespace zov {

class Tree;

struct RequirementLinks {
  struct Requirement {
    std::string id, title;
    bool operator==(const Requirement&) const = default;
  };
  // Every requirement, in the model's order, then those a file added.
  std::vector<Requirement> requirements;
  // For a use case or a scenario diagram (by its identifier, the key of its
  // nodes) the requirements traced to it, in the order above.
  std::map<std::string, std::vector<std::string>> traced;
  // The requirements file applied last, if any.
  std::string file;

  int linkCount() const;
  const Requirement* find(std::string_view id) const;
  bool operator==(const RequirementLinks&) const = default;
};

// What the model traces: its requirement elements and their links, and the
// lines "REQ: ID text" of a use case's documentation (one per line), which
// trace the use case to ID (a requirement titled text, when the model has
// no other of that id).
RequirementLinks ReadRequirementLinks(const ModelSource& model, Handle handle);

// A requirements file applied: CSV (RFC 4180, a UTF-8 byte order mark and a
// header row allowed, "#" lines skipped), one link per row: the use case (or
// scenario diagram) by its key or the path of its names in the Main Tree,
// the requirement's id, its title. The file's rows for a use case replace
// the links it had; requirements it names that the model has not are added;
// a title it gives replaces the model's. An empty error when done; else
// "file:line: what is wrong". warnings: rows naming nothing in the Main Tree.
struct RequirementsFileResult {
  std::string error;
  std::vector<std::string> warnings;
  int links = 0;
};
RequirementsFileResult ApplyRequirementsFile(RequirementLinks& links, const Tree& mainTree, std::string_view text,
                                             const std::string& path);

// The key a node of a use case or diagram copied into the Main Tree stands
// for: its key without the copy's "$$nnnnn" and the link's "ACTORn".
std::string_view ElementKey(std::string_view nodeKey);

}  // namespace zov
