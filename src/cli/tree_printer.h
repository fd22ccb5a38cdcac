// What zov prints: the trees, one node per line, and the model's summary.
#pragma once

#include <string>

#include "model/model_source.h"
#include "tree/tree.h"

namespace zov::cli {

// One line per node in collection order, tab-separated under the header
// "index depth key kind text tag fore back bold" (colours as 0xBBGGRR,
// bold as 0/1; tabs, line breaks and backslashes inside a field written
// \t, \n, \r, \\).
void PrintTree(const Tree& t);
// "1 package", "2 packages".
std::string Plural(long n, const char* one, const char* many);
// "5 packages, 8 use cases, ..., 8 messages".
std::string Summary(const ModelSummary& s);

}  // namespace zov::cli
