#include "model/petal_parser.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "model/input_file.h"

namespace zov::petal {

std::string ParseError::format() const {
  std::string text = file;
  if (line > 0) text += ":" + std::to_string(line) + ":" + std::to_string(column);
  text += ": " + message;
  return text;
}

const Value* Document::find(const Form& f, std::string_view name) const {
  for (const Attribute& a : attributes(f))
    if (a.name == name) return &a.value;
  return nullptr;
}

const Form* Document::formOf(const Value* v) const {
  return v != nullptr && v->kind == ValueKind::kForm ? &forms_[v->form] : nullptr;
}

const Form* Document::labelled(std::string_view label) const {
  auto it = labels_.find(label);
  return it == labels_.end() ? nullptr : &forms_[it->second];
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

// 0x01 in each byte of x equal to the byte repeated in pattern, else 0x00:
// a byte of x ^ pattern is zero exactly where they are equal.
std::uint64_t Matches(std::uint64_t x, std::uint64_t pattern) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const std::uint64_t y = x ^ pattern;
  return ~(((y & kLow7) + kLow7) | y | kLow7) >> 7;
}

// The sum of the eight bytes of x.
std::size_t SumOfBytes(std::uint64_t x) { return static_cast<std::size_t>((x * 0x0101010101010101ULL) >> 56); }

// How many '(' and how many line feeds the text holds, eight bytes at a
// time: each byte of a running sum counts the matches at its place, and
// is added up before it can pass 255.
std::pair<std::size_t, std::size_t> CountOpensAndLines(std::string_view text) {
  constexpr std::uint64_t kOpens = 0x2828282828282828ULL, kLines = 0x0A0A0A0A0A0A0A0AULL;
  std::size_t opens = 0, lines = 0, i = 0;
  while (i + 8 <= text.size()) {
    std::uint64_t opensHere = 0, linesHere = 0;
    for (int block = 0; block < 255 && i + 8 <= text.size(); ++block, i += 8) {
      std::uint64_t x;
      std::memcpy(&x, text.data() + i, sizeof x);
      opensHere += Matches(x, kOpens);
      linesHere += Matches(x, kLines);
    }
    opens += SumOfBytes(opensHere);
    lines += SumOfBytes(linesHere);
  }
  for (; i < text.size(); ++i) {
    opens += text[i] == '(';
    lines += text[i] == '\n';
  }
  return {opens, lines};
}

}  // namespace

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

  bool run() {
    if (!Text::Addressable(end_)) return failAt(1, 1, "the file lies where the reader cannot address it");
    if (!checkEncoding()) return false;
    while (true) {
      skipBlank();
      if (failed_) return false;
      if (p_ == end_) break;
      if (*p_ != '(') return fail("expected '(' to start a form, found " + Describe(*p_));
      Value v;
      if (!parseForm(v, 0)) return false;
      doc_.top_.push_back(v.form);
    }
    if (doc_.top_.empty()) return failAt(1, 1, "the file holds no petal forms");
    const Form& header = doc_.forms_[doc_.top_.front()];
    if (header.kind != FormKind::kObject || header.type != "Petal")
      return failAt(header.line, header.column,
                    "expected the header (object Petal ...) first, found " + describeForm(header));
    return true;
  }

 private:
  std::uint32_t column() const { return static_cast<std::uint32_t>(p_ - lineStart_) + 1; }

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
  static Text decoded(char* start, char* end) {
    const auto size = static_cast<std::size_t>(end - start);
    if (size >= Text::kLong) *end = '\0';
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
      v.text = decoded(writable(start), writable(p_));
      ++p_;
      return true;
    }
    // Decoded over the raw text: it never writes ahead of what it has read.
    char* out = writable(p_);
    // A name may hold line breaks; the lines are counted on.
    while (p_ < end_ && *p_ != '"') {
      if (*p_ == '\n') {
        *out++ = *p_++;
        ++line_;
        lineStart_ = p_;
        continue;
      }
      if (*p_ == '\\' && p_ + 1 < end_) {
        const char next = p_[1];
        if (next == '\\' || next == '"') {
          *out++ = next;
        } else {
          *out++ = '\\';
          *out++ = next;
        }
        p_ += 2;
        continue;
      }
      *out++ = *p_++;
    }
    if (p_ >= end_) return failAt(line, col, "the string that starts here is not closed before the end of the file");
    v.text = decoded(writable(start), out);
    ++p_;
    return true;
  }

  // Lines that begin with '|', joined by line breaks: decoded over the raw
  // text, each line moved back over the '|' and line end before it.
  bool parseMultiLine(Value& v) {
    char* const text = writable(p_ + 1);
    char* out = text;
    bool firstLine = true;
    while (p_ < end_ && *p_ == '|') {
      ++p_;
      const char* start = p_;
      const void* lineEnd = std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_));
      p_ = lineEnd != nullptr ? static_cast<const char*>(lineEnd) : end_;
      const char* stop = p_;
      if (stop > start && stop[-1] == '\r') --stop;
      if (!firstLine) *out++ = '\n';
      const auto size = static_cast<std::size_t>(stop - start);
      std::memmove(out, start, size);
      out += size;
      firstLine = false;
      if (p_ < end_) {  // past the line end
        ++p_;
        ++line_;
        lineStart_ = p_;
      }
    }
    v.text = decoded(text, out);
    return true;
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
      if (!f.label.empty()) doc_.labels_[f.label] = index;
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
          if (p_ >= end_) return unclosed(f);
          return false;
        }
        pending_.push_back(a);
      }
      ++p_;
      finish(index, base);
      v.form = index;
      return true;
    }

    const auto index = static_cast<std::uint32_t>(doc_.forms_.size());
    doc_.forms_.push_back(f);
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
        if (p_ >= end_) return unclosed(f);
        return false;
      }
      pending_.push_back(a);
      expectComma = tuple;
    }
    ++p_;
    finish(index, base);
    v.form = index;
    return true;
  }

  bool unclosed(const Form& f) {
    return failAt(line_, column(),
                  "unexpected end of file: " + describeForm(f) + " opened at line " + std::to_string(f.line) +
                      ", column " + std::to_string(f.column) + " is not closed (expected ')')");
  }

  void finish(std::uint32_t index, std::size_t base) {
    Form& f = doc_.forms_[index];
    f.first = static_cast<std::uint32_t>(doc_.attributes_.size());
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
};

std::optional<Document> ParseBlock(TextBlock content, std::size_t size, std::string fileName, ParseError* error) {
  Document doc;
  doc.file_ = std::move(fileName);
  doc.buffer_ = std::move(content);
  doc.size_ = size;
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

std::optional<Document> Parse(std::string content, std::string fileName, ParseError* error) {
  TextBlock block(content.size() + 1);
  std::memcpy(block.data(), content.data(), content.size() + 1);
  return ParseBlock(std::move(block), content.size(), std::move(fileName), error);
}

}  // namespace zov::petal
