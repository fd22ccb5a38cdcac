// How a process of Zov Suite takes its memory from the system.
#pragma once

namespace zov {

// The environment variable the C library reads its settings from, and the
// setting TuneProcessHeap starts the program again with; a benchmark that
// compares with a bare program sets the same for both.
inline constexpr const char* kHeapTunables = "GLIBC_TUNABLES";
inline constexpr const char* kHugePageHeap = "glibc.malloc.hugetlb=1";

// Called first thing in main. Backs the heap with huge pages where the
// system offers them on request (transparent huge pages, "madvise"): a
// large model's text, forms, tables and trees then take a few hundred page
// faults instead of a hundred thousand, and fewer address-translation
// misses. The C library reads that setting (GLIBC_TUNABLES) only when a
// program starts, so the program starts itself again once with it; not
// when the environment already tunes the C library (the user's own
// choice), nor when the program cannot be started again. The setting is
// taken out of the environment of the second start, so that what the
// program starts in turn (a browser, a printer's filter) keeps its own.
// Then one heap for every thread: the second threads of a load allocate
// little, and what they freed would otherwise stay in heaps of their own.
void TuneProcessHeap(char** argv);

}  // namespace zov
