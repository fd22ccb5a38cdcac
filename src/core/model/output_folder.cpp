#include "model/output_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <system_error>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "model/input_file.h"

namespace fs = std::filesystem;

namespace zov {

namespace {

// Whether a process runs: it exists, and is no zombie waiting to be reaped.
bool Alive(long pid) {
  if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) return false;
  char stat[512] = {};
  const int fd = ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  const ssize_t n = ::read(fd, stat, sizeof stat - 1);
  ::close(fd);
  const char* end = n > 0 ? std::strrchr(stat, ')') : nullptr;
  return end == nullptr || end[1] != ' ' || (end[2] != 'Z' && end[2] != 'X');
}

// The process number a lock file or staging folder name holds; 0 if none.
long ProcessOf(std::string_view text) {
  long pid = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return c == '\n' && pid > 0 ? pid : 0;
    pid = pid * 10 + (c - '0');
    if (pid > 0x7FFFFFFF) return 0;
  }
  return pid;
}

}  // namespace

OutputFolder::OutputFolder(fs::path dir, bool made) : dir_(std::move(dir)), lock_(dir_ / kLockName), made_(made) {}

OutputFolder::OutputFolder(OutputFolder&& other) noexcept
    : dir_(std::move(other.dir_)),
      lock_(std::move(other.lock_)),
      made_(other.made_),
      locked_(other.locked_),
      staging_(std::move(other.staging_)),
      earlier_(std::move(other.earlier_)),
      published_(std::move(other.published_)) {
  other.locked_ = false;
  other.made_ = false;
  other.staging_.reset();
}

OutputFolder::~OutputFolder() {
  std::error_code ec;
  if (staging_) {
    // The staging folder is this run's alone: whatever is left in it goes.
    const fs::path staging = staging_->dir();
    staging_.reset();
    fs::remove_all(staging, ec);
  }
  if (locked_) ::unlink(lock_.c_str());
  if (made_ && fs::is_empty(dir_, ec)) fs::remove(dir_, ec);
}

std::optional<OutputFolder> OutputFolder::Open(const fs::path& dir, std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(dir, ec);
  if (fs::is_symlink(status))
    return fail(dir.string() + " is a link; Zov Suite writes only into a real folder: choose another");
  if (fs::exists(status) && !fs::is_directory(status)) return fail(dir.string() + " is not a folder");
  const bool made = !fs::exists(status);
  if (made && (fs::create_directories(dir, ec), ec))
    return fail("cannot make the folder " + dir.string() + ": " + ec.message());
  OutputFolder out(dir, made);

  // One run at a time; the lock of a run that is gone is taken over.
  for (int attempt = 0; attempt < 2 && !out.locked_; ++attempt) {
    const int fd = ::open(out.lock_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      const std::string pid = std::to_string(::getpid()) + "\n";
      const bool wrote = ::write(fd, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
      ::close(fd);
      out.locked_ = true;
      if (!wrote) return fail("Cannot write " + out.lock_.string() + ": " + std::strerror(errno));
      break;
    }
    if (errno != EEXIST) return fail("Cannot write " + out.lock_.string() + ": " + std::strerror(errno));
    auto held = InputFile::Open(out.lock_, nullptr, InputFile::Links::kRefuse);
    const auto text = held ? held->readAll(32, nullptr) : std::nullopt;
    const long pid = text ? ProcessOf(*text) : 0;
    if (pid == 0)
      return fail(out.lock_.string() +
                  " is not a lock Zov Suite wrote; nothing was touched: remove it or choose another folder");
    if (Alive(pid))
      return fail("another Zov Suite run is writing here (process " + std::to_string(pid) + "): " + dir.string() +
                  "; if there is none, remove " + out.lock_.string());
    ::unlink(out.lock_.c_str());
  }
  if (!out.locked_) return fail("Cannot take " + out.lock_.string());

  // What an interrupted run left: staging folders of processes that are gone.
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kStagingPrefix, 0) != 0) continue;
    const long pid = ProcessOf(std::string_view(name).substr(std::string_view(kStagingPrefix).size()));
    if (pid == 0 || (pid != ::getpid() && Alive(pid))) continue;
    std::error_code gone;
    if (fs::is_symlink(entry.symlink_status(gone)))
      fs::remove(entry.path(), gone);
    else
      fs::remove_all(entry.path(), gone);
  }

  // The files an earlier plan proved it wrote here.
  WorkFolder earlier(dir);
  if (!AdoptFolder(earlier, error)) return std::nullopt;
  out.earlier_ = earlier.files(CreatedList::kScripts);

  out.staging_ = WorkFolder::CreateFresh(dir / (kStagingPrefix + std::to_string(::getpid())), error);
  if (!out.staging_) return std::nullopt;
  return out;
}

bool OutputFolder::publish(std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  const fs::path staging = staging_->dir();
  const std::vector<std::string> names = staging_->files(CreatedList::kScripts);
  const std::set<std::string> earlier(earlier_.begin(), earlier_.end()), now(names.begin(), names.end());
  std::error_code ec;
  // What the folder holds, read once rather than asked name by name.
  std::set<std::string> there;
  for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec))
    there.insert(it->path().filename().string());
  if (ec) return fail("Cannot read the folder " + dir_.string() + ": " + ec.message());
  for (const std::string& name : names)
    if (there.count(name) != 0 && earlier.count(name) == 0)
      return fail((dir_ / name).string() +
                  " already exists and was not written by Zov Suite; it is left alone, and the plan was not put "
                  "into " +
                  dir_.string());
  // The manifest is made in the staging folder first, and checked.
  std::string why;
  OutputFile manifest = OpenNoFollow(staging / kManifestName, &why);
  if (!manifest.is_open()) return fail(why);
  manifest << ManifestText(*staging_, names, provenance_);
  if (!staging_->close(manifest, kManifestName, &why)) return fail(why);
  for (const std::string& name : names) {
    if (::rename((staging / name).c_str(), (dir_ / name).c_str()) != 0)
      return fail("Cannot move " + (staging / name).string() + " to " + dir_.string() + ": " + std::strerror(errno));
    published_.push_back(name);
  }
  for (const std::string& name : earlier_)
    if (now.count(name) == 0) fs::remove(dir_ / name, ec);
  if (names.empty()) {
    fs::remove(dir_ / kManifestName, ec);
  } else if (::rename((staging / kManifestName).c_str(), (dir_ / kManifestName).c_str()) != 0) {
    return fail("Cannot move the list of the plan's files into " + dir_.string() + ": " + std::strerror(errno));
  }
  return true;
}

}  // namespace zov
