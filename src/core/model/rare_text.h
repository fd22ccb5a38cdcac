// Text that most elements of a reader's table leave empty (a stereotype,
// documentation, an initial value), held apart so that the table stays small.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
  friend bool operator==(const RareText& a, const RareText& b) { return a == std::string_view(b.str()); }
  const std::string& str() const { return *this; }
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

// A list of texts that most records leave empty (a choice's properties and
// selectors), held apart as RareText holds its text: eight bytes where a
// vector takes twenty-four.
class RareList {
 public:
  RareList() = default;
  RareList(std::initializer_list<std::string> items)
      : list_(items.size() == 0 ? nullptr : std::make_unique<std::vector<std::string>>(items)) {}
  RareList(const RareList& other)
      : list_(other.empty() ? nullptr : std::make_unique<std::vector<std::string>>(*other.list_)) {}
  RareList(RareList&&) noexcept = default;
  RareList& operator=(const RareList& other) {
    list_ = other.empty() ? nullptr : std::make_unique<std::vector<std::string>>(*other.list_);
    return *this;
  }
  RareList& operator=(RareList&&) noexcept = default;

  const std::vector<std::string>& items() const { return list_ ? *list_ : Empty(); }
  operator const std::vector<std::string>&() const { return items(); }  // NOLINT: reads as the list
  // The list to change, made when first needed.
  std::vector<std::string>& edit() {
    if (!list_) list_ = std::make_unique<std::vector<std::string>>();
    return *list_;
  }
  bool empty() const { return !list_ || list_->empty(); }
  std::size_t size() const { return list_ ? list_->size() : 0; }
  const std::string& operator[](std::size_t i) const { return (*list_)[i]; }
  void push_back(std::string text) { edit().push_back(std::move(text)); }
  std::vector<std::string>::const_iterator begin() const { return items().begin(); }
  std::vector<std::string>::const_iterator end() const { return items().end(); }
  friend bool operator==(const RareList& a, const RareList& b) { return a.items() == b.items(); }
  friend bool operator==(const RareList& a, const std::vector<std::string>& b) { return a.items() == b; }

 private:
  static const std::vector<std::string>& Empty() {
    static const std::vector<std::string> empty;
    return empty;
  }
  std::unique_ptr<std::vector<std::string>> list_;
};

}  // namespace zov
