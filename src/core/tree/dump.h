// A tree as tab-separated text, one node per line in collection order under
// the header "index depth key kind text tag fore back bold parent" (colours
// as 0xBBGGRR, bold as 0/1, parent as the index of the parent's line, 0 for
// a root; a tab, line break or backslash inside a field is written \t, \n,
// \r, \\). What "zov tree" prints.
#pragma once

#include <cstdio>

#include "tree/tree.h"

namespace zov {

void WriteTree(const Tree& t, std::FILE* out);

}  // namespace zov
