// "&All Test Cases": the test procedures of every test case, category-
// partition style. Each category of a path (a message's own choices, or the
// choices of one of its parameters) gives one digit of a combination
// number; the allotted number of combinations is drawn in random order
// without repetition, and a property that contradicts an if-selector of the
// same procedure marks it as insignificant. One script file per test case.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "generation/strength.h"
#include "generation/test_case_table.h"

namespace zov {

class RandomSource;
class WorkFolder;

struct CategoryRef {
  int message = 0;
  bool own = false;
  bool attribute = false;
  int attr = 0;
  int choices = 0;
};

// The most combinations a path's random order lists one by one; a path
// with more draws its combinations at random, distinct, without listing
// them, so that no path has a cap.
inline constexpr std::int64_t kMaxCombinations = 10'000'000;

struct CategoryList {
  std::vector<CategoryRef> list;
  std::int64_t T = 1;         // the number of combinations
  bool troppe = false;        // more than a 64-bit number holds (T is then not exact)
  std::vector<int> messages;  // the path's message records, in order
  bool listed() const { return !troppe && T <= kMaxCombinations; }
};
// The number of combinations in decimal, however many there are.
std::string CombinationCount(const CategoryList& cat);
// The categories of messages k to j of a test case, in order.
CategoryList BuildCategories(const TestCaseRecord& r, std::size_t k, std::size_t j);

// The choice index of category c in combination n (category 0 is the most
// significant digit).
int ChoiceDigit(std::int64_t n, std::size_t c, const CategoryList& cat);

// 0 .. T-1 in a random cyclic order (Sattolo's shuffle).
std::vector<std::int64_t> ShuffleCombinations(std::int64_t T, RandomSource& random);

// A generated test procedure as data, for the exports: one step per
// category, with the properties and if-selectors written for its value.
struct ProcedureStep {
  std::string message, category, value;
  RareList properties, selectors;
  int messageIndex = -1;  // the message's record in its test case
  bool operator==(const ProcedureStep&) const = default;
};
struct GeneratedProcedure {
  int testCase = 0;
  std::string path;
  long number = 0;  // as the script numbers it; an insignificant one shares the next one's
  long place = 0;   // its place in the path, the last part of its id (kept from an earlier plan)
  bool significant = true;
  std::vector<ProcedureStep> steps;
  // A negative procedure: the category and the invalid value it tries,
  // without the mark ("amount = -5"); empty for the others.
  std::string invalid;
  int invalidStep = -1;  // the step that holds it
  bool operator==(const GeneratedProcedure&) const = default;
};
using ProcedureSink = std::function<void(const GeneratedProcedure&)>;

// A procedure of an earlier plan, kept where it is still valid: the same
// categories of the same path, each of its values still a choice.
struct EarlierProcedure {
  long place = 0;  // the last part of its id
  bool significant = true;
  struct Step {
    std::string message, category, value;
  };
  std::vector<Step> steps;
  // A failed procedure planned again (a regression run): kept whatever the
  // path's allotment, which grows to hold it.
  bool regression = false;
};

// Writes the lines of one path block to out as they are made: summary or
// warnings, then the procedures. warn receives the conflict warnings;
// collect, when given, each procedure as data. Returns what was written.
struct PathCount {
  long allotted = 0;                  // the procedures the path was given
  std::int64_t combinations = 0;      // what its choices allow; 0 without a category, -1 past 64 bits
  long procedures = 0;                // procedures written, valid or not
  long insignificant = 0;             // of which marked "Conflicting values choices"
  long duplicates = 0;                // significant ones whose values repeat an earlier one's (equal choices)
  int strength = 0;                   // the strength asked for (0: random)
  long needed = 0;                    // procedures the strength needs; -1: too many tuples, and no construction fits
  long raised = 0;                    // procedures added to the allotment for the strength (fills)
  TupleCoverage each, pairs, tuples;  // choices, pairs and t-tuples the significant ones cover
  long earlier = 0;                   // procedures of the path in the earlier plan kept from
  long kept = 0;                      // of which kept, with their places
  long lastPlace = 0;                 // the highest place given
  long negative = 0;                  // negative procedures, one per invalid value, beyond the others
  long regression = 0;                // procedures added to the allotment for failed ones planned again
};
// Whether the procedure of the combination with these choice digits (-1:
// category left out, for a tuple) is significant: no property of a choice
// contradicts an if-selector of another, checked as the script's row is made.
bool SignificantDigits(const TestCaseRecord& r, const CategoryList& cat, const std::vector<int>& digits);
PathCount GeneratePath(const TestCaseRecord& r, const CategoryList& cat, int testCase, const std::string& pathName,
                       std::int64_t n, RandomSource& random, const std::function<void(const std::string&)>& warn,
                       std::ostream& out, const ProcedureSink& collect = nullptr, const Strength& strength = {},
                       const std::vector<EarlierProcedure>* earlier = nullptr, bool everyPath = false);

// The script file of test case i: "TestScript" i ".txt".
std::string ScriptName(int i);

// The whole command: one "TestScript" i ".txt" per test case. progress gets
// (test case, count); warn the conflict warnings. Returns the files written.
// What one path of a test case came to.
struct PathOutcome {
  int testCase = 0;
  std::string path;
  PathCount count;
};
struct GenerationResult {
  std::vector<std::string> files;
  std::vector<int> testCases;         // the test cases generated, in order
  std::vector<PathOutcome> outcomes;  // their paths, in order
  long procedures = 0;                // procedures written, valid or not
  long insignificant = 0;             // of which marked "Conflicting values choices"
  long negative = 0;                  // negative procedures, apart from those
  int paths = 0;
  int failed = 0;  // script files that could not be written
};
// What the generation works with and reports to.
struct GenerationContext {
  const TestCaseTable& table;
  WorkFolder& work;                              // where the scripts go
  RandomSource& random;                          // the shuffles
  std::function<void(std::string_view)> status;  // the busy box's text
  std::function<void(const std::string&)> warn;  // a script that could not be written
  ProcedureSink collect;                         // each procedure as data, when given
  // Whether test case i gets its script; every one when not given. The
  // script of one left out goes, so no script of an earlier run is shown
  // as if it were of this one.
  std::function<bool(int)> chosen;
  std::function<void(int, int)> progress;  // test cases done of all
  Strength strength;                       // what each path's procedures cover first
  // The random stream of one path (test case, path name); when not given,
  // every path draws from `random` in turn.
  std::function<std::unique_ptr<RandomSource>(int, const std::string&)> pathRandom;
  // The procedures an earlier plan gave the path (test case, path name),
  // kept where still valid; nullptr for none.
  std::function<const std::vector<EarlierProcedure>*(int, const std::string&)> earlier;
  // A path without a category with choices gets one procedure of its
  // messages instead of none.
  bool everyPath = false;
};
GenerationResult GenerateTestProcedures(const GenerationContext& g,
                                        const std::function<void(const std::string&)>& warn);

}  // namespace zov
