#include "files/output_file.h"

#include <cerrno>

#include <unistd.h>

namespace zov {

namespace {
constexpr std::size_t kBufferSize = std::size_t{1} << 16;
}

OutputFile::Buffer::Buffer(int fd, std::string* text) : fd_(fd), text_(text), data_(new char[kBufferSize]) {
  if (text_ != nullptr) text_->clear();
  setp(data_.get(), data_.get() + kBufferSize);
}

OutputFile::Buffer::Buffer(Buffer&& other) noexcept
    : std::streambuf(other),
      fd_(std::exchange(other.fd_, -1)),
      text_(std::exchange(other.text_, nullptr)),
      data_(std::move(other.data_)),
      print_(other.print_),
      error_(other.error_) {
  // The put area moved with the memory it points into.
  other.setp(nullptr, nullptr);
}

OutputFile::Buffer::~Buffer() { close(); }

bool OutputFile::Buffer::drain() {
  const char* from = pbase();
  const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
  setp(data_.get(), data_.get() + kBufferSize);
  if (n == 0) return error_ == 0;
  print_.hash = Fnv1a(std::string_view(from, n), print_.hash);
  print_.size += n;
  if (error_ != 0) return false;
  if (text_ != nullptr) {
    text_->append(from, n);
    return true;
  }
  for (std::size_t done = 0; done < n;) {
    const ssize_t w = ::write(fd_, from + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      error_ = w < 0 ? errno : EIO;
      return false;
    }
    done += static_cast<std::size_t>(w);
  }
  return true;
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

bool OutputFile::close() {
  const bool wasOpen = buffer_.open();
  const bool ok = buffer_.close();
  if (!ok) setstate(std::ios::badbit);
  return wasOpen && ok && !fail();
}

}  // namespace zov
