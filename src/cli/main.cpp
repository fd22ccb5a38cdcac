// zov: the command-line front end of Zov Suite.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: zov [OPTION]... COMMAND [ARGUMENT]...\n"
      "Plan tests from a UML model kept in Rational Rose petal files (.mdl, .cat).\n"
      "\n"
      "Options:\n"
      "  -h, --help     show this help and exit\n"
      "  -V, --version  show the version and exit\n"
      "\n"
      "Exit status: 0 if all went well, 1 if the work failed, 2 on a usage error.\n",
      out);
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "zov: %s\nTry 'zov --help' for more information.\n", message.c_str());
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("missing command");
  for (std::string_view a : args) {
    if (a == "-h" || a == "--help") {
      PrintUsage(stdout);
      return kExitOk;
    }
    if (a == "-V" || a == "--version") {
      std::printf("zov (Zov Suite) %s\n", ZOV_VERSION);
      return kExitOk;
    }
  }
  std::string_view first = args.front();
  if (first.size() > 1 && first[0] == '-') return UsageError("unrecognized option '" + std::string(first) + "'");
  return UsageError("unknown command '" + std::string(first) + "'");
}
