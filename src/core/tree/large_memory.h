// Memory for large blocks that live as long as a loaded model: the text of a
// model file, its XML tree, big tables. Blocks of four megabytes or more are
// mapped straight from the system and, where it offers them, backed by huge
// pages; a fresh process then takes one page fault per two megabytes instead
// of one per four kilobytes, which on a 50 MB model is a third of the load.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

namespace zov {

// `bytes` of memory aligned for any type; pages are only committed when first
// touched. Throws std::bad_alloc. FreeLarge takes the same size back.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* p, std::size_t bytes) noexcept;

// For the vectors that grow with the model.
template <class T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <class U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocateLarge(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }
};

class LargeBlock {
 public:
  LargeBlock() = default;
  explicit LargeBlock(std::size_t bytes) : data_(static_cast<char*>(AllocateLarge(bytes))), size_(bytes) {}
  ~LargeBlock() { FreeLarge(data_, size_); }
  LargeBlock(LargeBlock&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  LargeBlock& operator=(LargeBlock&& other) noexcept {
    if (this != &other) {
      FreeLarge(data_, size_);
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }
  LargeBlock(const LargeBlock&) = delete;
  LargeBlock& operator=(const LargeBlock&) = delete;

  char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

// Hands out pieces of one reserved block, front to back; they are all given
// back at once when the arena goes. allocate() returns null once the block is
// full, and the caller falls back to the ordinary heap.
class Arena {
 public:
  explicit Arena(std::size_t bytes) : block_(bytes) {}
  void* allocate(std::size_t bytes) {
    const std::size_t rounded = (bytes + 15) & ~std::size_t{15};
    if (rounded < bytes || rounded > block_.size() - used_) return nullptr;
    void* p = block_.data() + used_;
    used_ += rounded;
    return p;
  }

 private:
  LargeBlock block_;
  std::size_t used_ = 0;
};

}  // namespace zov
