// The text of a model file: one block read from the file, not initialised
// before it is filled, handed on whole from the reading to the parsing.
#pragma once

#include <cstddef>
#include <memory>

namespace zov {

class TextBlock {
 public:
  TextBlock() = default;
  explicit TextBlock(std::size_t bytes) : data_(std::make_unique_for_overwrite<char[]>(bytes)), size_(bytes) {}

  char* data() const { return data_.get(); }
  std::size_t size() const { return size_; }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
};

}  // namespace zov
