#include "model/petal_parser.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#include "files/input_file.h"

namespace zov::petal {

std::string ParseError::format() const {
  std::string text = file;
  if (line > 0) text += ":" + std::to_string(line) + ":" + std::to_string(column);
  text += ": " + message;
  return text;
}

const Value* Document::find(const Form& f, std::string_view name) const {
  // Most names differ in length or in their first letter: those are passed
  // over before the bytes are compared.
  for (const Attribute& a : attributes(f))
    if (const std::string_view n = a.name; n.size() == name.size() && (n.empty() || n[0] == name[0]) && n == name)
      return &a.value;
  return nullptr;
}

const Form* Document::formOf(const Value* v) const {
  return v != nullptr && v->kind == ValueKind::kForm ? &form(v->form) : nullptr;
}

const Form* Document::labelled(std::string_view label) const {
  // A label given again further on names the later form.
  if (auto it = latterLabels_.find(label); it != latterLabels_.end()) return &form(it->second);
  auto it = labels_.find(label);
  return it == labels_.end() ? nullptr : &form(it->second);
}

namespace {

constexpr int kMaxDepth = 400;

bool IsWordStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$'; }
bool IsWordChar(unsigned char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9') || c == '.' || c == ':' || c == '-' || c == '#';
}
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

std::string Describe(unsigned char c) {
  char buffer[32];
  if (c >= 0x20 && c < 0x7F)
    std::snprintf(buffer, sizeof buffer, "'%c'", c);
  else
    std::snprintf(buffer, sizeof buffer, "byte 0x%02X", c);
  return buffer;
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  out.append(s.substr(0, 40));
  if (s.size() > 40) out += "...";
  out += "\"";
  return out;
}

// How many '(' and how many line feeds the text holds, sixteen bytes at a
// time in the compiler's vector types (one SIMD register where there is
// one): each byte of a running count counts the matches at its place, and
// is added up before it can pass 255.
std::pair<std::size_t, std::size_t> CountOpensAndLines(std::string_view text) {
  using Bytes = std::uint8_t __attribute__((vector_size(16)));
  constexpr std::size_t kWidth = sizeof(Bytes);
  const auto sum = [](Bytes counts) {
    std::size_t total = 0;
    for (std::size_t k = 0; k < kWidth; ++k) total += counts[k];
    return total;
  };
  const Bytes open = Bytes{} + std::uint8_t{'('}, line = Bytes{} + std::uint8_t{'\n'};
  std::size_t opens = 0, lines = 0, i = 0;
  while (i + kWidth <= text.size()) {
    Bytes opensHere{}, linesHere{};
    for (int block = 0; block < 255 && i + kWidth <= text.size(); ++block, i += kWidth) {
      Bytes x;
      std::memcpy(&x, text.data() + i, kWidth);
      // A comparison gives all ones (255) where equal: subtracting adds one.
      opensHere -= reinterpret_cast<Bytes>(x == open);
      linesHere -= reinterpret_cast<Bytes>(x == line);
    }
    opens += sum(opensHere);
    lines += sum(linesHere);
  }
  for (; i < text.size(); ++i) {
    opens += text[i] == '(';
    lines += text[i] == '\n';
  }
  return {opens, lines};
}

// Where the latter half's parse starts: the '(' of the first line from
// `from` on that opens a form, and the start of that line; nulls when no
// line does.
std::pair<const char*, const char*> SplitPoint(const char* from, const char* end) {
  for (const char* p = from; p < end;) {
    const void* lineEnd = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    if (lineEnd == nullptr) break;
    const char* lineStart = static_cast<const char*>(lineEnd) + 1;
    const char* q = lineStart;
    while (q < end && (*q == ' ' || *q == '\t' || *q == '\r')) ++q;
    if (q < end && *q == '(') return {q, lineStart};
    p = q;
  }
  return {nullptr, nullptr};
}

}  // namespace

// What the second thread read from the split point on: its own forms and
// attributes (numbered from 1 and 0, lines counted from the split's line),
// and the items of the forms open at the split, whose kind it cannot know:
// levels[0] those of the innermost one up to its ')', levels[1] those of
// the form around it, and so on; the last level holds the top-level forms
// after them.
struct Tail {
  Document part;
  std::vector<std::vector<Attribute>> levels;
  int deepest = 0;  // nesting depth below the split's level
  bool parsed = false;
};

class Parser {
 public:
  Parser(Document& doc, ParseError* error) : doc_(doc), error_(error) {
    static char empty[1] = {'\0'};
    base_ = doc.size_ > 0 ? doc.buffer_.data() : empty;
    p_ = base_;
    begin_ = p_;
    end_ = p_ + doc.size_;
    lineStart_ = p_;
  }
  // The latter half of a text, from `from` (on the line that starts at
  // lineStart) to end, into a document of its own. It only reads the text:
  // the strings it decodes are copies.
  Parser(Document& part, const char* from, const char* lineStart, const char* end, std::uint32_t line)
      : doc_(part),
        error_(nullptr),
        p_(from),
        begin_(from),
        end_(end),
        lineStart_(lineStart),
        line_(line),
        copy_(true),
        tag_(Document::kOfLatterHalf) {}

  // The first half's parse takes the tail at `at` when it gets there at
  // the place of a value; `wait` returns once the tail is read.
  void splitAt(const char* at, Tail* tail, std::function<void()> wait) {
    split_ = at;
    tail_ = tail;
    wait_ = std::move(wait);
  }

  // Reads the tail: values, and ')' that close the levels open before it.
  bool runTail(Tail& tail) {
    tail.levels.emplace_back();
    while (true) {
      skipBlank();
      if (failed_) return false;
      if (p_ == end_) break;
      if (*p_ == ')') {
        ++p_;
        tail.levels.emplace_back();
        continue;
      }
      if (*p_ == ',') return false;  // inside a tuple: not a place to split
      Attribute a;
      if (!parseValue(a.value, 0)) return false;
      tail.levels.back().push_back(a);
    }
    tail.deepest = deepest_;
    return true;
  }

  bool run() {
    if (!Text::Addressable(end_)) return failAt(1, 1, "the file lies where the reader cannot address it");
    if (!checkEncoding()) return false;
    while (true) {
      skipBlank();
      if (failed_) return false;
      if (p_ == end_) break;
      if (split_ != nullptr && p_ >= split_ && takeSplit()) {
        topLevelOfTail();
        break;
      }
      if (*p_ != '(') return fail("expected '(' to start a form, found " + Describe(*p_));
      Value v;
      if (!parseForm(v, 0)) {
        if (!stopped_) return false;
        doc_.top_.push_back(v.form);
        topLevelOfTail();
        break;
      }
      doc_.top_.push_back(v.form);
    }
    if (failed_) return false;
    if (doc_.top_.empty()) return failAt(1, 1, "the file holds no petal forms");
    const Form& header = doc_.form(doc_.top_.front());
    if (header.kind != FormKind::kObject || header.type != "Petal")
      return failAt(header.line, header.column,
                    "expected the header (object Petal ...) first, found " + describeForm(header));
    return true;
  }

 private:
  std::uint32_t column() const { return static_cast<std::uint32_t>(p_ - lineStart_) + 1; }

  // Waits for the tail, which is read from then on; the rest is this
  // parse's alone.
  void settle() {
    if (split_ == nullptr) return;
    split_ = nullptr;
    wait_();
  }
  // Called before the text at p_ or after it is written (a string decoded
  // in place): the tail's thread may still be reading there.
  void mayWrite() {
    if (split_ != nullptr && p_ >= split_) settle();
  }

  // At or past the split point: takes the tail when this is the split
  // point and the tail fits the forms open here. The caller then stops,
  // and each form open ends with the tail's items for its level.
  bool takeSplit() {
    const bool here = p_ == split_;
    settle();
    if (!here || !tailFits()) return false;
    adoptTail();
    p_ = end_;  // where the tail's parse ended
    stopped_ = true;
    return true;
  }

  // Whether one parse from the start would read the tail's items as this
  // one will place them: a level for each form open and one for the top,
  // attributes as names (words) and values, top-level items forms.
  bool tailFits() const {
    if (!tail_->parsed) return false;
    const std::size_t depth = open_.size();
    if (tail_->levels.size() != depth + 1 || tail_->deepest + static_cast<int>(depth) > kMaxDepth) return false;
    for (std::size_t j = 0; j < depth; ++j) {
      const FormKind kind = open_[depth - 1 - j];
      const std::vector<Attribute>& items = tail_->levels[j];
      if (kind == FormKind::kTuple) return false;
      if (kind != FormKind::kObject) continue;
      // The innermost object stopped with an attribute's name read: its
      // first item is that value.
      const std::size_t from = j == 0 ? 1 : 0;
      if (items.size() < from || (items.size() - from) % 2 != 0) return false;
      for (std::size_t i = from; i < items.size(); i += 2)
        if (items[i].value.kind != ValueKind::kWord) return false;
    }
    for (const Attribute& item : tail_->levels[depth])
      if (item.value.kind != ValueKind::kForm) return false;
    return true;
  }

  // The tail's forms, attributes, labels and texts join the document as
  // they are: numbered apart, with lines counted from the top.
  void adoptTail() {
    Document& part = tail_->part;
    doc_.latterForms_ = std::move(part.forms_);
    doc_.latterAttributes_ = std::move(part.attributes_);
    doc_.latterLabels_ = std::move(part.labels_);
    doc_.halfTexts_ = std::move(part.long_);
  }

  // A form open at the split ends: its items so far, the one it was
  // reading (unless the split was the value of that one), then the
  // tail's items for its level.
  bool endAtSplit(std::uint32_t index, std::size_t base, Attribute& current, Value& v) {
    const std::vector<Attribute>& items = tail_->levels[levelsEnded_++];
    const bool object = doc_.forms_[index].kind == FormKind::kObject;
    std::size_t i = 0;
    if (current.value.kind != ValueKind::kNone) {
      pending_.push_back(current);
    } else if (object) {
      current.value = items[0].value;
      pending_.push_back(current);
      i = 1;
    }
    for (; i < items.size(); i += object ? 2 : 1)
      pending_.push_back(object ? Attribute{items[i].value.text, items[i + 1].value} : items[i]);
    open_.pop_back();
    finish(index, base);
    v.kind = ValueKind::kForm;
    v.form = index;
    return false;  // the forms around this one end the same way
  }

  void topLevelOfTail() {
    for (const Attribute& item : tail_->levels[levelsEnded_]) doc_.top_.push_back(item.value.form);
  }

  // A text the tail's parse copied out of the buffer.
  Text kept(std::string text) {
    const std::string& copy = doc_.long_.emplace_back(std::move(text));
    if (!Text::Addressable(copy.c_str())) {
      fail("the text is too long");
      return {};
    }
    return Text(copy.c_str(), copy.size());
  }

  bool failAt(std::uint32_t line, std::uint32_t column, std::string message) {
    // A file cut short is the usual cause of an error at its very end.
    if (p_ >= end_ && end_ != begin_ && message.rfind("unexpected end of file", 0) != 0)
      message = "unexpected end of file: " + message;
    if (!failed_ && error_ != nullptr) {
      error_->file = doc_.file_;
      error_->line = line;
      error_->column = column;
      error_->message = std::move(message);
    }
    failed_ = true;
    return false;
  }
  bool fail(std::string message) { return failAt(line_, column(), std::move(message)); }

  std::string describeForm(const Form& f) const {
    std::string text = "(";
    switch (f.kind) {
      case FormKind::kObject: text += "object "; break;
      case FormKind::kList: text += "list "; break;
      case FormKind::kValue: text += "value "; break;
      case FormKind::kTuple: return "the tuple opened at line " + std::to_string(f.line);
    }
    text.append(f.type);
    if (!f.name.empty()) text += " " + Quote(f.name);
    text += ")";
    return text;
  }

  bool checkEncoding() {
    const auto size = static_cast<std::size_t>(end_ - p_);
    if (size >= 2 && ((static_cast<unsigned char>(p_[0]) == 0xFF && static_cast<unsigned char>(p_[1]) == 0xFE) ||
                      (static_cast<unsigned char>(p_[0]) == 0xFE && static_cast<unsigned char>(p_[1]) == 0xFF)))
      return failAt(1, 1, "the file is UTF-16 text; petal files are 8-bit text (save the model again from Rose)");
    if (size >= 3 && static_cast<unsigned char>(p_[0]) == 0xEF && static_cast<unsigned char>(p_[1]) == 0xBB &&
        static_cast<unsigned char>(p_[2]) == 0xBF) {
      doc_.utf8_ = true;
      p_ += 3;
      lineStart_ = p_;
    }
    if (const void* nul = std::memchr(p_, '\0', static_cast<std::size_t>(end_ - p_))) {
      // Report the position of the first NUL byte: binary data, or UTF-16.
      const char* at = static_cast<const char*>(nul);
      std::uint32_t line = 1;
      const char* start = p_;
      for (const char* q = p_; q < at; ++q)
        if (*q == '\n') {
          ++line;
          start = q + 1;
        }
      return failAt(line, static_cast<std::uint32_t>(at - start) + 1,
                    "a NUL byte: this is not petal text (a binary file, or UTF-16 text)");
    }
    return true;
  }

  // Blanks, tabs, line ends.
  void skipBlank() {
    while (p_ < end_) {
      const char c = *p_;
      if (c == ' ' || c == '\t' || c == '\r' || c == '\f') {
        ++p_;
      } else if (c == '\n') {
        ++p_;
        ++line_;
        lineStart_ = p_;
      } else {
        return;
      }
    }
  }

  // The bytes of the buffer at p, to decode a string over its raw text.
  char* writable(const char* p) { return base_ + (p - begin_); }

  // A word, number or label from start to p_. One too long for a Text
  // is copied, with a NUL after it.
  Text token(const char* start) {
    const auto size = static_cast<std::size_t>(p_ - start);
    if (size < Text::kLong) return Text(start, size);
    const std::string& copy = doc_.long_.emplace_back(start, size);
    if (!Text::Addressable(copy.c_str())) {
      fail("the text is too long");
      return {};
    }
    return Text(copy.c_str(), size);
  }
  // A decoded string from start to end; one too long for a Text gets a NUL
  // after it, over raw text already read.
  Text decoded(char* start, char* end) {
    const auto size = static_cast<std::size_t>(end - start);
    if (size >= Text::kLong) {
      mayWrite();
      *end = '\0';
    }
    return Text(start, size);
  }

  Text word() {
    const char* start = p_;
    while (p_ < end_ && IsWordChar(static_cast<unsigned char>(*p_))) ++p_;
    return token(start);
  }

  bool parseString(Value& v) {
    const std::uint32_t line = line_, col = column();
    ++p_;  // opening quote
    const char* start = p_;
    // Fast path: no escapes.
    while (p_ < end_ && *p_ != '"' && *p_ != '\\' && *p_ != '\n') ++p_;
    if (p_ < end_ && *p_ == '"') {
      if (copy_)
        v.text = static_cast<std::size_t>(p_ - start) < Text::kLong ? Text(start, static_cast<std::size_t>(p_ - start))
                                                                    : kept(std::string(start, p_));
      else
        v.text = decoded(writable(start), writable(p_));
      ++p_;
      return !failed_;
    }
    if (copy_) {
      std::string text(start, p_);
      if (!restOfString([&](char c) { text += c; }))
        return failAt(line, col, "the string that starts here is not closed before the end of the file");
      v.text = kept(std::move(text));
      return !failed_;
    }
    // Decoded over the raw text: it never writes ahead of what it has read.
    char* out = writable(p_);
    if (!restOfString([&](char c) {
          mayWrite();
          *out++ = c;
        }))
      return failAt(line, col, "the string that starts here is not closed before the end of the file");
    v.text = decoded(writable(start), out);
    return true;
  }

  // The rest of a string with escapes or line breaks, each byte of its text
  // handed to put; past the closing quote, false when there is none. A
  // name may hold line breaks; the lines are counted on.
  template <typename Put>
  bool restOfString(Put put) {
    while (p_ < end_ && *p_ != '"') {
      if (*p_ == '\n') {
        put(*p_++);
        ++line_;
        lineStart_ = p_;
        continue;
      }
      if (*p_ == '\\' && p_ + 1 < end_) {
        const char next = p_[1];
        if (next != '\\' && next != '"') put('\\');
        put(next);
        p_ += 2;
        continue;
      }
      put(*p_++);
    }
    if (p_ >= end_) return false;
    ++p_;
    return true;
  }

  // Lines that begin with '|', joined by line breaks: decoded over the raw
  // text, each line moved back over the '|' and line end before it (or, in
  // the tail's parse, into a copy).
  bool parseMultiLine(Value& v) {
    if (copy_) {
      std::string text;
      lines([&](const char* start, const char* stop, bool first) {
        if (!first) text += '\n';
        text.append(start, stop);
      });
      v.text = kept(std::move(text));
      return !failed_;
    }
    char* const text = writable(p_ + 1);
    char* out = text;
    lines([&](const char* start, const char* stop, bool first) {
      mayWrite();
      if (!first) *out++ = '\n';
      const auto size = static_cast<std::size_t>(stop - start);
      std::memmove(out, start, size);
      out += size;
    });
    v.text = decoded(text, out);
    return true;
  }

  // Hands the text of each line of a multi-line string, without its '|'
  // and line end, to take(start, stop, first), moving past the line.
  template <typename Take>
  void lines(Take take) {
    for (bool first = true; p_ < end_ && *p_ == '|'; first = false) {
      ++p_;
      const char* start = p_;
      const void* lineEnd = std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_));
      p_ = lineEnd != nullptr ? static_cast<const char*>(lineEnd) : end_;
      const char* stop = p_;
      if (stop > start && stop[-1] == '\r') --stop;
      take(start, stop, first);
      if (p_ < end_) {  // past the line end
        ++p_;
        ++line_;
        lineStart_ = p_;
      }
    }
  }

  bool parseNumber(Value& v) {
    const char* start = p_;
    if (*p_ == '-' || *p_ == '+') ++p_;
    bool digits = false;
    while (p_ < end_ && IsDigit(static_cast<unsigned char>(*p_))) {
      ++p_;
      digits = true;
    }
    if (p_ < end_ && *p_ == '.') {
      ++p_;
      while (p_ < end_ && IsDigit(static_cast<unsigned char>(*p_))) {
        ++p_;
        digits = true;
      }
    }
    if (digits && p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
      const char* save = p_;
      ++p_;
      if (p_ < end_ && (*p_ == '-' || *p_ == '+')) ++p_;
      if (p_ < end_ && IsDigit(static_cast<unsigned char>(*p_))) {
        while (p_ < end_ && IsDigit(static_cast<unsigned char>(*p_))) ++p_;
      } else {
        p_ = save;
      }
    }
    if (!digits) {
      p_ = start;
      return fail("expected a number, found " + Describe(static_cast<unsigned char>(*p_)));
    }
    v.kind = ValueKind::kNumber;
    v.text = token(start);
    return !failed_;
  }

  bool parseValue(Value& v, int depth) {
    skipBlank();
    if (p_ >= end_) return fail("unexpected end of file: expected a value");
    v.line = line_;
    v.column = column();
    if (split_ != nullptr && p_ >= split_ && takeSplit()) return false;
    const auto c = static_cast<unsigned char>(*p_);
    if (c == '(') return parseForm(v, depth + 1);
    if (c == '"') {
      v.kind = ValueKind::kString;
      return parseString(v);
    }
    if (c == '|') {
      v.kind = ValueKind::kString;
      return parseMultiLine(v);
    }
    if (c == '@') {
      const char* start = p_++;
      while (p_ < end_ && IsDigit(static_cast<unsigned char>(*p_))) ++p_;
      if (p_ - start == 1) return failAt(v.line, v.column, "expected a label number after '@'");
      v.kind = ValueKind::kReference;
      v.text = token(start);
      return !failed_;
    }
    if (IsDigit(c) || c == '-' || c == '+' || c == '.') return parseNumber(v);
    if (IsWordStart(c)) {
      v.kind = ValueKind::kWord;
      v.text = word();
      return !failed_;
    }
    return fail("expected a value (a string, number, word, @label or '('), found " + Describe(c));
  }

  // At '(' of a form; fills v with the new form.
  bool parseForm(Value& v, int depth) {
    if (depth > kMaxDepth) return fail("forms are nested more than " + std::to_string(kMaxDepth) + " deep");
    deepest_ = std::max(deepest_, depth);
    Form f;
    f.line = line_;
    f.column = column();
    v.kind = ValueKind::kForm;
    v.line = f.line;
    v.column = f.column;
    ++p_;
    skipBlank();
    const std::size_t base = pending_.size();

    bool tuple = false;
    if (p_ < end_ && IsWordStart(static_cast<unsigned char>(*p_))) {
      const std::string_view head = word();
      if (failed_) return false;
      if (head == "object")
        f.kind = FormKind::kObject;
      else if (head == "list")
        f.kind = FormKind::kList;
      else if (head == "value")
        f.kind = FormKind::kValue;
      else
        return failAt(
            f.line, f.column + 1,
            "expected 'object', 'list' or 'value' after '(', found '" + std::string(head.substr(0, 40)) + "'");
    } else {
      tuple = true;
      f.kind = FormKind::kTuple;
    }

    if (!tuple) {
      skipBlank();
      if (p_ < end_ && IsWordStart(static_cast<unsigned char>(*p_))) {
        f.type = word();
        if (failed_) return false;
      } else if (f.kind != FormKind::kList) {
        return fail("expected the kind of the form after '(" +
                    std::string(f.kind == FormKind::kObject ? "object" : "value") + "'");
      }
    }

    if (f.kind == FormKind::kObject) {
      // Names and label.
      for (int names = 0;;) {
        skipBlank();
        if (p_ < end_ && *p_ == '"') {
          // Views carry two names, modules three; the first two are kept.
          Value s;
          s.kind = ValueKind::kString;
          if (!parseString(s)) return false;
          if (names == 0)
            f.name = s.text;
          else if (names == 1)
            f.name2 = s.text;
          ++names;
        } else if (p_ < end_ && *p_ == '@' && f.label.empty()) {
          Value label;
          if (!parseValue(label, depth)) return false;
          f.label = label.text;
        } else {
          break;
        }
      }
      // The label is known before the attributes, which may refer to it.
      const auto index = static_cast<std::uint32_t>(doc_.forms_.size());
      doc_.forms_.push_back(f);
      if (!f.label.empty()) doc_.labels_[f.label] = index | tag_;
      open_.push_back(f.kind);
      while (true) {
        skipBlank();
        if (p_ >= end_) return unclosed(f);
        if (*p_ == ')') break;
        if (!IsWordStart(static_cast<unsigned char>(*p_)))
          return fail("expected an attribute name or ')' to close " + describeForm(f) + ", found " +
                      Describe(static_cast<unsigned char>(*p_)));
        Attribute a;
        a.name = word();
        if (failed_ || !parseValue(a.value, depth)) {
          if (stopped_) return endAtSplit(index, base, a, v);
          if (p_ >= end_) return unclosed(f);
          return false;
        }
        pending_.push_back(a);
      }
      ++p_;
      open_.pop_back();
      finish(index, base);
      v.form = index | tag_;
      return !failed_;
    }

    const auto index = static_cast<std::uint32_t>(doc_.forms_.size());
    doc_.forms_.push_back(f);
    open_.push_back(f.kind);
    bool expectComma = false;
    while (true) {
      skipBlank();
      if (p_ >= end_) return unclosed(f);
      if (*p_ == ')') break;
      // Tuples separate their items by commas, (450, 225), or by blanks
      // alone, ("DataBaseSet" 800).
      if (tuple && expectComma && *p_ == ',') {
        ++p_;
        expectComma = false;
        continue;
      }
      if (tuple && *p_ == ',') return fail("expected a value in a tuple, found ','");
      Attribute a;
      if (!parseValue(a.value, depth)) {
        if (stopped_) return endAtSplit(index, base, a, v);
        if (p_ >= end_) return unclosed(f);
        return false;
      }
      pending_.push_back(a);
      expectComma = tuple;
    }
    ++p_;
    open_.pop_back();
    finish(index, base);
    v.form = index | tag_;
    return !failed_;
  }

  bool unclosed(const Form& f) {
    return failAt(line_, column(),
                  "unexpected end of file: " + describeForm(f) + " opened at line " + std::to_string(f.line) +
                      ", column " + std::to_string(f.column) + " is not closed (expected ')')");
  }

  void finish(std::uint32_t index, std::size_t base) {
    if (doc_.attributes_.size() + (pending_.size() - base) >= Document::kOfLatterHalf ||
        doc_.forms_.size() >= Document::kOfLatterHalf) {
      fail("the file holds more forms than a model can");
      return;
    }
    Form& f = doc_.forms_[index];
    f.first = static_cast<std::uint32_t>(doc_.attributes_.size()) | tag_;
    f.count = static_cast<std::uint32_t>(pending_.size() - base);
    doc_.attributes_.insert(doc_.attributes_.end(), pending_.begin() + static_cast<std::ptrdiff_t>(base),
                            pending_.end());
    pending_.resize(base);
  }

  Document& doc_;
  ParseError* error_;
  char* base_ = nullptr;  // the buffer, written where strings are decoded
  const char* p_ = nullptr;
  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  const char* lineStart_ = nullptr;
  std::uint32_t line_ = 1;
  bool failed_ = false;
  std::vector<Attribute> pending_;
  std::vector<FormKind> open_;  // the kinds of the forms open, outermost first
  int deepest_ = 0;
  bool copy_ = false;  // the tail's parse: strings are decoded into copies
  // Set in the numbers of the tail's forms and in their `first`.
  std::uint32_t tag_ = 0;
  // The split point while the tail may still be read, else null.
  const char* split_ = nullptr;
  Tail* tail_ = nullptr;
  std::function<void()> wait_;
  bool stopped_ = false;         // the tail was taken: the forms open end
  std::size_t levelsEnded_ = 0;  // forms ended with the tail's items so far
};

// A large text parsed in two halves at once (see Document).
struct Halves {
  enum class Result { kParsed, kFailed, kNotRead };
  // The document holds the buffer and the text's size. readFirst(mid) and
  // readLatter(mid) fill the buffer before and from mid, and say whether
  // they could; the latter runs on the second thread. kNotRead: the text
  // could not be read so, or no second thread started; nothing was parsed.
  static Result Parse(Document& doc, ParseError* error, const std::function<bool(std::size_t)>& readFirst,
                      const std::function<bool(std::size_t)>& readLatter) {
    const std::size_t size = doc.size_, mid = size / 2;
    const char* const text = doc.buffer_.data();
    // Each half is read and counted (forms, line feeds) by its thread; the
    // second one then needs the line feeds before the middle to number its
    // lines, and the first one the split point and the counts.
    struct Counted {
      bool read = false;
      std::size_t opens = 0, lines = 0;
    };
    struct Found {
      Counted counted;
      const char* at = nullptr;
      const char* lineStart = nullptr;
    };
    std::promise<Counted> firstPromise;
    std::future<Counted> first = firstPromise.get_future();
    std::promise<Found> latterPromise;
    std::future<Found> latterFound = latterPromise.get_future();
    Tail tail;
    std::thread latter;
    try {
      latter = std::thread([&] {
        bool published = false;
        try {
          Found f;
          f.counted.read = readLatter(mid);
          if (f.counted.read) {
            std::tie(f.counted.opens, f.counted.lines) = CountOpensAndLines(std::string_view(text + mid, size - mid));
            std::tie(f.at, f.lineStart) = SplitPoint(text + mid, text + size);
          }
          latterPromise.set_value(f);
          published = true;
          const Counted before = first.get();
          if (f.at == nullptr || !before.read) return;
          const auto linesToSplit =
              CountOpensAndLines(std::string_view(text + mid, static_cast<std::size_t>(f.lineStart - (text + mid))))
                  .second;
          tail.part.forms_.reserve(f.counted.opens + 1);
          tail.part.attributes_.reserve(f.counted.lines + 2 * f.counted.opens + 16);
          Parser parser(tail.part, f.at, f.lineStart, text + size,
                        static_cast<std::uint32_t>(before.lines + linesToSplit + 1));
          tail.parsed = parser.runTail(tail);
        } catch (...) {  // out of memory: the first half's parse goes on alone
          tail.parsed = false;
          if (!published) latterPromise.set_value(Found{});
        }
      });
    } catch (const std::system_error&) {
      return Result::kNotRead;
    }
    const auto join = [&latter] {
      if (latter.joinable()) latter.join();
    };
    // Whatever this thread meets (out of memory), the second one has ended
    // before the tail and the text go.
    struct Joined {
      const decltype(join)& wait;
      ~Joined() { wait(); }
    } joined{join};
    Counted counted;
    counted.read = readFirst(mid);
    if (counted.read) std::tie(counted.opens, counted.lines) = CountOpensAndLines(std::string_view(text, mid));
    firstPromise.set_value(counted);
    const Found f = latterFound.get();
    if (!counted.read || !f.counted.read) return Result::kNotRead;
    doc.forms_.reserve(counted.opens + 1);
    doc.attributes_.reserve(counted.lines + 2 * counted.opens + 16);
    Parser parser(doc, error);
    if (f.at != nullptr) parser.splitAt(f.at, &tail, join);
    const bool parsed = parser.run();
    join();
    return parsed ? Result::kParsed : Result::kFailed;
  }
};

std::optional<Document> ParseBlock(TextBlock content, std::size_t size, std::string fileName, ParseError* error,
                                   std::size_t halvesFrom) {
  Document doc;
  doc.file_ = std::move(fileName);
  doc.buffer_ = std::move(content);
  doc.size_ = size;
  if (size >= halvesFrom && size >= 2) {
    const auto inMemory = [](std::size_t) { return true; };
    switch (Halves::Parse(doc, error, inMemory, inMemory)) {
      case Halves::Result::kParsed: return doc;
      case Halves::Result::kFailed: return std::nullopt;
      case Halves::Result::kNotRead: break;
    }
  }
  // Every form opens with '(', and nearly every attribute or item sits on
  // a line of its own or in a tuple: the storage is reserved once from a
  // count of both (reserved pages that are never written take no memory).
  const auto [opens, lines] = CountOpensAndLines(std::string_view(doc.buffer_.data(), size));
  doc.forms_.reserve(opens + 1);
  doc.attributes_.reserve(lines + 2 * opens + 16);
  Parser parser(doc, error);
  if (!parser.run()) return std::nullopt;
  return doc;
}

std::optional<Document> ParseFile(const std::string& path, ParseError* error) {
  // A folder opens as an empty stream on some systems: say what it is.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    if (error != nullptr) {
      error->file = path;
      error->line = 0;
      error->message = "this is a folder, not a model file";
    }
    return std::nullopt;
  }
  std::string why;
  auto in = InputFile::Open(path, &why);
  if (!in) {
    if (error != nullptr) {
      error->file = path;
      error->line = 0;
      error->message = why;
    }
    return std::nullopt;
  }
  // A large file: each half read by the thread that parses it. A file that
  // grows meanwhile is read again the usual way.
  if (const auto size = static_cast<std::size_t>(in->size()); size >= kHalvesFrom) {
    Document doc;
    doc.file_ = path;
    doc.buffer_ = TextBlock(size + 1);
    doc.size_ = size;
    char* const text = doc.buffer_.data();
    const auto readFirst = [&](std::size_t mid) { return in->readFullyAt(text, mid, 0) == static_cast<long>(mid); };
    const auto readLatter = [&](std::size_t mid) {
      const bool whole = in->readFullyAt(text + mid, size - mid, mid) == static_cast<long>(size - mid) &&
                         in->readFullyAt(text + size, 1, size) == 0;
      text[size] = '\0';
      return whole;
    };
    switch (Halves::Parse(doc, error, readFirst, readLatter)) {
      case Halves::Result::kParsed: return doc;
      case Halves::Result::kFailed: return std::nullopt;
      case Halves::Result::kNotRead: break;
    }
  }
  // Read straight into one block of the file's size and one byte more (for
  // the end mark); a file that grows meanwhile fills it, and is read on into
  // larger blocks to its end.
  std::size_t capacity = static_cast<std::size_t>(in->size());
  TextBlock block(capacity + 1);
  std::size_t got = 0;
  for (;;) {
    const long n = in->readFully(block.data() + got, capacity + 1 - got);
    if (n < 0) {
      if (error != nullptr) {
        error->file = path;
        error->line = 0;
        error->message = std::string("cannot be read: ") + std::strerror(errno);
      }
      return std::nullopt;
    }
    got += static_cast<std::size_t>(n);
    if (got <= capacity) break;
    capacity = 2 * capacity + 65536;
    TextBlock bigger(capacity + 1);
    std::memcpy(bigger.data(), block.data(), got);
    block = std::move(bigger);
  }
  block.data()[got] = '\0';
  return ParseBlock(std::move(block), got, path, error);
}

std::optional<Document> Parse(std::string content, std::string fileName, ParseError* error, std::size_t halvesFrom) {
  TextBlock block(content.size() + 1);
  std::memcpy(block.data(), content.data(), content.size() + 1);
  return ParseBlock(std::move(block), content.size(), std::move(fileName), error, halvesFrom);
}

}  // namespace zov::petal
