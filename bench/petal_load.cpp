// zov_petal_load [FILE]: parses a petal file once in this fresh process
// (cold: a new heap, the file maybe in the page cache) and prints the speed
// in MB/s and the memory the parse took: the growth of the peak resident
// size, per byte of the file. Without a file it writes the synthetic 25 MB
// model to a temporary file and measures in a fresh process of its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/petal_parser.h"
#include "petal_synthetic.h"

namespace {

// The peak resident size of this process so far, in bytes.
double PeakBytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

int Measure(const std::string& path) {
  const double size = static_cast<double>(std::filesystem::file_size(path));
  const double before = PeakBytes();
  zov::petal::ParseError error;
  const auto start = std::chrono::steady_clock::now();
  const auto doc = zov::petal::ParseFile(path, &error);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double after = PeakBytes();
  if (!doc) {
    std::fprintf(stderr, "%s\n", error.format().c_str());
    return 1;
  }
  const double mb = size / (1024.0 * 1024.0);
  std::printf("%s: %.1f MB, %zu forms, cold parse %.1f MB/s (%.3f s), %.2f bytes of peak memory per byte\n",
              path.c_str(), mb, doc->formCount(), mb / seconds, seconds, (after - before) / size);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) return Measure(argv[1]);
  // The model is made in a child, so that making it leaves no trace in the
  // peak size of the process that measures.
  const std::string path =
      (std::filesystem::temp_directory_path() / ("zov-synthetic-25mb-" + std::to_string(::getpid()) + ".mdl")).string();
  const pid_t child = ::fork();
  if (child == 0) {
    std::ofstream(path, std::ios::binary) << zov::bench::SyntheticPetal(25u * 1024 * 1024);
    std::_Exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  const pid_t measure = ::fork();
  if (measure == 0) {
    ::execl("/proc/self/exe", argv[0], path.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  ::waitpid(measure, &status, 0);
  std::filesystem::remove(path);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
