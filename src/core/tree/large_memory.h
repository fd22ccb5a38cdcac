// Memory for large blocks that live as long as a loaded model: the text of a
// model file, its XML tree, big tables. Blocks of four megabytes or more are
// mapped straight from the system: they need no zeroing before use, go back
// to the system whole when freed, and their pages can be faulted in ahead of
// the work on another core (PrefaultInBackground). On a 50 MB model a fresh
// process spends a third of its load faulting pages in.
#pragma once

#include <cstddef>
#include <new>
#include <thread>
#include <utility>

namespace zov {

// `bytes` of memory aligned for any type; pages are only committed when first
// touched. Throws std::bad_alloc. FreeLarge takes the same size back.
// `scattered` asks for huge pages where the system offers them, for tables
// read at random (hash tables, node arrays): with small pages nearly every
// look-up in a table of tens of megabytes also misses the address cache.
// Blocks read front to back do without: a huge page costs more to fault in
// when the system has given its memory back to a host in the meantime.
void* AllocateLarge(std::size_t bytes, bool scattered = false);
void FreeLarge(void* p, std::size_t bytes, bool scattered = false) noexcept;

// Faults in the first `bytes` of a mapped block on another thread, without
// changing what they hold, so that the work that fills the block meanwhile
// finds its pages ready. Does nothing for smaller blocks, or where the system
// cannot fault pages in for writing without writing them. The block must
// outlive the returned thread, which joins when it goes.
std::jthread PrefaultInBackground(void* block, std::size_t bytes);

// For the vectors that grow with the model; `Scattered` as above.
template <class T, bool Scattered = false>
struct LargeAllocator {
  using value_type = T;
  template <class U>
  struct rebind {
    using other = LargeAllocator<U, Scattered>;
  };
  LargeAllocator() = default;
  template <class U>
  LargeAllocator(const LargeAllocator<U, Scattered>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocateLarge(n * sizeof(T), Scattered));
  }
  void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T), Scattered); }
  template <class U>
  bool operator==(const LargeAllocator<U, Scattered>&) const noexcept {
    return true;
  }
};

// A table read at random.
template <class T>
using ScatteredAllocator = LargeAllocator<T, true>;

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
  char* data() const { return block_.data(); }

 private:
  LargeBlock block_;
  std::size_t used_ = 0;
};

}  // namespace zov
