#include "tree/large_memory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zov {

namespace {
constexpr std::size_t kMapFrom = std::size_t{1} << 22;
#if defined(__linux__)
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
constexpr std::uintptr_t kPage = 4096;
std::size_t MappedLength(std::size_t bytes) { return (bytes + kPage - 1) & ~(kPage - 1); }
#endif
}  // namespace

void* AllocateLarge(std::size_t bytes) {
#if defined(__linux__)
  if (bytes >= kMapFrom && bytes <= static_cast<std::size_t>(-1) - 2 * kHugePage) {
    // A huge page more than asked is mapped and the block starts on a
    // huge-page boundary; the head and tail left over are given back, so the
    // block can be unmapped from its start and size alone.
    const std::size_t length = MappedLength(bytes);
    const std::size_t mapped = length + kHugePage;
    void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t start = (at + kHugePage - 1) & ~(kHugePage - 1);
    if (start > at) munmap(p, start - at);
    if (at + mapped > start + length) munmap(reinterpret_cast<void*>(start + length), at + mapped - start - length);
#if defined(MADV_HUGEPAGE)
    madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(start);
  }
#endif
  void* p = std::malloc(bytes == 0 ? 1 : bytes);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void FreeLarge(void* p, std::size_t bytes) noexcept {
  if (p == nullptr) return;
#if defined(__linux__)
  if (bytes >= kMapFrom && bytes <= static_cast<std::size_t>(-1) - 2 * kHugePage) {
    munmap(p, MappedLength(bytes));
    return;
  }
#endif
  std::free(p);
}

}  // namespace zov
