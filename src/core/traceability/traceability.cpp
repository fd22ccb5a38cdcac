#include "traceability/traceability.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "export/exports.h"
#include "selection/allocation.h"
#include "session/planning_session.h"
#include "tree/kinds.h"
#include "tree/tag.h"

namespace zov {
namespace {

bool IsDiagram(std::string_view image) { return image == kind::kSequence || image == kind::kCollaboration; }
bool IsUseCase(std::string_view image) {
  return image == kind::kUsecase || image == kind::kUsecaseRip || image == kind::kUsecaseCic ||
         image == kind::kEntryUsecase;
}

void Union(std::vector<std::string>& into, const std::vector<std::string>& ids) {
  for (const std::string& id : ids)
    if (std::find(into.begin(), into.end(), id) == into.end()) into.push_back(id);
}

}  // namespace

long TracedRequirement::procedureCount() const {
  long n = 0;
  for (const auto& ids : procedures) n += static_cast<long>(ids.size());
  return n;
}

const std::vector<std::string>& Traceability::ofTestCase(int number) const {
  static const std::vector<std::string> kNone;
  return number >= 1 && static_cast<std::size_t>(number) <= byTestCase.size()
             ? byTestCase[static_cast<std::size_t>(number) - 1]
             : kNone;
}

std::vector<std::string> Traceability::warnings() const {
  std::vector<std::string> out;
  for (const TracedRequirement& r : requirements)
    if (r.selected && !r.reason.empty())
      out.push_back("requirement " + r.id + (r.title.empty() || r.title == r.id ? "" : " \"" + r.title + "\"") +
                    " is reached by no test procedure: " + r.reason);
  return out;
}

std::string Traceability::text() const {
  if (requirements.empty()) return {};
  std::size_t width = 11;
  for (const TracedRequirement& r : requirements) width = std::max(width, r.id.size());
  const auto pad = [](std::string s, std::size_t w) { return s.size() < w ? s + std::string(w - s.size(), ' ') : s; };
  std::string out = "Traceability: " + std::to_string(requirements.size()) + " requirements\n";
  out += "  " + pad("requirement", width) + "  weight  procedures  test cases\n";
  std::vector<const TracedRequirement*> unreached;
  for (const TracedRequirement& r : requirements) {
    char weight[32];
    std::snprintf(weight, sizeof weight, "%.4f", r.weight);
    std::string cases;
    for (std::size_t i = 0; i < r.testCases.size(); ++i)
      if (!r.procedures[i].empty())
        cases += (cases.empty() ? "" : ", ") + r.testCases[i] + " (" + std::to_string(r.procedures[i].size()) + ")";
    out += "  " + pad(r.id, width) + "  " + weight + "  " + pad(std::to_string(r.procedureCount()), 10) + "  " +
           (cases.empty() ? "-" : cases) + "\n";
    if (!r.reason.empty()) unreached.push_back(&r);
  }
  if (!unreached.empty()) {
    out += "  requirements no procedure reaches:\n";
    for (const TracedRequirement* r : unreached) out += "    " + pad(r->id, width) + "  " + r->reason + "\n";
  }
  return out;
}

Traceability Trace(const PlanningSession& session) {
  Traceability t;
  const RequirementLinks& links = session.work().requirements;
  const SpecificationState& spec = session.work().specification;
  t.byTestCase.resize(static_cast<std::size_t>(std::max(0, spec.table.count())));
  if (links.requirements.empty()) return t;

  const auto tracedTo = [&links](std::string_view key) -> const std::vector<std::string>* {
    const auto it = links.traced.find(std::string(key));
    return it == links.traced.end() ? nullptr : &it->second;
  };

  // Each diagram's requirements: its own and those of every use case above
  // any of its showings in the Main Tree; the names of the use cases.
  const Tree& main = session.TV(kMainTree);
  std::unordered_map<std::string, std::vector<std::string>> ofDiagram;
  std::unordered_map<std::string, std::string> useCaseName;
  for (NodeId id : main.collection()) {
    const Node& n = main.node(id);
    const std::string key(ElementKey(n.key));
    if (IsUseCase(n.image)) useCaseName.try_emplace(key, WithoutTrailingBlanks(EstraiNome(n.text)));
    if (!IsDiagram(n.image)) continue;
    std::vector<std::string>& ids = ofDiagram[key];
    if (const auto* own = tracedTo(key)) Union(ids, *own);
    for (NodeId up = n.parent; up != kNoNode; up = main.node(up).parent)
      if (IsUseCase(main.node(up).image))
        if (const auto* above = tracedTo(ElementKey(main.node(up).key))) Union(ids, *above);
  }
  // In the order of the requirements.
  std::unordered_map<std::string, std::size_t> place;
  for (std::size_t i = 0; i < links.requirements.size(); ++i) place.emplace(links.requirements[i].id, i);
  for (auto& [key, ids] : ofDiagram)
    std::stable_sort(ids.begin(), ids.end(),
                     [&](const std::string& a, const std::string& b) { return place[a] < place[b]; });
  // What the selection holds.
  std::unordered_set<std::string> selected;
  std::vector<std::pair<std::string, double>> leaves;  // diagram key, absolute weight
  double total = 0;
  const Tree& sel = session.TV(kSelectionTree);
  for (NodeId id : sel.collection()) {
    const Node& n = sel.node(id);
    selected.emplace(ElementKey(n.key));
    if (n.children != 0 || n.parent == kNoNode || n.foreColor == kExcludedFore) continue;
    const double w = LeggiTag(sel.tag(id)).weight;
    total += w;
    leaves.emplace_back(std::string(ElementKey(n.key)), w);
  }

  // Each test case carries its diagram's requirements.
  const std::unordered_map<int, std::string> diagramOf = DiagramsByNumber(spec);
  std::unordered_map<std::string, int> numberOf;
  for (int i = 1; i <= spec.table.count(); ++i) {
    const std::string diagram = DiagramOf(diagramOf, i);
    numberOf.try_emplace(diagram, i);
    std::vector<std::string>& ids = t.byTestCase[static_cast<std::size_t>(i) - 1];
    if (const auto it = ofDiagram.find(diagram); it != ofDiagram.end())
      ids = it->second;
    else if (const auto* own = tracedTo(diagram))
      ids = *own;
  }
  // The significant procedures of each test case.
  std::unordered_map<int, std::vector<std::string>> proceduresOf;
  ForEachProcedureName(session, [&](std::size_t i, const ProcedureNames& n) {
    const GeneratedProcedure& p = session.work().procedures[i];
    if (p.significant) proceduresOf[p.testCase].push_back(n.id);
  });

  for (const RequirementLinks::Requirement& q : links.requirements) {
    TracedRequirement r;
    r.id = q.id;
    r.title = q.title;
    bool traced = false, diagrams = false;
    std::set<std::string> names;
    for (const auto& [key, ids] : links.traced) {
      if (std::find(ids.begin(), ids.end(), q.id) == ids.end()) continue;
      traced = true;
      if (selected.contains(key)) r.selected = true;
      if (const auto name = useCaseName.find(key); name != useCaseName.end()) r.useCases.push_back(name->second);
    }
    for (const auto& [key, ids] : ofDiagram)
      if (std::find(ids.begin(), ids.end(), q.id) != ids.end()) {
        diagrams = true;
        if (selected.contains(key)) r.selected = true;
      }
    std::set<int> reaching;
    for (int i = 1; i <= spec.table.count(); ++i) {
      const std::vector<std::string>& ids = t.byTestCase[static_cast<std::size_t>(i) - 1];
      if (std::find(ids.begin(), ids.end(), q.id) == ids.end()) continue;
      diagrams = true;
      r.testCases.push_back("SD" + std::to_string(i));
      r.procedures.push_back(proceduresOf[i]);
      if (!proceduresOf[i].empty()) reaching.insert(i);
    }
    double carried = 0;
    for (const auto& [key, w] : leaves)
      if (const auto n = numberOf.find(key); n != numberOf.end() && reaching.contains(n->second)) carried += w;
    r.weight = total > 0 ? carried / total : 0;
    if (reaching.empty())
      r.reason = !traced               ? "no use case is traced to it"
                 : !diagrams           ? "its use case has no scenario diagram"
                 : r.testCases.empty() ? "not in the selection"
                                       : "no path got a procedure";
    t.requirements.push_back(std::move(r));
  }
  return t;
}

}  // namespace zov
