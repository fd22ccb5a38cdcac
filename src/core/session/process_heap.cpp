#include "session/process_heap.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace zov {

namespace {
// Set for the second start only: it says the first one set the tunables.
constexpr const char* kStartedAgain = "ZOV_HEAP_TUNED";
}  // namespace

void TuneProcessHeap(char** argv) {
  if (const char* again = std::getenv(kStartedAgain); again != nullptr && std::strcmp(again, "1") == 0) {
    unsetenv(kStartedAgain);
    if (const char* t = std::getenv(kHeapTunables); t != nullptr && std::strcmp(t, kHugePageHeap) == 0)
      unsetenv(kHeapTunables);
  } else if (std::getenv(kHeapTunables) == nullptr && argv != nullptr && argv[0] != nullptr) {
    if (setenv(kHeapTunables, kHugePageHeap, 1) == 0 && setenv(kStartedAgain, "1", 1) == 0)
      execv("/proc/self/exe", argv);
    // Not started again: on as before, without the setting.
    unsetenv(kHeapTunables);
    unsetenv(kStartedAgain);
  }
  mallopt(M_ARENA_MAX, 1);
}

}  // namespace zov
