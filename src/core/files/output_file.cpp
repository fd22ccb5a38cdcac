#include "files/output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace zov {

namespace {
constexpr std::size_t kBufferSize = std::size_t{1} << 16;

// Writes n bytes whole: 0, or the error number of the write that failed.
int WriteAll(int fd, const char* data, std::size_t n) {
  for (std::size_t done = 0; done < n;) {
    const ssize_t w = ::write(fd, data + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return w < 0 ? errno : EIO;
    done += static_cast<std::size_t>(w);
  }
  return 0;
}
}  // namespace

OutputFile::Buffer::Buffer(int fd, std::string* text) : fd_(fd), text_(text), data_(new char[kBufferSize]) {
  if (text_ != nullptr) text_->clear();
  setp(data_.get(), data_.get() + kBufferSize);
}

OutputFile::Buffer::Buffer(int baseline, std::uintmax_t size, std::function<int()> make)
    : data_(new char[kBufferSize]), base_(baseline), baseSize_(size), make_(std::move(make)) {
  setp(data_.get(), data_.get() + kBufferSize);
}

OutputFile::Buffer::Buffer(Buffer&& other) noexcept
    : std::streambuf(other),
      fd_(std::exchange(other.fd_, -1)),
      text_(std::exchange(other.text_, nullptr)),
      data_(std::move(other.data_)),
      print_(other.print_),
      error_(other.error_),
      base_(std::exchange(other.base_, -1)),
      baseSize_(other.baseSize_),
      make_(std::move(other.make_)),
      read_(std::move(other.read_)),
      unchanged_(other.unchanged_) {
  // The put area moved with the memory it points into.
  other.setp(nullptr, nullptr);
}

OutputFile::Buffer::~Buffer() { close(); }

bool OutputFile::Buffer::sameAsBaseline(const char* data, std::size_t n, std::uintmax_t at) {
  if (at + n > baseSize_) return false;
  if (!read_) read_.reset(new char[kBufferSize]);
  for (std::size_t done = 0; done < n;) {
    const ssize_t r = ::pread(base_, read_.get(), std::min(n - done, kBufferSize), static_cast<off_t>(at + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0 || std::memcmp(read_.get(), data + done, static_cast<std::size_t>(r)) != 0) return false;
    done += static_cast<std::size_t>(r);
  }
  return true;
}

bool OutputFile::Buffer::diverge(std::uintmax_t n) {
  fd_ = make_();
  if (fd_ < 0) {
    error_ = errno != 0 ? errno : EIO;
  } else {
    if (!read_) read_.reset(new char[kBufferSize]);
    for (std::uintmax_t at = 0; at < n && error_ == 0;) {
      const ssize_t r =
          ::pread(base_, read_.get(), static_cast<std::size_t>(std::min<std::uintmax_t>(n - at, kBufferSize)),
                  static_cast<off_t>(at));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) {
        error_ = r < 0 ? errno : EIO;
        break;
      }
      error_ = WriteAll(fd_, read_.get(), static_cast<std::size_t>(r));
      at += static_cast<std::uintmax_t>(r);
    }
  }
  ::close(base_);
  base_ = -1;
  read_.reset();
  return error_ == 0;
}

bool OutputFile::Buffer::drain() {
  const char* from = pbase();
  const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
  setp(data_.get(), data_.get() + kBufferSize);
  if (n == 0) return error_ == 0;
  const std::uintmax_t at = print_.size;
  print_.hash = Fnv1a(std::string_view(from, n), print_.hash);
  print_.size += n;
  if (error_ != 0) return false;
  if (base_ >= 0) {
    if (sameAsBaseline(from, n, at)) return true;
    if (!diverge(at)) return false;
  }
  if (text_ != nullptr) {
    text_->append(from, n);
    return true;
  }
  error_ = WriteAll(fd_, from, n);
  return error_ == 0;
}

OutputFile::Buffer::int_type OutputFile::Buffer::overflow(int_type c) {
  if (!open() || !drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int OutputFile::Buffer::sync() { return open() && drain() ? 0 : -1; }

bool OutputFile::Buffer::close() {
  if (!open()) return false;
  bool ok = drain();
  if (ok && base_ >= 0) {
    if (print_.size == baseSize_) {
      ::close(base_);
      base_ = -1;
      unchanged_ = true;
    } else {
      ok = diverge(print_.size);
    }
  } else if (base_ >= 0) {
    ::close(base_);
    base_ = -1;
  }
  if (fd_ >= 0 && ::close(fd_) != 0 && ok) {
    error_ = errno;
    ok = false;
  }
  fd_ = -1;
  text_ = nullptr;
  setp(nullptr, nullptr);
  return ok;
}

OutputFile::OutputFile() : std::ostream(nullptr) { setstate(std::ios::badbit); }

OutputFile::OutputFile(Buffer&& buffer) : std::ostream(nullptr), buffer_(std::move(buffer)) { rdbuf(&buffer_); }

OutputFile::OutputFile(OutputFile&& other) noexcept
    : std::ostream(std::move(other)), buffer_(std::move(other.buffer_)) {
  set_rdbuf(&buffer_);
}

OutputFile::~OutputFile() { buffer_.close(); }

OutputFile OutputFile::OnDescriptor(int fd) { return OutputFile(Buffer(fd, nullptr)); }

OutputFile OutputFile::InMemory(std::string* text) { return OutputFile(Buffer(-1, text)); }

OutputFile OutputFile::Comparing(int baseline, std::uintmax_t size, std::function<int()> make) {
  return OutputFile(Buffer(baseline, size, std::move(make)));
}

bool OutputFile::close() {
  const bool wasOpen = buffer_.open();
  const bool ok = buffer_.close();
  if (!ok) setstate(std::ios::badbit);
  return wasOpen && ok && !fail();
}

}  // namespace zov
