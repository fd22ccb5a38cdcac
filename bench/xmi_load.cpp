// zov_xmi_load [FILE]: loads an XMI file once in this fresh process (cold)
// and then five times more (warm), and prints the parse-and-map speed in
// MB/s. Without a file it writes the synthetic 50 MB model to a temporary
// file first; "--make FILE [MB]" only writes that file, and "--cold FILE"
// only loads it once, for profiling the cold load. "--bare FILE" only
// parses it with pugixml once (the peak memory of a bare parse, beside that
// of "--cold"), and "--versus-pugixml FILE [ROUNDS]" alternates the reader
// and a bare pugixml parse of the file, each in a process of its own (the
// same page cache, a fresh heap), and prints the median CPU time (user and
// system) and peak memory of each and their ratios, once with the heap this
// process was started with and once more with the one zov starts itself
// with (huge pages, GLIBC_TUNABLES=glibc.malloc.hugetlb=1), which spares
// most page faults: a fault is dear on some virtual machines, and the
// ratio moves with it; then alternates them again in this one process and
// prints the median CPU time of each, and the reader's time in each of its
// steps. These run first, while this process is small: a child's peak
// memory counts the process it was started from.
// In one process the bare parse runs in memory the reader has just touched
// and freed, which a parse of its own never finds: the children's ratio is
// the one a tester loading a model sees.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include <pugixml.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/xmi_model.h"
#include "session/process_heap.h"
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
  const auto cpu = [] {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  const auto bare = [&](const char* file) {
    pugi::xml_document doc;
    const double start = cpu();
    if (!doc.load_file(file)) std::exit(1);
    return cpu() - start;
  };
  zov::XmiModel::Phases lastPhases;
  const auto reader = [&](const char* file) {
    const double start = cpu();
    zov::XmiModel m;
    std::string error;
    if (!m.OpenModel(file, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
    lastPhases = m.LastPhases();
    return cpu() - start;
  };
  if (argc >= 3 && std::string(argv[1]) == "--bare") return bare(argv[2]) >= 0 ? 0 : 1;
  if (argc >= 3 && std::string(argv[1]) == "--versus-pugixml") {
    const int rounds = argc > 3 ? std::stoi(argv[3]) : 5;
    // Each in a fresh child: CPU seconds (user and system) and peak KB.
    const auto child = [&](bool reading, bool hugePages) {
      std::fflush(stdout);
      const pid_t pid = fork();
      if (pid < 0) std::exit(1);
      if (pid == 0) {
        // This program again, loading or parsing once: a fresh heap.
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(1);
        if (hugePages && setenv(zov::kHeapTunables, zov::kHugePageHeap, 1) != 0) _exit(1);
        execl("/proc/self/exe", argv[0], reading ? "--cold" : "--bare", argv[2], static_cast<char*>(nullptr));
        _exit(1);
      }
      int status = 0;
      rusage usage{};
      if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
      const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
      return std::pair<double, long>(seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss);
    };
    const auto median = [](auto v) {
      std::sort(v.begin(), v.end());
      return v[v.size() / 2];
    };
    // The second round of children only where the first did not already
    // run with a setting of the caller's.
    const bool tunedAlready = std::getenv(zov::kHeapTunables) != nullptr;
    for (const bool hugePages : {false, true}) {
      if (hugePages && tunedAlready) break;
      std::vector<double> ourCpu, theirCpu;
      std::vector<long> ourPeak, theirPeak;
      for (int i = 0; i < rounds; ++i) {
        const auto [c1, m1] = child(true, hugePages);
        const auto [c2, m2] = child(false, hugePages);
        ourCpu.push_back(c1);
        ourPeak.push_back(m1);
        theirCpu.push_back(c2);
        theirPeak.push_back(m2);
      }
      const double c = median(ourCpu), d = median(theirCpu);
      const long e = median(ourPeak), f = median(theirPeak);
      std::printf(
          "%s: each in a fresh process%s, the reader %.3f s CPU and %ld MB, a bare pugixml parse %.3f s and %ld MB "
          "(medians of %d, alternated): %.2fx the CPU, %.2fx the memory\n",
          argv[2], hugePages ? " with zov's heap (huge pages)" : (tunedAlready ? " (GLIBC_TUNABLES as given)" : ""), c,
          e * 1024 / 1000000, d, f * 1024 / 1000000, rounds, c / d, static_cast<double>(e) / static_cast<double>(f));
    }
    std::vector<double> ours, theirs;
    std::vector<zov::XmiModel::Phases> phases;
    for (int i = 0; i < rounds; ++i) {
      ours.push_back(reader(argv[2]));
      phases.push_back(lastPhases);
      theirs.push_back(bare(argv[2]));
    }
    const double a = median(ours), b = median(theirs);
    std::printf("%s: the reader %.3f s CPU, a bare pugixml parse %.3f s (medians of %d, alternated): %.2fx\n", argv[2],
                a, b, rounds, a / b);
    // Where the reader's time goes, step by step (wall seconds, medians):
    // its parse beside the bare one, and what the reader does beyond it.
    const auto step = [&](double zov::XmiModel::Phases::*field) {
      std::vector<double> v;
      for (const auto& p : phases) v.push_back(p.*field);
      return median(v);
    };
    std::printf(
        "%s: the reader's steps in this process: parse %.3f s, ids %.3f s, walk %.3f s, references %.3f s, "
        "finishing %.3f s, identifiers %.3f s\n",
        argv[2], step(&zov::XmiModel::Phases::parse), step(&zov::XmiModel::Phases::ids),
        step(&zov::XmiModel::Phases::walk), step(&zov::XmiModel::Phases::resolve), step(&zov::XmiModel::Phases::finish),
        step(&zov::XmiModel::Phases::identifiers));
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
