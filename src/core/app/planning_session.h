// The planning session without a window: one call for each thing a tester
// does, named as the operations of a session file (weight, startStop,
// selectLevel, loadTestCases, pick, process, category, generate,
// removeChoice), taking what the window would ask as arguments and
// returning a result (done, or refused with the message the window shows).
// The command line, the session replay and the tests drive it; for now it
// works on the window state, whose operations the window runs directly.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/decisioni.h"
#include "app/generale.h"
#include "generation/procedure.h"

namespace zov {

class PlanningSession {
 public:
  // Works on the window state g, whose working folder and busy box are set.
  explicit PlanningSession(Generale& g) : g_(g) {}

  Generale& window() { return g_; }

  // "Load MDL File" on the file path.
  Outcome openModel(const std::string& path);

  // Nodes are named by key or by the path of their names ("Customer/Pay").
  // "&Modify" with a new weight.
  Outcome weight(std::string_view node, const std::string& value);
  // "Select ST&ART Node" then "Select ST&OP Node".
  Outcome startStop(std::string_view start, std::string_view stop);
  // "&Select Level" with the criterion (or "&Unselect All" on a marked node).
  Outcome selectLevel(std::string_view node, const Criterion& criterio);

  // The UIT commands.
  Outcome loadTestCases(TestCaseSource from);
  // A test case of the UIT tree dragged onto the selected test cases.
  Outcome pick(std::string_view node);
  // Every scenario diagram of the UIT tree, as if dragged one by one (the
  // marker nodes of messages that could not be placed stay behind).
  Outcome pickAll();

  // "&Processing...".
  Outcome process();

  // "&Specifications.." on a parameter or message node of the Test
  // Specification tree; then values with their properties and if-selectors
  // (comma-separated, for parameters), or the default values; then OK or
  // Cancel. The result of opening carries any note on default values left
  // out.
  Outcome openCategory(std::string_view node);
  Outcome addValue(const std::string& value, const std::string& properties = {}, const std::string& selectors = {});
  Outcome chooseDefaults();
  Outcome confirmCategory();
  Outcome cancelCategory();
  // Every category not confirmed yet takes its default values.
  void confirmDefaults();

  // "&All Test Cases"; warn receives each conflict warning. With casi
  // (test cases named by the keys of their top nodes in the Test
  // Specification tree), "&Selected Test Cases" on those.
  RisultatoGenerazione generate(const std::function<void(const std::string&)>& warn = nullptr,
                                const std::vector<std::string>& casi = {});
  // "&Remove" on a choice of a category (or on its "Choices: " node).
  Outcome removeChoice(std::string_view node);
  // "&Remove" on a test case of the selected test cases.
  Outcome unpick(std::string_view node);

  // The documents and scripts written, in the working folder.
  std::vector<std::string> filesWritten() const;

 private:
  enum class Editor { kNone, kSettings, kInteractions };
  NodeId findNode(int tree, std::string_view node, Outcome& refused) const;
  Outcome closeEditor(bool ok);
  Generale& g_;
  Editor openEditor_ = Editor::kNone;
  NodeId openNode_ = kNoNode;
};

}  // namespace zov
