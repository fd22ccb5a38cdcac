// The text of a tree node in sixteen bytes, where a string takes
// thirty-two: up to fourteen characters in place (most node texts: a
// value, a parameter, "Choices: "), a longer text in a block of its own.
// A node table of millions of entries is the largest thing a plan holds.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace zov {

class NodeText {
 public:
  NodeText() { clearInPlace(); }
  explicit NodeText(std::string_view text) { set(text); }
  NodeText(const NodeText& other) { set(other.view()); }
  NodeText(NodeText&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.clearInPlace();
  }
  NodeText& operator=(const NodeText& other) {
    assign(other.view());
    return *this;
  }
  NodeText& operator=(NodeText&& other) noexcept {
    if (this != &other) {
      release();
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      other.clearInPlace();
    }
    return *this;
  }
  NodeText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }
  ~NodeText() { release(); }

  // The text may be a view of this one: the new one is made before the
  // old one goes.
  void assign(std::string_view text) {
    NodeText fresh(text);
    *this = std::move(fresh);
  }
  void clear() {
    release();
    clearInPlace();
  }

  std::size_t size() const {
    if (!onHeap()) return bytes_[kTag];
    std::uint32_t n = 0;
    std::memcpy(&n, bytes_ + sizeof(char*), sizeof n);
    return n;
  }
  bool empty() const { return size() == 0; }
  const char* data() const { return onHeap() ? heap() : bytes_; }
  const char* c_str() const { return data(); }
  std::string_view view() const { return {data(), size()}; }
  operator std::string_view() const { return view(); }  // NOLINT: reads as the text
  std::string str() const { return std::string(view()); }

  friend bool operator==(const NodeText& a, const NodeText& b) { return a.view() == b.view(); }
  friend bool operator==(const NodeText& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const NodeText& a, const std::string& b) { return a.view() == b; }
  friend bool operator==(const NodeText& a, const char* b) { return a.view() == std::string_view(b); }
  friend std::string operator+(const NodeText& a, std::string_view b) { return a.str().append(b); }
  friend std::string operator+(std::string_view a, const NodeText& b) { return std::string(a).append(b.view()); }
  friend std::string operator+(const std::string& a, const NodeText& b) { return std::string(a).append(b.view()); }
  friend std::string operator+(const char* a, const NodeText& b) { return std::string(a).append(b.view()); }
  friend std::ostream& operator<<(std::ostream& out, const NodeText& t) { return out << t.view(); }

 private:
  // The last byte tells the two apart: the length of a text kept in place,
  // or kOnHeap; a text in place ends with a NUL, as one in a block does.
  static constexpr std::size_t kTag = 15;
  static constexpr std::size_t kInPlace = 14;
  static constexpr unsigned char kOnHeap = 0xFF;

  bool onHeap() const { return static_cast<unsigned char>(bytes_[kTag]) == kOnHeap; }
  char* heap() const {
    char* p = nullptr;
    std::memcpy(&p, bytes_, sizeof p);
    return p;
  }
  void clearInPlace() {
    bytes_[0] = '\0';
    bytes_[kTag] = 0;
  }
  void release() {
    if (onHeap()) delete[] heap();
  }
  void set(std::string_view text) {
    if (text.size() <= kInPlace) {
      std::memcpy(bytes_, text.data(), text.size());
      bytes_[text.size()] = '\0';
      bytes_[kTag] = static_cast<char>(text.size());
      return;
    }
    char* block = new char[text.size() + 1];
    std::memcpy(block, text.data(), text.size());
    block[text.size()] = '\0';
    const auto n = static_cast<std::uint32_t>(text.size());
    std::memcpy(bytes_, &block, sizeof block);
    std::memcpy(bytes_ + sizeof block, &n, sizeof n);
    bytes_[kTag] = static_cast<char>(kOnHeap);
  }

  char bytes_[16];
};
static_assert(sizeof(NodeText) == 16);

}  // namespace zov
