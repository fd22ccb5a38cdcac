// The steps that fill the UIT tree with test cases (the diagrams chosen in
// the selection tree, collaboration diagrams already there); and, at load
// time, the package diagrams the Main Tree does not reach, into the
// not-linked tree.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/model_source.h"
#include "tree/tree.h"

namespace zov {

// The green leaves of a selection tree by diagram identifier (a key up to
// "$$"): the first collection index of each.
std::unordered_map<std::string, int> GreenLeaves(const Tree& t);

// The package diagrams that no diagram node of the Main Tree stands for, as
// test cases of the not-linked tree. status gets "Category: " and each
// package's name, and a note for a diagram already there; warn a warning
// for a diagram that has the name of one the Main Tree shows.
void CaricaAllSequenceNonConnessi(const ModelSource& m, Handle model, const Tree& mainTree, Tree& notLinked,
                                  const std::function<void(std::string_view)>& status,
                                  const std::function<void(std::string_view)>& warn = {});
// The collection index of the first green leaf of the tree standing for
// the diagram (its key up to "$$" is the diagram's identifier); 0 if none.
int GetSequenceDiag(const ModelSource& m, Handle diagram, const Tree& tree);
// Whether a collaboration diagram is in the UIT tree already: the first
// node showing its name (between label and annotation) has a child keyed
// by one of the diagram's objects.
bool GiaPresente(const ModelSource& m, Handle diagram, const Tree& uit);
// The same through an index of the names the UIT tree shows, for many
// diagrams in a row: the index catches up with the nodes added since its
// last use (nodes are only added while it is in use).
class UitNames {
 public:
  explicit UitNames(const Tree& uit) : uit_(uit) {}
  // The first node, in collection order, showing name; kNoNode if none.
  NodeId first(const std::string& name);

 private:
  const Tree& uit_;
  NodeId seen_ = kNoNode;  // the last node indexed
  std::unordered_map<std::string, NodeId> firsts_;
};
bool GiaPresente(const ModelSource& m, Handle diagram, const Tree& uit, UitNames& names);
// Renames the diagram as the source node at index shows it, then adds it
// with its messages to the target tree. False when it was there already.
bool AggiungiSequenceaTV(ModelSource& m, Handle diagram, const Tree& source, Tree& target, int index);

}  // namespace zov
