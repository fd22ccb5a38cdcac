// The folder where the program writes test specification documents and
// test scripts, and the working files of a load kept for inspection. Every
// file written there is
// recorded on one of two created-files lists; deleting only ever touches
// files on those lists, so a file the program did not create is never
// overwritten or removed. Files are made with O_CREAT | O_EXCL | O_NOFOLLOW
// (one of ours is removed first, then made anew): a link planted in the
// folder is never followed. A folder may also be kept in memory alone, for
// a run that shows what it made and leaves no file behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <absl/container/node_hash_map.h>

#include "files/output_file.h"

namespace zov {

// The size and hash of files, by name: those of an earlier plan, which a
// large plan has hundreds of thousands of. The names are held one after
// the other in one text, and a table sorted by name says where each is and
// what its file holds: a third of what a hash table of the names takes.
class FilePrints {
 public:
  void reserve(std::size_t files, std::size_t bytes);
  // Adds a file; of a name given twice, the first counts.
  void add(std::string_view name, const FileDigest& print);
  // Makes the table ready to look up, once every file is added.
  void finish();
  const FileDigest* find(std::string_view name) const;
  bool contains(std::string_view name) const { return find(name) != nullptr; }
  // The names, each once, in the order they were added.
  std::vector<std::string_view> names() const;

 private:
  struct Entry {
    std::uint32_t at, size;
    FileDigest print;
  };
  std::string_view nameOf(const Entry& e) const { return std::string_view(text_).substr(e.at, e.size); }
  std::string text_;
  std::vector<Entry> entries_;
};

enum class CreatedList {
  kLoad,     // working files of the model load, kept for inspection: deleted at the next load
  kScripts,  // test specification documents and test scripts (scriptFiles)
};

class WorkFolder {
 public:
  // Uses an existing folder (or creates it); files already there are left alone.
  explicit WorkFolder(std::filesystem::path dir);
  // A new private folder below the system's temporary folder. The destructor
  // removes the files written there and then the folder, when that leaves it
  // empty. std::nullopt with *error set on failure.
  static std::optional<WorkFolder> CreatePrivate(std::string* error);
  // A new folder at dir (which must not exist yet), for this run alone; its
  // maker removes it with whatever is left in it.
  static std::optional<WorkFolder> CreateFresh(const std::filesystem::path& dir, std::string* error);
  // A folder that keeps its files in memory: nothing reaches a disk.
  static WorkFolder InMemory();

  WorkFolder(WorkFolder&&) noexcept;
  WorkFolder& operator=(WorkFolder&&) noexcept;
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  ~WorkFolder();

  const std::filesystem::path& dir() const { return dir_; }
  bool inMemory() const { return inMemory_; }

  // The full path of a plain file name inside the folder; std::nullopt for a
  // name that is empty, absolute, has a folder part or is "." / "..".
  std::optional<std::filesystem::path> pathOf(std::string_view name) const;

  // Opens name for writing as a new file, recording it on the list when it
  // is new. Refuses a file that exists but was not created by this program,
  // and any link. On failure the returned file is not open and *error says
  // why.
  OutputFile create(std::string_view name, CreatedList list, std::string* error);
  // Closes a file opened with create() and checks every write made to it:
  // false when one failed (a full disk), with "Cannot write PATH: why" kept
  // in errors() and put in *error. The size and hash of what was written are
  // kept for the folder's manifest.
  bool close(OutputFile& out, std::string_view name, std::string* error = nullptr);
  // The writes that failed since this object was made, one line each.
  const std::vector<std::string>& errors() const { return errors_; }
  // Records a file the program has written by other means, with its size
  // and hash when they are known.
  bool record(std::string_view name, CreatedList list, std::optional<FileDigest> print = std::nullopt);
  bool created(std::string_view name) const;
  // Whether the file was written through create() since this object was made.
  bool written(std::string_view name) const;
  // The lines of a file in the folder, each without its line break (CR LF
  // or LF); nothing when the file cannot be read.
  std::optional<std::vector<std::string>> readLines(std::string_view name) const;
  // The size and hash of a file as it was written or taken over.
  std::optional<FileDigest> fingerprint(std::string_view name) const;
  // Files written from now on whose name is among prints are compared with
  // that file of dir (which must still have that size): one whose content
  // turns out the same is not made here at all (unchanged() says so), and
  // its lines are read from dir.
  void compareWith(std::filesystem::path dir, std::shared_ptr<const FilePrints> prints);
  // Whether the file written last under that name equals its file in the
  // folder compared with, and so was not made here.
  bool unchanged(std::string_view name) const;

  // The names on a list, in the order they were put there; each stays valid
  // while this folder lives.
  const std::vector<std::string_view>& files(CreatedList list) const;
  // Deletes every file on the list; the load's list is emptied, the
  // scripts list kept. Returns how many files were removed.
  int removeAll(CreatedList list);
  // Deletes one recorded file and takes it off its list.
  bool removeFile(std::string_view name);

 private:
  std::vector<std::string_view>& listOf(CreatedList list);
  OutputFile open(std::string_view name, CreatedList list, std::string* error);
  // A new file at path, or one compared with its namesake in the folder
  // compared with when that has the size proven.
  OutputFile OpenOrCompare(const std::filesystem::path& path, std::string* error);
  // Deletes one file; its lists are left as they are.
  bool removeOne(std::string_view name);

  std::filesystem::path dir_;
  bool removeWhenEmpty_ = false;
  bool inMemory_ = false;
  // The content of each file of a folder kept in memory.
  std::unordered_map<std::string, std::string> memory_;
  // The lists name their files by the names files_ holds.
  std::vector<std::string_view> load_;
  std::vector<std::string_view> scripts_;
  // What is known of each file named so far, in one entry by name: the
  // answers to created(), written(), fingerprint() and unchanged() without
  // a walk of the lists. Each name is held once, here: a large plan records
  // a hundred thousand files and more. Entries keep their place in memory
  // and are never erased, so the lists' names stay valid.
  struct FileState {
    std::optional<FileDigest> print;  // size and hash as written or taken over
    bool listed = false;              // on one of the lists
    bool written = false;             // written through create()
    bool unchanged = false;           // equal to its file in the folder compared with
  };
  absl::node_hash_map<std::string, FileState> files_;
  const FileState* stateOf(std::string_view name) const;
  std::vector<std::string> errors_;
  std::filesystem::path baseline_;
  std::shared_ptr<const FilePrints> baselinePrints_;
};

// Opens path for writing as a new file (O_CREAT | O_EXCL | O_NOFOLLOW). On
// failure the file is not open, *error says why and errno is the system's.
OutputFile OpenNoFollow(const std::filesystem::path& path, std::string* error);

// The record a run keeps in a folder it writes into (an output folder of
// "zov plan", a --work folder): ".zov-plan", naming each file the program
// wrote there with its size and hash, so that a later run may rewrite or
// remove exactly those files.
inline constexpr const char* kManifestName = ".zov-plan";

// The size and a 64-bit FNV-1a hash of a regular file that is not a link;
// std::nullopt for a link, anything else or a file that cannot be read.
std::optional<FileDigest> FingerprintOf(const std::filesystem::path& path);
// "SIZE HASH", as the manifest gives a file's digest.
std::string DigestText(const FileDigest& print);

// The manifest that proves the files names of work's folder: a header, the
// notes as "# note" lines, then "size hash name" for each file among them,
// from the size and hash kept when it was written or taken over.
std::string ManifestText(const WorkFolder& work, const std::vector<std::string_view>& names,
                         const std::vector<std::string>& notes = {});
// The same text written to out a line at a time, for a plan of many files.
void WriteManifest(std::ostream& out, const WorkFolder& work, const std::vector<std::string_view>& names,
                   const std::vector<std::string>& notes = {});

// Takes over the files an earlier run proved it wrote in work's folder:
// each is recorded on the scripts list. Refuses (false, *error says why,
// nothing touched) a manifest that is a link or not a regular file, one
// without the proof (an older list of bare names, or another program's), and
// an entry that is a link, not a regular file, or not the file written.
bool AdoptFolder(WorkFolder& work, std::string* error);
// Ends a run in work's folder. The working files of the load go, unless a
// run that succeeded keeps them for inspection (listed in the manifest then).
// When the
// run succeeded, the files taken over and not written again go too; when it
// failed, the files it wrote go and the earlier ones not rewritten stay.
// The manifest is then written anew for the files that remain (removed when
// none do). False, with *error, when the manifest cannot be written.
bool FinishFolder(WorkFolder& work, bool succeeded, bool keepLoadFiles, std::string* error);

// A run of the command line in a folder, ended on every way out: a private
// folder is emptied (and so removed); a --work or --out folder (shared)
// keeps what the run leaves there listed in its manifest, and one the run
// made goes again when a failed run leaves it empty. done() ends a run that
// succeeded; problems writing the manifest go to report.
class FolderRun {
 public:
  FolderRun(WorkFolder& work, bool shared, bool keepLoadFiles, bool madeFolder,
            std::function<void(const std::string&)> report);
  FolderRun(const FolderRun&) = delete;
  FolderRun& operator=(const FolderRun&) = delete;
  ~FolderRun() { finish(false); }
  // False when the folder's manifest could not be written (said to report).
  bool done() { return finish(true); }

 private:
  bool finish(bool succeeded);
  WorkFolder& work_;
  bool shared_, keep_, made_, finished_ = false;
  std::function<void(const std::string&)> report_;
};

// The folder of a run: dir (made when missing, with *made set; what an
// earlier run proved it wrote there taken over), else a new private one.
// std::nullopt with *error set when it cannot be used; a folder made here
// goes again then.
std::optional<WorkFolder> OpenWorkFolder(const std::optional<std::filesystem::path>& dir, bool& made,
                                         std::string* error);

// Deletes the working files of the last load.
int RimuoveFileCreati(WorkFolder& folder);
// Deletes the test specification documents and test scripts.
int RimuoveFileCreatiUIT(WorkFolder& folder);

}  // namespace zov
