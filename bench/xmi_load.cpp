// zov_xmi_load [FILE]: loads an XMI file once in this fresh process (cold)
// and then five times more (warm), and prints the parse-and-map speed in
// MB/s. Without a file it writes the synthetic 50 MB model to a temporary
// file first; "--make FILE [MB]" only writes that file, and "--cold FILE"
// only loads it once, for profiling the cold load.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/xmi_model.h"
#include "xmi_synthetic.h"

int main(int argc, char** argv) {
  std::string path;
  if (argc >= 3 && std::string(argv[1]) == "--make") {
    // Only writes the synthetic model (of MB megabytes, default 50), for
    // runs on the same file.
    const std::size_t megabytes = argc > 3 ? std::stoul(argv[3]) : 50u;
    std::ofstream(argv[2], std::ios::binary) << zov::bench::SyntheticXmi(megabytes * 1024 * 1024);
    return 0;
  }
  const bool coldOnly = argc >= 3 && std::string(argv[1]) == "--cold";
  if (coldOnly) {
    path = argv[2];
  } else if (argc > 1) {
    path = argv[1];
  } else {
    path = (std::filesystem::temp_directory_path() / "zov-synthetic-50mb.uml").string();
    std::ofstream(path, std::ios::binary) << zov::bench::SyntheticXmi(50u * 1024 * 1024);
  }
  const double mb = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
  const auto once = [&]() {
    zov::XmiModel m;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    const zov::Handle root = m.OpenModel(path, &error);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!root) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
    return seconds;
  };
  const double cold = once();
  if (coldOnly) {
    std::printf("%s: %.1f MB, cold %.1f MB/s (%.3f s)\n", path.c_str(), mb, mb / cold, cold);
    return 0;
  }
  double warm = 0;
  for (int i = 0; i < 5; ++i) warm += once();
  warm /= 5;
  std::printf("%s: %.1f MB, cold %.1f MB/s (%.3f s), warm %.1f MB/s (%.3f s)\n", path.c_str(), mb, mb / cold, cold,
              mb / warm, warm);
  if (argc <= 1) std::filesystem::remove(path);
  return 0;
}
