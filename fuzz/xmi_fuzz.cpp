// libFuzzer target: the XMI reader (pugixml and the model mapping) on any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/xmi_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string content(reinterpret_cast<const char*>(data), size);
  zov::XmiModel model;
  std::string error;
  const zov::Handle root = model.OpenText(std::move(content), "/nonexistent-fuzz-dir/fuzz.xmi", &error);
  if (root) {
    (void)model.Summarize();
    for (zov::Handle p : model.AllPackages(root)) {
      for (zov::Handle d : model.ClassDiagrams(p)) {
        for (zov::Handle c : model.DiagramClasses(d)) {
          for (int n = 1; n <= 3; ++n)
            for (zov::Handle r : model.ClassRelations(c, n)) (void)model.Name(model.SecondEnd(r));
          if (zov::Handle sm = model.ClassStateMachine(c))
            for (zov::Handle s : model.MachineStates(sm))
              for (zov::Handle t : model.StateTransitions(s)) (void)model.Name(model.TransitionTarget(t));
        }
        for (zov::Handle a : model.DiagramAssociations(d)) (void)model.RoleElement(model.Role2(a));
        for (zov::Handle u : model.DiagramUseCases(d))
          for (zov::Handle r : model.UseCaseRelations(u)) (void)model.Name(model.SecondEnd(r));
      }
      for (zov::Handle s : model.ScenarioDiagrams(p)) {
        for (zov::Handle m : model.DiagramMessages(s)) {
          (void)model.ObjectName(model.MessageSender(m));
          for (zov::Handle q : model.OperationParameters(model.MessageOperation(m))) (void)model.ParameterType(q);
        }
        for (zov::Handle v : model.DiagramViews(s))
          for (zov::Handle n : model.ViewNotes(v)) (void)model.NoteText(n);
      }
    }
  }
  return 0;
}
