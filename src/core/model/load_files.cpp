#include "model/load_files.h"

#include "files/work_folder.h"

namespace zov {

void LoadFiles::clear() {
  files_.clear();
  index_.clear();
}

std::string& LoadFiles::append(std::string_view name) {
  const auto [at, fresh] = index_.try_emplace(name, files_.size());
  if (fresh) files_.emplace_back(std::string(name), std::string());
  return files_[*at].second;
}

std::string& LoadFiles::create(std::string_view name) {
  std::string& text = append(name);
  text.clear();
  return text;
}

const std::string* LoadFiles::find(std::string_view name) const {
  const std::size_t* at = index_.find(name);
  return at == nullptr ? nullptr : &files_[*at].second;
}

std::string_view LoadFiles::firstLine(std::string_view name) const {
  const std::string* text = find(name);
  if (text == nullptr) return {};
  std::string_view line(*text);
  line = line.substr(0, line.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool LoadFiles::writeTo(WorkFolder& work, std::string* error) const {
  bool all = true;
  for (const auto& [name, text] : files_) {
    std::string why;
    OutputFile out = work.create(name, CreatedList::kLoad, &why);
    if (out.is_open()) out << text;
    if (!out.is_open() || !work.close(out, name, &why)) {
      if (all && error != nullptr) *error = why;
      all = false;
    }
  }
  return all;
}

std::vector<std::string_view> LinesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace zov
