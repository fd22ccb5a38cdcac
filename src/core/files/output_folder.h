// The output folder of a plan ("zov plan --out DIR"). The run writes into a
// staging folder inside it, ".zov-staging-<process>", and the plan moves
// into place only when the run succeeded, with the manifest that proves
// which files Zov Suite wrote there. So the folder always holds one whole
// plan: a failed or interrupted run leaves it as it was.
//
// The move itself is recorded before its first rename: the staging folder
// gets a journal, ".zov-publish", naming every file with the digest it had
// and the digest it gets. A run killed during the move (SIGKILL, a power
// cut) leaves that journal, and the next run into the folder finishes the
// move from it before anything else; a staging folder without a journal is
// an abandoned run and goes. Files whose content does not change are not
// touched.
//
// The lock file ".zov-lock" keeps two runs from writing into one folder at
// the same time: a run holds flock(LOCK_EX) on it from start to end, and the
// kernel releases it however the run ends. The file stays with a published
// plan, so that a script may wait for a finished plan with a shared lock on
// it ("flock -s DIR/.zov-lock ..."); a run that publishes nothing removes
// the lock file it made.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/work_folder.h"

namespace zov {

inline constexpr const char* kLockName = ".zov-lock";
inline constexpr const char* kStagingPrefix = ".zov-staging-";
inline constexpr const char* kJournalName = ".zov-publish";

class OutputFolder {
 public:
  // Takes the folder (made when missing): refused, with *error, when it is
  // a link or no folder, another run holds its lock, or its manifest
  // proves nothing (files of another are never touched). The move of a run
  // killed while it published is finished first.
  static std::optional<OutputFolder> Open(const std::filesystem::path& dir, std::string* error);
  OutputFolder(OutputFolder&&) noexcept;
  OutputFolder& operator=(OutputFolder&&) = delete;
  OutputFolder(const OutputFolder&) = delete;
  ~OutputFolder();

  const std::filesystem::path& dir() const { return dir_; }
  // Where the run writes: its working files and its results.
  WorkFolder& staging() { return *staging_; }
  const std::filesystem::path& lockPath() const { return lock_; }
  // Whether this run made the lock file: it goes again unless the run
  // publishes a plan.
  bool lockMade() const { return lockMade_; }
  bool made() const { return made_; }

  // Moves the results (the staging folder's scripts list) into the folder,
  // replacing the files an earlier plan proved it wrote and removing those
  // it does not write again, and writes the manifest. Refused, with
  // *error and the folder untouched, when a file of another is in the way.
  bool publish(std::string* error);
  // Whether the files of the earlier plan that this run does not write
  // again stay (a run that adds a file to a plan, as results do) rather
  // than go. Their manifest lines and provenance stay with them.
  void keepEarlier(bool keep) { keepEarlier_ = keep; }
  // Whether the earlier plan has a file of this name, and its lines of provenance.
  bool hadEarlier(const std::string& name) const { return earlierPrints_->contains(name); }
  const std::vector<std::string>& earlierProvenance() const { return earlierProvenance_; }
  // Lines the manifest keeps after its header, each as "# line": what the
  // plan was made with.
  void setProvenance(std::vector<std::string> lines) { provenance_ = std::move(lines); }
  // The files of the plan now in place (moved, or left as they were when
  // their content did not change); the names stay valid while this lives.
  const std::vector<std::string_view>& published() const { return published_; }
  // How many of them publish() moved.
  std::size_t moved() const { return moved_; }

 private:
  OutputFolder(std::filesystem::path dir, bool made);
  std::filesystem::path dir_, lock_;
  bool made_ = false;
  int lockFd_ = -1;
  bool lockMade_ = false;  // the lock file was made by this run
  std::optional<WorkFolder> staging_;
  // The files an earlier plan proved it wrote, in its order, with their
  // digests: one table, which the staging folder compares with too (a
  // large plan has hundreds of thousands of files).
  std::shared_ptr<const FilePrints> earlierPrints_ = std::make_shared<const FilePrints>();
  std::vector<std::string_view> published_;
  std::size_t moved_ = 0;
  std::vector<std::string> provenance_, earlierProvenance_;
  bool keepEarlier_ = false;
};

// Finishes the move a run recorded in the journal of staging (a staging
// folder of dir) and was killed during: every file the journal names ends
// as the run meant it, unless its staged copy is gone or a file of another
// took its place, and the manifest is written for what is there. The
// journal goes last. False when staging holds no journal (nothing was
// moved: the staging folder is merely abandoned); *error is set when the
// journal is there but the move could not be finished.
bool FinishPublish(const std::filesystem::path& dir, const std::filesystem::path& staging, std::string* error);

}  // namespace zov
