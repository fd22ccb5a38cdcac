// libFuzzer target: the petal parser and the model mapping on any bytes.
// The text is also parsed in two halves at once, which must give the
// document or the error of one parse.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "model/petal_model.h"
#include "support/petal_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string content(reinterpret_cast<const char*>(data), size);
  if (zov::test::DumpParse(content, std::numeric_limits<std::size_t>::max()) != zov::test::DumpParse(content, 0))
    __builtin_trap();
  zov::PetalModel model;
  std::string error;
  const zov::Handle root = model.OpenText(std::move(content), "/nonexistent-fuzz-dir/fuzz.mdl", &error);
  if (root) {
    // Walk what the load reads, so that every collection is touched.
    for (zov::Handle p : model.AllPackages(root))
      for (zov::Handle d : model.ClassDiagrams(p)) {
        for (zov::Handle c : model.DiagramClasses(d))
          for (int n = 1; n <= 3; ++n)
            for (zov::Handle r : model.ClassRelations(c, n)) (void)model.Name(model.SecondEnd(r));
        for (zov::Handle a : model.DiagramAssociations(d)) (void)model.RoleElement(model.Role2(a));
      }
    for (zov::Handle u : model.AllUseCases(root))
      for (zov::Handle s : model.ScenarioDiagrams(u))
        for (zov::Handle m : model.DiagramMessages(s)) {
          (void)model.ObjectName(model.MessageSender(m));
          for (zov::Handle p : model.OperationParameters(model.MessageOperation(m))) (void)model.ParameterType(p);
        }
  }
  return 0;
}
