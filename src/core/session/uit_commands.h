// The "UIT" menu's loading commands: every scenario diagram of the model's
// packages, the diagrams chosen in the selection tree, the diagram nodes of
// the Design Tree, or the not-linked tree, into the UIT tree as test cases.
// status receives the busy box's text; skipped the name of each diagram
// that is in the UIT tree already.
#pragma once

#include <functional>
#include <string_view>

#include "model/model_source.h"
#include "tree/tree.h"

namespace zov {

using StatusFn = std::function<void(std::string_view)>;

// "Loading all &Sequence".
void CaricaAllSequence(ModelSource& m, Handle model, Tree& uit, const StatusFn& status, const StatusFn& skipped);
// "Loading from &ZOV tree": the diagrams of the green leaves of the selection tree.
// warn receives a warning for each diagram that shares its name with a test
// case loaded before it.
void CaricaSequenceFromZov(ModelSource& m, Handle model, const Tree& selection, Tree& uit, const StatusFn& status,
                           const StatusFn& skipped, const StatusFn& warn = {});
// "Loading from Design Tree".
void LoadFromDesignTree(const Tree& design, Tree& uit, const StatusFn& skipped);
// "Loading NOT Linked".
void LoadNotLinked(const Tree& notLinked, Tree& uit, const StatusFn& skipped);

}  // namespace zov
