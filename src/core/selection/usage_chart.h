// The figures of the usage chart: for each leaf of the selection tree after
// an allocation, its absolute weight and its test procedures, heaviest
// first, and where a coverage criterion cut the leaves off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tree/tree.h"

namespace zov {

struct UsageLeaf {
  NodeId node = kNoNode;
  std::string name;       // the leaf's name, without weight label and annotation
  std::string label;      // the name, with "(parent)" after it when leaves share it
  float weight = 0;       // absolute weight: the product of the weights along its path
  int procedure = 0;      // the test procedures allotted ("((NTP:n))"), 0 when none
  bool belowCut = false;  // left out by the coverage cut
};

struct UsageChartData {
  // Every leaf, by absolute weight, heaviest first; among equal weights
  // in the order the coverage cut takes them.
  std::vector<UsageLeaf> leaves;
  // The coverage percentage, when that criterion allotted the procedures.
  std::optional<std::int16_t> coverageCut;
  // The leaves inside the cut are the first `inside` ones; all of them
  // without a cut.
  std::size_t inside = 0;
  float totalWeight = 0;   // of all leaves
  float weightInside = 0;  // of the leaves inside the cut
  long totalProcedures = 0;
  float heaviestWeight() const { return leaves.empty() ? 0.0f : leaves.front().weight; }
  int mostProcedures() const;
};

// A scale for a chart axis from 0: the step, 1, 2 or 5 times a power of
// ten, giving at most `ticks` steps, and the top, the first multiple of
// the step at or above most. A whole scale has a whole step.
struct AxisScale {
  double step = 1;
  double top = 1;
};
AxisScale Scale(double most, int ticks, bool whole);

// The chart of a selection tree whose leaves were given procedures (the
// allocation leaves absolute weights in the node tags); coverageCut is the
// percentage when the coverage criterion allotted them. The cut is the one
// the allocation made: the same table, sort and threshold.
UsageChartData ComputeUsageChart(const Tree& selection, std::optional<std::int16_t> coverageCut);

}  // namespace zov
