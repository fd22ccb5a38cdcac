// The last stages of a load: the not-linked tree TV(4), and the tidy-up of
// the Main Tree. Below every link node the branch of the element it points
// to is copied, so that every path from an actor shows the whole behaviour
// reached from it; leaf children standing for their own parent's element
// are removed; entry nodes become plain use cases again; and a chain of
// "LEVEL n" markers down to the deepest level is added.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_source.h"
#include "tree/string_index.h"
#include "tree/tree.h"

namespace zov {

class LoadFiles;

// Builds the not-linked tree from the lines of "notlinked_elements.txt"
// among the load's files:
// the "<<NOT linked>>" root, the use cases and realizations that take part
// in no relation, their scenario diagrams, and below a use case the
// realizations that realize it.
void GestisciNotLinked(Tree& notLinked, const ModelSource& m, Handle model, const LoadFiles& files);

// The fewest nodes the Main Tree may reach by branch copying, whatever
// the size of the model.
inline constexpr int kMinMainTreeCap = 200000;
// How many nodes the Main Tree may reach by branch copying for each node
// the link analysis made, when no cap is set.
inline constexpr int kCopyNodesPerNode = 8;
// The node cap of the branch copy: set when it is above 0, else one
// that grows with the model: kCopyNodesPerNode times the nodes of the Main
// Tree before the copies, never below kMinMainTreeCap.
int MainTreeCap(int set, int nodesBeforeCopies);

// The state of the branch copy: the running copy number and the stack of
// the branch being copied (the node receiving copies and the next child to
// copy at each depth).
struct CopyState {
  std::uint32_t counter = 0;
  struct Level {
    NodeId target = kNoNode;  // receives the copies
    NodeId next = kNoNode;    // the next child of the source to copy
    int remaining = 0;        // children of the source still to copy
    std::string tag;          // the tag of the copies, made at the first
  };
  std::vector<Level> stack;
  int cap = kMinMainTreeCap;
  bool stopped = false;               // the node limit was reached
  std::int16_t deepestCopyLevel = 0;  // the deepest level a copy was given
  std::string key;                    // the copy key K made last
  // The tag of a copy by the tag of the node it goes below: a load copies
  // hundreds of thousands of nodes below a few thousand tags.
  struct Below {
    std::string tag;
    std::int16_t level = 0;
  };
  StringIndex<Below> tagsBelow;
};

// Empties the copy stack and the running number.
void AzzeraCollezioni(CopyState& s);

// The next copy key: key "$$" and the running number with at least five
// digits. The text is the state's, until the next call.
std::string_view K(CopyState& s, std::string_view key);

// Copies the children of the node keyed source (T) below the node keyed
// target (L), their branches with them; see DuplicaRami.
void CopiaNodoDown(Tree& t, CopyState& s, std::string_view target, std::string_view source, bool firstLevel);

// Expands every "continua" node: reads the target of the link from its
// continuation file among the load's files and copies the target's branch below it, pass after
// pass until no link is left to expand. notice receives the problems met
// (a missing continuation file, the node limit); the rest goes on.
void DuplicaRami(Tree& t, CopyState& s, const LoadFiles& files, const std::function<void(const std::string&)>& notice);

// Removes, in one scan, the leaves whose key begins with the same 12
// characters as their parent's key.
void EliminaChildUguali(Tree& t);

// "entryusecase" nodes become "usecase" and stop being bold.
void EliminaEntry(Tree& t);

// "LEVEL 0" at the top level, then "LEVEL n" below "LEVEL n-1" down to
// the deepest level of the tree.
void AggiungiIndicazioniLivello(Tree& t, std::int16_t deepest);
// The deepest level written in the tags of a tree.
std::int16_t DeepestLevel(const Tree& t);

}  // namespace zov
