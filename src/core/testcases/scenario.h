// The layout of one test case below its node: the diagram's objects with the
// attributes of their classes, and each message below the object receiving
// it, with its sender, receiver, operation and the operation's parameters.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/model_source.h"
#include "tree/tree.h"

namespace zov {

// Adds the test-case node of the diagram below the tree's "ROOT" and its
// object nodes. False, adding nothing, when the diagram is already in the
// tree (or the tree has no "ROOT").
bool AggiungiScenario(const ModelSource& m, Handle diagram, Tree& tree);

// Adds the nodes of one message. A step that cannot add its node (its
// parent is not there, or its key is) leaves a "rose" node below "ROOT"
// keyed by the step's key and "A", once, and the next step runs.
void AggiungiMessaggioCaratt(const ModelSource& m, Handle diagram, Handle message, Tree& tree);

// The test case with all its messages: AggiungiScenario, then every
// message. False when the diagram was already in the tree.
bool AddWholeScenario(const ModelSource& m, Handle diagram, Tree& tree);

}  // namespace zov
