// A file being written: an output stream over one descriptor, or over a
// string for a folder kept in memory, that counts and hashes (64-bit
// FNV-1a) the bytes as they go out, so that the list proving which files a
// run wrote needs no second read of them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <utility>

#include "model/fnv.h"

namespace zov {

// The size and hash of a file's content.
struct FileDigest {
  std::uintmax_t size = 0;
  std::uint64_t hash = kFnvOffset;
  bool operator==(const FileDigest&) const = default;
};

class OutputFile : public std::ostream {
 public:
  // A file that is not open: every write to it fails.
  OutputFile();
  // Writes to fd, which the file owns from now on.
  static OutputFile OnDescriptor(int fd);
  // Writes to *text (kept by the caller), which it empties first.
  static OutputFile InMemory(std::string* text);
  // Writes nothing while what goes out equals the file open on baseline (of
  // size bytes, which the file owns from now on); at the first byte that
  // differs, or at a close short of the baseline's end, it makes the file
  // with make() (a descriptor, or -1 with errno) and copies the equal start
  // into it first. A plan made again thus leaves every file whose content
  // stays alone: no new file, no write.
  static OutputFile Comparing(int baseline, std::uintmax_t size, std::function<int()> make);

  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  OutputFile(const OutputFile&) = delete;
  ~OutputFile() override;

  bool is_open() const { return buffer_.open(); }
  // Writes what is buffered and closes; false when any write failed, with
  // the system's error number in error().
  bool close();
  int error() const { return buffer_.error(); }
  // What has gone out so far.
  const FileDigest& fingerprint() const { return buffer_.fingerprint(); }
  // After close(): the content equals the baseline's, and no file was made.
  bool unchanged() const { return buffer_.unchanged(); }

 private:
  class Buffer : public std::streambuf {
   public:
    Buffer() = default;
    Buffer(int fd, std::string* text);
    Buffer(int baseline, std::uintmax_t size, std::function<int()> make);
    Buffer(Buffer&& other) noexcept;
    ~Buffer() override;
    bool open() const { return fd_ >= 0 || text_ != nullptr || base_ >= 0; }
    bool unchanged() const { return unchanged_; }
    bool close();
    int error() const { return error_; }
    const FileDigest& fingerprint() const { return print_; }

   protected:
    int_type overflow(int_type c) override;
    int sync() override;

   private:
    bool drain();
    // Whether the baseline holds data's n bytes at offset at.
    bool sameAsBaseline(const char* data, std::size_t n, std::uintmax_t at);
    // Makes the file and copies the baseline's first n bytes into it.
    bool diverge(std::uintmax_t n);
    int fd_ = -1;
    std::string* text_ = nullptr;
    std::unique_ptr<char[]> data_;
    FileDigest print_;
    int error_ = 0;
    // The file compared with, while all that went out equals its start.
    int base_ = -1;
    std::uintmax_t baseSize_ = 0;
    std::function<int()> make_;
    std::unique_ptr<char[]> read_;
    bool unchanged_ = false;
  };

  explicit OutputFile(Buffer&& buffer);
  Buffer buffer_;
};

}  // namespace zov
