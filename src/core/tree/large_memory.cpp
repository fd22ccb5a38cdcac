#include "tree/large_memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zov {

namespace {
constexpr std::size_t kMapFrom = std::size_t{1} << 22;
#if defined(__linux__)
constexpr std::size_t kPage = 4096;
// Rounded up to whole pages; a size too large for that fails in mmap.
std::size_t MappedLength(std::size_t bytes) {
  return bytes > ~(kPage - 1) ? bytes : (bytes + kPage - 1) & ~(kPage - 1);
}
// Faults pages in without writing them (Linux 5.14 and later).
#if !defined(MADV_POPULATE_WRITE)
#define MADV_POPULATE_WRITE 23
#endif

// Freed blocks are kept, up to a bound, for the next block of the same size:
// a model loaded again, or a table that grows into the size another one just
// left, then finds its pages in place instead of faulting them in anew. The
// system may take back the pages of a kept block when it runs short.
class KeptBlocks {
 public:
  void* take(std::size_t length, bool scattered) {
    const std::lock_guard lock(mutex_);
    for (std::size_t i = kept_.size(); i-- > 0;)
      if (kept_[i].length == length && kept_[i].scattered == scattered) {
        void* p = kept_[i].p;
        total_ -= length;
        kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(i));
        return p;
      }
    return nullptr;
  }
  void keep(void* p, std::size_t length, bool scattered) {
    if (length > kAtMost) {
      munmap(p, length);
      return;
    }
    madvise(p, length, MADV_FREE);
    const std::lock_guard lock(mutex_);
    while (total_ + length > kAtMost) {
      munmap(kept_.front().p, kept_.front().length);
      total_ -= kept_.front().length;
      kept_.erase(kept_.begin());
    }
    try {
      kept_.push_back({p, length, scattered});
    } catch (const std::bad_alloc&) {
      munmap(p, length);
      return;
    }
    total_ += length;
  }

 private:
  static constexpr std::size_t kAtMost = std::size_t{256} << 20;
  struct Kept {
    void* p;
    std::size_t length;
    bool scattered;
  };
  std::mutex mutex_;
  std::vector<Kept> kept_;
  std::size_t total_ = 0;
};

KeptBlocks& Keeper() {
  static KeptBlocks* kept = new KeptBlocks;  // never destroyed: blocks may be freed at exit
  return *kept;
}
#endif
}  // namespace

void* AllocateLarge(std::size_t bytes, bool scattered) {
#if defined(__linux__)
  if (bytes >= kMapFrom) {
    if (void* p = Keeper().take(MappedLength(bytes), scattered)) return p;
    void* p =
        mmap(nullptr, MappedLength(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
    if (scattered) madvise(p, MappedLength(bytes), MADV_HUGEPAGE);
#endif
    return p;
  }
#else
  (void)scattered;
#endif
  void* p = std::malloc(bytes == 0 ? 1 : bytes);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void FreeLarge(void* p, std::size_t bytes, bool scattered) noexcept {
  if (p == nullptr) return;
#if defined(__linux__)
  if (bytes >= kMapFrom) {
    Keeper().keep(p, MappedLength(bytes), scattered);
    return;
  }
#endif
  std::free(p);
}

std::jthread PrefaultInBackground(void* block, std::size_t bytes) {
#if defined(__linux__)
  if (block == nullptr || bytes < kMapFrom) return {};
  return std::jthread([start = static_cast<char*>(block), length = MappedLength(bytes)] {
    // A few megabytes at a time, so that the address space is never held
    // long against the thread that works in it.
    constexpr std::size_t kStep = std::size_t{4} << 20;
    for (std::size_t at = 0; at < length; at += kStep)
      if (madvise(start + at, std::min(kStep, length - at), MADV_POPULATE_WRITE) != 0) return;
  });
#else
  (void)block;
  (void)bytes;
  return {};
#endif
}

}  // namespace zov
