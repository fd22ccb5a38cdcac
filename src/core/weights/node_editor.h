// Weight editing: the node editor of "&Modify", the sharing of what is left
// of 1 among the siblings the tester has not edited, and the unit-sum test
// that paints a sibling group red while its weights do not add up to 1.
#pragma once

#include <string>

#include "tree/tree.h"

namespace zov {

// Shares the rest of 1 equally among the unedited siblings of node.
void Rinumera(Tree& t, NodeId node);
// Whether the weights of node's sibling group add up to 1, within
// 0.9999 to 1.0001 (summed as single-precision floats in sibling order).
bool ControllaSommaUnitaria(const Tree& t, NodeId node);
// Paint node's sibling group as a red branch (weights to be verified) or
// as a normal one.
void MetteRamiRossi(Tree& t, NodeId node);
void MetteRamiNormal(Tree& t, NodeId node);

// The node editor "Edit Selected node:". The front end shows the fields,
// lets the tester change Wei and Selez, and calls ok() or cancel().
class Edita {
 public:
  static constexpr const char* kCaption = "Edit Selected node:";

  // Fills the fields from the node and its tag.
  void show(Tree& t, NodeId node);
  // "OK": writes the weight, marks the node as edited, rebalances its
  // siblings and checks their sum. A weight that is no finite number is
  // refused: the result is the message to show, the tree is unchanged and
  // the editor stays open. Empty when the editor closed.
  std::string ok();
  // "Cancel": nothing changes.
  void cancel();

  // Fields as shown.
  std::string Nome;    // the node's text
  std::string Liv;     // its level
  std::string Wei;     // its weight, editable
  std::string chiave;  // its key
  bool Selez = false;  // "Selected:": make the node bold

  bool closed() const { return closed_; }
  // Whether the last "OK" left the sibling group adding up to 1.
  bool result() const { return result_; }
  // Whether the editor was closed with "OK" (not "Cancel").
  bool confirmed() const { return confirmed_; }
  NodeId node() const { return node_; }

 private:
  Tree* tree_ = nullptr;
  NodeId node_ = kNoNode;
  std::int16_t level_ = 0;
  float weight_ = 0.0f;
  std::int16_t count_ = 0;
  bool edited_ = false;
  bool result_ = false;
  bool closed_ = true;
  bool confirmed_ = false;
};

}  // namespace zov
