// Generic reader of Rose's petal text format: forms (object, list, value
// and tuples), attributes and values, without knowing what they mean.
//
//   (object KIND ["name" ["name2"]] [@N] attr value attr value ...)
//   (list KIND item item ...)
//   (value KIND "text")
//   (450, 225)  ("DataBaseSet" 800)
//
// Values are quoted strings (backslash escapes), multi-line strings (lines
// that begin with '|'), numbers, words (TRUE, FALSE ...), references @N and
// nested forms.
//
// A document keeps the file's text and points into it: strings with
// escapes or several lines are decoded in place, over their own raw text,
// so nothing is copied. Forms and attributes are small records, and their
// storage is sized from a quick count of the text before parsing. A large
// file is read and parsed in two halves at once, the latter from the first
// line past the middle that opens a form; the first half's parse takes the
// latter's forms when it reaches that line, and parses on alone when the
// two do not fit together, so that the document and any error are those of
// one parse from the start.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include "tree/string_index.h"
#include "tree/text_block.h"

namespace zov::petal {

enum class ValueKind : std::uint8_t { kNone, kString, kNumber, kWord, kReference, kForm };
enum class FormKind : std::uint8_t { kObject, kList, kValue, kTuple };

// A piece of a document's text, read like a std::string_view, in eight
// bytes: the address of its first byte (user-space addresses have 48 bits)
// and its length. A text of kLong bytes or more ends with a NUL byte, which
// no petal text holds, and its length is counted when it is read.
class Text {
 public:
  static constexpr std::size_t kLong = 0xFFFF;
  static constexpr std::uint64_t kAddressBits = 48;

  Text() = default;
  // Whether a text at this address can be held.
  static bool Addressable(const void* p) { return reinterpret_cast<std::uintptr_t>(p) >> kAddressBits == 0; }
  // size below kLong, or a text that ends with a NUL byte.
  Text(const char* p, std::size_t size)
      : bits_(reinterpret_cast<std::uintptr_t>(p) | static_cast<std::uint64_t>(size < kLong ? size : kLong)
                                                        << kAddressBits) {}

  std::string_view view() const {
    const auto* p = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(bits_ & kAddressMask));
    const std::size_t size = bits_ >> kAddressBits;
    return {p, size == kLong ? std::strlen(p) : size};
  }
  operator std::string_view() const { return view(); }
  bool empty() const { return bits_ >> kAddressBits == 0; }
  std::size_t size() const { return view().size(); }

  friend bool operator==(const Text& a, std::string_view b) { return a.view() == b; }
  friend std::ostream& operator<<(std::ostream& out, const Text& t) { return out << t.view(); }

 private:
  static constexpr std::uint64_t kAddressMask = (std::uint64_t{1} << kAddressBits) - 1;
  std::uint64_t bits_ = 0;
};

struct Value {
  ValueKind kind = ValueKind::kNone;
  std::uint32_t form = 0;  // the nested form, for kForm
  Text text;               // string content (raw bytes), number, word, or label "@N"
  std::uint32_t line = 0;
  std::uint32_t column = 0;
};

// An attribute of an object; the items of lists, tuples and value forms
// are stored the same way with an empty name.
struct Attribute {
  Text name;
  Value value;
};

struct Form {
  FormKind kind = FormKind::kObject;
  Text type;   // Class, UseCase, unit_reference_list ...
  Text name;   // first quoted string after the type, if any
  Text name2;  // second one (views: "Use Case View::x"); later ones are dropped
  Text label;  // "@N", if labelled
  std::uint32_t first = 0;
  std::uint32_t count = 0;
  std::uint32_t line = 0;
  std::uint32_t column = 0;
};

struct ParseError {
  std::string file;
  std::uint32_t line = 0;
  std::uint32_t column = 0;
  std::string message;
  // "file:line:column: message"
  std::string format() const;
};

class Document {
 public:
  const std::string& file() const { return file_; }
  // Top-level forms in order: the header (object Petal ...) first.
  const std::vector<std::uint32_t>& top() const { return top_; }
  const Form& form(std::uint32_t index) const {
    return (index & kOfLatterHalf) != 0 ? latterForms_[index & ~kOfLatterHalf] : forms_[index];
  }
  std::size_t formCount() const { return forms_.size() - 1 + latterForms_.size() - 1; }
  std::span<const Attribute> attributes(const Form& f) const {
    const std::vector<Attribute>& in = (f.first & kOfLatterHalf) != 0 ? latterAttributes_ : attributes_;
    return {in.data() + (f.first & ~kOfLatterHalf), f.count};
  }
  // The value of the first attribute with that name, or nullptr.
  const Value* find(const Form& f, std::string_view name) const;
  // The form a value holds (nullptr unless it is a form).
  const Form* formOf(const Value* v) const;
  // The form labelled "@N", or nullptr.
  const Form* labelled(std::string_view label) const;
  std::uint32_t indexOf(const Form* f) const {
    if (f >= latterForms_.data() && f < latterForms_.data() + latterForms_.size())
      return static_cast<std::uint32_t>(f - latterForms_.data()) | kOfLatterHalf;
    return static_cast<std::uint32_t>(f - forms_.data());
  }
  // Whether the file began with a UTF-8 byte order mark.
  bool utf8() const { return utf8_; }

 private:
  friend class Parser;
  friend struct Halves;
  friend std::optional<Document> ParseBlock(TextBlock, std::size_t, std::string, ParseError*, std::size_t);
  friend std::optional<Document> ParseFile(const std::string&, ParseError*);
  std::string file_;
  // The content; texts into it stay valid when the document moves.
  TextBlock buffer_;
  std::size_t size_ = 0;
  std::deque<std::string> long_;  // words of kLong bytes or more, ended by a NUL
  // Texts the second thread read from the latter half of a large file:
  // decoded strings and long words, ended by a NUL.
  std::deque<std::string> halfTexts_;
  std::vector<Form> forms_ = std::vector<Form>(1);
  std::vector<Attribute> attributes_;
  // The forms the second thread read whole, their attributes and labels,
  // where it put them: their numbers, and the `first` of their forms, have
  // this bit set.
  static constexpr std::uint32_t kOfLatterHalf = std::uint32_t{1} << 31;
  std::vector<Form> latterForms_ = std::vector<Form>(1);
  std::vector<Attribute> latterAttributes_;
  absl::flat_hash_map<std::string_view, std::uint32_t, ViewHash> latterLabels_;
  std::vector<std::uint32_t> top_;
  absl::flat_hash_map<std::string_view, std::uint32_t, ViewHash> labels_;  // texts into the content
  bool utf8_ = false;
};

// Texts of this many bytes or more are parsed in two halves at once.
inline constexpr std::size_t kHalvesFrom = std::size_t{4} << 20;

// Parses a whole file's content. On failure returns std::nullopt and fills
// *error with the position and what was expected. The document and the
// error are the same whether the text is parsed in halves or not.
std::optional<Document> Parse(std::string content, std::string fileName, ParseError* error,
                              std::size_t halvesFrom = kHalvesFrom);
// The same of the first `size` bytes of a block, which holds a NUL after them.
std::optional<Document> ParseBlock(TextBlock content, std::size_t size, std::string fileName, ParseError* error,
                                   std::size_t halvesFrom = kHalvesFrom);
// Reads and parses a file.
std::optional<Document> ParseFile(const std::string& path, ParseError* error);

}  // namespace zov::petal
