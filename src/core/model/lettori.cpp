#include "model/lettori.h"

#include <fstream>

#include "model/petal_model.h"
#include "model/xmi_model.h"

namespace zov {

std::unique_ptr<ModelSource> CreaModelSource() { return std::make_unique<PetalModel>(); }

std::unique_ptr<ModelSource> CreaModelSourcePer(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[1024];
  in.read(head, sizeof head);
  if (LooksLikeXml(std::string_view(head, static_cast<std::size_t>(in.gcount())))) return std::make_unique<XmiModel>();
  return CreaModelSource();
}

}  // namespace zov
