#include "session/process_heap.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace zov {

namespace {
constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kHugePages = "glibc.malloc.hugetlb=1";
// Set for the second start only: it says the first one set the tunables.
constexpr const char* kStartedAgain = "ZOV_HEAP_TUNED";
}  // namespace

void TuneProcessHeap(char** argv) {
  if (const char* again = std::getenv(kStartedAgain); again != nullptr && std::strcmp(again, "1") == 0) {
    unsetenv(kStartedAgain);
    if (const char* t = std::getenv(kTunables); t != nullptr && std::strcmp(t, kHugePages) == 0) unsetenv(kTunables);
  } else if (std::getenv(kTunables) == nullptr && argv != nullptr && argv[0] != nullptr) {
    if (setenv(kTunables, kHugePages, 1) == 0 && setenv(kStartedAgain, "1", 1) == 0) execv("/proc/self/exe", argv);
    // Not started again: on as before, without the setting.
    unsetenv(kTunables);
    unsetenv(kStartedAgain);
  }
  mallopt(M_ARENA_MAX, 1);
}

}  // namespace zov
