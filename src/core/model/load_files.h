// The working files of a load, kept in memory: the link lines
// ("collegamenti.txt"), the elements that take part in nothing
// ("notlinked_elements.txt"), the dumps of the relation table, and the
// continuation and entry files of the link analysis. They keep the order in
// which they were first named; a folder receives them only for inspection.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tree/string_index.h"

namespace zov {

class WorkFolder;

class LoadFiles {
 public:
  void clear();
  // The file's text, started anew.
  std::string& create(std::string_view name);
  // The file's text to append to, made empty when it is new.
  std::string& append(std::string_view name);
  // The file's text; nullptr when there is no such file.
  const std::string* find(std::string_view name) const;
  // Its first line, without the line break; empty when there is none.
  std::string_view firstLine(std::string_view name) const;
  std::size_t size() const { return files_.size(); }

  // Writes every file into work, on its list of the load's files. False,
  // with the first failure in *error, when one could not be written.
  bool writeTo(WorkFolder& work, std::string* error) const;

 private:
  // A deque: the texts stay where they are while files are added.
  std::deque<std::pair<std::string, std::string>> files_;
  StringIndex<std::size_t> index_;

 public:
  // The same files with the same texts, in the same order.
  bool operator==(const LoadFiles& other) const { return files_ == other.files_; }
};

// The lines of text, each without its line break (CR LF or LF).
std::vector<std::string_view> LinesOf(std::string_view text);

}  // namespace zov
