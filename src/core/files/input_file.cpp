#include "files/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/fnv.h"

namespace zov {

std::optional<InputFile> InputFile::Open(const std::filesystem::path& path, std::string* why, Links links) {
  const auto fail = [&](const std::string& what) {
    if (why != nullptr) *why = what;
    return std::nullopt;
  };
  // O_NONBLOCK: opening a FIFO with no writer returns at once instead of
  // waiting for one; the file's type is then checked on what was opened.
  const int fd =
      ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (links == Links::kRefuse ? O_NOFOLLOW : 0));
  if (fd < 0) return fail(std::string("cannot open the file: ") + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const bool folder = S_ISDIR(st.st_mode);
    ::close(fd);
    return fail(folder ? "this is a folder, not a file" : "not a regular file");
  }
  // A regular file never blocks; reads go on in the usual mode.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return InputFile(fd, static_cast<std::uintmax_t>(st.st_size));
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

long InputFile::read(char* data, std::size_t n) {
  for (;;) {
    const ssize_t got = ::read(fd_, data, n);
    if (got < 0 && errno == EINTR) continue;
    return static_cast<long>(got);
  }
}

long InputFile::readFully(char* data, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const long r = read(data + got, n - got);
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return static_cast<long>(got);
}

long InputFile::readFullyAt(char* data, std::size_t n, std::uintmax_t offset) {
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd_, data + got, n - got, static_cast<off_t>(offset + got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return static_cast<long>(got);
}

std::optional<std::string> InputFile::readAll(std::uintmax_t limit, std::string* why) {
  std::string text;
  std::size_t got = 0;
  // The file's size first; a file that grows meanwhile is read on in steps.
  for (auto want = static_cast<std::size_t>(std::min(size_, limit));;
       want = static_cast<std::size_t>(std::min<std::uintmax_t>(limit, got + 65536))) {
    text.resize(want);
    const long n = readFully(text.data() + got, want - got);
    if (n < 0) {
      if (why != nullptr) *why = std::string("cannot be read: ") + std::strerror(errno);
      return std::nullopt;
    }
    got += static_cast<std::size_t>(n);
    if (got < want || got >= limit) break;
  }
  text.resize(got);
  return text;
}

std::optional<std::pair<std::uintmax_t, std::uint64_t>> InputFile::fingerprint() {
  std::uint64_t hash = kFnvOffset;
  std::uintmax_t size = 0;
  char buffer[65536];
  for (long n; (n = read(buffer, sizeof buffer)) != 0;) {
    if (n < 0) return std::nullopt;
    hash = Fnv1a(std::string_view(buffer, static_cast<std::size_t>(n)), hash);
    size += static_cast<std::uintmax_t>(n);
  }
  return std::make_pair(size, hash);
}

std::optional<std::string> ReadInputFile(const std::filesystem::path& path, std::uintmax_t limit, std::string* error) {
  std::string why;
  auto file = InputFile::Open(path, &why);
  if (file && file->size() > limit)
    why = "the file is larger than " + std::to_string(limit) + " bytes, more than a load reads";
  std::optional<std::string> text;
  if (file && why.empty()) text = file->readAll(limit, &why);
  if (!text && error != nullptr) *error = path.string() + ": " + why;
  return text;
}

std::optional<std::pair<std::uintmax_t, std::uint64_t>> ModelFingerprint(const std::filesystem::path& path) {
  auto file = InputFile::Open(path, nullptr);
  return file ? file->fingerprint() : std::nullopt;
}

}  // namespace zov
