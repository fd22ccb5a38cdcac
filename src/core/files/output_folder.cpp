#include "files/output_folder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <absl/container/flat_hash_set.h>

#include "files/input_file.h"

namespace fs = std::filesystem;

namespace zov {

namespace {

constexpr std::string_view kJournalHeader = "zov-publish 1";
// How long a run waits for a lock held by another (a script reading the
// folder under a shared lock holds it for a moment) before it says the
// folder is busy.
constexpr auto kLockWait = std::chrono::seconds(2);

// One file of a move: its digest before (none: the file is new) and after
// (none: the file goes).
struct Move {
  std::string_view name;  // in the journal's text, or a name the folders hold
  std::optional<FileDigest> before, after;
};

std::string Field(const std::optional<FileDigest>& print) {
  return print ? std::to_string(print->size) + ":" + FnvHex(print->hash) : "-";
}

// A "SIZE:HASH" or "-" field of the journal; false when it is neither.
bool ParseField(std::string_view text, std::optional<FileDigest>& print) {
  print.reset();
  if (text == "-") return true;
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 20 || text.size() - colon - 1 != 16) return false;
  FileDigest d{0, 0};
  for (char c : text.substr(0, colon)) {
    if (c < '0' || c > '9') return false;
    d.size = d.size * 10 + static_cast<std::uintmax_t>(c - '0');
  }
  for (char c : text.substr(colon + 1)) {
    const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (v < 0) return false;
    d.hash = d.hash << 4 | static_cast<std::uint64_t>(v);
  }
  print = d;
  return true;
}

// A journal's text, handed to put a line at a time: a plan of a hundred
// thousand files has a journal of megabytes, never held whole.
void JournalLines(const std::vector<Move>& moves, const std::vector<std::string>& notes,
                  const std::function<void(std::string_view)>& put) {
  put(kJournalHeader);
  put("\n");
  for (const std::string& note : notes) {
    put("# ");
    put(std::string_view(note).substr(0, note.find('\n')));
    put("\n");
  }
  for (const Move& m : moves) {
    put("move ");
    put(Field(m.before));
    put(" ");
    put(Field(m.after));
    put(" ");
    put(m.name);
    put("\n");
  }
  put("end\n");
}

// The moves and notes of a journal; false when it is not a whole one.
bool ParseJournal(const std::string& text, std::vector<Move>& moves, std::vector<std::string>& notes) {
  std::vector<std::string_view> lines;
  const std::string_view all(text);
  for (std::size_t start = 0; start < all.size();) {
    const std::size_t end = all.find('\n', start);
    if (end == std::string_view::npos) return false;  // every line of a whole journal ends
    lines.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  if (lines.size() < 2 || lines.front() != kJournalHeader || lines.back() != "end") return false;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.rfind("# ", 0) == 0) {
      notes.emplace_back(line.substr(2));
      continue;
    }
    if (line.rfind("move ", 0) != 0) return false;
    const std::size_t a = line.find(' ', 5), b = a == std::string_view::npos ? a : line.find(' ', a + 1);
    if (b == std::string_view::npos) return false;
    Move m;
    m.name = line.substr(b + 1);
    if (!ParseField(line.substr(5, a - 5), m.before) || !ParseField(line.substr(a + 1, b - a - 1), m.after) ||
        m.name.empty() || m.name.find('/') != std::string_view::npos || m.name == "." || m.name == ".." ||
        m.name == kManifestName || m.name.rfind(".zov-", 0) == 0)
      return false;
    moves.push_back(std::move(m));
  }
  return true;
}

// Writes a new file whole and on the disk: false, with *error, otherwise.
// Its text comes from fill, a piece at a time, and goes out in blocks.
bool WriteDurable(const fs::path& path, const std::function<void(const std::function<void(std::string_view)>&)>& fill,
                  std::string* error) {
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  bool ok = fd >= 0;
  int saved = ok ? 0 : errno;
  std::string block;
  constexpr std::size_t kBlock = std::size_t{1} << 16;
  block.reserve(kBlock);
  const auto flush = [&] {
    for (std::size_t at = 0; ok && at < block.size();) {
      const ssize_t n = ::write(fd, block.data() + at, block.size() - at);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok)
        at += static_cast<std::size_t>(n);
      else
        saved = errno;
    }
    block.clear();
  };
  fill([&](std::string_view piece) {
    if (!ok) return;
    block.append(piece);
    if (block.size() >= kBlock) flush();
  });
  flush();
  if (ok && ::fsync(fd) != 0) {
    ok = false;
    saved = errno;
  }
  if (fd >= 0) ::close(fd);
  if (!ok && error != nullptr) *error = "Cannot write " + path.string() + ": " + std::strerror(saved);
  return ok;
}

bool WriteDurable(const fs::path& path, const std::string& text, std::string* error) {
  return WriteDurable(
      path, [&text](const auto& put) { put(text); }, error);
}

// Makes the renames and removals in a folder durable.
void SyncFolder(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The content of every file written so far reaches the disk before the
// journal says it may be moved: after a power cut a moved file is never an
// empty one.
void SyncFiles(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::syncfs(fd);
  ::close(fd);
}

// The process number a lock file holds; 0 if none.
long ProcessOf(std::string_view text) {
  long pid = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return c == '\n' && pid > 0 ? pid : 0;
    pid = pid * 10 + (c - '0');
    if (pid > 0x7FFFFFFF) return 0;
  }
  return pid;
}

// Takes the lock of a folder: the descriptor holding flock(LOCK_EX) on it,
// or -1 with *error.
int TakeLock(const fs::path& lock, const fs::path& dir, bool& created, std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return -1;
  };
  const auto until = std::chrono::steady_clock::now() + kLockWait;
  for (;;) {
    int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    created = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = ::open(lock.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) continue;  // removed meanwhile: made anew
    if (fd < 0)
      return fail(errno == ELOOP ? lock.string() + " is a link; nothing was touched: remove it or choose another folder"
                                 : "Cannot write " + lock.string() + ": " + std::strerror(errno));
    struct stat held {};
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      ::close(fd);
      return fail(lock.string() + " is not a regular file; nothing was touched: remove it or choose another folder");
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // A run that made the folder removes the lock file as it gives the
      // folder up: the lock taken must be that of the file still named so.
      struct stat named {};
      if (::lstat(lock.c_str(), &named) != 0 || named.st_ino != held.st_ino || named.st_dev != held.st_dev) {
        ::close(fd);
        continue;
      }
      const std::string pid = std::to_string(::getpid()) + "\n";
      if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        const int saved = errno;
        ::close(fd);
        return fail("Cannot write " + lock.string() + ": " + std::strerror(saved));
      }
      return fd;
    }
    const int saved = errno;
    if (saved != EWOULDBLOCK && saved != EINTR) {
      ::close(fd);
      return fail("Cannot lock " + lock.string() + ": " + std::strerror(saved));
    }
    if (std::chrono::steady_clock::now() >= until) {
      char text[32] = {};
      const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
      ::close(fd);
      const long pid = n > 0 ? ProcessOf(std::string_view(text, static_cast<std::size_t>(n))) : 0;
      return fail("another Zov Suite run is writing here" +
                  (pid > 0 ? " (process " + std::to_string(pid) + ")" : std::string()) + ": " + dir.string() +
                  "; wait for it to end or choose another folder");
    }
    ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace

bool FinishPublish(const fs::path& dir, const fs::path& staging, std::string* error) {
  const fs::path journal = staging / kJournalName;
  auto file = InputFile::Open(journal, nullptr, InputFile::Links::kRefuse);
  const std::optional<std::string> text = file ? file->readAll(std::uintmax_t{1} << 30, nullptr) : std::nullopt;
  std::vector<Move> moves;
  std::vector<std::string> notes;
  if (!text || !ParseJournal(*text, moves, notes)) return false;
  const auto fail = [&](const std::string& why) {
    if (error != nullptr)
      *error = "Cannot finish the plan a killed run was moving into " + dir.string() + ": " + why +
               "; it is left as it is for the next run";
    return true;
  };
  // Every file ends as the move meant it, or stays as it was when that
  // cannot be: the manifest lists each file whose content is either.
  std::string manifest = "zov-plan 2\n";
  for (const std::string& note : notes) manifest += "# " + note + "\n";
  for (const Move& m : moves) {
    const fs::path there = dir / m.name;
    std::optional<FileDigest> now = FingerprintOf(there);
    std::error_code ec;
    const bool present = fs::exists(fs::symlink_status(there, ec));
    if (m.after && now != m.after && (!present || now == m.before) && FingerprintOf(staging / m.name) == m.after) {
      if (::rename((staging / m.name).c_str(), there.c_str()) != 0)
        return fail("cannot move " + std::string(m.name) + ": " + std::strerror(errno));
      now = m.after;
    } else if (!m.after && present && now == m.before) {
      if (::unlink(there.c_str()) != 0)
        return fail("cannot remove " + std::string(m.name) + ": " + std::strerror(errno));
      continue;
    }
    if (now && (now == m.after || now == m.before)) manifest += DigestText(*now) + " " + std::string(m.name) + "\n";
  }
  std::string why;
  const fs::path made = staging / (std::string(kManifestName) + "-finished");
  if (!WriteDurable(made, manifest, &why)) return fail(why);
  if (::rename(made.c_str(), (dir / kManifestName).c_str()) != 0)
    return fail("cannot move its manifest: " + std::string(std::strerror(errno)));
  SyncFolder(dir);
  ::unlink(journal.c_str());
  return true;
}

OutputFolder::OutputFolder(fs::path dir, bool made) : dir_(std::move(dir)), lock_(dir_ / kLockName), made_(made) {}

OutputFolder::OutputFolder(OutputFolder&& other) noexcept
    : dir_(std::move(other.dir_)),
      lock_(std::move(other.lock_)),
      made_(other.made_),
      lockFd_(other.lockFd_),
      lockMade_(other.lockMade_),
      staging_(std::move(other.staging_)),
      earlierPrints_(std::move(other.earlierPrints_)),
      published_(std::move(other.published_)),
      moved_(other.moved_),
      provenance_(std::move(other.provenance_)),
      earlierProvenance_(std::move(other.earlierProvenance_)),
      keepEarlier_(other.keepEarlier_) {
  other.lockFd_ = -1;
  other.made_ = false;
  other.staging_.reset();
}

OutputFolder::~OutputFolder() {
  std::error_code ec;
  if (staging_) {
    // The staging folder is this run's alone: whatever is left in it goes,
    // unless it holds the journal of a move that could not be finished,
    // which the next run finishes.
    const fs::path staging = staging_->dir();
    staging_.reset();
    if (!fs::exists(fs::symlink_status(staging / kJournalName, ec))) fs::remove_all(staging, ec);
  }
  if (lockFd_ >= 0) {
    // A run that published nothing leaves the folder as it found it: a lock
    // file it made goes, and a folder it made goes when nothing else is in it.
    if (lockMade_ && !made_) ::unlink(lock_.c_str());
    if (made_) {
      bool others = false;
      for (fs::directory_iterator it(dir_, ec), end; !ec && it != end && !others; it.increment(ec))
        others = it->path().filename() != kLockName;
      if (!ec && !others && ::unlink(lock_.c_str()) == 0) fs::remove(dir_, ec);
    }
    // The process number is there only while the lock is held.
    [[maybe_unused]] const int cleared = ::ftruncate(lockFd_, 0);
    ::close(lockFd_);
  } else if (made_ && fs::is_empty(dir_, ec)) {
    fs::remove(dir_, ec);
  }
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

  // One run at a time.
  std::string why;
  if (out.lockFd_ = TakeLock(out.lock_, dir, out.lockMade_, &why); out.lockFd_ < 0) return fail(why);

  // What a killed run left: every staging folder but this run's belongs to
  // a run that is gone (a living one holds the lock). A move it recorded is
  // finished; the rest goes.
  std::vector<fs::path> left;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().filename().string().rfind(kStagingPrefix, 0) == 0) left.push_back(it->path());
  std::sort(left.begin(), left.end());
  for (const fs::path& staging : left) {
    std::error_code gone;
    if (fs::is_symlink(fs::symlink_status(staging, gone))) {
      fs::remove(staging, gone);
      continue;
    }
    why.clear();
    if (fs::is_directory(fs::symlink_status(staging, gone)) && FinishPublish(dir, staging, &why) && !why.empty())
      return fail(why);
    fs::remove_all(staging, gone);
  }

  // The files an earlier plan proved it wrote here.
  WorkFolder earlier(dir);
  if (!AdoptFolder(earlier, error)) return std::nullopt;
  if (const auto lines = earlier.readLines(kManifestName))
    for (std::size_t i = 1; i < lines->size(); ++i)
      if ((*lines)[i].rfind("# ", 0) == 0) out.earlierProvenance_.push_back((*lines)[i].substr(2));
  auto prints = std::make_shared<FilePrints>();
  const std::vector<std::string_view>& listed = earlier.files(CreatedList::kScripts);
  std::size_t bytes = 0;
  for (const std::string_view name : listed) bytes += name.size();
  prints->reserve(listed.size(), bytes);
  for (const std::string_view name : listed)
    if (const std::optional<FileDigest> print = earlier.fingerprint(name)) prints->add(name, *print);
  prints->finish();
  out.earlierPrints_ = std::move(prints);

  out.staging_ = WorkFolder::CreateFresh(dir / (kStagingPrefix + std::to_string(::getpid())), error);
  if (!out.staging_) return std::nullopt;
  // A file the plan writes as it was is not made again.
  out.staging_->compareWith(dir, out.earlierPrints_);
  return out;
}

bool OutputFolder::publish(std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  const fs::path staging = staging_->dir();
  const std::vector<std::string_view>& names = staging_->files(CreatedList::kScripts);
  const absl::flat_hash_set<std::string_view> now(names.begin(), names.end());
  std::error_code ec;
  // The plan's names that a file of another takes in the folder already:
  // the folder is read once rather than asked name by name.
  absl::flat_hash_set<std::string> foreign;
  for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec))
    if (std::string name = it->path().filename().string(); now.contains(name) && !earlierPrints_->contains(name))
      foreign.insert(std::move(name));
  if (ec) return fail("Cannot read the folder " + dir_.string() + ": " + ec.message());
  for (const std::string_view name : names)
    if (foreign.contains(absl::string_view(name.data(), name.size())))
      return fail((dir_ / name).string() +
                  " already exists and was not written by Zov Suite; it is left alone, and the plan was not put "
                  "into " +
                  dir_.string());
  // The manifest is made in the staging folder first, and checked.
  std::string why;
  OutputFile manifest = OpenNoFollow(staging / kManifestName, &why);
  if (!manifest.is_open()) return fail(why);
  WriteManifest(manifest, *staging_, names, provenance_);
  // The earlier plan's files in its order.
  const std::vector<std::string_view> earlier = earlierPrints_->names();
  if (keepEarlier_)
    for (const std::string_view name : earlier)
      if (now.count(name) == 0) manifest << DigestText(*earlierPrints_->find(name)) << ' ' << name << '\n';
  if (!staging_->close(manifest, kManifestName, &why)) return fail(why);

  // The move, recorded before its first rename.
  std::vector<Move> moves;
  moves.reserve(names.size() + earlier.size());
  for (const std::string_view name : names) {
    Move m{name, std::nullopt, staging_->fingerprint(name)};
    if (!m.after) m.after = FingerprintOf(staging / name);
    if (!m.after) return fail("Cannot read " + (staging / name).string());
    if (const FileDigest* before = earlierPrints_->find(name)) m.before = *before;
    moves.push_back(std::move(m));
  }
  for (const std::string_view name : earlier)
    if (now.count(name) == 0) {
      const FileDigest& before = *earlierPrints_->find(name);
      moves.push_back({name, before, keepEarlier_ ? std::optional<FileDigest>(before) : std::nullopt});
    }
  // A staged copy of a file that does not change goes before the sync, which
  // then writes out only what moves.
  for (const Move& m : moves)
    if (m.after && m.before == m.after && !staging_->unchanged(m.name)) ::unlink((staging / m.name).c_str());
  SyncFiles(staging);
  const fs::path journal = staging / kJournalName, draft = staging / (std::string(kJournalName) + "-draft");
  if (!WriteDurable(
          draft, [&](const auto& put) { JournalLines(moves, provenance_, put); }, &why))
    return fail(why);
  if (::rename(draft.c_str(), journal.c_str()) != 0)
    return fail("Cannot write " + journal.string() + ": " + std::strerror(errno));
  SyncFolder(staging);

  // From here on the journal finishes whatever an end midway leaves, and
  // the lock file stays with the plan.
  lockMade_ = false;
  const auto stopped = [&](const std::string& what) {
    return fail(what + ": " + std::strerror(errno) + "; the next run into " + dir_.string() + " finishes the move");
  };
  for (const Move& m : moves) {
    if (!m.after) {
      if (::unlink((dir_ / m.name).c_str()) != 0 && errno != ENOENT)
        return stopped("Cannot remove " + std::string(m.name));
      continue;
    }
    published_.push_back(m.name);
    if (m.before == m.after) continue;  // the same content: left as it is
    if (::rename((staging / m.name).c_str(), (dir_ / m.name).c_str()) != 0)
      return stopped("Cannot move " + (staging / m.name).string() + " to " + dir_.string());
    ++moved_;
  }
  if (names.empty() && !keepEarlier_) {
    if (::unlink((dir_ / kManifestName).c_str()) != 0 && errno != ENOENT)
      return stopped("Cannot remove " + (dir_ / kManifestName).string());
  } else if (::rename((staging / kManifestName).c_str(), (dir_ / kManifestName).c_str()) != 0) {
    return stopped("Cannot move the list of the plan's files into " + dir_.string());
  }
  SyncFolder(dir_);
  ::unlink(journal.c_str());
  return true;
}

}  // namespace zov
