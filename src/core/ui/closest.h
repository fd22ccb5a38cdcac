// The word a mistyped one was probably meant to be, among those a program
// knows: for "did you mean ...?" after a command, an option or a value.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zov {

// The closest of the candidates to word: the one fewest edits away (an
// insertion, a deletion, a change or a swap of two neighbours each), at most
// two and fewer than half of word; leading dashes count for nothing. None
// when nothing is that close.
std::optional<std::string> Closest(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace zov
