// The planning session without a window: one call for each thing a tester
// does, taking what the window would ask as arguments and returning a
// result (done, or refused with the message the window shows). The command
// line and the tests drive it; the window asks the tester and runs the same
// operations of the window state below it.
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

  Generale& stato() { return g_; }

  // "Load MDL File" on the file path.
  Outcome apriModello(const std::string& path);

  // Nodes are named by key or by the path of their names ("Customer/Pay").
  // "&Modify" with a new weight.
  Outcome impostaPeso(std::string_view node, const std::string& weight);
  // "Select ST&ART Node" then "Select ST&OP Node".
  Outcome scegliStartStop(std::string_view start, std::string_view stop);
  // "&Select Level" with the criterion (or "&Unselect All" on a marked node).
  Outcome selezionaLivello(std::string_view node, const Criterion& criterio);

  // The UIT commands.
  Outcome caricaCasiTest(TestCaseSource from);
  // A test case of the UIT tree dragged onto the selected test cases.
  Outcome scegliCasoTest(std::string_view node);
  // Every scenario diagram of the UIT tree, as if dragged one by one (the
  // marker nodes of messages that could not be placed stay behind).
  Outcome scegliTuttiICasiTest();

  // "&Processing...".
  Outcome elabora();

  // "&Specifications.." on a parameter or message node of the Test
  // Specification tree; then values with their properties and if-selectors
  // (comma-separated, for parameters), or the default values; then OK or
  // Cancel. The result of opening carries any note on default values left
  // out.
  Outcome apriCategoria(std::string_view node);
  Outcome aggiungiValore(const std::string& value, const std::string& properties = {},
                         const std::string& selectors = {});
  Outcome valoriDefault();
  Outcome confermaCategoria();
  Outcome annullaCategoria();
  // Every category not confirmed yet takes its default values.
  void confermaDefault();

  // "&All Test Cases"; warn receives each conflict warning. With casi
  // (test cases named by the keys of their top nodes in the Test
  // Specification tree), "&Selected Test Cases" on those.
  RisultatoGenerazione genera(const std::function<void(const std::string&)>& warn = nullptr,
                              const std::vector<std::string>& casi = {});
  // "&Remove" on a choice of a category (or on its "Choices: " node).
  Outcome rimuoviScelta(std::string_view node);
  // "&Remove" on a test case of the selected test cases.
  Outcome togliCasoTest(std::string_view node);

  // The documents and scripts written, in the working folder.
  std::vector<std::string> fileScritti() const;

 private:
  enum class Editor { kNessuno, kImpostazioni, kInterazioni };
  NodeId trova(int tree, std::string_view node, Outcome& refused) const;
  Outcome chiudi(bool ok);
  Generale& g_;
  Editor aperto_ = Editor::kNessuno;
  NodeId nodoAperto_ = kNoNode;
};

}  // namespace zov
