// The "UIT" menu's loading commands: every scenario diagram of the model's
// packages, the diagrams chosen in the selection tree, the diagram nodes of
// the Design Tree, or the not-linked tree, into the UIT tree as test cases.
#pragma once

namespace zov {

class Generale;

// "Loading all &Sequence".
void CaricaAllSequence(Generale& g);
// "Loading from &ZOV tree": the diagrams of the green leaves of the selection tree.
void CaricaSequenceFromZov(Generale& g);
// "Loading from Design Tree".
void CaricaDaDesignTree(Generale& g);
// "Loading NOT Linked".
void CaricaNonConnessi(Generale& g);

}  // namespace zov
