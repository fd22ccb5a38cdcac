#include "selection/usage_chart.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "selection/allocation.h"
#include "tree/tag.h"

namespace zov {

namespace {

std::string WithoutBlanks(std::string s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  std::size_t lead = 0;
  while (lead < s.size() && blank(s[lead])) ++lead;
  return s.substr(lead);
}

std::string Nome(const Tree& t, NodeId id) { return WithoutBlanks(EstraiNome(t.node(id).text)); }

}  // namespace

int UsageChartData::mostProcedures() const {
  int most = 0;
  for (const UsageLeaf& f : leaves) most = std::max(most, f.procedure);
  return most;
}

AxisScale Scale(double most, int ticks, bool whole) {
  if (!(most > 0) || ticks < 1) return {};
  const double raw = most / ticks;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  double step = 10 * magnitude;
  for (double m : {1.0, 2.0, 5.0})
    if (m * magnitude >= raw * (1 - 1e-9)) {
      step = m * magnitude;
      break;
    }
  if (whole) step = std::max(1.0, std::round(step));
  AxisScale s;
  s.step = step;
  s.top = std::ceil(most / step * (1 - 1e-9)) * step;
  return s;
}

UsageChartData ComputeUsageChart(const Tree& selection, std::optional<std::int16_t> coverageCut) {
  UsageChartData g;
  g.coverageCut = coverageCut;
  // The allocation's own leaf table, sort and cut: the chart shows the
  // leaves in the order the cut took them and exactly those it left out.
  LeafTable table = FillLeafTable(selection);
  OrdinaPesi(table);
  if (coverageCut) TagliaCopertura(table, *coverageCut);

  std::map<std::string, int> times;
  for (int order : table.order) {
    const NodeId id = selection.at(order < 0 ? -order : order);
    UsageLeaf f;
    f.node = id;
    f.name = Nome(selection, id);
    f.weight = LeggiTag(selection.tag(id)).weight;
    f.procedure = LeggiNTP(selection.node(id).text);
    f.belowCut = order < 0;
    ++times[f.name];
    g.totalWeight += f.weight;
    g.totalProcedures += f.procedure;
    if (!f.belowCut) {
      ++g.inside;
      g.weightInside += f.weight;
    }
    g.leaves.push_back(std::move(f));
  }
  // A leaf name that appears twice (a use case reached by two actors) is
  // told apart by its parent.
  for (UsageLeaf& f : g.leaves) {
    f.label = f.name;
    const NodeId parent = selection.node(f.node).parent;
    if (times[f.name] > 1 && parent != kNoNode) f.label += " (" + Nome(selection, parent) + ")";
  }
  return g;
}

}  // namespace zov
