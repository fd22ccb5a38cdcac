// The output folder of a plan ("zov plan --out DIR"). The run writes into a
// staging folder inside it, ".zov-staging-<process>", and the plan moves
// into place only when the run succeeded, with the manifest that proves
// which files Zov Suite wrote there. So the folder always holds one whole
// plan: a failed or interrupted run leaves it as it was, and a later run
// recognises (and removes) the staging folder of a run that was killed. A
// lock file, ".zov-lock", keeps two runs from writing into one folder at
// the same time.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/work_folder.h"

namespace zov {

inline constexpr const char* kLockName = ".zov-lock";
inline constexpr const char* kStagingPrefix = ".zov-staging-";

class OutputFolder {
 public:
  // Takes the folder (made when missing): refused, with *error, when it is
  // a link or no folder, another run is writing there, or its manifest
  // proves nothing (files of another are never touched).
  static std::optional<OutputFolder> Open(const std::filesystem::path& dir, std::string* error);
  OutputFolder(OutputFolder&&) noexcept;
  OutputFolder& operator=(OutputFolder&&) = delete;
  OutputFolder(const OutputFolder&) = delete;
  ~OutputFolder();

  const std::filesystem::path& dir() const { return dir_; }
  // Where the run writes: its working files and its results.
  WorkFolder& staging() { return *staging_; }
  const std::filesystem::path& lockPath() const { return lock_; }
  bool made() const { return made_; }

  // Moves the results (the staging folder's scripts list) into the folder,
  // replacing the files an earlier plan proved it wrote and removing those
  // it does not write again, and writes the manifest. Refused, with
  // *error and the folder untouched, when a file of another is in the way.
  bool publish(std::string* error);
  // Lines the manifest keeps after its header, each as "# line": what the
  // plan was made with.
  void setProvenance(std::vector<std::string> lines) { provenance_ = std::move(lines); }
  // The files moved into place by publish().
  const std::vector<std::string>& published() const { return published_; }

 private:
  OutputFolder(std::filesystem::path dir, bool made);
  std::filesystem::path dir_, lock_;
  bool made_ = false;
  bool locked_ = false;
  std::optional<WorkFolder> staging_;
  std::vector<std::string> earlier_;  // files an earlier plan proved it wrote
  std::vector<std::string> published_;
  std::vector<std::string> provenance_;
};

}  // namespace zov
