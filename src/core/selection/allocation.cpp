#include "selection/allocation.h"

#include <cmath>
#include <limits>

#include "tree/colors.h"
#include "tree/numbers.h"
#include "tree/tag.h"
#include "ui/ui.h"

namespace zov {

namespace {

constexpr double kJustUnderHalf = 0.499999;

bool IsLeaf(const Tree& t, NodeId id) { return t.node(id).children == 0; }
bool IsExcluded(const Tree& t, NodeId id) { return t.node(id).foreColor == kExcludedFore; }

std::string Annotazione(long n) { return "  ((NTP:" + IntegerText(n) + "))"; }

bool In16(double v) {
  return v >= std::numeric_limits<std::int16_t>::min() && v <= std::numeric_limits<std::int16_t>::max();
}

// The quotient w / least as single-precision floats, then scaled.
double Quotient(float w, float least, float factor) { return static_cast<double>(w / least * factor); }

}  // namespace

void CriterionDialog::update(bool byNumber) {
  optNumTest = byNumber;
  optCoverage = !byNumber;
  NNTestEnabled = byNumber;
  PerccEnabled = !byNumber;
}

void CriterionDialog::show() {
  update(s_.byNumber);
  NNTest = IntegerText(s_.procedures);
  Percc = IntegerText(s_.coverage);
  everyPath = s_.everyPath;
  finito = false;
  tastoOK = false;
}

void CriterionDialog::chooseNumber() {
  update(true);
  s_.byNumber = true;
}

void CriterionDialog::chooseCoverage() {
  update(false);
  s_.byNumber = false;
}

std::string CriterionDialog::done() {
  bool overflowN = false, overflowP = false;
  const std::int16_t n = RoundInt16(ReadNumber(NNTest), &overflowN);
  const std::int16_t p = RoundInt16(ReadNumber(Percc), &overflowP);
  // The criterion in use must make sense; the other field only has to fit.
  if (overflowN || (optNumTest && n < 0))
    return "Number of Test Procedures: \"" + NNTest + "\" is out of range; type a number from 0 to 32767.";
  if (overflowP || (optCoverage && (p < 1 || p > 100)))
    return "Functional Coverage: \"" + Percc + "\" is out of range; type a percentage from 1 to 100.";
  s_.procedures = n;
  s_.coverage = p;
  s_.everyPath = everyPath;
  tastoOK = true;
  finito = true;
  return {};
}

void CriterionDialog::cancel() {
  tastoOK = false;
  finito = true;
}

void DistribuisciCasiTest(Tree& t, std::int16_t n) {
  for (NodeId id : t.collection()) {
    if (!IsLeaf(t, id) || IsExcluded(t, id)) continue;
    const float x = static_cast<float>(n) * LeggiTag(t.tag(id)).weight;
    t.setText(id, t.node(id).text + Annotazione(static_cast<long>(RoundHalfEven(x))));
  }
}

void AllotByUncertainty(Tree& t, std::int16_t n, const std::function<double(std::string_view key)>& uncertainty) {
  double total = 0;
  for (NodeId id : t.collection())
    if (IsLeaf(t, id) && !IsExcluded(t, id)) total += LeggiTag(t.tag(id)).weight * uncertainty(t.node(id).key);
  for (NodeId id : t.collection()) {
    if (!IsLeaf(t, id) || IsExcluded(t, id)) continue;
    const double share = total > 0 ? LeggiTag(t.tag(id)).weight * uncertainty(t.node(id).key) / total : 0.0;
    t.setText(id, t.node(id).text + Annotazione(static_cast<long>(RoundHalfEven(static_cast<float>(n * share)))));
  }
}

LeafTable FillLeafTable(const Tree& t) {
  LeafTable f;
  int i = 0;
  for (NodeId id : t.collection()) {
    ++i;
    if (!IsLeaf(t, id)) continue;
    f.weight.push_back(100.0f * LeggiTag(t.tag(id)).weight);
    f.order.push_back(i);
  }
  return f;
}

void OrdinaPesi(LeafTable& f) {
  // An exchange sort, kept as it is: among equal weights the order it
  // leaves decides which leaf a coverage threshold keeps.
  const std::size_t k = f.weight.size();
  for (std::size_t a = 0; a < k; ++a)
    for (std::size_t b = a + 1; b < k; ++b)
      if (f.weight[b] > f.weight[a]) {
        std::swap(f.weight[a], f.weight[b]);
        std::swap(f.order[a], f.order[b]);
      }
}

void TagliaCopertura(LeafTable& f, std::int16_t p) {
  float s = 0.0f;
  for (std::size_t a = 0; a < f.weight.size(); ++a) {
    if (s < static_cast<float>(p)) {
      s += f.weight[a];
    } else {
      f.order[a] = -f.order[a];
      f.weight[a] = 100.0f;
    }
  }
  for (float& w : f.weight) w /= 100.0f;
}

void CambiaColoreEsclusi(const LeafTable& f, Tree& t) {
  for (int i : f.order)
    if (i < 0) t.setForeColor(t.at(-i), kExcludedFore);
}

std::optional<float> PesoMinimo(const LeafTable& f) {
  // Leaves of weight 0 (packages) would leave no quotient to compute: they
  // do not lower the minimum. A kept leaf must be among the rest.
  bool kept = false;
  float least = 100.0f;
  for (std::size_t a = 0; a < f.weight.size(); ++a) {
    if (f.weight[a] <= 0.0f) continue;
    if (f.order[a] > 0) kept = true;
    if (f.weight[a] < least) least = f.weight[a];
  }
  if (!kept) return std::nullopt;
  return least;
}

std::optional<std::int16_t> CalcolaNecessari(float least, const Tree& t) {
  double n = 0;
  for (NodeId id : t.collection()) {
    if (!IsLeaf(t, id) || IsExcluded(t, id)) continue;
    n += std::floor(Quotient(LeggiTag(t.tag(id)).weight, least, 1.0f) + kJustUnderHalf);
  }
  if (!In16(n)) return std::nullopt;
  return static_cast<std::int16_t>(n);
}

bool DistribuisciCasiTestCoverage(Tree& t, float least, float factor) {
  std::vector<std::pair<NodeId, long>> counts;
  for (NodeId id : t.collection()) {
    if (!IsLeaf(t, id) || IsExcluded(t, id)) continue;
    const double c = std::floor(Quotient(LeggiTag(t.tag(id)).weight, least, factor) + kJustUnderHalf);
    if (!In16(c)) return false;
    counts.emplace_back(id, static_cast<long>(c));
  }
  for (const auto& [id, c] : counts) t.setText(id, t.node(id).text + Annotazione(c));
  return true;
}

std::string PrepareCoverage(Tree& t, std::int16_t p, Coverage& c) {
  LeafTable f = FillLeafTable(t);
  if (f.weight.empty()) return "The selection has no leaf to give test procedures to.";
  OrdinaPesi(f);
  TagliaCopertura(f, p);
  CambiaColoreEsclusi(f, t);
  const auto least = PesoMinimo(f);
  if (!least)
    return "A coverage of " + IntegerText(p) +
           "% keeps no leaf with a weight above 0: no test procedures were allocated.";
  const auto needed = CalcolaNecessari(*least, t);
  if (!needed)
    return "The leaves kept by a coverage of " + IntegerText(p) +
           "% need more than 32767 test procedures: no test procedures were allocated.";
  if (*needed <= 0) return "A coverage of " + IntegerText(p) + "% keeps no leaf: no test procedures were allocated.";
  c.least = *least;
  c.needed = *needed;
  return {};
}

std::string RangeProcedure(const std::string& answer) {
  return "Number of Test Procedures: \"" + answer + "\" is out of range; type a number from 0 to 32767.";
}

std::string ApplyCoverage(Tree& t, const Coverage& c, double wanted, const std::string& answer) {
  if (wanted < 0 || wanted > 32767) return RangeProcedure(answer);
  const auto factor = static_cast<float>(wanted / c.needed);
  if (!DistribuisciCasiTestCoverage(t, c.least, factor))
    return "With " + answer + " test procedures a leaf would get more than 32767: no test procedures were allocated.";
  return {};
}

std::string CasiTestCoverage(Tree& t, std::int16_t p, Asker& asker) {
  Coverage c;
  if (std::string refused = PrepareCoverage(t, p, c); !refused.empty()) return refused;
  std::optional<std::string> answer;
  double wanted = 0;
  while (true) {
    answer =
        asker.inputBox(CoverageQuestion(c), "Insert the required number of Test Procedures: ", IntegerText(c.needed));
    wanted = ReadNumber(answer ? *answer : std::string());
    if (!answer || (wanted >= 0 && wanted <= 32767)) break;
    asker.messageBox(RangeProcedure(*answer), "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
  }
  return ApplyCoverage(t, c, wanted, answer ? *answer : std::string());
}

std::string CoverageQuestion(const Coverage& c) {
  return "The minimum number of Test Procedures is " + IntegerText(c.needed);
}

std::int16_t RitornaNumeroTest(std::string_view text) {
  const std::size_t p = text.find("((");
  if (p == std::string_view::npos) return 0;
  const std::size_t q = text.find("))", p);
  if (q == std::string_view::npos || q < p + 6) return 0;
  return RoundInt16(ReadNumber(text.substr(p + 6, q - p - 6)));
}

std::int16_t LeggiNTP(std::string_view text) {
  // Positions from 1, 0 when absent, as the annotation was specified.
  const std::size_t pf = text.find("(("), qf = text.find("))");
  const long p = pf == std::string_view::npos ? 0 : static_cast<long>(pf) + 1;
  const long q = qf == std::string_view::npos ? 0 : static_cast<long>(qf) + 1;
  if (p >= q) return 0;
  const long start = p + 6, length = q - p - 6;
  if (length <= 0 || start > static_cast<long>(text.size())) return 0;
  return RoundInt16(ReadNumber(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length))));
}

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string WithoutTrailingBlanks(std::string name) {
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::string EstraiNome(std::string_view text) {
  // A text without a weight label has its name from the first character on.
  const std::size_t rf = text.empty() || text.front() != '[' ? std::string_view::npos : text.find(']');
  const std::size_t pf = text.find("((");
  const long r = rf == std::string_view::npos ? -2 : static_cast<long>(rf);
  const std::size_t start = static_cast<std::size_t>(r + 2);
  if (start >= text.size()) return {};
  const long length = static_cast<long>(pf) - static_cast<long>(start) - 1;
  if (pf == std::string_view::npos || length < 0)
    return std::string(text.substr(start));  // no annotation: the whole name
  return std::string(text.substr(start, static_cast<std::size_t>(length)));
}

std::optional<long> MinimumForEveryLeaf(const Tree& t) {
  float least = 0.0f;
  for (NodeId id : t.collection()) {
    if (!IsLeaf(t, id) || IsExcluded(t, id)) continue;
    const float w = LeggiTag(t.tag(id)).weight;
    if (w > 0.0f && (least == 0.0f || w < least)) least = w;
  }
  if (least <= 0.0f) return std::nullopt;
  // The rarest leaf decides; the rounding is the one the allocation uses.
  long n = static_cast<long>(0.5 / static_cast<double>(least));
  while (n <= 32767 && RoundHalfEven(static_cast<float>(n) * least) < 1) ++n;
  return n;
}

std::string NoProcedureWarning(const Tree& t, std::int16_t n) {
  const auto least = MinimumForEveryLeaf(t);
  if (n <= 0 || !least || CalcolaNumeroTest(t) != 0) return {};
  int leaves = 0;
  for (NodeId id : t.collection()) leaves += IsLeaf(t, id) && !IsExcluded(t, id) ? 1 : 0;
  return "No leaf gets a test procedure: " + IntegerText(n) + " test procedures shared over " + std::to_string(leaves) +
         " leaves round to 0 for each. " +
         (*least <= 32767 ? "At least " + std::to_string(*least) + " test procedures give every leaf one."
                          : std::string("No number up to 32767 gives every leaf one."));
}

long CalcolaNumeroTest(const Tree& t) {
  long total = 0;
  for (NodeId id : t.collection())
    if (IsLeaf(t, id)) total += RitornaNumeroTest(t.node(id).text);
  return total;
}

}  // namespace zov
