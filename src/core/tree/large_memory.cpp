#include "tree/large_memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

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
#endif
}  // namespace

void* AllocateLarge(std::size_t bytes, bool scattered) {
#if defined(__linux__)
  if (bytes >= kMapFrom) {
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

void FreeLarge(void* p, std::size_t bytes) noexcept {
  if (p == nullptr) return;
#if defined(__linux__)
  if (bytes >= kMapFrom) {
    munmap(p, MappedLength(bytes));
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
