// The Design Tree TV(6): the packages of the logical view with their
// scenario diagrams and the packages they reuse; and the marking of a
// package in it when the tester clicks one elsewhere.
#pragma once

#include <string_view>

#include "model/model_source.h"
#include "tree/tree.h"

namespace zov {

// Builds the Design Tree into tree (which the load has cleared). Returns
// false when a node could not be added; the rest of the tree is then not built.
bool BuildDesignTree(Tree& tree, const ModelSource& m, Handle model);

// Clears the old marks of tree, then shows and marks every node keyed key:
// light green for index 6 (a click in the Main Tree), light blue for 4 (in
// the not-linked tree).
void LocatePackage(Tree& tree, std::string_view key, int index);

}  // namespace zov
