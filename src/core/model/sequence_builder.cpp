#include "model/sequence_builder.h"

#include <algorithm>

#include "model/text_lex.h"

namespace zov::text {

int SequenceBuilder::participant(const std::string& key, const std::string& shown, bool actor) {
  for (std::size_t i = 0; i < keys_.size(); ++i)
    if (keys_[i] == key) {
      if (actor) actors_[i] = true;
      return static_cast<int>(i);
    }
  std::string object = shown, cls = shown;
  if (const std::size_t colon = shown.find(':'); colon != std::string::npos) {
    object = std::string(Trim(std::string_view(shown).substr(0, colon)));
    cls = std::string(Trim(std::string_view(shown).substr(colon + 1)));
    if (cls.empty()) cls = object;
  }
  keys_.push_back(key);
  actors_.push_back(actor);
  d_.participants.push_back({object, m_.classNamed(cls)});
  return static_cast<int>(keys_.size() - 1);
}

void SequenceBuilder::rollback(Mark at) {
  keys_.resize(at.participants);
  actors_.resize(at.participants);
  d_.participants.resize(at.participants);
  m_.classes.resize(at.classes);
}

void SequenceBuilder::step(Step s, Place place) {
  s.place = place;
  d_.steps.push_back(std::move(s));
}

bool ParseCall(std::string_view text, std::string& name, std::vector<Parameter>& parameters) {
  const std::size_t paren = text.find('('), close = text.rfind(')');
  if (paren == std::string_view::npos || close == std::string_view::npos || close < paren) return false;
  name = std::string(Trim(text.substr(0, paren)));
  parameters.clear();
  std::string_view params = Trim(text.substr(paren + 1, close - paren - 1));
  while (!params.empty()) {
    const std::size_t comma = params.find(',');
    const std::string_view one = Trim(params.substr(0, comma));
    params = comma == std::string_view::npos ? std::string_view{} : Trim(params.substr(comma + 1));
    if (one.empty()) continue;
    const std::size_t colon = one.find(':');
    parameters.push_back(colon == std::string_view::npos ? Parameter{std::string(one), ""}
                                                         : Parameter{std::string(Trim(one.substr(0, colon))),
                                                                     std::string(Trim(one.substr(colon + 1)))});
  }
  return true;
}

int OperationOf(Class& cls, const std::string& name, std::vector<Parameter> parameters) {
  const auto same = [](const Parameter& x, const Parameter& y) { return x.name == y.name && x.type == y.type; };
  for (std::size_t i = 0; i < cls.operations.size(); ++i) {
    const Operation& o = cls.operations[i];
    if (o.name == name &&
        (parameters.empty() || (o.parameters.size() == parameters.size() &&
                                std::equal(o.parameters.begin(), o.parameters.end(), parameters.begin(), same))))
      return static_cast<int>(i);
  }
  cls.operations.push_back({name, std::move(parameters), {}});
  return static_cast<int>(cls.operations.size() - 1);
}

int SequenceBuilder::operation(int receiver, const std::string& text, std::string& name) {
  std::vector<Parameter> parameters;
  if (!ParseCall(text, name, parameters)) {
    name = text;
    return -1;
  }
  if (receiver < 0 || name.empty()) return -1;
  return OperationOf(m_.classes[static_cast<std::size_t>(d_.participants[static_cast<std::size_t>(receiver)].cls)],
                     name, std::move(parameters));
}

void SequenceBuilder::message(int from, int to, bool reply, const std::string& text, Place place) {
  Step m;
  m.from = from;
  m.to = to;
  m.reply = reply;
  if (reply)
    m.text = text;
  else
    m.operation = operation(to, text, m.text);
  step(std::move(m), place);
}

const Step* SequenceBuilder::lastMessage() const {
  // The executions a message starts or ends come after it.
  for (auto it = d_.steps.rbegin(); it != d_.steps.rend(); ++it) {
    if (it->kind == Step::Kind::kMessage) return &*it;
    if (it->kind != Step::Kind::kActivate && it->kind != Step::Kind::kDeactivate) return nullptr;
  }
  return nullptr;
}

void SequenceBuilder::activate(int who, int caller, Place place) {
  active_.push_back({who, caller});
  Step s;
  s.kind = Step::Kind::kActivate;
  s.participant = who;
  step(std::move(s), place);
}

void SequenceBuilder::activate(int who, Place place) {
  const Step* last = lastMessage();
  activate(who, last != nullptr && last->to == who ? last->from : -1, place);
}

void SequenceBuilder::deactivate(int who, Place place) {
  for (std::size_t i = active_.size(); i-- > 0;)
    if (active_[i].participant == who) {
      active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(i));
      Step s;
      s.kind = Step::Kind::kDeactivate;
      s.participant = who;
      step(std::move(s), place);
      return;
    }
}

bool SequenceBuilder::returns(const std::string& text, Place place) {
  if (active_.empty()) return false;
  const Active a = active_.back();
  message(a.participant, a.caller, true, text, place);
  deactivate(a.participant, place);
  return true;
}

void SequenceBuilder::open(const std::string& op, const std::string& guard, const Line& line) {
  frames_.push_back({op.empty(), line});
  if (op.empty()) return;
  Step f;
  f.kind = Step::Kind::kFragment;
  f.text = op;
  f.guard = guard;
  step(std::move(f), {line.file, line.number});
}

SequenceBuilder::Frame SequenceBuilder::innermost() const {
  return frames_.empty() ? Frame::kNone : frames_.back().drawing ? Frame::kDrawing : Frame::kFragment;
}

void SequenceBuilder::operand(const std::string& guard, Place place) {
  Step o;
  o.kind = Step::Kind::kOperand;
  o.guard = guard;
  step(std::move(o), place);
}

bool SequenceBuilder::close(Place place) {
  if (frames_.empty()) return false;
  if (!frames_.back().drawing) {
    Step e;
    e.kind = Step::Kind::kEnd;
    step(std::move(e), place);
  }
  frames_.pop_back();
  return true;
}

void SequenceBuilder::reference(const std::vector<int>& over, const std::string& text, Place place) {
  Step r;
  r.kind = Step::Kind::kReference;
  if (!over.empty()) r.from = over.front();
  if (over.size() > 1) r.to = over.back();
  r.text = text;
  step(std::move(r), place);
}

void SequenceBuilder::note(const std::string& text, bool onMessage) {
  Step* last = nullptr;
  for (auto it = d_.steps.rbegin(); it != d_.steps.rend() && onMessage; ++it)
    if (it->kind == Step::Kind::kMessage) {
      last = &*it;
      break;
    }
  if (last != nullptr)
    last->notes.push_back(text);
  else
    d_.notes.push_back(text);
}

void SequenceBuilder::finish() {
  for (std::size_t i = 0; i < actors_.size(); ++i)
    if (actors_[i]) {
      Class& c = m_.classes[static_cast<std::size_t>(d_.participants[i].cls)];
      c.actor = -2;  // joined to the actor of its name once the whole model is read
      d_.actors.push_back(c.name);
    }
}

}  // namespace zov::text
