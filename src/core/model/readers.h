// The readers behind ModelSource, chosen for a model file.
#pragma once

#include <memory>
#include <string>

#include "model/model_source.h"

namespace zov {

// A model source for a file (our petal reader).
std::unique_ptr<ModelSource> MakeModelSource();
// A model source for the file at path, chosen by its content: the XMI
// reader when it starts with an XML element, else the petal reader.
std::unique_ptr<ModelSource> MakeModelSourceFor(const std::string& path);

}  // namespace zov
