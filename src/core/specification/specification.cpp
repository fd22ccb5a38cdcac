#include "specification/specification.h"

#include <fstream>
#include <map>
#include <optional>
#include <set>

#include <absl/strings/ascii.h>
#include <absl/strings/match.h>

#include "files/work_folder.h"
#include "generation/choices.h"
#include "model/fnv.h"
#include "selection/allocation.h"
#include "tree/kinds.h"
#include "tree/numbers.h"

namespace zov {

namespace {

std::string Parte(std::string_view pathName) { return std::string(pathName.substr(0, pathName.find('.'))); }

struct Info {
  Handle message;
  std::string sequence, name, documentation;
  std::int16_t level = 1;
  Condition condition;
  bool hasCondition = false;
};

MessageRecord Record(const Info& info) {
  MessageRecord r;
  r.message = info.message;
  r.sequenceLabel = info.sequence;
  r.name = info.name;
  r.documentation = info.documentation;
  r.level = info.level;
  return r;
}

}  // namespace

namespace {

bool IsIf(const Info& i) { return i.hasCondition && i.condition.isIf; }
bool IsElse(const Info& i) { return i.hasCondition && i.condition.isElse; }

// One run through a part of the diagram: the branch numbers it took, in
// the order its conditions come, and its messages.
struct Run {
  std::string branches;  // ".1.2" ...
  std::vector<std::size_t> messages;
};

// The ELSE messages that answer the IF at k: the first ELSE at its level
// further on (before end), then each further ELSE at that level before the
// next IF there (an else-if chain). Empty when the IF has no ELSE.
std::vector<std::size_t> ElsesOf(const std::vector<Info>& infos, std::size_t k, std::size_t end) {
  std::vector<std::size_t> elses;
  const std::int16_t level = infos[k].level;
  for (std::size_t e = k + 1; e < end; ++e) {
    if (infos[e].level != level) continue;
    if (IsElse(infos[e]))
      elses.push_back(e);
    else if (!elses.empty() && IsIf(infos[e]))
      break;
  }
  return elses;
}

// The runs through messages [begin, end), all deeper than the top level:
// an IF with ELSE messages at its own level further on (within the range)
// splits every run made so far into one branch per condition: the IF
// branch (the IF and the messages up to the first ELSE), each ELSE branch
// but the last (the ELSE and the messages up to the next one), and the
// last ELSE branch (the ELSE and the deeper messages after it); each
// branch adds its number to the run's path name. Other messages go to
// every run. At most limit messages are listed in all; full tells when
// runs were left out.
class PathLayout {
 public:
  PathLayout(const std::vector<Info>& infos, std::size_t limit) : infos_(infos), limit_(limit) {}

  std::vector<Run> runs(std::size_t begin, std::size_t end) {
    std::vector<Run> out(1);
    for (std::size_t k = begin; k < end;) {
      const Info& in = infos_[k];
      std::vector<std::size_t> heads;
      if (IsIf(in)) heads = ElsesOf(infos_, k, end);
      if (heads.empty()) {
        for (Run& r : out) r.messages.push_back(k);
        ++k;
        continue;
      }
      heads.insert(heads.begin(), k);
      std::size_t elseEnd = heads.back() + 1;
      while (elseEnd < end && infos_[elseEnd].level > in.level) ++elseEnd;
      std::vector<std::vector<Run>> branches;
      for (std::size_t b = 0; b < heads.size(); ++b) {
        if (b > 0) elseOf_[heads[b]] = k;
        const std::size_t to = b + 1 < heads.size() ? heads[b + 1] : elseEnd;
        branches.push_back(prefixed(heads[b], runs(heads[b] + 1, to)));
      }
      std::vector<Run> next;
      std::size_t listed = 0;
      for (const Run& r : out)
        for (std::size_t b = 0; b < branches.size(); ++b)
          for (const Run& q : branches[b]) {
            listed += r.messages.size() + q.messages.size();
            if (listed > limit_) {
              full = true;
              continue;
            }
            Run joined{r.branches + "." + std::to_string(b + 1) + q.branches, r.messages};
            joined.messages.insert(joined.messages.end(), q.messages.begin(), q.messages.end());
            next.push_back(std::move(joined));
          }
      out = std::move(next);
      k = elseEnd;
    }
    return out;
  }

  // The IF of an ELSE that opened a branch.
  std::optional<std::size_t> ifOf(std::size_t elseMessage) const {
    const auto it = elseOf_.find(elseMessage);
    return it == elseOf_.end() ? std::nullopt : std::optional<std::size_t>(it->second);
  }

  bool full = false;

 private:
  static std::vector<Run> prefixed(std::size_t first, std::vector<Run> runs) {
    for (Run& r : runs) r.messages.insert(r.messages.begin(), first);
    return runs;
  }

  const std::vector<Info>& infos_;
  std::size_t limit_;
  std::map<std::size_t, std::size_t> elseOf_;
};

}  // namespace

void CollectMessages(const ModelSource& m, Handle diagram, TestCaseRecord& r,
                     const std::function<void(const std::string&)>& notice) {
  std::vector<Info> infos;
  for (Handle msg : m.DiagramMessages(diagram)) {
    Info i;
    i.message = msg;
    i.sequence = m.MessageSequence(msg);
    i.name = m.Name(msg);
    i.documentation = m.Documentation(msg);
    SequenceLevel("[" + i.sequence + "]" + i.name, i.level);
    i.hasCondition = ReadCondition(m, diagram, msg, i.condition);
    infos.push_back(std::move(i));
  }

  std::vector<MessageRecord>& records = r.messages;
  records.clear();
  bool full = false;
  PathLayout layout(infos, kMaxMessages);
  // The record of each message's first copy, for the ELSE records' ifIndex.
  std::map<std::size_t, std::size_t> firstRecord;
  std::map<std::size_t, std::size_t> topIfs;  // top-level ELSE by position: its IF
  const auto push = [&](std::size_t j, const std::string& pathName) {
    if (records.size() >= kMaxMessages) {
      full = true;
      return;
    }
    MessageRecord rec = Record(infos[j]);
    if (infos[j].hasCondition) {
      rec.conditionKind = IsIf(infos[j]) ? ConditionKind::kIf : ConditionKind::kElse;
      rec.condition = infos[j].condition.text;
    }
    rec.pathName = pathName;
    firstRecord.try_emplace(j, records.size());
    std::optional<std::size_t> theIf = layout.ifOf(j);
    if (const auto top = topIfs.find(j); top != topIfs.end()) theIf = top->second;
    if (theIf && firstRecord.count(*theIf) != 0) rec.ifIndex = static_cast<std::int16_t>(firstRecord[*theIf]);
    records.push_back(std::move(rec));
  };

  // Each top-level message opens a path, with the deeper messages after
  // it. A top-level IF with top-level ELSE messages further on splits the
  // current path into ".1" (the IF), ".2" (the first ELSE), ".3" ...
  int pathCounter = 1;
  std::string cur = std::to_string(pathCounter);
  std::map<std::size_t, std::string> topElses;  // top-level ELSE by position: its path name
  for (std::size_t j = 0; j < infos.size() && !full;) {
    std::size_t end = j + 1;
    while (end < infos.size() && infos[end].level > 1) ++end;
    const Info& head = infos[j];
    std::string name;
    bool headFirst = true;
    if (head.level > 1) {
      // A first message below the top level opens path 1 all the same.
      name = cur;
      headFirst = false;
    } else if (IsElse(head) && topElses.count(j) != 0) {
      name = topElses[j];
    } else {
      const std::vector<std::size_t> elses = IsIf(head) ? ElsesOf(infos, j, infos.size()) : std::vector<std::size_t>();
      if (!elses.empty()) {
        name = cur + ".1";
        for (std::size_t b = 0; b < elses.size(); ++b) {
          topElses[elses[b]] = cur + "." + std::to_string(b + 2);
          topIfs[elses[b]] = j;
        }
        cur = name;
      } else {
        if (!records.empty()) cur = std::to_string(++pathCounter);
        name = cur;
      }
    }
    for (const Run& run : layout.runs(headFirst ? j + 1 : j, end)) {
      if (headFirst) push(j, name + run.branches);
      for (std::size_t k : run.messages) push(k, name + run.branches);
    }
    j = end;
  }
  if ((full || layout.full) && notice)
    notice("\"" + m.Name(diagram) + "\" has more than " + std::to_string(kMaxMessages) +
           " messages in its paths: the rest are left out.");
}

std::int16_t CountPaths(const TestCaseRecord& r) {
  if (r.messages.empty()) return 1;
  std::string s = r.messages[0].pathName;
  std::int16_t count = 1;
  for (const MessageRecord& rec : r.messages) {
    if (rec.pathName.empty()) break;
    if (rec.pathName != s) {
      ++count;
      s = rec.pathName;
    }
  }
  return count;
}

std::string PathsOutOfOrder(const TestCaseRecord& r) {
  // Each path is one run of records, and the paths and branches of one
  // top-level number follow each other.
  std::set<std::string> done, topsDone;
  for (std::size_t k = 0; k < r.messages.size(); ++k) {
    const std::string& path = r.messages[k].pathName;
    if (k > 0 && path == r.messages[k - 1].pathName) continue;
    if (!done.insert(path).second) return "path " + path + " comes back after " + r.messages[k - 1].pathName;
    const std::string top = Parte(path);
    if (k > 0 && top == Parte(r.messages[k - 1].pathName)) continue;
    if (!topsDone.insert(top).second) return "path " + path + " comes after " + r.messages[k - 1].pathName;
  }
  return {};
}

Quote SharePaths(int allotted, int paths) {
  Quote q;
  if (paths <= 0) paths = 1;
  if (allotted >= paths) {
    q.q = allotted / paths;
    q.r = allotted % paths;
  } else {
    q.q = 0;
    q.r = allotted;
    q.tooFew = true;
  }
  return q;
}

std::string SafeFileName(std::string_view name) {
  std::string out;
  for (unsigned char c : name) {
    const bool bad = c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
                     c == '<' || c == '>' || c == '|';
    out += bad ? '_' : static_cast<char>(c);
  }
  for (std::size_t at; (at = out.find("..")) != std::string::npos;) out[at + 1] = '_';
  // Keep room for an ending, a number and a hash within the usual 255-byte
  // limit, without cutting a UTF-8 character in two; a name that was cut
  // ends with a hash of the whole, so that two long names stay apart.
  constexpr std::size_t kMost = 200;
  if (out.size() > kMost) {
    std::size_t cut = kMost - 9;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
    out += "~" + FnvHex(Fnv1a(name)).substr(8);  // its low 32 bits
  }
  if (out.empty() || out == ".") out = "_";
  return out;
}

std::string FileNameKey(std::string_view name) {
  std::string key(name);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

DocumentNames::DocumentNames(std::vector<std::string>& files)
    : files_(files),
      byName_(0, Places<false>{this}, Places<false>{this}),
      byFile_(0, Places<true>{this}, Places<true>{this}) {}

std::string_view DocumentNames::nameOf(int at) const {
  if (const auto it = otherNames_.find(at); it != otherNames_.end()) return it->second;
  const std::string_view file = fileOf(at);
  return file.substr(0, file.size() - 4);  // less ".txt"
}

template <>
std::size_t DocumentNames::Places<false>::operator()(std::string_view name) const {
  return absl::Hash<std::string_view>{}(name);
}

template <>
bool DocumentNames::Places<false>::operator()(int at, std::string_view name) const {
  return text(at) == name;
}

template <>
std::size_t DocumentNames::Places<true>::operator()(std::string_view file) const {
  // Safe names are at most a few hundred bytes: folded on the stack.
  char folded[512];
  if (file.size() > sizeof folded) return absl::Hash<std::string>{}(FileNameKey(file));
  for (std::size_t i = 0; i < file.size(); ++i) folded[i] = absl::ascii_tolower(static_cast<unsigned char>(file[i]));
  return absl::Hash<std::string_view>{}(std::string_view(folded, file.size()));
}

template <>
bool DocumentNames::Places<true>::operator()(int at, std::string_view file) const {
  const std::string_view mine = text(at);
  return absl::EqualsIgnoreCase(absl::string_view(mine.data(), mine.size()),
                                absl::string_view(file.data(), file.size()));
}

int DocumentNames::assign(const std::string& base) {
  // The same name again (a path name that repeats) replaces its document;
  // names that only collide once made safe get a number.
  if (const auto it = byName_.find(std::string_view(base)); it != byName_.end()) return *it;
  const std::string safe = SafeFileName(base);
  std::string file = safe + ".txt";
  // Names apart only in letter case are one file where the file system
  // folds case (Windows, macOS): they get a number too.
  for (int n = 2; byFile_.contains(std::string_view(file)); ++n) file = safe + " (" + std::to_string(n) + ").txt";
  const auto at = static_cast<int>(files_.size());
  const bool plain = file.size() == base.size() + 4 && file.starts_with(base);
  files_.push_back(std::move(file));
  if (!plain) otherNames_.emplace(at, base);
  byName_.insert(at);
  byFile_.insert(at);
  return at;
}

namespace {

// "<identifier>_<name with blanks as ->_<path>": a document's name that
// neither the allotment nor the test case's number changes.
std::string StableName(const std::string& identifier, const std::string& name, const std::string& path) {
  std::string bare = WithoutTrailingBlanks(EstraiNome(name));
  for (char& c : bare)
    if (c == ' ') c = '-';
  return identifier + "_" + bare + "_" + path;
}

// Writes the tree and the documents of one diagram of test case i.
class PathBuilder {
 public:
  PathBuilder(const ProcessingContext& c, DocumentNames& names, Handle d, TestCaseRecord& r, int testCase)
      : c_(c), names_(names), m_(c.model), d_(d), r_(r), t_(c.spec), testCase_(testCase) {}

  void build(const std::string& testCaseText) {
    testCaseText_ = testCaseText;
    const Quote share = SharePaths(r_.allotted, r_.pathCount);
    if (share.tooFew && c_.warn)
      c_.warn("The number of executable test cases is not enough to cover all the Test Cases for '" + r_.name + "'");
    int q = share.q, rest = share.r;
    const std::string diagramKey = m_.Identifier(d_);
    const std::string diagramName = m_.Name(d_);
    std::size_t k = 0;
    const auto pathOf = [&](std::size_t index) {
      return index < r_.messages.size() ? r_.messages[index].pathName : std::string();
    };
    std::string s = Parte(pathOf(0));
    std::string cur = s;
    while (k < r_.messages.size()) {
      // Keys carry the diagram's identifier: two test cases may have paths
      // and branches of the same name.
      const std::string pathKey = diagramKey + s + diagramName;
      NodeId path = t_.addChild(diagramKey, pathKey, "TestCase " + s, kind::kTestcase);
      if (path == kNoNode) path = t_.find(pathKey);
      if (path != kNoNode) t_.setBold(path, true);
      int total = 0;
      while (s == cur && k < r_.messages.size()) {
        const std::string gName = pathOf(k);
        int share_m = q;
        if (rest > 0) {
          share_m = q + 1;
          --rest;
        }
        NodeId current = path;
        std::string currentKey = pathKey;
        if (gName != cur) {
          currentKey = diagramKey + gName + " - " + r_.messages[k].name;
          current = t_.addChild(pathKey, currentKey, "TestCase " + gName + "   (" + WithSign(share_m) + " )",
                                kind::kTestcase);
          if (current == kNoNode) current = t_.find(currentKey);
          if (current != kNoNode) t_.setBold(current, true);
          total += share_m;
          if (path != kNoNode) {
            t_.setText(path, "TestCase " + s + "   (" + WithSign(total) + " )");
            t_.setImage(path, kind::kTestcaseGiallo);
          }
        } else if (path != kNoNode) {
          t_.setText(path, t_.node(path).text + "   (" + WithSign(share_m) + " )");
        }
        const std::string nodeText = current != kNoNode ? t_.node(current).text.str() : std::string();
        std::vector<std::string> doc;
        doc.push_back("Test Case  " + gName + "   of  SD " + EstraiNome(diagramName));
        for (int e = 0; e < 4; ++e) doc.emplace_back();
        for (const char* line : {" Description:", "", " PreCondition:", "", " Flow of Event:"}) doc.emplace_back(line);
        const std::size_t first = k;
        while (k < r_.messages.size() && pathOf(k) == gName) {
          message(k, currentKey, doc);
          ++k;
        }
        categories(first, k, doc);
        for (const char* line : {"", " PostCondition:", "", " Comment:"}) doc.emplace_back(line);
        write(c_.stableNames ? StableName(diagramKey, diagramName, gName) : testCaseText_ + nodeText, current, gName,
              doc);
        s = Parte(pathOf(k));
      }
      cur = s;
    }
    r_.lastMessage = static_cast<std::int16_t>(k == 0 ? 0 : k - 1);
  }

 private:
  void message(std::size_t index, const std::string& p, std::vector<std::string>& doc) {
    MessageRecord& rec = r_.messages[index];
    const std::string label = "[" + rec.sequenceLabel + "] " + rec.name;
    std::string text = rec.level <= 1 ? label : std::string(static_cast<std::size_t>(2 * rec.level), ' ') + label;
    std::string line = std::string(12, ' ') + rec.name;
    if (rec.conditionKind == ConditionKind::kIf) {
      text += " -- IF " + rec.condition.str();
      line += "   --- IF " + rec.condition.str();
    } else if (rec.conditionKind == ConditionKind::kElse) {
      text += " -- ELSE " + rec.condition.str();
      line += "   --- ELSE " + rec.condition.str();
    }
    const std::string key = m_.Identifier(rec.message) + p;
    if (const NodeId node = t_.addChild(p, key, text, kind::kMessaggio); node != kNoNode)
      c_.state.places.try_emplace(node, SpecificationState::Place{testCase_, static_cast<int>(index)});
    doc.push_back(line);
    if (!m_.MessageHasOperation(rec.message)) return;
    // The choices grow as they are entered; a category for each parameter.
    rec.ownChoices.clear();
    rec.ownChoiceCount = 0;
    defaultValues(rec, key, p);
    const Handle op = m_.MessageOperation(rec.message);
    if (const auto parameters = static_cast<std::size_t>(m_.OperationParameters(op).Count()); parameters > 0) {
      rec.attributes.assign(std::min(parameters, kMaxChoices), AttributeRecord());
      addParameters(rec, static_cast<int>(index), key, p);
    }
  }

  void defaultValues(MessageRecord& rec, const std::string& messageKey, const std::string& p) {
    const Handle cls = m_.OperationClass(m_.MessageOperation(rec.message));
    const Handle machine = m_.ClassStateMachine(cls);
    if (!machine) return;
    const std::string pathName = rec.pathName;
    std::size_t taken = 0;
    bool troppe = false;
    for (Handle state : m_.MachineStates(machine)) {
      if (m_.StateFlag(state) || m_.StateTransitions(state).empty()) continue;
      const std::string defaultKey = m_.Identifier(rec.message) + p + "Default";
      t_.addChild(messageKey, defaultKey, "Default values:", kind::kChoices);
      for (Handle tr : m_.StateTransitions(state)) {
        const Handle target = m_.TransitionTarget(tr);
        const std::string name = m_.Name(target);
        if (name.empty()) continue;
        t_.addChild(defaultKey, m_.Identifier(target) + rec.sequenceLabel + pathName, name, kind::kStateDiagram);
        if (std::string* c = rec.ownChoice(taken)) {
          *c = name;
          ++taken;
        } else if (!troppe) {
          troppe = true;
          leftOut("\"" + rec.name + "\": more than " + std::to_string(kMaxChoices) +
                  " states to choose from; the rest are left out.");
        }
      }
    }
    rec.ownChoiceCount = static_cast<std::int16_t>(taken);
  }

  void addParameters(MessageRecord& rec, int index, const std::string& messageKey, const std::string& p) {
    const Handle op = m_.MessageOperation(rec.message);
    const Handle cls = m_.OperationClass(op);
    std::size_t j = 0;
    for (Handle par : m_.OperationParameters(op)) {
      if (j >= kMaxChoices) {
        leftOut("\"" + rec.name + "\": more than " + std::to_string(kMaxChoices) +
                " parameters; the rest are left out.");
        break;
      }
      const std::string name = m_.Name(par), type = m_.ParameterType(par);
      const std::string key = m_.Identifier(par) + "_" + rec.sequenceLabel + p;
      if (const NodeId node = t_.addChild(messageKey, key, name, kind::kAttributo); node != kNoNode)
        c_.state.places.try_emplace(node, SpecificationState::Place{testCase_, index, static_cast<int>(j)});
      AttributeRecord& a = rec.attributes[j];
      a.name = name;
      a.type = type;
      a.documentation = m_.Documentation(par);
      for (Handle attr : m_.ClassAttributes(cls)) {
        if (m_.Name(attr) != name || m_.AttributeType(attr) != type) continue;
        t_.addChild(key, key + " Type", "Type: " + m_.AttributeType(attr), kind::kType);
        t_.addChild(key, key + " Initial", "Initial Value: " + m_.AttributeInitialValue(attr), kind::kInitial);
        a.initialValue = m_.AttributeInitialValue(attr);
        break;
      }
      ++j;
    }
    rec.attributeCount = static_cast<std::int16_t>(j);
  }

  void categories(std::size_t first, std::size_t end, std::vector<std::string>& doc) {
    doc.emplace_back();
    doc.emplace_back(" Categories");
    doc.emplace_back();
    doc.push_back(std::string(5, ' ') + "Settings Categories :");
    for (std::size_t k = first; k < end; ++k) {
      const Handle msg = r_.messages[k].message;
      if (!m_.MessageHasOperation(msg)) continue;
      for (Handle par : m_.OperationParameters(m_.MessageOperation(msg)))
        doc.push_back(std::string(20, ' ') + m_.Name(par) + " : " + m_.ParameterType(par));
    }
    doc.emplace_back();
    doc.push_back(std::string(5, ' ') + "Interactions Categories :");
    for (std::size_t k = first; k < end; ++k) {
      const Handle msg = r_.messages[k].message;
      doc.push_back(std::string(20, ' ') + r_.messages[k].name);
      if (!m_.MessageHasOperation(msg)) continue;
      const Handle machine = m_.ClassStateMachine(m_.OperationClass(m_.MessageOperation(msg)));
      if (!machine) continue;
      for (Handle state : m_.MachineStates(machine)) {
        if (m_.StateFlag(state)) continue;
        for (Handle tr : m_.StateTransitions(state))
          doc.push_back(std::string(30, ' ') + m_.Name(m_.TransitionTarget(tr)));
      }
    }
  }

  void write(const std::string& base, NodeId node, const std::string& path, const std::vector<std::string>& doc) {
    WorkFolder* work = c_.work;
    if (work == nullptr) return;
    SpecificationState& st = c_.state;
    const int at = names_.assign(base);
    if (node != kNoNode) st.documentByNode.try_emplace(node, at);
    st.documentByPath.try_emplace(PathKey(testCase_, path), at);
    const std::string& file = st.specDocuments[static_cast<std::size_t>(at)];
    std::string error;
    OutputFile out = work->create(file, CreatedList::kScripts, &error);
    if (!out.is_open()) {
      leftOut(error);
      ++st.notWritten;
      return;
    }
    for (const std::string& line : doc) out << line << '\n';
    if (!work->close(out, file, &error)) {
      leftOut(error);
      ++st.notWritten;
    }
  }

  void leftOut(const std::string& text) const {
    if (c_.leftOut) c_.leftOut(text);
  }

  const ProcessingContext& c_;
  DocumentNames& names_;
  const ModelSource& m_;
  Handle d_;
  TestCaseRecord& r_;
  Tree& t_;
  int testCase_;
  std::string testCaseText_;
};

}  // namespace

void ProcessTestCases(const ProcessingContext& ctx) {
  const ModelSource* m = &ctx.model;
  Tree& spec = ctx.spec;
  spec.beginBulkUpdate();
  spec.clear();
  SpecificationState& st = ctx.state;
  st = SpecificationState();
  const Tree& chosen = ctx.chosen;
  const NodeId root = chosen.firstRoot();
  const int n = root == kNoNode ? 0 : chosen.node(root).children;
  st.table.cases.assign(static_cast<std::size_t>(n) + 1, TestCaseRecord());
  std::vector<Handle> diagrams;
  for (Handle p : m->AllPackages(ctx.modelHandle)) {
    for (Handle d : m->ScenarioDiagrams(p)) diagrams.push_back(d);
    for (Handle u : m->PackageUseCases(p))
      for (Handle d : m->ScenarioDiagrams(u)) diagrams.push_back(d);
  }
  // A test case stands for the diagram whose identifier its key begins with.
  std::unordered_map<std::string, Handle> perIdentifier;
  for (Handle d : diagrams) perIdentifier.try_emplace(m->Identifier(d), d);
  int i = 0;
  const int total = root == kNoNode ? 0 : chosen.node(root).children;
  DocumentNames names(st.specDocuments);
  for (NodeId c = root == kNoNode ? kNoNode : chosen.node(root).child; c != kNoNode; c = chosen.node(c).next) {
    if (ctx.progress) ctx.progress(i, total);
    ++i;
    TestCaseRecord& record = *st.table.testCase(i);
    const Node& chosenNode = chosen.node(c);
    record.name = EstraiNome(chosenNode.text);
    record.allotted = LeggiNTP(chosenNode.text);
    const auto it = perIdentifier.find(std::string(chosenNode.key.substr(0, kIdentifierLength)));
    if (it == perIdentifier.end()) continue;
    const Handle d = it->second;
    TestCaseRecord r = record;
    const std::string caseText =
        "SD" + std::to_string(i) + ". " + EstraiNome(m->Name(d)) + " (" + WithSign(r.allotted) + ")";
    if (spec.find(m->Identifier(d)) != kNoNode) {
      if (ctx.leftOut) ctx.leftOut("\"" + m->Name(d) + "\" is in the Test Specification tree already: skipped");
      continue;
    }
    CollectMessages(*m, d, r, ctx.leftOut);
    if (const std::string why = PathsOutOfOrder(r); !why.empty()) {
      if (ctx.leftOut)
        ctx.leftOut("\"" + WithoutTrailingBlanks(EstraiNome(m->Name(d))) +
                    "\" is left out: its paths cannot be laid out one after the other (" + why + ").");
      continue;
    }
    const NodeId node = spec.addTop(m->Identifier(d), caseText,
                                    m->DiagramKind(d) == kSequenceDiagram ? kind::kSequence : kind::kCollaboration);
    if (node == kNoNode) continue;
    spec.setBold(node, true);
    st.cases[m->Identifier(d)] = i;
    r.pathCount = CountPaths(r);
    PathBuilder(ctx, names, d, r, i).build(caseText);
    record = std::move(r);
  }
  spec.endBulkUpdate();
}

std::unordered_map<int, std::string> DiagramsByNumber(const SpecificationState& st) {
  std::unordered_map<int, std::string> diagrams;
  for (const auto& [key, number] : st.cases) diagrams.emplace(number, key);
  return diagrams;
}

std::string DocumentOfNode(const Tree& t, const SpecificationState& st, NodeId node) {
  if (node == kNoNode || !t.valid(node)) return {};
  const Node& n = t.node(node);
  // A path split into branches (yellow) keeps the document of the messages
  // before its first branch.
  const bool path = n.image == kind::kTestcase || n.image == kind::kTestcaseGiallo;
  if (n.children == 0 || !path || t.node(n.child).image != kind::kMessaggio) return {};
  // Every path or branch node that got a document is listed (the text of
  // a path node changes after its document is named).
  const auto it = st.documentByNode.find(node);
  return it == st.documentByNode.end() ? std::string() : st.specDocuments[static_cast<std::size_t>(it->second)];
}

}  // namespace zov
