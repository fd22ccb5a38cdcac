// Files the tester names for reading: a model, a controlled unit, a choices
// file, a session. Links are followed (a model may well be reached through
// one); the open never blocks, and anything but a regular file (a device, a
// FIFO, a socket, or a link to one) is refused at once, so that a wrong
// path can neither hang a run nor feed it endless data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace zov {

// An open regular file: its descriptor (closed with the object) and size.
class InputFile {
 public:
  // Whether a link in the last place of the path is followed: for the files
  // the tester names, yes; for the files a run of ours wrote, no.
  enum class Links { kFollow, kRefuse };
  // std::nullopt with *why ("not a regular file", "cannot open the file:
  // ...", "this is a folder, not a file") when it cannot be read.
  static std::optional<InputFile> Open(const std::filesystem::path& path, std::string* why,
                                       Links links = Links::kFollow);
  InputFile(InputFile&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }
  InputFile& operator=(InputFile&&) = delete;
  InputFile(const InputFile&) = delete;
  ~InputFile();

  std::uintmax_t size() const { return size_; }
  // Reads up to n bytes into data; the number read, or -1 on an error.
  long read(char* data, std::size_t n);
  // Reads until n bytes are in data or the file ends: the number read, or
  // -1 on an error.
  long readFully(char* data, std::size_t n);
  // The same from the given offset, without moving the position reads go
  // on from; safe beside another thread's readAt.
  long readFullyAt(char* data, std::size_t n, std::uintmax_t offset);
  // The whole file, at most limit bytes of it (a file that grows while it
  // is read is read to its end or the limit); std::nullopt with *why when
  // it cannot be read.
  std::optional<std::string> readAll(std::uintmax_t limit, std::string* why);
  // The size and 64-bit FNV-1a hash of what is left to read.
  std::optional<std::pair<std::uintmax_t, std::uint64_t>> fingerprint();

 private:
  InputFile(int fd, std::uintmax_t size) : fd_(fd), size_(size) {}
  int fd_;
  std::uintmax_t size_;
};

// Reads a whole input file of at most limit bytes; std::nullopt with
// *error ("PATH: why"; a larger file: "PATH: the file is larger than LIMIT
// bytes, more than a load reads").
std::optional<std::string> ReadInputFile(const std::filesystem::path& path, std::uintmax_t limit, std::string* error);

// The size and 64-bit FNV-1a hash of an input file (the model a session was
// made on), through links; std::nullopt when it cannot be read.
std::optional<std::pair<std::uintmax_t, std::uint64_t>> ModelFingerprint(const std::filesystem::path& path);

}  // namespace zov
