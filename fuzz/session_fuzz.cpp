// libFuzzer target: any bytes taken as a session file (".zov"), loaded and
// replayed on the example model it names, then exported as CSV and JSON;
// its last decision is undone and redone, which must give the same plan.
// The examples are copied into a private folder once, so that a session may
// name them by a relative path ("Lending.mdl", "ATM.mdl").
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "export/exports.h"
#include "session/session_file.h"
#include "support/window_ready.h"
#include "window/generale.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Examples() {
  static const fs::path dir = [] {
    std::error_code ec;
    const fs::path d = fs::temp_directory_path(ec) / ("zov-session-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(d, ec);
    for (const char* name : {"Lending.mdl", "ATM.mdl", "ATM-Services.cat", "ATM.xmi"})
      fs::copy_file(fs::path(ZOV_EXAMPLES_DIR) / name, d / name, fs::copy_options::overwrite_existing, ec);
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path file = Examples() / "fuzz.zov";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  zov::test::WindowReady ready;
  zov::PlanningSession& s = ready.session;
  s.setUndoable(true);
  const unsigned seed = 1;
  if (!zov::LoadSession(s, file.string(), &seed).outcome) return 0;
  zov::KeepFormats(s, {false, true, true});
  // The last decision taken back and taken again gives the same plan.
  if (s.canUndo()) {
    const auto plan = [&s] {
      std::ostringstream index;
      zov::WriteIndexCsv(s, index);
      return zov::ProceduresCsv(s) + index.str();
    };
    const std::string before = plan();
    const std::size_t decisions = s.decisions().size();
    if (!s.undo() || !s.redo() || s.decisions().size() != decisions || plan() != before) __builtin_trap();
  }
  return 0;
}
