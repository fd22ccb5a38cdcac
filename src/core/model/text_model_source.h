// ModelSource over models kept as text: PlantUML files (.puml, .plantuml,
// .pu), Mermaid files (.mmd, .mermaid) and Markdown files (.md) whose
// fenced blocks hold either. The text
// is gathered into one model and read as UML 2 XMI, so that every model
// read answers as for a modelling tool's file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/xmi_model.h"

namespace zov {

// Whether a file of this name, or beginning with this text, is a model
// kept as text.
bool IsTextModel(const std::string& path, std::string_view head);

class TextModelSource : public XmiModel {
 public:
  Handle OpenModel(const std::string& path, std::string* error) override;
  // Opens text already read; path names it in messages, says its kind by
  // its extension and is where !include looks.
  Handle OpenContent(const std::string& content, const std::string& path, std::string* error);
  const std::vector<std::string>& Warnings() const override { return warnings_; }

 private:
  std::vector<std::string> warnings_;
};

}  // namespace zov
