// What a mistyped command or option was probably meant to be: "zov lod"
// is "load", "--formats" is "--format". Said instead of CLI11's bare "The
// following arguments were not expected".
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace zov::cli {

// The message for the arguments a parse left over, with "did you mean"
// where one of them is close to a command (when none was given) or to an
// option of the command given; empty when none is.
std::string DidYouMean(const CLI::App& app, const std::vector<std::string>& extras);

}  // namespace zov::cli
