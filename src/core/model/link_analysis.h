// The link analysis: builds the Main Tree TV(0) from the link lines of
// "collegamenti.txt". Actors are the top-level nodes; every relation line
// hangs its target below its source once the source is in the tree, over
// repeated passes. An element reached a second time gets a link node
// ("continua", or a leaf copy for an actor); a link that would close a
// cycle gets the kind "usecasecic".
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tree/tree.h"

namespace zov {

class LoadFiles;
class Tree;

// The parts of a link line.
struct LinkFields {
  bool object = false;   // an ...OBJ line
  std::string kindName;  // the kind, before the first "::"
  std::string f1, f2, f3, f4;
};
LinkFields RitornaCampi(std::string_view line);

// A record of the relation table: the four fields of a line that is not
// an object line.
struct RecordRelazione {
  std::string f1, f2, f3, f4;
};
// Renumbers the targets that occur more than once (the table is only dumped).
void CambiaNumerazione(std::vector<RecordRelazione>& table);

// The number of proper ancestors of node whose key begins with the same
// 12 characters as the node's own key.
int ControllaRipetizione(const Tree& tree, int node);

// Builds TV(0) from "collegamenti.txt" among the load's files; adds the
// dumps, "passo1.txt" and the continuation and entry files to them. Returns
// the number of passes made. The dumps of the relation table, before and
// after renumbering, are read by nothing but the tester: without
// tableDumps (a load that keeps no files) they are not made.
int BuildMainTree(Tree& t, LoadFiles& files, const std::function<void(std::string_view)>& status,
                  bool tableDumps = true);

}  // namespace zov
