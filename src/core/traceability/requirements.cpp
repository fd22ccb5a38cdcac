#include "traceability/requirements.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <unordered_map>

#include "files/csv.h"
#include "selection/allocation.h"
#include "tree/kinds.h"
#include "tree/tree.h"

namespace zov {
namespace {

// Adds id to the links of key, keeping the requirements' order.
void Link(RequirementLinks& links, const std::string& key, const std::string& id) {
  std::vector<std::string>& ids = links.traced[key];
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
}

void Add(RequirementLinks& links, const std::string& id, const std::string& title) {
  if (links.find(id) == nullptr) links.requirements.push_back({id, title});
}

// Each element's links in the order of the requirements.
void Order(RequirementLinks& links) {
  std::unordered_map<std::string, std::size_t> place;
  for (std::size_t i = 0; i < links.requirements.size(); ++i) place.emplace(links.requirements[i].id, i);
  for (auto& [key, ids] : links.traced)
    std::stable_sort(ids.begin(), ids.end(),
                     [&](const std::string& a, const std::string& b) { return place[a] < place[b]; });
}

bool IsUseCaseOrDiagram(std::string_view image) {
  return image == kind::kUsecase || image == kind::kUsecaseRip || image == kind::kUsecaseCic ||
         image == kind::kEntryUsecase || image == kind::kSequence || image == kind::kCollaboration;
}

}  // namespace

int RequirementLinks::linkCount() const {
  int n = 0;
  for (const auto& [key, ids] : traced) n += static_cast<int>(ids.size());
  return n;
}

const RequirementLinks::Requirement* RequirementLinks::find(std::string_view id) const {
  for (const Requirement& r : requirements)
    if (r.id == id) return &r;
  return nullptr;
}

std::string_view ElementKey(std::string_view nodeKey) {
  nodeKey = nodeKey.substr(0, nodeKey.find("$$"));
  if (const std::size_t a = nodeKey.rfind("ACTOR"); a != std::string_view::npos && a > 0) {
    const std::string_view digits = nodeKey.substr(a + 5);
    if (!digits.empty() && std::all_of(digits.begin(), digits.end(),
                                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
      nodeKey = nodeKey.substr(0, a);
  }
  return nodeKey;
}

RequirementLinks ReadRequirementLinks(const ModelSource& m, Handle model) {
  RequirementLinks links;
  for (const ModelRequirement& r : m.Requirements()) Add(links, r.id, r.title);
  std::set<std::int32_t> seen;
  const auto diagram = [&](Handle d) {
    if (!d || !seen.insert(d.id).second) return;
    for (const std::string& id : m.TracedRequirements(d)) Link(links, m.Identifier(d), id);
  };
  for (Handle uc : m.AllUseCases(model)) {
    const std::string key = m.Identifier(uc);
    for (const std::string& id : m.TracedRequirements(uc)) Link(links, key, id);
    // "REQ: ID text" lines of its documentation.
    const std::string doc = m.Documentation(uc);
    std::string_view rest = doc;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      const std::string_view line = TrimSpace(rest.substr(0, end));
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      if (line.size() < 4 || AsciiLower(line.substr(0, 4)) != "req:") continue;
      const std::string_view body = TrimSpace(line.substr(4));
      const std::size_t blank = body.find_first_of(" \t");
      const std::string id(body.substr(0, blank));
      if (id.empty()) continue;
      Add(links, id, std::string(blank == std::string_view::npos ? std::string_view() : TrimSpace(body.substr(blank))));
      Link(links, key, id);
    }
    for (Handle d : m.ScenarioDiagrams(uc)) diagram(d);
  }
  for (Handle p : m.AllPackages(model)) {
    for (Handle d : m.PackageScenarioDiagrams(p)) diagram(d);
    for (Handle d : m.ScenarioDiagrams(p)) diagram(d);
  }
  Order(links);
  return links;
}

RequirementsFileResult ApplyRequirementsFile(RequirementLinks& links, const Tree& main, std::string_view text,
                                             const std::string& path) {
  RequirementsFileResult r;
  std::vector<CsvRow> rows;
  int bad = 0;
  if (!ParseCsv(text, rows, &bad)) {
    r.error = path + ":" + std::to_string(bad) + ": a quoted field is not closed";
    return r;
  }
  // A header row names its columns.
  if (!rows.empty() && rows.front().fields.size() >= 2 &&
      AsciiLower(TrimSpace(rows.front().fields[1])).find("requirement") != std::string::npos)
    rows.erase(rows.begin());
  struct Parsed {
    std::string key, id, title;
  };
  std::vector<Parsed> parsed;
  for (const CsvRow& row : rows) {
    const std::string at = path + ":" + std::to_string(row.line) + ": ";
    if (row.fields.size() < 2) {
      r.error = at + "expected the use case, the requirement's id and its title, separated by commas";
      return r;
    }
    const std::string_view node = TrimSpace(row.fields[0]), id = TrimSpace(row.fields[1]);
    if (node.empty()) {
      r.error = at + "the use case (its key or path in the Main Tree) is empty";
      return r;
    }
    if (id.empty()) {
      r.error = at + "the requirement's id is empty";
      return r;
    }
    const NodeId n = FindByKeyOrPath(main, node);
    if (n == kNoNode || !IsUseCaseOrDiagram(main.node(n).image)) {
      r.warnings.push_back(at + "no use case or scenario diagram '" + std::string(node) +
                           "' in the Main Tree: the row is left out");
      continue;
    }
    parsed.push_back({std::string(ElementKey(main.node(n).key)), std::string(id),
                      row.fields.size() > 2 ? std::string(TrimSpace(row.fields[2])) : std::string()});
  }
  // The file's rows for an element replace the links it had.
  for (const Parsed& p : parsed) links.traced.erase(p.key);
  for (const Parsed& p : parsed) {
    Add(links, p.id, p.title);
    if (!p.title.empty())
      for (RequirementLinks::Requirement& q : links.requirements)
        if (q.id == p.id) q.title = p.title;
    Link(links, p.key, p.id);
    ++r.links;
  }
  Order(links);
  links.file = path;
  return r;
}

}  // namespace zov
