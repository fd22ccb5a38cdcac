// "&Processing...": turns the selected test cases into the table of test
// cases, the Test Specification tree TV(2) and one test specification
// document per path of each test case.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>

#include "generation/test_case_table.h"
#include "model/model_source.h"
#include "tree/tree.h"

namespace zov {

class WorkFolder;

inline std::string PathKey(int testCase, const std::string& path) { return std::to_string(testCase) + "/" + path; }

// What a run of "&Processing..." leaves for the editors, the generation of
// test procedures and the printing.
struct SpecificationState {
  TestCaseTable table;
  std::vector<std::string> specDocuments;  // file names, in writing order
  // The document written for each path or branch node of TV(2), and for
  // each path, by PathKey(test case, path): its place in specDocuments, so
  // that a large plan keeps each file name once.
  absl::flat_hash_map<NodeId, int> documentByNode;
  absl::flat_hash_map<std::string, int> documentByPath;
  int notWritten = 0;  // documents that could not be written

  // The file of a path's document; nullptr when it has none.
  const std::string* documentOfPath(int testCase, const std::string& path) const {
    const auto it = documentByPath.find(PathKey(testCase, path));
    return it == documentByPath.end() ? nullptr : &specDocuments[static_cast<std::size_t>(it->second)];
  }

  // Where the record of a message or parameter node of TV(2) lies: test
  // case, message record and (for a parameter) attribute; by node.
  struct Place {
    int testCase = 0;
    int message = 0;
    int attribute = -1;

    bool operator==(const Place&) const = default;
  };
  // By node of TV(2), which keeps its number while the tree lives (the
  // tree and this state are cleared together): a large plan has hundreds of
  // thousands of them, and the keys are long texts the tree already holds.
  absl::flat_hash_map<NodeId, Place> places;
  // The test case each top node of TV(2) stands for, by the node's key.
  std::unordered_map<std::string, int> cases;
  const Place* place(NodeId node) const {
    const auto it = places.find(node);
    return it == places.end() ? nullptr : &it->second;
  }
  bool operator==(const SpecificationState&) const = default;
};

// The diagram identifier of each test case, by its number: `cases` turned round.
std::unordered_map<int, std::string> DiagramsByNumber(const SpecificationState& st);
// The diagram identifier of test case n in such a map, else "SD<n>".
inline std::string DiagramOf(const std::unordered_map<int, std::string>& diagrams, int testCase) {
  const auto d = diagrams.find(testCase);
  return d == diagrams.end() ? "SD" + std::to_string(testCase) : d->second;
}

// The files named while "&Processing..." runs, as places in a list of file
// names (SpecificationState::specDocuments): found by the name built from
// the node texts, and as a file system that folds letter case sees them
// (FileNameKey). Each name is held once, in that list; the name a file was
// made from is kept apart only where it is not the file's name less
// ".txt". A large plan names a hundred thousand documents and more.
class DocumentNames {
 public:
  explicit DocumentNames(std::vector<std::string>& files);
  DocumentNames(const DocumentNames&) = delete;
  DocumentNames& operator=(const DocumentNames&) = delete;

  // The file for a document named base, as its place in the list: the same
  // file for the same name, a safe name, numbered when another name led to
  // it already.
  int assign(const std::string& base);

 private:
  // The name the file at that place was made from.
  std::string_view nameOf(int at) const;
  std::string_view fileOf(int at) const { return files_[static_cast<std::size_t>(at)]; }

  // Places compared by their names (kFolded false), or by their files'
  // names with letter case folded; a name or file name looks its place up
  // directly.
  template <bool kFolded>
  struct Places {
    using is_transparent = void;
    const DocumentNames* names;
    std::string_view text(int at) const { return kFolded ? names->fileOf(at) : names->nameOf(at); }
    std::size_t operator()(int at) const { return (*this)(text(at)); }
    std::size_t operator()(std::string_view s) const;
    bool operator()(int a, int b) const { return a == b; }
    bool operator()(int at, std::string_view s) const;
    bool operator()(std::string_view s, int at) const { return (*this)(at, s); }
  };

  std::vector<std::string>& files_;
  absl::flat_hash_map<int, std::string> otherNames_;
  absl::flat_hash_set<int, Places<false>, Places<false>> byName_;
  absl::flat_hash_set<int, Places<true>, Places<true>> byFile_;
};

// Fills R.messages from the diagram's messages, naming the paths: each
// top-level message opens a path; an IF with its ELSE splits the path into
// ".1" and ".2" branches, the ELSE branch starting with copies of the
// messages before the IF. notice is told when messages are left out.
void CollectMessages(const ModelSource& m, Handle diagram, TestCaseRecord& r,
                     const std::function<void(const std::string&)>& notice);
// Why the tree cannot lay out the records' paths one after the other (a
// path, or the paths of one top-level number, split by another), or empty.
std::string PathsOutOfOrder(const TestCaseRecord& r);
// The number of runs of equal path names (1 for an empty list).
std::int16_t CountPaths(const TestCaseRecord& r);
// allotted over paths: q each, one more for the first r paths.
struct Quote {
  int q = 0;
  int r = 0;
  bool tooFew = false;  // fewer procedures than paths
};
Quote SharePaths(int allotted, int paths);

// A document name made safe: no folder separators, "..", characters that
// file systems refuse or control characters.
std::string SafeFileName(std::string_view name);
// A file name as a file system that folds letter case compares it.
std::string FileNameKey(std::string_view name);

// What "&Processing..." works with and reports to.
struct ProcessingContext {
  const ModelSource& model;
  Handle modelHandle;
  const Tree& chosen;  // the selected test cases
  Tree& spec;          // the Test Specification tree
  SpecificationState& state;
  WorkFolder* work;                                 // where the documents go
  std::function<void(const std::string&)> warn;     // a warning box
  std::function<void(const std::string&)> leftOut;  // something left out or not written
  std::function<void(std::string_view)> status;     // the busy box's text
  std::function<void(int, int)> progress;           // test cases done of all
  // Documents named "<diagram identifier>_<diagram name, blanks as ->_<path>.txt",
  // which a changed budget or selection leaves as they are, instead of by
  // the texts of the tree's nodes.
  bool stableNames = false;
};
// The command: the table, the tree and the documents, anew.
void ProcessTestCases(const ProcessingContext& c);

// The document shown for a click on a path or branch node of the Test
// Specification tree: its file name, or empty when the node is no such node
// or has no document.
std::string DocumentOfNode(const Tree& spec, const SpecificationState& st, NodeId node);

}  // namespace zov
