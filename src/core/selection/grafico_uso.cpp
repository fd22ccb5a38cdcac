#include "selection/grafico_uso.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "selection/allocazione.h"
#include "tree/tag.h"

namespace zov {

namespace {

std::string SenzaBlanchi(std::string s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  std::size_t lead = 0;
  while (lead < s.size() && blank(s[lead])) ++lead;
  return s.substr(lead);
}

std::string Nome(const Tree& t, NodeId id) { return SenzaBlanchi(EstraiNome(t.node(id).text)); }

}  // namespace

int UsageChartData::mostProcedures() const {
  int most = 0;
  for (const UsageLeaf& f : foglie) most = std::max(most, f.procedure);
  return most;
}

AxisScale Scala(double massimo, int tacche, bool intera) {
  if (!(massimo > 0) || tacche < 1) return {};
  const double raw = massimo / tacche;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  double step = 10 * magnitude;
  for (double m : {1.0, 2.0, 5.0})
    if (m * magnitude >= raw * (1 - 1e-9)) {
      step = m * magnitude;
      break;
    }
  if (intera) step = std::max(1.0, std::round(step));
  AxisScale s;
  s.passo = step;
  s.cima = std::ceil(massimo / step * (1 - 1e-9)) * step;
  return s;
}

UsageChartData ComputeUsageChart(const Tree& selection, std::optional<std::int16_t> copertura) {
  UsageChartData g;
  g.copertura = copertura;
  // The allocation's own leaf table, sort and cut: the chart shows the
  // leaves in the order the cut took them and exactly those it left out.
  LeafTable tabella = FillLeafTable(selection);
  OrdinaPesi(tabella);
  if (copertura) TagliaCopertura(tabella, *copertura);

  std::map<std::string, int> volte;
  for (int indice : tabella.indice) {
    const NodeId id = selection.at(indice < 0 ? -indice : indice);
    UsageLeaf f;
    f.nodo = id;
    f.nome = Nome(selection, id);
    f.peso = LeggiTag(selection.node(id).tag).weight;
    f.procedure = LeggiNTP(selection.node(id).text);
    f.belowCut = indice < 0;
    ++volte[f.nome];
    g.totalWeight += f.peso;
    g.totalProcedures += f.procedure;
    if (!f.belowCut) {
      ++g.dentro;
      g.weightInside += f.peso;
    }
    g.foglie.push_back(std::move(f));
  }
  // A leaf name that appears twice (a use case reached by two actors) is
  // told apart by its parent.
  for (UsageLeaf& f : g.foglie) {
    f.etichetta = f.nome;
    const NodeId parent = selection.node(f.nodo).parent;
    if (volte[f.nome] > 1 && parent != kNoNode) f.etichetta += " (" + Nome(selection, parent) + ")";
  }
  return g;
}

}  // namespace zov
