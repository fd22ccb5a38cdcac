#include "results/results.h"

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <unordered_map>

#include "files/csv.h"
#include "files/input_file.h"
#include "files/work_folder.h"
#include "generation/random_source.h"
#include "model/fnv.h"

namespace zov {
namespace {

constexpr std::uintmax_t kMaxResultBytes = std::uintmax_t{256} << 20;
constexpr int kMaxDepth = 200;  // JUnit suites nest a few levels; deeper is no CI runner's

bool Hex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool Digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool Alnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// The length of an id starting at i: 12 hexadecimal digits, "-", the path
// ("1", "1.1" ...), "-", the place (3 digits or more); 0 when none starts there.
std::size_t IdAt(std::string_view t, std::size_t i) {
  if (i > 0 && Alnum(t[i - 1])) return 0;
  std::size_t k = i;
  for (int n = 0; n < 12; ++n, ++k)
    if (k >= t.size() || !Hex(t[k])) return 0;
  if (k >= t.size() || t[k] != '-') return 0;
  ++k;
  if (k >= t.size() || !Digit(t[k])) return 0;
  while (k < t.size() && (Digit(t[k]) || (t[k] == '.' && k + 1 < t.size() && Digit(t[k + 1])))) ++k;
  if (k >= t.size() || t[k] != '-') return 0;
  ++k;
  const std::size_t place = k;
  while (k < t.size() && Digit(t[k])) ++k;
  if (k - place < 3 || (k < t.size() && Alnum(t[k]))) return 0;
  return k - i;
}

// Words of the tools' statuses; nullopt for one no tool writes.
std::optional<Verdict> StatusWord(std::string_view word) {
  static const std::map<std::string, Verdict> kWords = {
      {"pass", Verdict::kPass},       {"passed", Verdict::kPass},      {"ok", Verdict::kPass},
      {"fail", Verdict::kFail},       {"failed", Verdict::kFail},      {"failure", Verdict::kFail},
      {"error", Verdict::kFail},      {"blocked", Verdict::kNotRun},   {"retest", Verdict::kNotRun},
      {"untested", Verdict::kNotRun}, {"skipped", Verdict::kNotRun},   {"skip", Verdict::kNotRun},
      {"todo", Verdict::kNotRun},     {"executing", Verdict::kNotRun}, {"aborted", Verdict::kNotRun},
      {"not run", Verdict::kNotRun},  {"", Verdict::kNotRun}};
  const auto it = kWords.find(AsciiLower(TrimSpace(word)));
  return it == kWords.end() ? std::nullopt : std::optional<Verdict>(it->second);
}

// A date that orders as text: ISO 8601 ("2026-12-08", "2026-12-08T10:15:00").
bool Orderable(const std::string& date) {
  return date.size() >= 10 && Digit(date[0]) && Digit(date[3]) && date[4] == '-' && date[7] == '-';
}

std::optional<ResultFile> Junit(std::string_view text, ResultFile f, std::string* error) {
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size(), pugi::parse_default);
  if (!parsed) {
    int line = 1, column = 1;
    for (std::ptrdiff_t i = 0; i < parsed.offset && static_cast<std::size_t>(i) < text.size(); ++i) {
      if (text[static_cast<std::size_t>(i)] == '\n')
        ++line, column = 1;
      else
        ++column;
    }
    *error = f.path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + parsed.description();
    return std::nullopt;
  }
  const pugi::xml_node root = doc.document_element();
  const std::string_view top = root.name();
  if (top != "testsuites" && top != "testsuite") {
    *error = f.path + ":1:1: expected JUnit XML (<testsuites> or <testsuite>), found <" + std::string(top) + ">";
    return std::nullopt;
  }
  std::function<void(pugi::xml_node, const std::string&, int)> walk = [&](pugi::xml_node n, const std::string& date,
                                                                          int depth) {
    if (depth > kMaxDepth) return;
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      const std::string_view name = c.name();
      if (name == "testsuite") {
        const std::string stamp = c.attribute("timestamp").value();
        walk(c, stamp.empty() ? date : stamp, depth + 1);
      } else if (name == "testcase") {
        std::string id = FindProcedureId(c.attribute("name").value());
        if (id.empty()) id = FindProcedureId(c.attribute("classname").value());
        for (pugi::xml_node p = c.child("properties").child("property"); p && id.empty();
             p = p.next_sibling("property"))
          id = FindProcedureId(p.attribute("value") ? p.attribute("value").value() : p.child_value());
        if (id.empty()) {
          ++f.withoutId;
          continue;
        }
        ResultRecord r;
        r.id = id;
        r.date = date;
        if (const pugi::xml_node bad = c.child("failure") ? c.child("failure") : c.child("error")) {
          r.verdict = Verdict::kFail;
          r.note = bad.attribute("message").value();
        } else if (c.child("skipped")) {
          r.verdict = Verdict::kNotRun;
          r.note = c.child("skipped").attribute("message").value();
        } else {
          r.verdict = Verdict::kPass;
        }
        f.records.push_back(std::move(r));
      }
    }
  };
  if (top == "testsuite") {
    pugi::xml_node holder = doc;
    walk(holder, "", 0);
  } else {
    walk(root, root.attribute("timestamp").value(), 0);
  }
  f.format = "junit";
  return f;
}

std::optional<ResultFile> Csv(std::string_view text, ResultFile f, std::string* error) {
  std::vector<CsvRow> rows;
  int bad = 0;
  if (!ParseCsv(text, rows, &bad, false)) {
    *error = f.path + ":" + std::to_string(bad) + ": a quoted field is not closed";
    return std::nullopt;
  }
  if (rows.empty()) {
    *error = f.path + ":1: the file holds no results";
    return std::nullopt;
  }
  std::vector<std::string> head;
  for (const std::string& h : rows.front().fields) head.push_back(AsciiLower(TrimSpace(h)));
  const auto column = [&head](std::initializer_list<const char*> names) -> int {
    for (const char* name : names)
      for (std::size_t i = 0; i < head.size(); ++i)
        if (head[i] == name) return static_cast<int>(i);
    return -1;
  };
  int idColumn = -1, statusColumn = -1, dateColumn = -1, noteColumn = -1;
  bool header = true, fromTitle = true;
  std::string statuses;
  if (column({"title"}) >= 0 && column({"status"}) >= 0) {
    f.format = "testrail";
    idColumn = column({"title"});
    statusColumn = column({"status"});
    dateColumn = column({"tested on", "tested", "date"});
    noteColumn = column({"comment", "comments"});
    statuses = "Passed, Failed, Blocked, Retest, Untested";
  } else if (column({"summary"}) >= 0 && column({"testrun status", "status"}) >= 0) {
    f.format = "xray";
    idColumn = column({"summary"});
    statusColumn = column({"testrun status", "test run status", "status"});
    dateColumn = column({"finished on", "executed on", "finished", "date"});
    noteColumn = column({"comment", "comments"});
    statuses = "PASS, FAIL, TODO, EXECUTING, ABORTED";
  } else if (head.size() >= 2 && (head[0] == "id" && head[1] == "verdict")) {
    f.format = "csv";
    idColumn = 0, statusColumn = 1, dateColumn = head.size() > 2 ? 2 : -1, noteColumn = head.size() > 3 ? 3 : -1;
    fromTitle = false;
    statuses = "pass, fail, blocked, skipped, untested";
  } else if (head.size() >= 2 && StatusWord(head[1]) && !head[1].empty()) {
    f.format = "csv";
    header = false, fromTitle = false;
    idColumn = 0, statusColumn = 1, dateColumn = 2, noteColumn = 3;
    statuses = "pass, fail, blocked, skipped, untested";
  } else {
    *error = f.path + ":" + std::to_string(rows.front().line) +
             ": not a results file: expected JUnit XML, a TestRail or Xray CSV export (Title or Summary, and "
             "Status), or a CSV of id,verdict";
    return std::nullopt;
  }
  for (std::size_t k = header ? 1 : 0; k < rows.size(); ++k) {
    const CsvRow& row = rows[k];
    const auto field = [&row](int c) {
      return c >= 0 && static_cast<std::size_t>(c) < row.fields.size() ? std::string(TrimSpace(row.fields[c]))
                                                                       : std::string();
    };
    const std::string at = f.path + ":" + std::to_string(row.line) + ": ";
    const std::optional<Verdict> verdict = StatusWord(field(statusColumn));
    if (!verdict) {
      *error = at + "unknown status '" + field(statusColumn) + "' (" + statuses + ")";
      return std::nullopt;
    }
    std::string id = FindProcedureId(field(idColumn));
    if (id.empty() && !fromTitle) id = field(idColumn);
    if (id.empty()) {
      if (!fromTitle) {
        *error = at + "the procedure id is empty";
        return std::nullopt;
      }
      ++f.withoutId;
      continue;
    }
    f.records.push_back({id, *verdict, field(dateColumn), field(noteColumn), {}, {}, false});
  }
  return f;
}

std::string Round(double v, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

double Rounded(double v) { return std::round(v * 10000) / 10000; }

// A uniform draw in (0, 1), from two of the source's 24-bit draws.
double Uniform(RandomSource& r) {
  for (;;) {
    const double u = static_cast<double>(r.draw()) + static_cast<double>(r.draw()) / 16777216.0;
    if (u > 0 && u < 1) return u;
  }
}

double Normal(RandomSource& r) {
  const double u1 = Uniform(r), u2 = Uniform(r);
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
}

// Gamma(a, 1) for a >= 1 (Marsaglia and Tsang).
double Gamma(RandomSource& r, double a) {
  const double d = a - 1.0 / 3.0, c = 1.0 / std::sqrt(9.0 * d);
  for (;;) {
    const double x = Normal(r);
    double v = 1.0 + c * x;
    if (v <= 0) continue;
    v = v * v * v;
    const double u = Uniform(r);
    if (u < 1.0 - 0.0331 * x * x * x * x || std::log(u) < 0.5 * x * x + d * (1.0 - v + std::log(v))) return d * v;
  }
}

double Beta(RandomSource& r, double a, double b) {
  // With one shape 1 (no failure, or nothing but failures: the common
  // cases) the inverse of the distribution function is closed.
  if (a == 1) return 1 - std::pow(Uniform(r), 1 / b);
  if (b == 1) return std::pow(Uniform(r), 1 / a);
  const double x = Gamma(r, a), y = Gamma(r, b);
  return x / (x + y);
}

}  // namespace

const char* VerdictName(Verdict v) {
  switch (v) {
    case Verdict::kPass: return "pass";
    case Verdict::kFail: return "fail";
    case Verdict::kNotRun: return "not run";
  }
  return "not run";
}

std::string FindProcedureId(std::string_view text) {
  // The "[id]" prefix of the exports' titles first, then an id anywhere.
  if (!text.empty() && text.front() == '[')
    if (const std::size_t n = IdAt(text, 1); n > 0 && 1 + n < text.size() && text[1 + n] == ']')
      return std::string(text.substr(1, n));
  for (std::size_t i = 0; i + 18 <= text.size(); ++i)
    if (const std::size_t n = IdAt(text, i)) return std::string(text.substr(i, n));
  return {};
}

std::optional<ResultFile> ParseResultFile(std::string_view text, const std::string& path, std::string* error) {
  ResultFile f;
  f.path = path;
  f.digest = FnvHex(Fnv1a(text));
  std::string_view head = text;
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  head = TrimSpace(head.substr(0, 4096));
  std::optional<ResultFile> read = !head.empty() && head.front() == '<' ? Junit(text, f, error) : Csv(text, f, error);
  if (read)
    for (ResultRecord& r : read->records) r.file = path, r.digest = read->digest;
  return read;
}

std::optional<ResultFile> ReadResultFile(const std::string& path, std::string* error) {
  const std::optional<std::string> text = ReadInputFile(path, kMaxResultBytes, error);
  if (!text) return std::nullopt;
  return ParseResultFile(*text, path, error);
}

std::optional<PlanForResults> ReadPlanForResults(const nlohmann::json& plan, std::string* error) {
  if (!plan.is_object() || plan.value("format", "") != "zov-plan" || !plan.contains("selection") ||
      !plan["selection"].is_array() || !plan.contains("procedures") || !plan["procedures"].is_array()) {
    *error = "not a plan.json of Zov Suite (its selection and procedures are missing)";
    return std::nullopt;
  }
  PlanForResults out;
  for (const auto& p : plan["procedures"])
    if (p.is_object() && p.contains("id") && p["id"].is_string()) out.ids.push_back(p["id"].get<std::string>());
  // Where each leaf lies (actor / use case / diagram), from the report.
  std::unordered_map<std::string, std::string> sections, branches;
  if (plan.contains("report") && plan["report"].contains("leaves"))
    for (const auto& l : plan["report"]["leaves"]) {
      sections.emplace(l.value("key", ""), l.value("section", ""));
      branches.emplace(l.value("key", ""), l.value("branch", ""));
    }
  // The diagrams that have a test case: the prefixes of the procedure ids.
  std::unordered_map<std::string, bool> diagrams;
  for (const std::string& id : out.ids) diagrams.emplace(id.substr(0, id.find('-')), true);
  double total = 0;
  for (const auto& s : plan["selection"]) {
    if (!s.is_object() || s.value("excluded", false)) continue;
    PlanLeaf l;
    l.key = s.value("key", "");
    l.name = s.value("name", "");
    l.weight = s.contains("weight") && s["weight"].is_number() ? s["weight"].get<double>() : 0.0;
    const std::string base = l.key.substr(0, std::min<std::size_t>(12, l.key.size()));
    if (diagrams.contains(base)) l.diagram = base;
    const std::string section = sections.count(l.key) ? sections[l.key] : std::string();
    l.actor = branches.count(l.key) ? branches[l.key] : section.substr(0, section.find(" / "));
    // "actor / use case / ... / leaf": the use case is the part before the leaf.
    const std::size_t last = section.rfind(" / ");
    const std::size_t before =
        last == std::string::npos || last == 0 ? std::string::npos : section.rfind(" / ", last - 1);
    l.useCase = last == std::string::npos     ? l.name
                : before == std::string::npos ? section.substr(0, last)
                                              : section.substr(before + 3, last - before - 3);
    total += l.weight;
    out.leaves.push_back(std::move(l));
  }
  if (total > 0)
    for (PlanLeaf& l : out.leaves) l.weight /= total;
  return out;
}

Verdicts MergeVerdicts(const PlanForResults& plan, const std::vector<ResultRecord>& records) {
  std::unordered_map<std::string, std::size_t> place;
  for (std::size_t i = 0; i < plan.ids.size(); ++i) place.emplace(plan.ids[i], i);
  std::vector<std::optional<ResultRecord>> chosen(plan.ids.size());
  Verdicts v;
  for (const ResultRecord& r : records) {
    const auto it = place.find(r.id);
    if (r.stale || it == place.end()) {
      (r.stale ? v.stale : v.unknown).push_back(r);
      continue;
    }
    std::optional<ResultRecord>& slot = chosen[it->second];
    // The latest by date where both are dated, else the later one given.
    if (!slot || !Orderable(slot->date) || !Orderable(r.date) || r.date >= slot->date) {
      slot = r;
      slot->stale = false;
    }
  }
  for (std::optional<ResultRecord>& r : chosen)
    if (r) v.known.push_back(std::move(*r));
  return v;
}

Estimate EstimateReliability(const PlanForResults& plan, const std::vector<ResultRecord>& verdicts, int draws,
                             unsigned seed) {
  Estimate e;
  // Executed procedures and failures per diagram.
  std::unordered_map<std::string, std::pair<int, int>> byDiagram;
  for (const ResultRecord& r : verdicts) {
    if (r.verdict == Verdict::kNotRun) {
      ++e.notRun;
      continue;
    }
    std::pair<int, int>& nf = byDiagram[r.id.substr(0, r.id.find('-'))];
    ++nf.first;
    if (r.verdict == Verdict::kFail) {
      ++nf.second;
      ++e.failed;
    } else {
      ++e.passed;
    }
  }
  // One posterior per test case: its showings share it.
  std::vector<std::pair<int, int>> groups;
  std::vector<std::size_t> groupOf;
  std::unordered_map<std::string, std::size_t> groupIndex;
  for (const PlanLeaf& l : plan.leaves) {
    LeafEstimate le;
    le.leaf = l;
    if (!l.diagram.empty())
      if (const auto it = byDiagram.find(l.diagram); it != byDiagram.end())
        le.executed = it->second.first, le.failures = it->second.second;
    le.p = (le.failures + 1.0) / (le.executed + 2.0);
    e.reliability += l.weight * (1 - le.p);
    if (le.executed == 0) e.untestedShare += l.weight;
    std::size_t g = groups.size();
    if (!l.diagram.empty()) {
      const auto [it, added] = groupIndex.emplace(l.diagram, groups.size());
      g = it->second;
      if (added) groups.emplace_back(le.executed, le.failures);
    } else {
      groups.emplace_back(0, 0);
    }
    groupOf.push_back(g);
    e.leaves.push_back(std::move(le));
  }
  // The 90 % lower bound: the 10 % quantile of R over posterior draws.
  if (draws > 0 && !e.leaves.empty()) {
    SeededRandom random(seed);
    std::vector<double> values(static_cast<std::size_t>(draws));
    std::vector<double> p(groups.size());
    for (double& value : values) {
      for (std::size_t g = 0; g < groups.size(); ++g)
        p[g] = Beta(random, groups[g].second + 1.0, groups[g].first - groups[g].second + 1.0);
      double r = 0;
      for (std::size_t i = 0; i < e.leaves.size(); ++i) r += e.leaves[i].leaf.weight * (1 - p[groupOf[i]]);
      value = r;
    }
    const std::size_t k = static_cast<std::size_t>(std::ceil(0.1 * draws)) - 1;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    e.lower90 = values[k];
  }
  // Per use case and per actor, in the order first met.
  const auto group = [](std::vector<GroupEstimate>& into, const std::string& name, const LeafEstimate& l) {
    auto it = std::find_if(into.begin(), into.end(), [&name](const GroupEstimate& g) { return g.name == name; });
    GroupEstimate& g = it != into.end() ? *it : into.emplace_back(GroupEstimate{name});
    g.weight += l.leaf.weight;
    g.reliability += l.leaf.weight * (1 - l.p);
    g.failureShare += l.leaf.weight * l.p;
    if (l.executed == 0) g.untested += l.leaf.weight;
  };
  for (const LeafEstimate& l : e.leaves) {
    if (l.leaf.weight <= 0) continue;  // no use: in no group
    group(e.useCases, l.leaf.actor + " / " + l.leaf.useCase, l);
    group(e.actors, l.leaf.actor, l);
  }
  for (auto* list : {&e.useCases, &e.actors})
    for (GroupEstimate& g : *list)
      if (g.weight > 0) g.reliability /= g.weight;
  return e;
}

std::string ReliabilityLine(const Estimate& e) {
  return "reliability per use: " + Round(e.reliability, 3) + " (90 % lower bound " + Round(e.lower90, 3) +
         "); untested share " + Round(e.untestedShare, 2);
}

std::string EstimateText(const Estimate& e, const Verdicts& v) {
  std::string out = ReliabilityLine(e) + "\n";
  out += "  " + std::to_string(e.passed) + " passed, " + std::to_string(e.failed) + " failed, " +
         std::to_string(e.notRun) + " not run";
  if (!v.unknown.empty()) out += "; " + std::to_string(v.unknown.size()) + " results of ids the plan does not have";
  out += "\n";
  std::vector<const LeafEstimate*> failing;
  for (const LeafEstimate& l : e.leaves)
    if (l.failures > 0) failing.push_back(&l);
  std::stable_sort(failing.begin(), failing.end(), [](const LeafEstimate* a, const LeafEstimate* b) {
    return a->leaf.weight * a->p > b->leaf.weight * b->p;
  });
  if (!failing.empty()) {
    out += "  leaves whose failures weigh most                  weight  run  failed  failure per use\n";
    for (std::size_t i = 0; i < failing.size() && i < 10; ++i) {
      const LeafEstimate& l = *failing[i];
      std::string name = l.leaf.actor + " / " + l.leaf.useCase + " / " + l.leaf.name;
      if (name.size() > 48) name = name.substr(0, 45) + "...";
      name.resize(48, ' ');
      char row[160];
      std::snprintf(row, sizeof row, "    %s %6.4f %4d %7d  %.3f\n", name.c_str(), l.leaf.weight, l.executed,
                    l.failures, l.p);
      out += row;
    }
  }
  for (const ResultRecord& r : v.unknown) out += "  not in the plan: " + r.id + " (" + r.file + ")\n";
  return out;
}

nlohmann::json ResultsJson(const std::vector<ResultFile>& files, const Verdicts& v, const Estimate& e) {
  using nlohmann::json;
  json j = {{"format", "zov-results"}, {"version", 1}};
  json fs = json::array();
  for (const ResultFile& f : files)
    fs.push_back({{"file", f.path}, {"format", f.format}, {"fnv1a64", f.digest}, {"withoutId", f.withoutId}});
  j["files"] = fs;
  const auto record = [](const ResultRecord& r) {
    return json{{"id", r.id},      {"verdict", VerdictName(r.verdict)},
                {"date", r.date},  {"note", r.note},
                {"file", r.file},  {"fnv1a64", r.digest},
                {"stale", r.stale}};
  };
  for (const auto& [name, list] :
       {std::pair{"verdicts", &v.known}, std::pair{"unknown", &v.unknown}, std::pair{"stale", &v.stale}}) {
    json records = json::array();
    for (const ResultRecord& r : *list) records.push_back(record(r));
    j[name] = records;
  }
  j["reliability"] = {{"estimate", Rounded(e.reliability)},
                      {"lower90", Rounded(e.lower90)},
                      {"untestedShare", Rounded(e.untestedShare)},
                      {"passed", e.passed},
                      {"failed", e.failed},
                      {"notRun", e.notRun}};
  json leaves = json::array();
  for (const LeafEstimate& l : e.leaves)
    leaves.push_back({{"key", l.leaf.key},
                      {"name", l.leaf.name},
                      {"actor", l.leaf.actor},
                      {"useCase", l.leaf.useCase},
                      {"weight", Rounded(l.leaf.weight)},
                      {"executed", l.executed},
                      {"failures", l.failures},
                      {"failurePerUse", Rounded(l.p)}});
  j["leaves"] = leaves;
  for (const auto& [name, list] : {std::pair{"useCases", &e.useCases}, std::pair{"actors", &e.actors}}) {
    json groups = json::array();
    for (const GroupEstimate& g : *list)
      groups.push_back({{"name", g.name},
                        {"weight", Rounded(g.weight)},
                        {"reliability", Rounded(g.reliability)},
                        {"failureShare", Rounded(g.failureShare)},
                        {"untestedShare", Rounded(g.untested)}});
    j[name] = groups;
  }
  return j;
}

std::vector<ResultRecord> RecordsOf(const nlohmann::json& results, const PlanForResults* plan) {
  std::vector<ResultRecord> out;
  if (!results.is_object()) return out;
  std::unordered_map<std::string, bool> ids;
  if (plan != nullptr)
    for (const std::string& id : plan->ids) ids.emplace(id, true);
  for (const char* list : {"stale", "verdicts", "unknown"}) {
    if (!results.contains(list) || !results[list].is_array()) continue;
    for (const auto& r : results[list]) {
      if (!r.is_object() || !r.contains("id") || !r["id"].is_string()) continue;
      ResultRecord rec;
      rec.id = r["id"].get<std::string>();
      rec.verdict = StatusWord(r.value("verdict", "")).value_or(Verdict::kNotRun);
      rec.date = r.value("date", "");
      rec.note = r.value("note", "");
      rec.file = r.value("file", "");
      rec.digest = r.value("fnv1a64", "");
      // A verdict of a procedure the plan no longer has is stale.
      rec.stale = std::string_view(list) != "unknown" &&
                  (std::string_view(list) == "stale" || (plan != nullptr && !ids.contains(rec.id)));
      out.push_back(std::move(rec));
    }
  }
  return out;
}

std::vector<ResultFile> FilesOf(const nlohmann::json& results) {
  std::vector<ResultFile> out;
  if (results.is_object() && results.contains("files") && results["files"].is_array())
    for (const auto& f : results["files"])
      if (f.is_object())
        out.push_back(
            {f.value("file", ""), f.value("format", ""), f.value("fnv1a64", ""), {}, f.value("withoutId", 0)});
  return out;
}

std::string RecordsText(const std::vector<ResultRecord>& records) {
  nlohmann::json list = nlohmann::json::array();
  for (const ResultRecord& r : records)
    list.push_back({{"id", r.id}, {"verdict", VerdictName(r.verdict)}, {"date", r.date}, {"note", r.note}});
  return list.dump();
}

std::vector<ResultRecord> RecordsFromText(const std::string& text, const std::string& file, const std::string& digest) {
  std::vector<ResultRecord> out;
  nlohmann::json list;
  try {
    list = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception&) {
    return out;
  }
  if (!list.is_array()) return out;
  for (const auto& r : list)
    if (r.is_object() && r.contains("id") && r["id"].is_string())
      out.push_back({r["id"].get<std::string>(), StatusWord(r.value("verdict", "")).value_or(Verdict::kNotRun),
                     r.value("date", ""), r.value("note", ""), file, digest, false});
  return out;
}

std::pair<int, int> RunsOf(const std::vector<ResultRecord>& verdicts, const std::string& diagram) {
  std::pair<int, int> nf;
  for (const ResultRecord& r : verdicts)
    if (r.verdict != Verdict::kNotRun && r.id.size() > diagram.size() &&
        r.id.compare(0, diagram.size(), diagram) == 0 && r.id[diagram.size()] == '-') {
      ++nf.first;
      nf.second += r.verdict == Verdict::kFail;
    }
  return nf;
}

std::string CarryResults(const std::filesystem::path& dir, const std::string& planJson, WorkFolder& staging) {
  std::string error;
  const std::optional<std::string> text = ReadInputFile(dir / kResultsFile, kMaxPlanBytes, &error);
  if (!text) return error + "; the results recorded against the earlier plan are gone";
  std::string out, warning;
  try {
    const nlohmann::json earlier = nlohmann::json::parse(*text);
    const std::optional<PlanForResults> plan = ReadPlanForResults(nlohmann::json::parse(planJson), &error);
    if (!plan) throw std::runtime_error(error);
    const Verdicts v = MergeVerdicts(*plan, RecordsOf(earlier, &*plan));
    out = ResultsJson(FilesOf(earlier), v, EstimateReliability(*plan, v.known)).dump(2) + "\n";
    if (!v.stale.empty())
      warning = (dir / kResultsFile).string() + ": " + std::to_string(v.stale.size()) +
                (v.stale.size() == 1 ? " verdict is" : " verdicts are") +
                " of procedures this plan no longer has: kept, marked stale, counted for nothing";
  } catch (const std::exception& e) {
    out = *text;
    warning = (dir / kResultsFile).string() + " is damaged (" + e.what() + "): kept as it is, not estimated again";
  }
  OutputFile file = staging.create(kResultsFile, CreatedList::kScripts, &error);
  if (!file.is_open()) return error;
  file << out;
  if (!staging.close(file, kResultsFile, &error)) return error;
  return warning;
}

}  // namespace zov
