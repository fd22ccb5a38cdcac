// Mermaid diagrams of a text model: sequence diagrams, and state diagrams
// as the state machine of the class their title names.
#include <filesystem>

#include "model/diagram_reader.h"
#include "model/sequence_builder.h"
#include "model/text_lex.h"

namespace zov::text {

namespace {

// The arrows of a Mermaid message, longest first; two strokes make a reply.
constexpr std::string_view kArrows[] = {"<<-->>", "<<->>", "-->>", "->>", "--x", "-x", "--)", "-)", "-->", "->"};

// The text after "keyword" or "keyword:".
std::string TitleText(std::string_view s) {
  s = Trim(s.substr(5));
  if (s.starts_with(":")) s = Trim(s.substr(1));
  return Unquote(s);
}

}  // namespace

bool DiagramReader::readMermaid(std::string_view text, int file, int firstLine, const std::string& fallbackName,
                                std::string* error) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<Line> lines;
  for (int number = firstLine; !text.empty(); ++number) {
    const std::size_t nl = text.find('\n');
    std::string_view raw = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    lines.push_back({std::string(raw), file, number});
  }
  std::size_t i = 0;
  while (i < lines.size() && Trim(lines[i].text).empty()) ++i;
  std::string title;
  // Front matter between two "---" lines: its title names the diagram.
  if (i < lines.size() && Trim(lines[i].text) == "---") {
    std::size_t close = i + 1;
    while (close < lines.size() && Trim(lines[close].text) != "---") ++close;
    if (close == lines.size()) return fail(lines[i], 1, "the front matter has no closing ---", error);
    for (std::size_t j = i + 1; j < close; ++j)
      if (Starts(Trim(lines[j].text), "title")) title = TitleText(Trim(lines[j].text));
    i = close + 1;
  }
  std::vector<std::string> comments;
  for (; i < lines.size(); ++i) {
    const std::string_view s = Trim(lines[i].text);
    if (s.empty() || s.starts_with("%%{")) continue;
    if (!s.starts_with("%%")) break;
    comments.emplace_back(Trim(s.substr(2)));
  }
  if (i == lines.size()) {
    const Line at = lines.empty() ? Line{"", file, firstLine} : lines.back();
    return fail(at, 1, "expected sequenceDiagram or stateDiagram: the Mermaid text holds no diagram", error);
  }
  const std::string_view head = Trim(lines[i].text);
  const std::string keyword = Lower(head.substr(0, head.find_first_of(" \t")));
  // Comments inside the diagram are no statement.
  std::vector<Line> body;
  for (std::size_t j = i + 1; j < lines.size(); ++j) {
    const std::string_view s = Trim(lines[j].text);
    if (Starts(s, "title")) {
      if (title.empty()) title = TitleText(s);
    } else if (!s.starts_with("%%")) {
      body.push_back(lines[j]);
    }
  }
  const std::string name = !title.empty() ? title : fallbackName;
  if (keyword.starts_with("statediagram")) {
    if (name.empty()) {
      m_.warnings.push_back(m_.files[static_cast<std::size_t>(file)] + ":" + std::to_string(lines[i].number) +
                            ": a state diagram without a title is the state machine of no class; it was read past");
      return true;
    }
    return readStates(body, 0, body.size(), name, error);
  }
  if (keyword != "sequencediagram") {
    m_.warnings.push_back(m_.files[static_cast<std::size_t>(file)] + ":" + std::to_string(lines[i].number) +
                          ": Mermaid " + std::string(head.substr(0, head.find_first_of(" \t"))) +
                          " is no diagram a test plan reads; it was read past");
    return true;
  }
  SequenceDiagram d;
  d.name = name;
  if (d.name.empty()) {
    d.name = std::filesystem::path(m_.files.front()).stem().string();
    if (++unnamed_ > 1) d.name += " " + std::to_string(unnamed_);
  }
  for (const std::string& owner : {title, fallbackName})
    if (!owner.empty()) d.owners.push_back(owner);
  d.ownUseCase = true;
  d.useCaseNotes = comments;
  d.place = {lines[i].file, lines[i].number};
  if (!readMermaidSequence(body, 0, d, error)) return false;
  m_.diagrams.push_back(std::move(d));
  return true;
}

bool DiagramReader::readMermaidSequence(const std::vector<Line>& lines, std::size_t begin, SequenceDiagram& d,
                                        std::string* error) {
  SequenceBuilder b(m_, d);
  static constexpr std::string_view kFragments[] = {"alt", "opt", "loop", "par", "critical", "break"};
  static constexpr std::string_view kSkipped[] = {"autonumber", "links",    "link",    "properties",
                                                  "details",    "accTitle", "accDescr"};
  // The participant a statement names by its id.
  const auto named = [&](std::string_view id) {
    const std::string key(Trim(id));
    return b.participant(key, key);
  };
  for (std::size_t i = begin; i < lines.size(); ++i) {
    const Line& line = lines[i];
    const Place at{line.file, line.number};
    const std::string_view s = Trim(line.text);
    const std::size_t column = Indent(line.text) + 1;
    if (s.empty()) continue;
    bool skipped = false;
    for (std::string_view kw : kSkipped) skipped = skipped || Starts(s, Lower(kw));
    if (skipped) continue;
    const std::string_view declaration = Starts(s, "create") ? After(s, "create") : s;
    if (Starts(declaration, "participant") || Starts(declaration, "actor")) {
      const bool actor = Starts(declaration, "actor");
      std::string_view rest = After(declaration, actor ? "actor" : "participant");
      if (const std::size_t config = rest.find("@{"); config != std::string_view::npos)
        rest = Trim(rest.substr(0, config));
      if (rest.empty())
        return fail(line, column, std::string("expected a name after ") + (actor ? "actor" : "participant"), error);
      std::string key(rest), shown(rest);
      if (const std::size_t as = Lower(rest).find(" as "); as != std::string::npos) {
        key = std::string(Trim(rest.substr(0, as)));
        shown = std::string(Trim(rest.substr(as + 4)));
      }
      b.participant(key, Breaks(shown), actor);
      continue;
    }
    if (Starts(s, "activate")) {
      b.activate(named(After(s, "activate")), at);
      continue;
    }
    if (Starts(s, "deactivate") || Starts(s, "destroy")) {
      b.deactivate(named(After(s, Starts(s, "destroy") ? "destroy" : "deactivate")), at);
      continue;
    }
    if (Starts(s, "box") || Starts(s, "rect")) {
      b.open("", "", line);  // box and rect only frame what they hold
      continue;
    }
    bool fragment = false;
    for (std::string_view kw : kFragments)
      if (Starts(s, kw)) {
        b.open(std::string(kw), Breaks(After(s, kw)), line);
        fragment = true;
        break;
      }
    if (fragment) continue;
    if (Starts(s, "else") || Starts(s, "and") || Starts(s, "option")) {
      const std::string_view kw = Starts(s, "else") ? "else" : Starts(s, "and") ? "and" : "option";
      if (b.innermost() != SequenceBuilder::Frame::kFragment)
        return fail(line, column, std::string(kw) + " outside alt, par, critical or another fragment", error);
      b.operand(Breaks(After(s, kw)), at);
      continue;
    }
    if (Lower(s) == "end") {
      if (!b.close(at)) return fail(line, column, "end with no block to close", error);
      continue;
    }
    if (Starts(s, "note")) {
      std::string_view rest = After(s, "note");
      const std::size_t colon = rest.find(':');
      if (colon == std::string_view::npos) return fail(line, column, "expected \":\" and the note's text", error);
      std::string_view where = Trim(rest.substr(0, colon));
      for (std::string_view w : {"right of", "left of", "over"})
        if (Lower(where).starts_with(w)) where = Trim(where.substr(w.size()));
      // A note on a participant of the message just before is that
      // message's; any other documents the diagram.
      const Step* last = b.lastMessage();
      bool onMessage = false;
      while (last != nullptr && !where.empty()) {
        const std::size_t comma = where.find(',');
        const SequenceBuilder::Mark mark = b.mark();
        const int p = named(where.substr(0, comma));
        b.rollback(mark);
        onMessage = onMessage || p == last->from || p == last->to;
        where = comma == std::string_view::npos ? std::string_view{} : Trim(where.substr(comma + 1));
      }
      b.note(Breaks(Trim(rest.substr(colon + 1))), onMessage);
      continue;
    }
    // A message: A->>B: text, with + or - before the receiver.
    std::size_t arrowAt = std::string_view::npos;
    std::string_view arrow;
    for (std::size_t j = 0; j < s.size() && arrowAt == std::string_view::npos; ++j) {
      if (s[j] != '-' && s[j] != '<') continue;
      for (std::string_view a : kArrows)
        if (s.substr(j, a.size()) == a) {
          arrowAt = j;
          arrow = a;
          break;
        }
    }
    const std::size_t colon = s.find(':', arrowAt == std::string_view::npos ? 0 : arrowAt);
    if (arrowAt == std::string_view::npos || Trim(s.substr(0, arrowAt)).empty()) {
      readPast(line);
      continue;
    }
    std::size_t p = arrowAt + arrow.size();
    const bool activates = p < s.size() && s[p] == '+';
    const bool deactivates = p < s.size() && s[p] == '-';
    if (activates || deactivates) ++p;
    const std::string_view receiver =
        Trim(s.substr(p, colon == std::string_view::npos ? std::string_view::npos : colon - p));
    if (receiver.empty()) return fail(line, Indent(line.text) + p + 1, "expected a participant after the arrow", error);
    const int from = named(s.substr(0, arrowAt)), to = named(receiver);
    const bool reply = arrow.starts_with("--") || arrow.starts_with("<<--");
    b.message(from, to, reply, colon == std::string_view::npos ? "" : Breaks(Trim(s.substr(colon + 1))), at);
    if (activates) b.activate(to, from, at);
    if (deactivates) b.deactivate(from, at);
  }
  if (const Line* at = b.unclosed()) return unclosed(*at, error);
  b.finish();
  return true;
}

}  // namespace zov::text
