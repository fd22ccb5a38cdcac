#include "model/diagram_reader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>

#include "files/input_file.h"
#include "files/text_encoding.h"
#include "model/sequence_builder.h"
#include "model/text_lex.h"

namespace zov::text {

namespace {

// An include chain deeper than this is a mistake rather than a design.
constexpr std::size_t kMaxIncludeDepth = 32;

// An element as a line names it.
struct Ref {
  enum class Kind { kNone, kParen, kColon, kQuoted, kBare, kStart } kind = Kind::kNone;
  std::string text;
};

bool NameChar(char c) {
  return !Blank(c) && c != '-' && c != '<' && c != '>' && c != ':' && c != '(' && c != ')' && c != '"' && c != '[' &&
         c != ']' && c != '{' && c != '}' && c != ',' && c != '#' && c != '|' && c != '\n';
}

// Reads an element reference at p: (use case), :actor:, "quoted", [*] or a
// bare name; Kind::kNone where none begins.
Ref ReadRef(std::string_view s, std::size_t& p) {
  while (p < s.size() && Blank(s[p])) ++p;
  Ref r;
  if (p >= s.size()) return r;
  const auto until = [&](char close, Ref::Kind kind) {
    const std::size_t end = s.find(close, p + 1);
    if (end == std::string_view::npos) return;
    r.kind = kind;
    r.text = Breaks(Trim(s.substr(p + 1, end - p - 1)));
    p = end + 1;
  };
  if (s.substr(p, 3) == "[*]") {
    r.kind = Ref::Kind::kStart;
    r.text = "[*]";
    p += 3;
  } else if (s[p] == '(') {
    until(')', Ref::Kind::kParen);
  } else if (s[p] == ':') {
    until(':', Ref::Kind::kColon);
  } else if (s[p] == '"') {
    until('"', Ref::Kind::kQuoted);
  } else {
    const std::size_t b = p;
    while (p < s.size() && NameChar(s[p]) && s[p] != '.') ++p;
    // A dot inside a name (Core.Account) is kept; one that begins a dotted
    // line is not.
    while (p < s.size() && s[p] == '.' && p + 1 < s.size() && NameChar(s[p + 1]) && s[p + 1] != '.') {
      ++p;
      while (p < s.size() && NameChar(s[p]) && s[p] != '.') ++p;
    }
    if (p > b) {
      r.kind = Ref::Kind::kBare;
      r.text = std::string(s.substr(b, p - b));
    }
  }
  return r;
}

// A line between two elements of a use-case or state diagram: "-->",
// "..>", "<|--", "-left->", "-[#red]->" ...
struct Arrow {
  bool found = false, dotted = false, leftHead = false, rightHead = false, leftTriangle = false, rightTriangle = false;
};

// The strokes of an arrow from q on: '-', with a colour in brackets among
// them ("-[#red]->"); in the lines of use-case and state diagrams also '.'
// and direction words ("-left->"). Their count; *dotted is set where a '.'
// is among them.
int ReadStrokes(std::string_view s, std::size_t& q, bool lines, bool* dotted = nullptr) {
  static constexpr std::string_view kDirections[] = {"right", "left", "down", "up", "ri", "le",
                                                     "do",    "r",    "l",    "d",  "u"};
  int strokes = 0;
  while (q < s.size()) {
    if (s[q] == '-' || (lines && s[q] == '.')) {
      if (s[q] == '.' && dotted != nullptr) *dotted = true;
      ++strokes;
      ++q;
    } else if (s[q] == '[' && strokes > 0) {
      const std::size_t close = s.find(']', q);
      if (close == std::string_view::npos) break;
      q = close + 1;
    } else if (lines && strokes > 0 && std::isalpha(static_cast<unsigned char>(s[q]))) {
      bool word = false;
      for (std::string_view d : kDirections)
        if (Lower(s.substr(q, d.size())) == d && q + d.size() < s.size() &&
            (s[q + d.size()] == '-' || s[q + d.size()] == '.' || s[q + d.size()] == '>')) {
          q += d.size();
          word = true;
          break;
        }
      if (!word) break;
    } else {
      break;
    }
  }
  return strokes;
}

Arrow ReadArrow(std::string_view s, std::size_t& p) {
  while (p < s.size() && Blank(s[p])) ++p;
  Arrow a;
  std::size_t q = p;
  if (q < s.size() && s[q] == '<') {
    a.leftHead = true;
    ++q;
    if (q < s.size() && s[q] == '|') {
      a.leftTriangle = true;
      ++q;
    }
  }
  const int strokes = ReadStrokes(s, q, true, &a.dotted);
  if (strokes == 0) return a;
  if (q < s.size() && s[q] == '|' && q + 1 < s.size() && s[q + 1] == '>') {
    a.rightHead = a.rightTriangle = true;
    q += 2;
  } else if (q < s.size() && s[q] == '>') {
    a.rightHead = true;
    ++q;
  }
  a.found = true;
  p = q;
  return a;
}

// The text after a ":" that ends a statement, if any.
std::optional<std::string> Label(std::string_view s, std::size_t p) {
  while (p < s.size() && Blank(s[p])) ++p;
  if (p < s.size() && s[p] == ':') return Breaks(Trim(s.substr(p + 1)));
  return std::nullopt;
}

// Whether p has reached the end of the statement, past decorations that
// change only how it is drawn (<<stereotype>>, #colour, {).
bool AtEnd(std::string_view s, std::size_t p) {
  std::string_view rest = Trim(s.substr(std::min(p, s.size())));
  while (!rest.empty()) {
    if (rest.starts_with("<<")) {
      const std::size_t close = rest.find(">>");
      if (close == std::string_view::npos) return false;
      rest = Trim(rest.substr(close + 2));
    } else if (rest.front() == '#' || rest.front() == '{') {
      const std::size_t blank = rest.find(' ');
      rest = blank == std::string_view::npos ? std::string_view{} : Trim(rest.substr(blank));
    } else {
      return false;
    }
  }
  return true;
}

// A declaration's name and alias: "Long name" as A, A as "Long name", A.
struct Declared {
  std::string name, alias;
  Ref::Kind kind = Ref::Kind::kNone;
  std::size_t end = 0;
};

std::optional<Declared> ReadDeclaration(std::string_view s, std::size_t p) {
  Ref first = ReadRef(s, p);
  if (first.kind == Ref::Kind::kNone) return std::nullopt;
  Declared d{first.text, "", first.kind, p};
  std::size_t q = p;
  while (q < s.size() && Blank(s[q])) ++q;
  if (Starts(s.substr(q), "as")) {
    q += 2;
    Ref second = ReadRef(s, q);
    if (second.kind == Ref::Kind::kNone) return std::nullopt;
    if (first.kind == Ref::Kind::kBare && second.kind != Ref::Kind::kBare) {
      d.name = second.text;
      d.alias = first.text;
      d.kind = second.kind;
    } else {
      d.alias = second.text;
    }
    d.end = q;
  }
  return d;
}

// Statements every diagram kind reads past: they change how a diagram is
// drawn, not what it says.
bool Layout(std::string_view s) {
  static constexpr std::string_view kWords[] = {"skinparam",
                                                "hide",
                                                "show",
                                                "autonumber",
                                                "scale",
                                                "caption",
                                                "newpage",
                                                "!pragma",
                                                "!theme",
                                                "mainframe",
                                                "left to right direction",
                                                "top to bottom direction",
                                                "allowmixing",
                                                "header",
                                                "footer",
                                                "legend",
                                                "center header",
                                                "right header",
                                                "left header",
                                                "center footer",
                                                "right footer",
                                                "left footer",
                                                "hide footbox",
                                                "skin",
                                                "!option",
                                                "set namespaceseparator"};
  for (std::string_view w : kWords)
    if (Starts(s, w)) return true;
  return s == "}" || s.starts_with("==") || s.starts_with("...") || s.starts_with("||");
}

// The closing word of a multi-line statement opened by s, if s opens one.
std::optional<std::string_view> OpensBlock(std::string_view s) {
  if (Starts(s, "skinparam") && s.ends_with("{")) return "}";
  if (s == "legend" || (Starts(s, "legend") && s.find(':') == std::string_view::npos)) return "endlegend";
  if (s == "header" || s == "center header" || s == "left header" || s == "right header") return "endheader";
  if (s == "footer" || s == "center footer" || s == "left footer" || s == "right footer") return "endfooter";
  if (s == "title") return "endtitle";
  return std::nullopt;
}

// The keyword of a class declaration ("class", "abstract class",
// "interface" ...), empty where s declares none.
std::string_view ClassKeyword(std::string_view s) {
  static constexpr std::string_view kWords[] = {"abstract class", "class",  "abstract",   "interface",
                                                "enum",           "entity", "annotation", "struct"};
  for (std::string_view w : kWords)
    if (Starts(s, w) && s.size() > w.size()) return w;
  return {};
}

bool Closes(std::string_view s, std::string_view closing) {
  std::string compact;
  for (char c : s)
    if (!Blank(c)) compact += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return compact == closing;
}

}  // namespace

bool DiagramReader::fail(const Line& line, std::size_t column, const std::string& what, std::string* error) const {
  if (error != nullptr)
    *error = m_.files[static_cast<std::size_t>(line.file)] + ":" + std::to_string(line.number) + ":" +
             std::to_string(column) + ": " + what;
  return false;
}

bool DiagramReader::unclosed(const Line& line, std::string* error) const {
  const std::string_view s = Trim(line.text);
  return fail(line, Indent(line.text) + 1, std::string(s.substr(0, s.find_first_of(" \t"))) + " has no end", error);
}

void DiagramReader::readPast(const Line& line) {
  if (readPast_.size() <= static_cast<std::size_t>(line.file))
    readPast_.resize(static_cast<std::size_t>(line.file) + 1);
  ReadPast& r = readPast_[static_cast<std::size_t>(line.file)];
  if (r.count++ == 0) r.first = line;
}

bool DiagramReader::readFile(const std::string& path, const std::string& content, std::string* error) {
  m_.files.push_back(path);
  std::vector<std::string> chain{std::filesystem::weakly_canonical(path).string()};
  std::vector<Line> lines;
  if (!expand(static_cast<int>(m_.files.size() - 1), content, 1, chain, lines, error)) return false;
  return readLines(lines, "", false, error);
}

bool DiagramReader::readText(std::string_view text, int file, int firstLine, const std::string& fallbackName,
                             std::string* error) {
  std::vector<std::string> chain{std::filesystem::weakly_canonical(m_.files[static_cast<std::size_t>(file)]).string()};
  std::vector<Line> lines;
  if (!expand(file, text, firstLine, chain, lines, error)) return false;
  return readLines(lines, fallbackName, true, error);
}

// The file's lines, each !include replaced by the lines of the file it
// names (relative to the including file).
bool DiagramReader::expand(int file, std::string_view text, int firstLine, std::vector<std::string>& chain,
                           std::vector<Line>& out, std::string* error) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::string valid = Utf8Text(text, m_.files[static_cast<std::size_t>(file)], m_.warnings);
  std::string_view rest = valid;
  for (int number = firstLine; !rest.empty() || number == firstLine; ++number) {
    const std::size_t nl = rest.find('\n');
    std::string_view raw = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view{} : rest.substr(nl + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const Line line{std::string(raw), file, number};
    const std::string_view s = Trim(raw);
    if (!Starts(s, "!include") && !Starts(s, "!include_once") && !Starts(s, "!include_many") &&
        !Starts(s, "!includeurl") && !Starts(s, "!includesub")) {
      // Files that include each other many times over could otherwise
      // grow without bound.
      expanded_ += line.text.size() + 1;
      if (expanded_ > kMaxTextBytes)
        return fail(line, 1,
                    "with its !include files the text grows past " + std::to_string(kMaxTextBytes >> 20) + " MiB",
                    error);
      out.push_back(line);
      if (rest.empty() && nl == std::string_view::npos) break;
      continue;
    }
    const std::size_t column = Indent(raw) + 1;
    const std::size_t blank = s.find_first_of(" \t");
    const std::string directive = Lower(s.substr(0, blank));
    std::string target = blank == std::string_view::npos ? "" : Unquote(s.substr(blank));
    if (directive == "!includeurl" || target.starts_with("http://") || target.starts_with("https://") ||
        (target.starts_with("<") && target.ends_with(">"))) {
      m_.warnings.push_back(m_.files[static_cast<std::size_t>(file)] + ":" + std::to_string(number) + ": " +
                            std::string(s) + ": only files beside the model are read; this one was read past");
    } else {
      if (target.empty()) return fail(line, column, "!include names no file", error);
      // "file.puml!2" and "file.puml!NAME" pick a block of the file; the
      // whole file is read.
      if (const std::size_t bang = target.rfind('!'); bang != std::string::npos && bang > 0) target.resize(bang);
      const std::filesystem::path base = std::filesystem::path(m_.files[static_cast<std::size_t>(file)]).parent_path();
      const std::filesystem::path full =
          std::filesystem::path(target).is_absolute() ? std::filesystem::path(target) : base / target;
      std::error_code ec;
      const std::string canonical = std::filesystem::weakly_canonical(full, ec).string();
      if (std::find(chain.begin(), chain.end(), canonical) != chain.end()) {
        std::string names;
        for (const std::string& c : chain) names += std::filesystem::path(c).filename().string() + " -> ";
        return fail(line, column,
                    "!include makes a cycle: " + names + std::filesystem::path(canonical).filename().string(), error);
      }
      if (chain.size() >= kMaxIncludeDepth) return fail(line, column, "!include nests deeper than 32 files", error);
      const bool once = directive == "!include_once";
      if (!once || std::find(included_.begin(), included_.end(), canonical) == included_.end()) {
        included_.push_back(canonical);
        std::string why;
        std::optional<std::string> content;
        if (auto in = InputFile::Open(full, &why)) content = in->readAll(kMaxTextBytes, &why);
        if (!content) return fail(line, column, "cannot include " + full.string() + ": " + why, error);
        m_.files.push_back(full.string());
        chain.push_back(canonical);
        std::vector<Line> inner;
        if (!expand(static_cast<int>(m_.files.size() - 1), *content, 1, chain, inner, error)) return false;
        chain.pop_back();
        // An included file may be a diagram of its own: its body is read.
        const auto start =
            std::find_if(inner.begin(), inner.end(), [](const Line& l) { return Starts(Trim(l.text), "@startuml"); });
        if (start != inner.end()) {
          const auto stop =
              std::find_if(start, inner.end(), [](const Line& l) { return Starts(Trim(l.text), "@enduml"); });
          out.insert(out.end(), std::next(start), stop);
        } else {
          out.insert(out.end(), inner.begin(), inner.end());
        }
      }
    }
    if (rest.empty() && nl == std::string_view::npos) break;
  }
  return true;
}

bool DiagramReader::readLines(const std::vector<Line>& lines, const std::string& fallbackName, bool whole,
                              std::string* error) {
  bool any = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view s = Trim(lines[i].text);
    if (!s.starts_with("@start")) continue;
    const std::size_t blank = s.find_first_of(" \t(");
    const std::string kind = Lower(s.substr(1, blank == std::string_view::npos ? s.size() - 1 : blank - 1));
    std::size_t end = i + 1;
    const std::string closing = "@end" + kind.substr(5);
    while (end < lines.size() && !Starts(Lower(Trim(lines[end].text)), closing)) ++end;
    if (end == lines.size()) return fail(lines[i], Indent(lines[i].text) + 1, "@" + kind + " has no " + closing, error);
    if (kind != "startuml") {
      m_.warnings.push_back(m_.files[static_cast<std::size_t>(lines[i].file)] + ":" + std::to_string(lines[i].number) +
                            ": @" + kind + " is no diagram a test plan reads; it was read past");
    } else {
      std::string name = blank == std::string_view::npos ? "" : std::string(Trim(s.substr(blank)));
      if (name.starts_with("(") && name.ends_with(")")) {
        name = name.substr(1, name.size() - 2);
        if (const std::size_t eq = name.find("id="); eq != std::string::npos) name = name.substr(eq + 3);
      }
      if (!readBlock(lines, i + 1, end, Unquote(name), fallbackName, error)) return false;
      any = true;
    }
    i = end;
  }
  if (!any && whole) return readBlock(lines, 0, lines.size(), "", fallbackName, error);
  if (!any && !lines.empty() && m_.diagrams.empty() && m_.actors.empty()) {
    // The first statement, for the message: a file that is no PlantUML.
    for (const Line& l : lines)
      if (!Trim(l.text).empty()) return fail(l, Indent(l.text) + 1, "expected @startuml to begin a diagram", error);
    return fail(lines.front(), 1, "the file is empty: it holds no @startuml diagram", error);
  }
  return true;
}

bool DiagramReader::readBlock(const std::vector<Line>& all, std::size_t begin, std::size_t end, std::string name,
                              const std::string& fallbackName, std::string* error) {
  // Comments go first: ' to the end of a line, /' ... '/ across lines.
  std::vector<Line> lines;
  bool inComment = false;
  for (std::size_t i = begin; i < end; ++i) {
    Line l = all[i];
    std::string kept;
    const std::string& t = l.text;
    for (std::size_t p = 0; p < t.size();) {
      if (inComment) {
        const std::size_t close = t.find("'/", p);
        if (close == std::string::npos) {
          kept.append(t.size() - p, ' ');
          p = t.size();
        } else {
          kept.append(close + 2 - p, ' ');
          p = close + 2;
          inComment = false;
        }
      } else if (t.compare(p, 2, "/'") == 0) {
        inComment = true;
      } else {
        kept += t[p++];
      }
    }
    if (Trim(kept).starts_with("'")) kept.clear();
    l.text = kept;
    lines.push_back(std::move(l));
  }

  // The title names the diagram; a multi-line title is read as one line.
  std::string title;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view s = Trim(lines[i].text);
    if (Starts(s, "title") && s.size() > 5 && title.empty()) {
      title = Breaks(Trim(After(s, "title")));
      if (title.starts_with(":")) title = std::string(Trim(std::string_view(title).substr(1)));
    } else if (s == "title" && title.empty()) {
      for (std::size_t j = i + 1; j < lines.size() && !Closes(lines[j].text, "endtitle"); ++j)
        title += (title.empty() ? "" : " ") + std::string(Trim(lines[j].text));
    }
  }

  // The kind of diagram: states, use cases, or else a sequence.
  enum class Kind { kSequence, kUseCase, kState, kClass } kind = Kind::kSequence;
  for (const Line& l : lines) {
    const std::string_view s = Trim(l.text);
    if (Starts(s, "state") || s.find("[*]") != std::string_view::npos) {
      kind = Kind::kState;
      break;
    }
    if (!ClassKeyword(s).empty()) {
      kind = Kind::kClass;
    } else if (kind == Kind::kClass) {
      continue;
    } else if (Starts(s, "usecase") || Starts(s, "package") || Starts(s, "rectangle") || Starts(s, "frame") ||
               s.starts_with("(") || (s.starts_with(":") && s.find(':', 1) != std::string_view::npos)) {
      kind = Kind::kUseCase;
    } else if (kind == Kind::kSequence) {
      std::size_t p = 0;
      const Ref left = ReadRef(s, p);
      const Arrow a = ReadArrow(s, p);
      const Ref right = a.found ? ReadRef(s, p) : Ref{};
      if (left.kind == Ref::Kind::kParen || right.kind == Ref::Kind::kParen || left.kind == Ref::Kind::kColon ||
          right.kind == Ref::Kind::kColon)
        kind = Kind::kUseCase;
    }
  }
  if (kind == Kind::kUseCase) return readUseCases(lines, 0, lines.size(), error);
  if (kind == Kind::kClass) return readClasses(lines, 0, lines.size(), error);
  const std::string diagramName = !title.empty() ? title : !name.empty() ? name : fallbackName;
  if (kind == Kind::kState) {
    if (diagramName.empty()) {
      const Line& at = begin > 0 ? all[begin - 1] : all[begin];
      m_.warnings.push_back(m_.files[static_cast<std::size_t>(at.file)] + ":" + std::to_string(at.number) +
                            ": a state diagram without a name (@startuml NAME or title) is the state machine of no "
                            "class; it was read past");
      return true;
    }
    return readStates(lines, 0, lines.size(), diagramName, error);
  }
  SequenceDiagram d;
  d.name = diagramName;
  if (d.name.empty()) {
    d.name = std::filesystem::path(m_.files.front()).stem().string();
    if (++unnamed_ > 1) d.name += " " + std::to_string(unnamed_);
  }
  for (const std::string& owner : {name, title, fallbackName})
    if (!owner.empty()) d.owners.push_back(owner);
  d.place = begin > 0 ? Place{all[begin - 1].file, all[begin - 1].number} : Place{all[begin].file, all[begin].number};
  if (!readSequence(lines, 0, lines.size(), d, error)) return false;
  m_.diagrams.push_back(std::move(d));
  return true;
}

bool DiagramReader::readUseCases(const std::vector<Line>& lines, std::size_t begin, std::size_t end,
                                 std::string* error) {
  std::vector<int> packages;                               // the open package blocks
  std::vector<std::pair<std::string, std::string>> notes;  // floating notes: alias, text
  const auto package = [&] { return packages.empty() ? -1 : packages.back(); };
  const auto declare = [&](bool useCase, const std::string& name, const std::string& alias) {
    int found = m_.findActor(alias.empty() ? name : alias);
    if (found < 0 && !alias.empty()) found = m_.findActor(name);
    if (found >= 0) {
      m_.setAlias(found, alias);
      return found;
    }
    return m_.addActor({useCase, name, alias, package(), {}});
  };
  const auto element = [&](const Ref& r) {
    const int found = m_.findActor(r.text);
    if (found >= 0) return found;
    return declare(r.kind == Ref::Kind::kParen, r.text, "");
  };
  const auto note = [&](int actor, const std::string& text) {
    if (actor >= 0 && !text.empty()) m_.actors[static_cast<std::size_t>(actor)].notes.push_back(text);
  };
  const auto noteText = [&](std::size_t& i, std::optional<std::string> label) -> std::optional<std::string> {
    if (label) return label;
    std::string text;
    const std::size_t open = i;
    for (++i; i < end; ++i) {
      if (Closes(lines[i].text, "endnote")) return text;
      text += (text.empty() ? "" : "\n") + std::string(Trim(lines[i].text));
    }
    fail(lines[open], Indent(lines[open].text) + 1, "note has no end note", error);
    return std::nullopt;
  };

  for (std::size_t i = begin; i < end; ++i) {
    const Line& line = lines[i];
    const std::string_view s = Trim(line.text);
    const std::size_t column = Indent(line.text) + 1;
    if (s.empty()) continue;
    if (const auto closing = OpensBlock(s)) {
      while (++i < end && !Closes(lines[i].text, *closing)) {
      }
      continue;
    }
    if (Starts(s, "title")) continue;
    if (Starts(s, "package") || Starts(s, "rectangle") || Starts(s, "frame") || Starts(s, "folder") ||
        Starts(s, "node") || Starts(s, "cloud") || Starts(s, "namespace")) {
      const std::size_t word = s.find_first_of(" \t{");
      auto d = ReadDeclaration(s, word == std::string_view::npos ? s.size() : word);
      m_.packages.push_back({d ? d->name : std::string(), package()});
      if (s.ends_with("{")) packages.push_back(static_cast<int>(m_.packages.size() - 1));
      continue;
    }
    if (s == "}") {
      if (!packages.empty()) packages.pop_back();
      continue;
    }
    if (Starts(s, "actor") || Starts(s, "usecase")) {
      const bool useCase = Starts(s, "usecase");
      const std::size_t word = useCase ? 7 : s.starts_with("actor/") ? 6 : 5;
      const auto d = ReadDeclaration(s, word);
      if (!d) return fail(line, column, std::string("expected a name after ") + (useCase ? "usecase" : "actor"), error);
      declare(useCase, d->name, d->alias);
      continue;
    }
    if (Starts(s, "note")) {
      std::string_view rest = After(s, "note");
      const std::size_t colon = rest.find(':');
      std::optional<std::string> label;
      if (colon != std::string_view::npos) label = Breaks(Trim(rest.substr(colon + 1)));
      std::string_view head = colon == std::string_view::npos ? rest : Trim(rest.substr(0, colon));
      if (head.starts_with("\"")) {  // note "text" as N
        std::size_t p = 0;
        const Ref text = ReadRef(head, p);
        std::size_t q = p;
        while (q < head.size() && Blank(head[q])) ++q;
        if (Starts(head.substr(q), "as")) notes.emplace_back(std::string(Trim(head.substr(q + 2))), text.text);
        continue;
      }
      if (Starts(head, "as")) {  // note as N ... end note
        const std::string alias(Trim(After(head, "as")));
        const auto text = noteText(i, label);
        if (!text) return false;
        notes.emplace_back(alias, *text);
        continue;
      }
      // note left of X [: text]
      const std::size_t of = Lower(head).find(" of ");
      int target = -1;
      if (of != std::string_view::npos) {
        std::size_t p = of + 4;
        const Ref r = ReadRef(head, p);
        if (r.kind != Ref::Kind::kNone) target = element(r);
      }
      const auto text = noteText(i, label);
      if (!text) return false;
      note(target, *text);
      continue;
    }
    if (Layout(s)) continue;

    std::size_t p = 0;
    const Ref left = ReadRef(s, p);
    const std::size_t arrowAt = p;
    const Arrow a = left.kind != Ref::Kind::kNone ? ReadArrow(s, p) : Arrow{};
    if (!a.found) {
      // (Name) or :Name: alone declares it.
      if ((left.kind == Ref::Kind::kParen || left.kind == Ref::Kind::kColon)) {
        const auto d = ReadDeclaration(s, 0);
        if (d && AtEnd(s, d->end)) {
          declare(left.kind == Ref::Kind::kParen, d->name, d->alias);
          continue;
        }
      }
      readPast(line);
      continue;
    }
    const Ref right = ReadRef(s, p);
    if (right.kind == Ref::Kind::kNone)
      return fail(line, Indent(line.text) + arrowAt + 1, "expected an actor or a use case after the arrow", error);
    const std::optional<std::string> label = Label(s, p);
    if (!label && !AtEnd(s, p)) {
      readPast(line);
      continue;
    }
    // A line to a note attaches it.
    const auto noteNamed = [&](const Ref& r) {
      return std::find_if(notes.begin(), notes.end(), [&](const auto& n) { return n.first == r.text; });
    };
    if (auto n = noteNamed(left); n != notes.end()) {
      note(element(right), n->second);
      continue;
    }
    if (auto n = noteNamed(right); n != notes.end()) {
      note(element(left), n->second);
      continue;
    }
    const int l = element(left), r = element(right);
    const std::string relation = label ? Lower(*label) : "";
    Link link;
    link.package = package();
    if (a.leftTriangle || a.rightTriangle) {
      link.kind = Link::Kind::kGeneralization;
      link.from = a.rightTriangle ? l : r;
      link.to = a.rightTriangle ? r : l;
    } else if (relation.find("include") != std::string::npos || relation.find("extend") != std::string::npos) {
      link.kind = relation.find("include") != std::string::npos ? Link::Kind::kInclude : Link::Kind::kExtend;
      const bool backwards = a.leftHead && !a.rightHead;
      link.from = backwards ? r : l;
      link.to = backwards ? l : r;
    } else {
      // The first end is the one the arrow points to.
      const bool backwards = a.leftHead && !a.rightHead;
      link.to = backwards ? l : r;
      link.from = backwards ? r : l;
      link.toNavigable = a.leftHead || a.rightHead;
      link.fromNavigable = a.leftHead && a.rightHead;
    }
    m_.links.push_back(link);
  }
  return true;
}

bool DiagramReader::readClasses(const std::vector<Line>& lines, std::size_t begin, std::size_t end,
                                std::string* error) {
  std::vector<std::pair<std::string, int>> aliases;
  const auto classOf = [&](const std::string& key) {
    for (const auto& [alias, index] : aliases)
      if (alias == key) return index;
    return m_.classNamed(key);
  };
  // "+amount : Integer = 20", "Integer amount", "+dispense(amount: Integer): void".
  const auto member = [&](int cls, std::string_view text) {
    text = Trim(text);
    while (!text.empty() && (text.front() == '+' || text.front() == '-' || text.front() == '#' || text.front() == '~'))
      text = Trim(text.substr(1));
    while (text.starts_with("{")) {
      const std::size_t close = text.find('}');
      text = close == std::string_view::npos ? std::string_view{} : Trim(text.substr(close + 1));
    }
    if (text.empty()) return;
    Class& c = m_.classes[static_cast<std::size_t>(cls)];
    std::string name;
    std::vector<Parameter> parameters;
    if (ParseCall(text, name, parameters)) {
      // "void name(...)": the last word before the parenthesis names it.
      if (const std::size_t blank = name.find_last_of(" \t"); blank != std::string::npos) name = name.substr(blank + 1);
      if (!name.empty()) OperationOf(c, name, std::move(parameters));
      return;
    }
    Attribute a;
    if (const std::size_t eq = text.find('='); eq != std::string_view::npos) {
      a.initial = std::string(Trim(text.substr(eq + 1)));
      text = Trim(text.substr(0, eq));
    }
    if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
      a.name = std::string(Trim(text.substr(0, colon)));
      a.type = std::string(Trim(text.substr(colon + 1)));
    } else if (const std::size_t blank = text.find_last_of(" \t"); blank != std::string_view::npos) {
      a.type = std::string(Trim(text.substr(0, blank)));
      a.name = std::string(Trim(text.substr(blank + 1)));
    } else {
      a.name = std::string(text);
    }
    if (a.name.empty()) return;
    for (const Attribute& had : c.attributes)
      if (had.name == a.name) return;
    c.attributes.push_back(std::move(a));
  };
  struct MemberNote {
    int cls;
    std::string member, text;
    Line line;
  };
  std::vector<MemberNote> notes;
  int open = -1;   // the class whose members the lines list
  int blocks = 0;  // package and namespace blocks
  for (std::size_t i = begin; i < end; ++i) {
    const Line& line = lines[i];
    const std::string_view s = Trim(line.text);
    if (s.empty()) continue;
    if (open >= 0) {
      if (s.starts_with("}"))
        open = -1;
      else if (s.find_first_not_of("-.=_") != std::string_view::npos)  // "--" and ".." only divide
        member(open, s);
      continue;
    }
    if (const auto closing = OpensBlock(s)) {
      while (++i < end && !Closes(lines[i].text, *closing)) {
      }
      continue;
    }
    if (s == "}") {
      if (blocks > 0) --blocks;
      continue;
    }
    if (Starts(s, "title") || Layout(s)) continue;
    if (const std::string_view kw = ClassKeyword(s); !kw.empty()) {
      const auto d = ReadDeclaration(s, kw.size());
      if (!d) return fail(line, Indent(line.text) + 1, "expected a name after " + std::string(kw), error);
      const int cls = m_.classNamed(d->name);
      if (!d->alias.empty()) aliases.emplace_back(d->alias, cls);
      if (s.ends_with("{")) open = cls;
      continue;
    }
    if (Starts(s, "package") || Starts(s, "namespace") || Starts(s, "together")) {
      if (s.ends_with("{")) ++blocks;
      continue;
    }
    if (Starts(s, "note")) {
      std::string_view rest = After(s, "note");
      // The text follows the first single colon ("A::m" names a member).
      std::size_t colon = std::string_view::npos;
      for (std::size_t c = 0; c < rest.size() && colon == std::string_view::npos; ++c)
        if (rest[c] == ':') {
          if (c + 1 < rest.size() && rest[c + 1] == ':')
            ++c;
          else
            colon = c;
        }
      std::string text;
      if (colon != std::string_view::npos) {
        text = Breaks(Trim(rest.substr(colon + 1)));
        rest = rest.substr(0, colon);
      } else {
        for (++i; i < end && !Closes(lines[i].text, "endnote"); ++i)
          text += (text.empty() ? "" : "\n") + std::string(Trim(lines[i].text));
        if (i == end) return fail(line, Indent(line.text) + 1, "note has no end note", error);
      }
      const std::size_t of = Lower(rest).find(" of ");
      if (of == std::string_view::npos) continue;  // a floating note documents nothing
      std::string target(Trim(rest.substr(of + 4)));
      std::string memberName;
      if (const std::size_t sep = target.find("::"); sep != std::string::npos) {
        memberName = std::string(Trim(std::string_view(target).substr(sep + 2)));
        target = std::string(Trim(std::string_view(target).substr(0, sep)));
      }
      notes.push_back({classOf(Unquote(target)), memberName, text, line});
      continue;
    }
    // "Class : member" adds a member; other lines (relations) are read past.
    std::size_t p = 0;
    const Ref r = ReadRef(s, p);
    while (p < s.size() && Blank(s[p])) ++p;
    if ((r.kind == Ref::Kind::kBare || r.kind == Ref::Kind::kQuoted) && p < s.size() && s[p] == ':' &&
        !s.substr(p).starts_with("::")) {
      member(classOf(r.text), s.substr(p + 1));
      continue;
    }
    readPast(line);
  }
  for (const MemberNote& n : notes) {
    Class& c = m_.classes[static_cast<std::size_t>(n.cls)];
    if (n.member.empty()) {
      c.notes.push_back(n.text);
      continue;
    }
    std::vector<std::string>* on = nullptr;
    for (Attribute& a : c.attributes)
      if (on == nullptr && a.name == n.member) on = &a.notes;
    std::string bare = n.member.substr(0, n.member.find('('));
    for (Operation& o : c.operations)
      if (on == nullptr && o.name == bare) on = &o.notes;
    if (on != nullptr)
      on->push_back(n.text);
    else
      readPast(n.line);
  }
  return true;
}

bool DiagramReader::readStates(const std::vector<Line>& lines, std::size_t begin, std::size_t end,
                               const std::string& name, std::string* error) {
  Class& c = m_.classes[static_cast<std::size_t>(m_.classNamed(name))];
  c.hasMachine = true;
  std::vector<std::pair<std::string, int>> aliases;
  const auto state = [&](const std::string& key, const std::string& label, bool pseudo) {
    for (const auto& [alias, index] : aliases)
      if (alias == key) {
        // A state named before its declaration takes the declared name.
        if (!pseudo && label != key) c.states[static_cast<std::size_t>(index)].name = label;
        return index;
      }
    c.states.push_back({label, pseudo});
    aliases.emplace_back(key, static_cast<int>(c.states.size() - 1));
    return static_cast<int>(c.states.size() - 1);
  };
  for (std::size_t i = begin; i < end; ++i) {
    const Line& line = lines[i];
    const std::string_view s = Trim(line.text);
    if (s.empty() || Starts(s, "title") || Layout(s) || s == "--" || s == "||") continue;
    if (const auto closing = OpensBlock(s)) {
      while (++i < end && !Closes(lines[i].text, *closing)) {
      }
      continue;
    }
    if (Starts(s, "note")) {
      if (s.find(':') == std::string_view::npos)
        while (++i < end && !Closes(lines[i].text, "endnote")) {
        }
      continue;
    }
    if (Starts(s, "state")) {
      const auto d = ReadDeclaration(s, 5);
      if (!d) return fail(line, Indent(line.text) + 1, "expected a name after state", error);
      state(d->alias.empty() ? d->name : d->alias, d->name, false);
      continue;
    }
    std::size_t p = 0;
    const Ref left = ReadRef(s, p);
    const Arrow a = left.kind != Ref::Kind::kNone ? ReadArrow(s, p) : Arrow{};
    if (!a.found) {
      readPast(line);  // "Idle : waiting for a card" and the like
      continue;
    }
    const Ref right = ReadRef(s, p);
    if (right.kind == Ref::Kind::kNone)
      return fail(line, Indent(line.text) + p + 1, "expected a state after the arrow", error);
    const bool backwards = a.leftHead && !a.rightHead;
    const Ref& from = backwards ? right : left;
    const Ref& to = backwards ? left : right;
    const int source = from.kind == Ref::Kind::kStart ? state("[*]", "", true) : state(from.text, from.text, false);
    const int target = to.kind == Ref::Kind::kStart ? state("[*]end", "", true) : state(to.text, to.text, false);
    c.transitions.push_back({source, target, Label(s, p).value_or("")});
  }
  return true;
}

bool DiagramReader::readSequence(const std::vector<Line>& lines, std::size_t begin, std::size_t end, SequenceDiagram& d,
                                 std::string* error) {
  SequenceBuilder b(m_, d);
  bool autoActivate = false, lastWasMessage = false;
  int boxes = 0;
  const auto multiLine = [&](std::size_t& i, std::string_view closing,
                             const std::string& what) -> std::optional<std::string> {
    std::string text;
    const std::size_t at = i;
    for (++i; i < end; ++i) {
      if (Closes(lines[i].text, closing)) return text;
      text += (text.empty() ? "" : "\n") + std::string(Trim(lines[i].text));
    }
    fail(lines[at], Indent(lines[at].text) + 1, what + " has no " + std::string(closing), error);
    return std::nullopt;
  };
  const auto guardOf = [](std::string_view text) {
    // "alt#Gold #LightBlue card accepted": the colours are no part of it.
    text = Trim(text);
    while (text.starts_with("#")) {
      const std::size_t blank = text.find_first_of(" \t");
      text = blank == std::string_view::npos ? std::string_view{} : Trim(text.substr(blank));
    }
    std::string guard(text);
    if (guard.starts_with("[") && guard.ends_with("]"))
      guard = std::string(Trim(std::string_view(guard).substr(1, guard.size() - 2)));
    return Breaks(guard);
  };
  static constexpr std::string_view kParticipants[] = {"participant", "actor",    "boundary",    "control",
                                                       "entity",      "database", "collections", "queue"};
  static constexpr std::string_view kFragments[] = {"alt", "opt", "loop", "par", "break", "critical", "group"};

  for (std::size_t i = begin; i < end; ++i) {
    const Line& line = lines[i];
    const Place at{line.file, line.number};
    const std::string_view s = Trim(line.text);
    const std::size_t column = Indent(line.text) + 1;
    if (s.empty()) continue;
    const bool afterMessage = lastWasMessage;
    lastWasMessage = false;
    if (const auto closing = OpensBlock(s)) {
      if (!multiLine(i, *closing, std::string(s))) return false;
      continue;
    }
    if (Starts(s, "title")) continue;
    if (Starts(s, "autoactivate")) {
      autoActivate = Lower(After(s, "autoactivate")) == "on";
      continue;
    }
    if (Starts(s, "box")) {
      ++boxes;
      continue;
    }
    if (Closes(s, "endbox")) {
      if (boxes > 0) --boxes;
      continue;
    }
    const std::string_view declaration = Starts(s, "create") ? After(s, "create") : s;
    bool declared = false;
    for (std::string_view kw : kParticipants)
      if (Starts(declaration, kw)) {
        const auto decl = ReadDeclaration(declaration, kw.size());
        if (!decl) return fail(line, column, "expected a name after " + std::string(kw), error);
        // A participant declared again keeps its place and first name.
        b.participant(decl->alias.empty() ? decl->name : decl->alias, decl->name, kw == "actor");
        declared = true;
        break;
      }
    if (declared) continue;
    if (Starts(s, "create")) {
      b.participant(Unquote(After(s, "create")), Unquote(After(s, "create")));
      continue;
    }
    if (Starts(s, "activate") || Starts(s, "deactivate") || Starts(s, "destroy")) {
      const bool on = Starts(s, "activate");
      std::string_view rest = After(s, on ? "activate" : Starts(s, "deactivate") ? "deactivate" : "destroy");
      if (const std::size_t hash = rest.find('#'); hash != std::string_view::npos) rest = Trim(rest.substr(0, hash));
      if (rest.empty()) return fail(line, column, "expected a participant after " + std::string(s), error);
      const int who = b.participant(Unquote(rest), Unquote(rest));
      if (on)
        b.activate(who, at);
      else
        b.deactivate(who, at);
      continue;
    }
    if (Starts(s, "return")) {
      if (!b.returns(Breaks(After(s, "return")), at))
        return fail(line, column, "return with no activation to return from", error);
      lastWasMessage = true;
      continue;
    }
    bool fragment = false;
    for (std::string_view kw : kFragments)
      if (Starts(s, kw)) {
        b.open(kw == "group" ? "" : std::string(kw), guardOf(After(s, kw)), line);
        fragment = true;
        break;
      }
    if (fragment) continue;
    if (Starts(s, "else")) {
      if (b.innermost() == SequenceBuilder::Frame::kNone)
        return fail(line, column, "else outside alt, par or another fragment", error);
      if (b.innermost() == SequenceBuilder::Frame::kFragment) b.operand(guardOf(After(s, "else")), at);
      continue;
    }
    if (Lower(s) == "end") {
      if (!b.close(at)) return fail(line, column, "end with no fragment to close", error);
      continue;
    }
    if (Starts(s, "ref")) {
      std::string_view rest = After(s, "ref");
      if (Starts(rest, "over")) rest = After(rest, "over");
      const std::size_t colon = rest.find(':');
      std::string_view over = colon == std::string_view::npos ? rest : rest.substr(0, colon);
      std::vector<int> covered;
      while (!Trim(over).empty()) {
        const std::size_t comma = over.find(',');
        const std::string name = Unquote(over.substr(0, comma));
        if (!name.empty()) covered.push_back(b.participant(name, name));
        over = comma == std::string_view::npos ? std::string_view{} : over.substr(comma + 1);
      }
      std::string text;
      if (colon != std::string_view::npos) {
        text = Breaks(Trim(rest.substr(colon + 1)));
      } else {
        const auto block = multiLine(i, "endref", "ref");
        if (!block) return false;
        text = *block;
      }
      b.reference(covered, text, at);
      continue;
    }
    if (Starts(s, "note") || Starts(s, "hnote") || Starts(s, "rnote")) {
      const std::string_view word = Starts(s, "note") ? "note" : s.substr(0, 5);
      const std::string_view rest = After(s, word);
      const std::size_t colon = rest.find(':');
      const std::string where = Lower(colon == std::string_view::npos ? rest : rest.substr(0, colon));
      std::string text;
      if (colon != std::string_view::npos) {
        text = Breaks(Trim(rest.substr(colon + 1)));
      } else {
        const auto block = multiLine(i, "end" + std::string(word), std::string(word));
        if (!block) return false;
        text = *block;
      }
      // "note left" or "note right" just after a message is the message's;
      // any other note documents the diagram.
      const bool onMessage =
          afterMessage && where.find(" of") == std::string::npos && (Starts(where, "left") || Starts(where, "right"));
      b.note(text, onMessage);
      lastWasMessage = onMessage;
      continue;
    }
    if (Layout(s) || s.starts_with("!")) {
      if (s.starts_with("!") && !Starts(s, "!pragma") && !Starts(s, "!theme")) readPast(line);
      continue;
    }

    // A message: A -> B : text, with [ and ] for outside the diagram.
    std::size_t p = 0;
    const auto endAt = [&](std::size_t& q) -> std::optional<int> {
      while (q < s.size() && Blank(s[q])) ++q;
      if (q < s.size() && (s[q] == '[' || s[q] == ']')) {
        ++q;
        return -1;
      }
      const Ref r = ReadRef(s, q);
      if (r.kind != Ref::Kind::kBare && r.kind != Ref::Kind::kQuoted) return std::nullopt;
      return b.participant(r.text, r.text);
    };
    const SequenceBuilder::Mark mark = b.mark();
    const auto left = endAt(p);
    if (!left) {
      readPast(line);
      continue;
    }
    // The arrow: heads < << / \ on either side of one or two strokes (two:
    // a reply), a colour in brackets, x or o for a lost or found end.
    while (p < s.size() && Blank(s[p])) ++p;
    std::size_t q = p;
    bool leftHead = false, rightHead = false;
    while (q < s.size() && (s[q] == '<' || s[q] == '/' || s[q] == '\\')) {
      leftHead = true;
      ++q;
    }
    const int strokes = ReadStrokes(s, q, false);
    while (q < s.size() && (s[q] == '>' || s[q] == '/' || s[q] == '\\')) {
      rightHead = true;
      ++q;
    }
    if (q < s.size() && (s[q] == 'x' || s[q] == 'o') && (q + 1 == s.size() || Blank(s[q + 1]) || s[q + 1] == ']')) ++q;
    if (strokes == 0 || (!leftHead && !rightHead)) {
      b.rollback(mark);
      readPast(line);
      continue;
    }
    p = q;
    const auto right = endAt(p);
    if (!right) {
      b.rollback(mark);
      return fail(line, Indent(line.text) + p + 1, "expected a participant after the arrow", error);
    }
    // ++ -- ** !! after the receiver: activate it, deactivate the sender,
    // create it, destroy it.
    while (p < s.size() && Blank(s[p])) ++p;
    bool activates = false, deactivates = false;
    while (p + 1 < s.size() && s[p] == s[p + 1] && (s[p] == '+' || s[p] == '-' || s[p] == '*' || s[p] == '!')) {
      activates = activates || s[p] == '+';
      deactivates = deactivates || s[p] == '-';
      p += 2;
      while (p < s.size() && Blank(s[p])) ++p;
    }
    // An activation's colour ("++ #gold") only draws.
    while (p < s.size() && s[p] == '#') {
      while (p < s.size() && !Blank(s[p]) && s[p] != ':') ++p;
      while (p < s.size() && Blank(s[p])) ++p;
    }
    const std::optional<std::string> label = Label(s, p);
    if (!label && p < s.size()) {
      b.rollback(mark);
      readPast(line);
      continue;
    }
    int from = *left, to = *right;
    if (leftHead && !rightHead) std::swap(from, to);
    const bool reply = strokes >= 2;
    b.message(from, to, reply, label.value_or(""), at);
    lastWasMessage = true;
    if (to >= 0 && (activates || (autoActivate && !reply && to != from))) b.activate(to, from, at);
    if (from >= 0 && (deactivates || (autoActivate && reply))) b.deactivate(from, at);
  }
  if (const Line* at = b.unclosed()) return unclosed(*at, error);
  b.finish();
  return true;
}

void DiagramReader::finish() {
  for (SequenceDiagram& d : m_.diagrams) {
    for (const std::string& owner : d.owners) {
      const int found = m_.findActor(owner);
      if (found >= 0 && m_.actors[static_cast<std::size_t>(found)].useCase) {
        d.useCase = found;
        break;
      }
    }
    // A Mermaid diagram no use-case diagram names is a use case of its
    // own, reached by the participants declared actor.
    if (d.useCase >= 0 || !d.ownUseCase || d.name.empty()) continue;
    d.useCase = m_.addActor({true, d.name, "", -1, d.useCaseNotes});
    for (const std::string& name : d.actors) {
      int actor = m_.findPlainActor(name);
      if (actor < 0) actor = m_.addActor({false, name, "", -1, {}});
      Link link;
      link.from = actor;
      link.to = d.useCase;
      link.toNavigable = true;
      m_.links.push_back(link);
    }
  }
  // A participant declared actor is the use-case diagrams' actor of that
  // name where there is one.
  for (Class& c : m_.classes) {
    if (c.actor != -2) continue;
    c.actor = m_.findPlainActor(c.name);
  }
  for (std::size_t f = 0; f < readPast_.size(); ++f)
    if (readPast_[f].count > 0)
      m_.warnings.push_back(m_.files[f] + ":" + std::to_string(readPast_[f].first.number) + ": " +
                            std::to_string(readPast_[f].count) + (readPast_[f].count == 1 ? " line is" : " lines are") +
                            " no construct a test plan reads and " + (readPast_[f].count == 1 ? "was" : "were") +
                            " read past (the first: " + std::string(Trim(readPast_[f].first.text)) + ")");
}

}  // namespace zov::text
