// zov_synth N FILE: writes a synthetic use-case model of N use cases (see
// large_model.h) as a petal file, for timing "zov" on models of any size.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "large_model.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zov_synth USE_CASES FILE\n");
    return 2;
  }
  char* end = nullptr;
  const long n = std::strtol(argv[1], &end, 10);
  if (end == argv[1] || *end != '\0' || n < 1 || n > 10'000'000) {
    std::fprintf(stderr, "zov_synth: invalid number of use cases '%s'\n", argv[1]);
    return 2;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out << zov::bench::LargeModel(static_cast<int>(n));
  out.close();
  if (!out) {
    std::fprintf(stderr, "zov_synth: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
