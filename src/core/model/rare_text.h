// Text that most elements of a reader's table leave empty (a stereotype,
// documentation, an initial value), held apart so that the table stays small.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zov {

class RareText {
 public:
  RareText() = default;
  RareText(const RareText& other) : text_(other.empty() ? nullptr : std::make_unique<std::string>(*other.text_)) {}
  RareText(RareText&&) noexcept = default;
  RareText& operator=(const RareText& other) { return *this = std::string(other); }
  RareText& operator=(RareText&&) noexcept = default;
  bool empty() const { return !text_ || text_->empty(); }
  operator const std::string&() const { return text_ ? *text_ : Empty(); }
  bool operator==(std::string_view other) const {
    return std::string_view(static_cast<const std::string&>(*this)) == other;
  }
  RareText& operator=(std::string s) {
    if (text_)
      *text_ = std::move(s);
    else if (!s.empty())
      text_ = std::make_unique<std::string>(std::move(s));
    return *this;
  }
  RareText& operator+=(std::string_view s) {
    if (!text_) text_ = std::make_unique<std::string>();
    text_->append(s);
    return *this;
  }

 private:
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }
  std::unique_ptr<std::string> text_;
};

}  // namespace zov
