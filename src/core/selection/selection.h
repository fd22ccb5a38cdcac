// Choosing what to test: marking a part of the Main Tree, copying the marked
// nodes into the selection tree, and picking test cases of the UIT tree into
// the selected-test-cases tree.
#pragma once

#include <cstdint>

#include "tree/colors.h"
#include "tree/tree.h"

namespace zov {

// The start and stop levels of a two-level selection.
struct LevelSelection {
  bool startselezione = false;  // between choosing the start and the stop node
  std::int16_t livellostart = 0;
  std::int16_t livellostop = 0;
  bool livelli = false;                  // both levels fixed
  Color savedColor = kDefaultForeColor;  // ForeColor of the node "&Select Level" last ran on
  bool operator==(const LevelSelection&) const = default;
};

// The level written in a node's tag.
std::int16_t Level(const Tree& t, NodeId node);

void SelezionaNodo(Tree& t, NodeId node);
void DeselezionaNodo(Tree& t, NodeId node, Color fore, Color back);
void DeselezionaTutto(Tree& t, Color fore, Color back);
// Marks below node: the whole branch down to the stop level, and the
// scenario diagrams directly below the nodes of that level.
void SelezionaNodiChild(Tree& t, NodeId node, std::int16_t stop);
// Marks the actor above node and its branch down to level.
void SelezionaVersoRadice(Tree& t, NodeId node, std::int16_t level);
// Marks according to the start level.
void SelezionaDueLivelli(Tree& t, NodeId node, const LevelSelection& s);
// False as soon as a node is painted as a red branch.
bool ControllaRamiOut(const Tree& t);

// Rebuild the destination from the marked nodes of the source: all of them,
// or the levels from the start level to the stop level (the start level's
// nodes as roots of weight 1).
void CopiaSelezionati(const Tree& source, Tree& destination);
void CopiaSelezionati2Liv(const Tree& source, Tree& destination, const LevelSelection& s);

// "&Select All": checks every node of the UIT tree and copies the test
// cases into the selected-test-cases tree; those already there are skipped.
void SelezionaTutti(Tree& uit, Tree& selected);

// Copies a test case dragged from the UIT tree below "Selected Item", with
// four generations of its descendants. False (nothing done) when the test
// case is already selected.
bool AddSelectedTestCase(Tree& uit, NodeId dragged, Tree& selected);

}  // namespace zov
