// The plan report: where the procedures the selection allotted went. For
// every leaf of the selection the procedures it was given and what came of
// them; for every test case and each of its paths the procedures allotted,
// the combinations its choices allow, the procedures written, the
// insignificant and repeated ones, and why fewer were written than
// allotted. Made by the planning session after each generation, so that the
// window, "zov plan" and plan.json show the same figures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "generation/procedures.h"

namespace zov {

class PlanningSession;

struct PlanReport {
  struct Path {
    std::string name;
    long allotted = 0;
    std::int64_t combinations = 0;  // 0: no category on the path; -1: past the cap
    long generated = 0;             // written, valid or not
    long insignificant = 0;
    long duplicates = 0;
    int strength = 0;                   // asked for; 0: random
    long needed = 0;                    // procedures the strength needs (-1: too many tuples, and no construction fits)
    long raised = 0;                    // added to the allotment for the strength
    TupleCoverage each, pairs, tuples;  // choices, pairs and the strength's tuples covered
    long earlier = 0, kept = 0;         // the earlier plan's procedures of the path, and those kept
    long negative = 0;                  // one per invalid value, beyond the others
    long regression = 0;                // added to the allotment for failed procedures planned again
    std::string reason;                 // why fewer useful procedures than allotted, or the strength's shortfall
    long useful() const { return generated - insignificant - duplicates; }

    bool operator==(const Path&) const = default;
  };
  struct TestCase {
    int number = 0;       // SD<number>
    std::string name;     // the diagram's name
    std::string diagram;  // its 12-character identifier
    long allotted = 0;
    long generated = 0, insignificant = 0, duplicates = 0;
    std::string reason;  // for the test case as a whole (no path)
    std::vector<Path> paths;
    long useful() const { return generated - insignificant - duplicates; }

    bool operator==(const TestCase&) const = default;
  };
  // A leaf of the selection tree that was given procedures.
  struct Leaf {
    std::string branch;  // the top node of its branch (an actor)
    std::string name, key;
    std::string section;  // "actor / use case / diagram": where it lies in the selection
    long allotted = 0;
    long generated = 0;  // the useful procedures of the test case it became
    int testCase = 0;    // that test case's number, 0 if none
    std::string reason;  // why it gave fewer than allotted

    bool operator==(const Leaf&) const = default;
  };
  struct Branch {
    std::string name;
    long allotted = 0, generated = 0;

    bool operator==(const Branch&) const = default;
  };

  std::string weightsSum;  // "Leaves weights sum: ..."
  unsigned seed = 0;
  int strength = 0;    // what each path covered first; 0: random
  bool fills = false;  // the strength raised a path's allotment to what it needs
  std::vector<Branch> branches;
  std::vector<Leaf> leaves;
  std::vector<TestCase> testCases;
  long allotted = 0;  // by the selection (the sum over its leaves)
  long negative = 0;  // negative procedures, apart from those
  long generated = 0, insignificant = 0, duplicates = 0;
  // What became of an earlier plan's procedures (zov plan --keep).
  struct Kept {
    std::string file;
    long earlier = 0;  // its procedures
    long kept = 0;     // still valid, kept with their ids
    long dropped = 0;  // no longer valid, or no room for them
    long added = 0;    // procedures written that are new

    bool operator==(const Kept&) const = default;
  };
  std::optional<Kept> kept;
  // What stands in the way of a useful plan, each naming what to change.
  std::vector<std::string> warnings;
  // The allotment by results (zov plan --focus): per leaf its weight, runs,
  // failures and share of the budget; empty without.
  std::string focus;
  long regression = 0;  // failed procedures planned again beyond the allotment
  // The traceability matrix as text (see Traceability::text); empty for a
  // model without requirements.
  std::string traceability;

  long useful() const { return generated - insignificant - duplicates; }
  // Fewer useful procedures than the selection allotted.
  bool gap() const { return useful() < allotted; }
  // The report as a short table, for a dialog: the first rows of each
  // part; every row with all (report.txt).
  std::string text(bool all = false) const;
  // Its first lines, for a terminal: the totals, the seed, the weights and
  // the branches.
  std::string head(bool all = false) const;
  // "seed S; repeat with --seed S".
  std::string seedLine() const;

  bool operator==(const PlanReport&) const = default;
};

// The report of the last generation of s.
PlanReport MakePlanReport(const PlanningSession& s, const GenerationResult& g);

// What a plan was made with, to make it again: the program, the seed and
// the model file (its name, size and 64-bit FNV-1a hash).
struct Provenance {
  std::string program;  // "zov (Zov Suite) 0.2.0"
  unsigned seed = 0;
  std::string model;  // the file's name
  std::uintmax_t size = 0;
  std::string hash;  // 16 hexadecimal digits; empty when the file cannot be read
  // "program ...", "seed ...", "model SIZE HASH NAME", for a folder's manifest.
  std::vector<std::string> lines() const;
};
Provenance ProvenanceOf(const PlanningSession& s);

}  // namespace zov
