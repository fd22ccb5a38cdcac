// What the colours and the weight of a tree node say, in words: for a
// screen reader, and for a tester who cannot tell the colours apart.
#pragma once

#include <string>

#include "tree/tree.h"

namespace zov {

// The states of a node that its colours and font show, comma-separated
// ("selected, leaf of the selection"); empty for a node in its default
// colours. The same colour may mean one thing in one tree and another
// elsewhere, so the tree's number (TV(0..6)) is given.
std::string NodeStateText(const Tree& tree, NodeId node, int treeIndex);

}  // namespace zov
