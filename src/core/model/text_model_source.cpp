#include "model/text_model_source.h"

#include <cctype>
#include <filesystem>
#include <optional>

#include "files/input_file.h"
#include "model/diagram_reader.h"
#include "model/text_model.h"

namespace zov {

namespace {

std::string Extension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool IsMarkdown(const std::string& path) {
  const std::string ext = Extension(path);
  return ext == ".md" || ext == ".markdown";
}

bool IsMermaid(const std::string& path) {
  const std::string ext = Extension(path);
  return ext == ".mmd" || ext == ".mermaid";
}

std::string_view TrimBlank(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Reads the fenced blocks of a Markdown file marked plantuml, puml or
// mermaid; a block without a name of its own takes the nearest heading
// above it.
bool ReadMarkdown(const std::string& path, std::string_view content, text::Model& model, text::DiagramReader& reader,
                  std::string* error) {
  model.files.push_back(path);
  std::string_view rest = content;
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  std::string heading, previous;
  int number = 0, blocks = 0;
  struct Fence {
    char mark = 0;
    std::size_t length = 0;
    bool read = false, mermaid = false;
    int firstLine = 0;
    std::string text;
  } fence;
  while (!rest.empty()) {
    const std::size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view{} : rest.substr(nl + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t indent = 0;
    while (indent < line.size() && indent < 4 && line[indent] == ' ') ++indent;
    const std::string_view body = line.substr(indent);
    std::size_t run = 0;
    if (indent < 4 && !body.empty() && (body[0] == '`' || body[0] == '~'))
      while (run < body.size() && body[run] == body[0]) ++run;
    if (fence.mark != 0) {
      if (run >= fence.length && body[0] == fence.mark && TrimBlank(body.substr(run)).empty()) {
        if (fence.read) {
          ++blocks;
          if (!(fence.mermaid ? reader.readMermaid(fence.text, 0, fence.firstLine, heading, error)
                              : reader.readText(fence.text, 0, fence.firstLine, heading, error)))
            return false;
        }
        fence = Fence{};
      } else if (fence.read) {
        fence.text.append(line);
        fence.text += '\n';
      }
      continue;
    }
    if (run >= 3) {
      std::string info(TrimBlank(body.substr(run)));
      info = info.substr(0, info.find_first_of(" \t{"));
      for (char& c : info) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      fence.mark = body[0];
      fence.length = run;
      fence.mermaid = info == "mermaid";
      fence.read = info == "plantuml" || info == "puml" || fence.mermaid;
      fence.firstLine = number + 1;
      continue;
    }
    if (indent < 4 && body.starts_with("#")) {
      std::size_t level = 0;
      while (level < body.size() && body[level] == '#') ++level;
      if (level <= 6 && (level == body.size() || body[level] == ' ' || body[level] == '\t')) {
        std::string_view text = TrimBlank(body.substr(level));
        while (!text.empty() && text.back() == '#') text.remove_suffix(1);
        heading = std::string(TrimBlank(text));
      }
    } else if (indent < 4 && !body.empty() && (body[0] == '=' || body[0] == '-') &&
               TrimBlank(body).find_first_not_of(body[0]) == std::string_view::npos && !TrimBlank(previous).empty()) {
      heading = std::string(TrimBlank(previous));  // a setext heading: its text is the line above
    }
    previous = std::string(line);
  }
  if (fence.mark != 0 && fence.read) {
    if (error != nullptr)
      *error = path + ":" + std::to_string(fence.firstLine - 1) + ":1: the fenced block has no closing fence";
    return false;
  }
  if (blocks == 0) {
    if (error != nullptr)
      *error = path + ":1:1: expected a ```plantuml or ```mermaid block: the file holds no diagram to plan from";
    return false;
  }
  return true;
}

}  // namespace

bool IsTextModel(const std::string& path, std::string_view head) {
  const std::string ext = Extension(path);
  if (ext == ".puml" || ext == ".plantuml" || ext == ".pu" || ext == ".iuml" || IsMarkdown(path) || IsMermaid(path))
    return true;
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  while (!head.empty() && (head.front() == ' ' || head.front() == '\t' || head.front() == '\r' || head.front() == '\n'))
    head.remove_prefix(1);
  return head.starts_with("@startuml");
}

Handle TextModelSource::OpenModel(const std::string& path, std::string* error) {
  std::string why;
  std::optional<std::string> content;
  // The same bound as the other readers: no file makes a load run away.
  if (auto in = InputFile::Open(path, &why)) content = in->readAll(text::kMaxTextBytes + 1, &why);
  if (content && content->size() > text::kMaxTextBytes)
    why = "the file is larger than " + std::to_string(text::kMaxTextBytes) + " bytes, more than a load reads";
  if (!content || !why.empty()) {
    if (error != nullptr) *error = path + ": " + why;
    return {};
  }
  return OpenContent(*content, path, error);
}

Handle TextModelSource::OpenContent(const std::string& content, const std::string& path, std::string* error) {
  warnings_.clear();
  std::string xmi;
  {
    // The text model goes once it is written as XMI, before that is read.
    text::Model model;
    model.name = std::filesystem::path(path).stem().string();
    text::DiagramReader reader(model);
    bool read = false;
    // Markdown and Mermaid text is made valid here; PlantUML text, with the
    // files it includes, as the reader reads each file.
    if (IsMarkdown(path)) {
      read = ReadMarkdown(path, text::Utf8Text(content, path, model.warnings), model, reader, error);
    } else if (IsMermaid(path)) {
      model.files.push_back(path);
      read = reader.readMermaid(text::Utf8Text(content, path, model.warnings), 0, 1, "", error);
    } else {
      read = reader.readFile(path, content, error);
    }
    if (!read) return {};
    reader.finish();
    xmi = text::ToXmi(model);
    warnings_ = std::move(model.warnings);
  }
  const Handle h = OpenText(std::move(xmi), path, error);
  warnings_.insert(warnings_.end(), XmiModel::Warnings().begin(), XmiModel::Warnings().end());
  return h;
}

}  // namespace zov
