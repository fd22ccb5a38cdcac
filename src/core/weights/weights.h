// Load-time weights of the Main Tree. The children of every node share 1
// between them: equal shares by default, or shares in proportion to the
// "WGH=" weights written in the documentation of use cases and scenario
// diagrams. The shares are kept in the node tags and in the weight labels
// at the head of the node texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/model_source.h"
#include "tree/tree.h"

namespace zov {

// The use cases and scenario diagrams of a model by identifier, so that a
// look-up costs one hash probe instead of a scan of the model. When two
// elements share an identifier the first one, in model order, is found.
// The weights read only an element's documentation: the index holds it,
// read from the model once for all the look-ups of a load.
class DocumentIndex {
 public:
  DocumentIndex(const ModelSource& m, Handle model);
  // The use case among AllUseCases whose identifier is key: its
  // documentation; nullptr if there is none.
  const std::string* CercaUseCase(std::string_view key) const { return useCases_.find(key); }
  // The scenario diagram of some use case whose identifier is key: its
  // documentation; nullptr if there is none.
  const std::string* CercaDiagramma(std::string_view key) const { return diagrams_.find(key); }

 private:
  StringIndex<std::string> useCases_;
  StringIndex<std::string> diagrams_;
};

// The weight written in a documentation text: the number after the first
// "WGH=" (up to the next blank or line break), or nothing when the text
// has no "WGH=". "WGH=100" gives 100, "Main flow WGH=3" gives 3.
std::optional<double> DocumentationWeight(std::string_view documentation);

// Whether a child's documentation asks for documentation shares: "WGH"
// anywhere for a use case or realization, "WGH=" for a scenario diagram.
// Nothing when a child of those kinds is no element of the model.
std::optional<bool> CercaPesiDoc(const Tree& t, NodeId node, const DocumentIndex& index);
// The sum of the documentation weights of the weighted children (5 for
// each one without a marker). Nothing when a child cannot be read or the
// sum leaves the 16-bit range.
std::optional<std::int16_t> SommaPesiDoc(const Tree& t, NodeId node, const DocumentIndex& index);

struct DocWeight {
  std::int16_t weight = 0;
  bool missing = false;
};
// The documentation weight of one child; children of other kinds read as
// weight 0, not missing. Nothing when the child cannot be read.
std::optional<DocWeight> LeggiPesoDoc(const Tree& t, NodeId child, const DocumentIndex& index);

// Gives the children of node their shares, levels, labels and tags and
// writes the node's child count. Returns false when the weighting was
// abandoned part way (an element that is not in the model, a zero or
// overflowing total, a node whose children are all packages).
bool AssegnaPesi(Tree& t, NodeId node, const DocumentIndex& index);

// Weights every node of the tree in collection order; returns the number
// of nodes whose weighting was abandoned.
int WeighTree(Tree& t, const ModelSource& m, Handle model);
// The same with the model's index made already (a load makes it while it
// builds the tree).
int WeighTree(Tree& t, const DocumentIndex& index);

// Turns the shares of a tree into absolute weights (each share times its
// parent's absolute weight), colours the leaves green and returns the sum
// of the leaf weights.
float CalcolaPesiAssoluti(Tree& t);
// The text of the Somma label for a leaf weight sum.
std::string LeafWeightsSumText(float sum);

// Writes each node's label weight into its tag where the two differ.
void AllineaPesiTag(Tree& t);

}  // namespace zov
