// libFuzzer target: the text model readers (PlantUML, Mermaid, and Markdown
// holding them) on any bytes, through the XMI they become and every model
// read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/text_model_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the kind of file; the rest is its text.
  static const char* const kNames[] = {"/nonexistent-fuzz-dir/fuzz.puml", "/nonexistent-fuzz-dir/fuzz.md",
                                       "/nonexistent-fuzz-dir/fuzz.mmd"};
  const char* name = kNames[data[0] % 3];
  const std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
  zov::TextModelSource model;
  std::string error;
  const zov::Handle root = model.OpenContent(content, name, &error);
  if (!root) return 0;
  (void)model.Summarize();
  for (zov::Handle u : model.AllUseCases(root)) {
    for (zov::Handle r : model.UseCaseRelations(u)) (void)model.Name(model.SecondEnd(r));
    for (zov::Handle a : model.UseCaseAssociations(u)) (void)model.RoleNavigable(model.Role1(a));
  }
  for (zov::Handle p : model.AllPackages(root))
    for (zov::Handle s : model.ScenarioDiagrams(p)) {
      (void)model.Documentation(s);
      for (zov::Handle m : model.DiagramMessages(s)) {
        (void)model.MessageSequence(m);
        (void)model.ObjectName(model.MessageSender(m));
        const zov::Handle op = model.MessageOperation(m);
        for (zov::Handle q : model.OperationParameters(op)) (void)model.ParameterType(q);
        if (zov::Handle sm = model.ClassStateMachine(model.OperationClass(op)))
          for (zov::Handle st : model.MachineStates(sm))
            for (zov::Handle t : model.StateTransitions(st)) (void)model.Name(model.TransitionTarget(t));
      }
      for (zov::Handle v : model.DiagramViews(s))
        for (zov::Handle n : model.ViewNotes(v)) (void)model.NoteText(n);
    }
  return 0;
}
