#include "model/work_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace zov {

WorkFolder::WorkFolder(fs::path dir) : dir_(std::move(dir)) {
  std::error_code ec;
  fs::create_directories(dir_, ec);
}

std::optional<WorkFolder> WorkFolder::CreatePrivate(std::string* error) {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / "zov-suite-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) {
    if (error != nullptr)
      *error = "Cannot create a working folder in " + base.string() + ": " + std::strerror(errno);
    return std::nullopt;
  }
  WorkFolder folder{fs::path(buffer.data())};
  folder.removeWhenEmpty_ = true;
  return folder;
}

WorkFolder::WorkFolder(WorkFolder&& other) noexcept
    : dir_(std::move(other.dir_)),
      removeWhenEmpty_(other.removeWhenEmpty_),
      load_(std::move(other.load_)),
      scripts_(std::move(other.scripts_)) {
  other.removeWhenEmpty_ = false;
}

WorkFolder& WorkFolder::operator=(WorkFolder&& other) noexcept {
  if (this != &other) {
    dir_ = std::move(other.dir_);
    removeWhenEmpty_ = other.removeWhenEmpty_;
    load_ = std::move(other.load_);
    scripts_ = std::move(other.scripts_);
    other.removeWhenEmpty_ = false;
  }
  return *this;
}

WorkFolder::~WorkFolder() {
  if (!removeWhenEmpty_) return;
  std::error_code ec;
  if (fs::is_empty(dir_, ec) && !ec) fs::remove(dir_, ec);
}

std::optional<std::vector<std::string>> WorkFolder::readLines(std::string_view name) const {
  const auto path = pathOf(name);
  if (!path) return std::nullopt;
  std::ifstream in(*path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

std::optional<fs::path> WorkFolder::pathOf(std::string_view name) const {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
    return std::nullopt;
  return dir_ / fs::path(std::string(name));
}

std::vector<std::string>& WorkFolder::listOf(CreatedList list) {
  return list == CreatedList::kLoad ? load_ : scripts_;
}

const std::vector<std::string>& WorkFolder::files(CreatedList list) const {
  return list == CreatedList::kLoad ? load_ : scripts_;
}

bool WorkFolder::created(std::string_view name) const {
  auto has = [&](const std::vector<std::string>& v) {
    return std::find(v.begin(), v.end(), name) != v.end();
  };
  return has(load_) || has(scripts_);
}

bool WorkFolder::record(std::string_view name, CreatedList list) {
  if (!pathOf(name)) return false;
  if (!created(name)) listOf(list).emplace_back(name);
  return true;
}

std::ofstream WorkFolder::create(std::string_view name, CreatedList list, std::string* error,
                                 bool append) {
  std::ofstream out;
  auto path = pathOf(name);
  if (!path) {
    if (error != nullptr) *error = "\"" + std::string(name) + "\" is not a plain file name";
    return out;
  }
  std::error_code ec;
  if (fs::exists(*path, ec) && !created(name)) {
    if (error != nullptr)
      *error = path->string() + " already exists and was not written by Zov Suite; it is left alone";
    return out;
  }
  out.open(*path, append ? std::ios::out | std::ios::app : std::ios::out | std::ios::trunc);
  if (!out) {
    if (error != nullptr) *error = "Cannot write " + path->string() + ": " + std::strerror(errno);
    return out;
  }
  record(name, list);
  return out;
}

int WorkFolder::removeAll(CreatedList list) {
  // The load's files go from the last to the first and leave the list
  // empty; the documents and scripts go from the first to the last and
  // stay listed, so that "EXIT" after "&Unselect All" finds them again.
  auto& names = listOf(list);
  int removed = 0;
  std::error_code ec;
  if (list == CreatedList::kLoad) {
    for (auto it = names.rbegin(); it != names.rend(); ++it)
      if (auto path = pathOf(*it); path && fs::remove(*path, ec)) ++removed;
    names.clear();
  } else {
    for (const auto& name : names)
      if (auto path = pathOf(name); path && fs::remove(*path, ec)) ++removed;
  }
  return removed;
}

bool WorkFolder::removeFile(std::string_view name) {
  for (auto* names : {&load_, &scripts_}) {
    auto it = std::find(names->begin(), names->end(), name);
    if (it == names->end()) continue;
    names->erase(it);
    std::error_code ec;
    auto path = pathOf(name);
    return path && fs::remove(*path, ec);
  }
  return false;
}

int RimuoveFileCreati(WorkFolder& folder) { return folder.removeAll(CreatedList::kLoad); }
int RimuoveFileCreatiUIT(WorkFolder& folder) { return folder.removeAll(CreatedList::kScripts); }

}  // namespace zov
