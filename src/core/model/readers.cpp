#include "model/readers.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "files/input_file.h"
#include "model/petal_model.h"
#include "model/text_model_source.h"
#include "model/xmi_model.h"

namespace zov {

namespace {
std::string Plural(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}
}  // namespace

std::string ModelSummary::Text() const {
  std::string text = Plural(packages, "package", "packages") + ", " + Plural(useCases, "use case", "use cases") + ", " +
                     Plural(actors, "actor", "actors") + ", " + Plural(classes, "class", "classes") + ", " +
                     Plural(useCaseDiagrams, "use-case diagram", "use-case diagrams") + ", " +
                     Plural(classDiagrams, "class diagram", "class diagrams") + ", " +
                     Plural(sequenceDiagrams + collaborationDiagrams, "scenario diagram", "scenario diagrams") + ", " +
                     Plural(messages, "message", "messages");
  if (requirements > 0 || requirementLinks > 0)
    text += ", " + Plural(requirements, "requirement", "requirements") + ", " +
            Plural(requirementLinks, "requirement link", "requirement links");
  if (useCases == 0 && sequenceDiagrams + collaborationDiagrams == 0)
    text += " (no use case and no interaction: nothing to plan)";
  return text;
}

std::unique_ptr<ModelSource> MakeModelSource() { return std::make_unique<PetalModel>(); }

std::unique_ptr<ModelSource> MakeModelSourceFor(const std::string& path) {
  // What cannot be read (or is no regular file) is left to the reader to report.
  char head[1024];
  long got = 0;
  if (auto in = InputFile::Open(path, nullptr)) got = std::max(0L, in->read(head, sizeof head));
  const std::string_view text(head, static_cast<std::size_t>(got));
  if (IsTextModel(path, text)) return std::make_unique<TextModelSource>();
  if (LooksLikeXml(text)) return std::make_unique<XmiModel>();
  // A file named as XMI that is not XML gets the XMI reader's word on it.
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".xmi" || ext == ".uml" || ext == ".xml") return std::make_unique<XmiModel>();
  return MakeModelSource();
}

}  // namespace zov
