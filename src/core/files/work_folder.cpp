#include "files/work_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/input_file.h"
#include "model/fnv.h"

namespace fs = std::filesystem;

namespace zov {

namespace {

// The table's own view type, which its string hash takes.
absl::string_view Key(std::string_view name) { return {name.data(), name.size()}; }

}  // namespace

WorkFolder::WorkFolder(fs::path dir) : dir_(std::move(dir)) {
  std::error_code ec;
  if (!dir_.empty()) fs::create_directories(dir_, ec);
}

std::optional<WorkFolder> WorkFolder::CreatePrivate(std::string* error) {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / "zov-suite-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) {
    if (error != nullptr) *error = "Cannot create a working folder in " + base.string() + ": " + std::strerror(errno);
    return std::nullopt;
  }
  WorkFolder folder{fs::path(buffer.data())};
  folder.removeWhenEmpty_ = true;
  return folder;
}

std::optional<WorkFolder> WorkFolder::CreateFresh(const fs::path& dir, std::string* error) {
  if (::mkdir(dir.c_str(), 0700) != 0) {
    if (error != nullptr) *error = "Cannot create the folder " + dir.string() + ": " + std::strerror(errno);
    return std::nullopt;
  }
  return WorkFolder{dir};
}

WorkFolder WorkFolder::InMemory() {
  WorkFolder folder{fs::path()};
  folder.inMemory_ = true;
  return folder;
}

WorkFolder::WorkFolder(WorkFolder&& other) noexcept
    : dir_(std::move(other.dir_)),
      removeWhenEmpty_(other.removeWhenEmpty_),
      inMemory_(other.inMemory_),
      memory_(std::move(other.memory_)),
      load_(std::move(other.load_)),
      scripts_(std::move(other.scripts_)),
      files_(std::move(other.files_)),
      errors_(std::move(other.errors_)),
      baseline_(std::move(other.baseline_)),
      baselinePrints_(std::move(other.baselinePrints_)) {
  other.removeWhenEmpty_ = false;
}

WorkFolder& WorkFolder::operator=(WorkFolder&& other) noexcept {
  if (this != &other) {
    dir_ = std::move(other.dir_);
    removeWhenEmpty_ = other.removeWhenEmpty_;
    inMemory_ = other.inMemory_;
    memory_ = std::move(other.memory_);
    load_ = std::move(other.load_);
    scripts_ = std::move(other.scripts_);
    files_ = std::move(other.files_);
    errors_ = std::move(other.errors_);
    baseline_ = std::move(other.baseline_);
    baselinePrints_ = std::move(other.baselinePrints_);
    other.removeWhenEmpty_ = false;
  }
  return *this;
}

WorkFolder::~WorkFolder() {
  if (!removeWhenEmpty_) return;
  // A private folder belongs to this run alone: what the run wrote goes with it.
  removeAll(CreatedList::kLoad);
  removeAll(CreatedList::kScripts);
  std::error_code ec;
  if (fs::is_empty(dir_, ec) && !ec) fs::remove(dir_, ec);
}

void FilePrints::reserve(std::size_t files, std::size_t bytes) {
  entries_.reserve(files);
  text_.reserve(bytes);
}

void FilePrints::add(std::string_view name, const FileDigest& print) {
  entries_.push_back({static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(name.size()), print});
  text_.append(name);
}

void FilePrints::finish() {
  // By name, and of equal names the first added first: it stays, the rest go.
  std::sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
    const int order = nameOf(a).compare(nameOf(b));
    return order != 0 ? order < 0 : a.at < b.at;
  });
  entries_.erase(std::unique(entries_.begin(), entries_.end(),
                             [this](const Entry& a, const Entry& b) { return nameOf(a) == nameOf(b); }),
                 entries_.end());
  entries_.shrink_to_fit();
}

const FileDigest* FilePrints::find(std::string_view name) const {
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), name,
                                   [this](const Entry& e, std::string_view n) { return nameOf(e) < n; });
  return it != entries_.end() && nameOf(*it) == name ? &it->print : nullptr;
}

std::vector<std::string_view> FilePrints::names() const {
  std::vector<const Entry*> order;
  order.reserve(entries_.size());
  for (const Entry& e : entries_) order.push_back(&e);
  std::sort(order.begin(), order.end(), [](const Entry* a, const Entry* b) { return a->at < b->at; });
  std::vector<std::string_view> out;
  out.reserve(order.size());
  for (const Entry* e : order) out.push_back(nameOf(*e));
  return out;
}

void WorkFolder::compareWith(fs::path dir, std::shared_ptr<const FilePrints> prints) {
  baseline_ = std::move(dir);
  baselinePrints_ = std::move(prints);
}

std::optional<std::vector<std::string>> WorkFolder::readLines(std::string_view name) const {
  auto path = pathOf(name);
  if (path && unchanged(name)) path = baseline_ / path->filename();
  if (!path) return std::nullopt;
  std::vector<std::string> lines;
  const auto add = [&lines](std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  };
  if (inMemory_) {
    const auto it = memory_.find(std::string(name));
    if (it == memory_.end()) return std::nullopt;
    const std::string& text = it->second;
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      add(text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }
  std::ifstream in(*path, std::ios::binary);
  if (!in) return std::nullopt;
  for (std::string line; std::getline(in, line);) add(std::move(line));
  return lines;
}

const WorkFolder::FileState* WorkFolder::stateOf(std::string_view name) const {
  const auto it = files_.find(Key(name));
  return it == files_.end() ? nullptr : &it->second;
}

std::optional<FileDigest> WorkFolder::fingerprint(std::string_view name) const {
  const FileState* f = stateOf(name);
  return f == nullptr ? std::nullopt : f->print;
}

std::optional<fs::path> WorkFolder::pathOf(std::string_view name) const {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos) return std::nullopt;
  return dir_ / fs::path(std::string(name));
}

std::vector<std::string_view>& WorkFolder::listOf(CreatedList list) {
  return list == CreatedList::kLoad ? load_ : scripts_;
}

const std::vector<std::string_view>& WorkFolder::files(CreatedList list) const {
  return list == CreatedList::kLoad ? load_ : scripts_;
}

bool WorkFolder::created(std::string_view name) const {
  const FileState* f = stateOf(name);
  return f != nullptr && f->listed;
}

bool WorkFolder::written(std::string_view name) const {
  const FileState* f = stateOf(name);
  return f != nullptr && f->written;
}

bool WorkFolder::unchanged(std::string_view name) const {
  const FileState* f = stateOf(name);
  return f != nullptr && f->unchanged;
}

bool WorkFolder::close(OutputFile& out, std::string_view name, std::string* error) {
  const bool open = out.is_open();
  if (out.close()) {
    FileState& f = files_[std::string(name)];
    f.print = out.fingerprint();
    if (out.unchanged()) f.unchanged = true;
    return true;
  }
  const int why = open ? out.error() : errno;
  const auto path = pathOf(name);
  std::string text = "Cannot write " + (path ? path->string() : std::string(name)) + ": " +
                     (why != 0 ? std::strerror(why) : "the write failed");
  errors_.push_back(text);
  if (error != nullptr) *error = std::move(text);
  return false;
}

bool WorkFolder::record(std::string_view name, CreatedList list, std::optional<FileDigest> print) {
  if (!pathOf(name)) return false;
  auto it = files_.find(Key(name));
  if (it == files_.end()) it = files_.try_emplace(std::string(name)).first;
  FileState& f = it->second;
  if (!f.listed) {
    f.listed = true;
    listOf(list).emplace_back(it->first);
  }
  if (print) f.print = *print;
  return true;
}

namespace {
// A new regular file at path, never a link followed: its descriptor, or -1
// with errno.
int CreateNoFollow(const fs::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}
}  // namespace

OutputFile OpenNoFollow(const fs::path& path, std::string* error) {
  const int fd = CreateNoFollow(path);
  if (fd < 0) {
    const int why = errno;
    if (error != nullptr)
      *error = why == ELOOP || why == EEXIST ? path.string() + " is a link or already exists; it is left alone"
                                             : "Cannot write " + path.string() + ": " + std::strerror(why);
    errno = why;  // for the caller, which may say it otherwise
    return OutputFile();
  }
  // O_EXCL made a new regular file: nothing was there to follow.
  return OutputFile::OnDescriptor(fd);
}

OutputFile WorkFolder::OpenOrCompare(const fs::path& path, std::string* error) {
  if (baselinePrints_ == nullptr) return OpenNoFollow(path, error);
  const FileDigest* print = baselinePrints_->find(path.filename().string());
  if (print == nullptr) return OpenNoFollow(path, error);
  const int base = ::open((baseline_ / path.filename()).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  struct stat st {};
  if (base >= 0 && ::fstat(base, &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<std::uintmax_t>(st.st_size) == print->size)
    return OutputFile::Comparing(base, print->size, [path] { return CreateNoFollow(path); });
  if (base >= 0) ::close(base);
  return OpenNoFollow(path, error);
}

OutputFile WorkFolder::create(std::string_view name, CreatedList list, std::string* error) {
  // A file that cannot be made is a write that failed too.
  std::string why;
  OutputFile out = open(name, list, &why);
  if (!out.is_open()) {
    errors_.push_back(why);
    if (error != nullptr) *error = std::move(why);
  }
  return out;
}

OutputFile WorkFolder::open(std::string_view name, CreatedList list, std::string* error) {
  auto path = pathOf(name);
  if (!path) {
    if (error != nullptr) *error = "\"" + std::string(name) + "\" is not a plain file name";
    return OutputFile();
  }
  const auto foreign = [&] {
    if (error != nullptr)
      *error = path->string() + " already exists and was not written by Zov Suite; it is left alone";
    return OutputFile();
  };
  if (!inMemory_ && created(name)) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(*path, ec);
    if (fs::is_symlink(status)) return foreign();
    // Our own file: removed and made anew.
    if (fs::exists(status) && !fs::remove(*path, ec)) {
      if (error != nullptr) *error = "Cannot replace " + path->string() + ": " + ec.message();
      return OutputFile();
    }
  }
  if (const auto known = files_.find(Key(name)); known != files_.end()) {
    known->second.print.reset();
    known->second.unchanged = false;
  }
  // A name the program never wrote is made only when nothing is there.
  OutputFile out = inMemory_ ? OutputFile::InMemory(&memory_[std::string(name)]) : OpenOrCompare(*path, error);
  if (!out.is_open()) {
    if (!inMemory_ && (errno == EEXIST || errno == ELOOP)) return foreign();
    return out;
  }
  if (FileState& f = files_[std::string(name)]; !f.written) {
    // Written for the first time in this run: on the list it is written for
    // now, whichever list took it over from an earlier run.
    if (f.listed) {
      f.listed = false;
      for (auto* names : {&load_, &scripts_})
        names->erase(std::remove(names->begin(), names->end(), name), names->end());
    }
    f.written = true;
  }
  record(name, list);
  return out;
}

bool WorkFolder::removeOne(std::string_view name) {
  if (const auto known = files_.find(Key(name)); known != files_.end()) known->second.print.reset();
  if (inMemory_) return memory_.erase(std::string(name)) != 0;
  std::error_code ec;
  const auto path = pathOf(name);
  return path && fs::remove(*path, ec);
}

int WorkFolder::removeAll(CreatedList list) {
  // The load's files go from the last to the first and leave the list
  // empty; the documents and scripts go from the first to the last and
  // stay listed, so that "EXIT" after "&Unselect All" finds them again.
  auto& names = listOf(list);
  int removed = 0;
  if (list == CreatedList::kLoad) {
    for (auto it = names.rbegin(); it != names.rend(); ++it) removed += removeOne(*it) ? 1 : 0;
    for (const auto& name : names)
      if (const auto known = files_.find(Key(name)); known != files_.end()) known->second.listed = false;
    names.clear();
  } else {
    for (const auto& name : names) removed += removeOne(name) ? 1 : 0;
  }
  return removed;
}

bool WorkFolder::removeFile(std::string_view name) {
  for (auto* names : {&load_, &scripts_}) {
    auto it = std::find(names->begin(), names->end(), name);
    if (it == names->end()) continue;
    names->erase(it);
    if (const auto known = files_.find(Key(name)); known != files_.end()) known->second.listed = false;
    return removeOne(name);
  }
  return false;
}

namespace {

constexpr std::string_view kManifestHeader = "zov-plan 2";

}  // namespace

std::optional<FileDigest> FingerprintOf(const fs::path& path) {
  auto file = InputFile::Open(path, nullptr, InputFile::Links::kRefuse);
  const auto print = file ? file->fingerprint() : std::nullopt;
  return print ? std::optional<FileDigest>(FileDigest{print->first, print->second}) : std::nullopt;
}

std::string DigestText(const FileDigest& print) { return std::to_string(print.size) + " " + FnvHex(print.hash); }

bool AdoptFolder(WorkFolder& work, std::string* error) {
  const fs::path manifest = work.dir() / kManifestName;
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why + "; nothing was touched: empty the folder or choose another";
    return false;
  };
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(manifest, ec);
  if (status.type() == fs::file_type::not_found) return true;
  if (status.type() != fs::file_type::regular)
    return fail(manifest.string() + " is a link or not a regular file, so not a list Zov Suite wrote");
  // Read without following a link planted since.
  std::string why;
  auto file = InputFile::Open(manifest, &why, InputFile::Links::kRefuse);
  // A line per file: a plan of a million files has a list of some 60 MB.
  constexpr std::uintmax_t kMostBytes = std::uintmax_t{1} << 30;
  const std::optional<std::string> read = file ? file->readAll(kMostBytes + 1, &why) : std::nullopt;
  if (!read) return fail("Cannot read " + manifest.string() + ": " + why);
  if (read->size() > kMostBytes)
    return fail(manifest.string() + " is larger than any list Zov Suite writes, so it proves nothing");
  const std::string& content = *read;
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < content.size();) {
    const std::size_t end = std::min(content.find('\n', start), content.size());
    lines.push_back(content.substr(start, end - start));
    start = end + 1;
  }
  if (lines.empty() || lines[0] != kManifestHeader)
    return fail(manifest.string() + " does not prove which files Zov Suite wrote in " + work.dir().string() +
                " (a list from an older version or from another program)");
  std::vector<std::pair<std::string, FileDigest>> proven;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    // "size hash name"; "# ..." notes say what the files were made with.
    const std::string& line = lines[i];
    if (line.rfind("# ", 0) == 0) continue;
    const std::size_t a = line.find(' '), b = a == std::string::npos ? a : line.find(' ', a + 1);
    const std::string name = b == std::string::npos ? std::string() : line.substr(b + 1);
    const auto path = work.pathOf(name);
    if (!path || name == kManifestName)
      return fail(manifest.string() + ":" + std::to_string(i + 1) + ": not an entry Zov Suite writes");
    const fs::file_status entry = fs::symlink_status(*path, ec);
    if (entry.type() == fs::file_type::not_found) continue;  // gone since: nothing to take over
    const auto print = FingerprintOf(*path);
    if (entry.type() != fs::file_type::regular || !print)
      return fail(path->string() + ", listed in " + manifest.string() + ", is a link or not a regular file");
    if (line.substr(0, b) != DigestText(*print))
      return fail(path->string() + ", listed in " + manifest.string() +
                  ", is not the file Zov Suite wrote there (its size or content differs)");
    proven.emplace_back(name, *print);
  }
  for (const auto& [name, print] : proven) work.record(name, CreatedList::kScripts, print);
  return true;
}

void WriteManifest(std::ostream& out, const WorkFolder& work, const std::vector<std::string_view>& names,
                   const std::vector<std::string>& notes) {
  out << kManifestHeader << '\n';
  for (const std::string& note : notes) out << "# " << std::string_view(note).substr(0, note.find('\n')) << '\n';
  for (const std::string_view name : names) {
    // The size and hash kept as the file was written; a file written by
    // other means is read.
    if (name.find('\n') != std::string_view::npos) continue;
    std::optional<FileDigest> print = work.fingerprint(name);
    if (!print && !work.inMemory()) print = FingerprintOf(work.dir() / name);
    if (print) out << DigestText(*print) << ' ' << name << '\n';
  }
}

std::string ManifestText(const WorkFolder& work, const std::vector<std::string_view>& names,
                         const std::vector<std::string>& notes) {
  std::ostringstream text;
  WriteManifest(text, work, names, notes);
  return std::move(text).str();
}

bool FinishFolder(WorkFolder& work, bool succeeded, bool keepLoadFiles, std::string* error) {
  if (!keepLoadFiles || !succeeded) work.removeAll(CreatedList::kLoad);
  const std::vector<std::string_view> scripts = work.files(CreatedList::kScripts);
  for (const std::string_view name : scripts)
    if (work.written(name) != succeeded) work.removeFile(name);
  std::vector<std::string_view> names = work.files(CreatedList::kLoad);
  names.insert(names.end(), work.files(CreatedList::kScripts).begin(), work.files(CreatedList::kScripts).end());
  const std::string text = ManifestText(work, names);
  const bool any = text.size() > std::string_view(kManifestHeader).size() + 1;
  const fs::path manifest = work.dir() / kManifestName;
  std::error_code ec;
  fs::remove(manifest, ec);  // ours, taken over at the start (a link is only unlinked)
  if (!any) return true;
  OutputFile out = OpenNoFollow(manifest, error);
  if (!out.is_open()) return false;
  out << text;
  if (!out.close()) {
    if (error != nullptr) *error = "Cannot write " + manifest.string();
    return false;
  }
  return true;
}

int RimuoveFileCreati(WorkFolder& folder) { return folder.removeAll(CreatedList::kLoad); }
int RimuoveFileCreatiUIT(WorkFolder& folder) { return folder.removeAll(CreatedList::kScripts); }

FolderRun::FolderRun(WorkFolder& work, bool shared, bool keepLoadFiles, bool madeFolder,
                     std::function<void(const std::string&)> report)
    : work_(work), shared_(shared), keep_(keepLoadFiles), made_(madeFolder), report_(std::move(report)) {}

bool FolderRun::finish(bool succeeded) {
  if (finished_) return true;
  finished_ = true;
  if (!shared_) {
    RimuoveFileCreati(work_);
    RimuoveFileCreatiUIT(work_);
    return true;
  }
  std::string error;
  const bool listed = FinishFolder(work_, succeeded, keep_, &error);
  if (!listed && report_) report_(error);
  std::error_code ec;
  if (!succeeded && made_ && std::filesystem::is_empty(work_.dir(), ec)) std::filesystem::remove(work_.dir(), ec);
  return listed;
}

std::optional<WorkFolder> OpenWorkFolder(const std::optional<std::filesystem::path>& dir, bool& made,
                                         std::string* error) {
  std::error_code ec;
  made = dir && !std::filesystem::exists(*dir, ec);
  if (!dir) return WorkFolder::CreatePrivate(error);
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(*dir, ec))) {
    if (error != nullptr)
      *error = dir->string() + " is a link; Zov Suite writes only into a real folder: choose another";
    return std::nullopt;
  }
  std::filesystem::create_directories(*dir, ec);
  if (ec) {
    if (error != nullptr) *error = "cannot make the folder " + dir->string() + ": " + ec.message();
    return std::nullopt;
  }
  WorkFolder work(*dir);
  if (!AdoptFolder(work, error)) {
    if (made) std::filesystem::remove(*dir, ec);
    return std::nullopt;
  }
  return work;
}

}  // namespace zov
