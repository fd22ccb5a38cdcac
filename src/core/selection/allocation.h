// Sharing test procedures over the leaves of the selection tree: a fixed
// number in proportion to the leaf weights, or "Functional Coverage", which
// keeps the most used leaves up to a percentage and gives the rarest kept
// leaf at least one procedure. Each leaf's count is written into its text
// as "  ((NTP:" n "))".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tree/tree.h"

namespace zov {

class Asker;

// The settings the criterion dialog edits; they last while the program runs.
struct CriterionSettings {
  std::int16_t procedures = 500;  // number of test procedures
  std::int16_t coverage = 100;    // coverage percentage
  bool byNumber = true;           // the criterion: by number, or by coverage
  // A path whose categories have no choices still gets one procedure, its
  // messages with nothing to choose.
  bool everyPath = false;
};

// The criterion dialog "Select Test Case criterion". The front end shows
// its fields, lets the tester choose and type, and calls done() or cancel().
class CriterionDialog {
 public:
  static constexpr const char* kCaption = "Select Test Case criterion";

  explicit CriterionDialog(CriterionSettings& settings) : s_(settings) {}
  // Fills the fields from the settings.
  void show();
  void chooseNumber();    // the option "Number of Test Procedures"
  void chooseCoverage();  // the option "Functional Coverage"
  // "Done": keeps the number and the percentage. A value outside the
  // 16-bit range is refused: the result is the message to show, and the
  // dialog stays open. Empty when the dialog closed.
  std::string done();
  void cancel();

  // Fields as shown.
  bool optNumTest = true;
  bool optCoverage = false;
  std::string NNTest;
  std::string Percc;
  bool NNTestEnabled = true;
  bool PerccEnabled = false;
  bool everyPath = false;  // "Every path at least once"

  bool finito = false;
  bool tastoOK = false;

 private:
  void update(bool byNumber);
  CriterionSettings& s_;
};

// By number: every leaf not painted red gets round(N x weight).
void DistribuisciCasiTest(Tree& t, std::int16_t n);
// By number, focused: every leaf not painted red gets round(N x weight x
// u / sum of weight x u), u what its results leave uncertain (by its key).
void AllotByUncertainty(Tree& t, std::int16_t n, const std::function<double(std::string_view key)>& uncertainty);

// The leaf table of a coverage run, sorted, cut and with the kept leaves'
// minimum weight; exposed for the tests.
struct LeafTable {
  std::vector<float> weight;  // percentage, then share after the cut
  std::vector<int> order;     // collection position; negative when excluded
};
LeafTable FillLeafTable(const Tree& t);
void OrdinaPesi(LeafTable& f);
void TagliaCopertura(LeafTable& f, std::int16_t p);
void CambiaColoreEsclusi(const LeafTable& f, Tree& t);
// The smallest weight of a kept leaf above 0; nothing when there is none.
std::optional<float> PesoMinimo(const LeafTable& f);
// The least number of procedures that gives the rarest kept leaf one.
// Nothing when the sum leaves the 16-bit range.
std::optional<std::int16_t> CalcolaNecessari(float least, const Tree& t);
// Writes floor(weight / least x factor + 0.499999) on every kept leaf.
// False, writing nothing, when a count leaves the 16-bit range.
bool DistribuisciCasiTestCoverage(Tree& t, float least, float factor);

// By coverage, in two steps around the question to the tester: the cut at
// p percent with the least number of procedures that gives the rarest kept
// leaf one, then the allocation of the number wanted. Each returns empty on
// success, else the message saying why nothing was allocated.
struct Coverage {
  float least = 0;          // the weight of the rarest kept leaf
  std::int16_t needed = 0;  // the least number of procedures
};
std::string PrepareCoverage(Tree& t, std::int16_t p, Coverage& c);
// The question: "The minimum number of Test Procedures is " n.
std::string CoverageQuestion(const Coverage& c);
// answer is the text the number was read from, for the messages.
std::string ApplyCoverage(Tree& t, const Coverage& c, double wanted, const std::string& answer);
// Both steps, asking the tester (again while the number is out of range).
std::string CasiTestCoverage(Tree& t, std::int16_t p, Asker& asker);

// The least number of test procedures that gives every kept leaf with a
// weight above 0 at least one; nothing when no leaf has such a weight.
// Above 32767 when no 16-bit number does.
std::optional<long> MinimumForEveryLeaf(const Tree& t);
// After n procedures were shared by number: the message saying that no
// leaf got one, with the least number that would give each leaf one;
// empty when some leaf got a procedure (or n is 0).
std::string NoProcedureWarning(const Tree& t, std::int16_t n);

// The sum of the annotations of all leaves.
long CalcolaNumeroTest(const Tree& t);

// n of an annotated text "...((NTP:" n "))"; 0 without an annotation.
std::int16_t RitornaNumeroTest(std::string_view text);
std::int16_t LeggiNTP(std::string_view text);
// The name of an annotated leaf text: what lies between the label and the
// annotation, with one blank after the name.
std::string EstraiNome(std::string_view text);
// A name without the blanks EstraiNome leaves after it, for messages and exports.
std::string WithoutTrailingBlanks(std::string name);
// The text without the blanks (spaces, tabs) around it.
std::string Trimmed(std::string_view text);

}  // namespace zov
