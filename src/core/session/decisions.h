// What a tester decides while planning, in the order made: the record a
// session file keeps and replays on a fresh load of the model.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "specification/category_editors.h"

namespace zov {

// The criterion dialog's answer: a number of test procedures, or a
// functional coverage with the number of procedures wanted for it (by
// default the least number proposed; as the tester typed it, since the
// answer's text is part of what a refusal says).
struct Criterion {
  bool byNumber = true;
  int procedures = 500;
  int coverage = 100;
  std::optional<std::string> answer;
};

// Where the UIT tree takes its test cases from, and the names sessions and
// the command line give them: "all", "zov", "design", "notlinked" (any other
// name is "zov").
enum class TestCaseSource { kAllDiagrams, kZov, kDesignTree, kNotLinked };
inline const char* SourceName(TestCaseSource s) {
  switch (s) {
    case TestCaseSource::kAllDiagrams: return "all";
    case TestCaseSource::kZov: return "zov";
    case TestCaseSource::kDesignTree: return "design";
    case TestCaseSource::kNotLinked: return "notlinked";
  }
  return "zov";
}
inline TestCaseSource SourceFromName(std::string_view name) {
  for (TestCaseSource s : {TestCaseSource::kAllDiagrams, TestCaseSource::kDesignTree, TestCaseSource::kNotLinked})
    if (name == SourceName(s)) return s;
  return TestCaseSource::kZov;
}

// A category of the Test Specification tree named by what it stands for,
// not by its place in the tree: the diagram, the path, the message (its
// sequence label and name) and, for a settings category, the parameter.
struct NamedCategory {
  std::string diagram, path, label, message, parameter;
};

struct Decision {
  enum class Type {
    kWeight,           // "&Modify": node, path of names, the weight typed
    kStartStop,        // "Select ST&ART Node" or "Select ST&OP Node" on node
    kSelectLevel,      // "&Select Level" (or "&Unselect All") on node, with the criterion
    kLoadTestCases,    // a UIT loading command: source
    kPick,             // a test case picked (node), or all of them (all)
    kProcess,          // "&Processing..."
    kCategory,         // an editor opened and closed: its values, defaults, OK or Cancel
    kGenerate,         // "&All Test Cases", or "&Selected Test Cases" (testCases)
    kRemoveChoice,     // "&Remove" on a choice (index) or on all choices (-1) of a category
    kConfirmDefaults,  // every category not confirmed yet took its default values
    kStrength,         // "Coverage S&trength...": the strength (index) and whether it fills (all)
    kRequirements,     // a requirements file applied: its name (node) and its text (value)
    kResults,          // a result file read: its name (node), digest (path) and verdicts (value)
  };
  explicit Decision(Type t = Type::kProcess) : type(t) {}
  Type type;
  std::string node, path;  // a node's key and its path of names
  std::string value;       // the weight typed; the text of a test case picked
  Criterion criterion;
  TestCaseSource source = TestCaseSource::kZov;
  bool all = false;           // every test case picked (or, with unselect, unpicked)
  bool diagramsOnly = false;  // ... only the diagrams ("&Select All" takes every node)
  bool unselect = false;      // "&Unselect All" on a marked node; a test case taken back
  NamedCategory category;
  std::vector<ChosenValue> values;
  bool defaults = false;   // OK with the default values chosen
  bool cancelled = false;  // closed with Cancel
  int index = -1;          // the choice removed, -1 for all of them
  // The test cases generated (their diagrams' identifiers); none for all.
  std::vector<std::string> testCases;
};

}  // namespace zov
