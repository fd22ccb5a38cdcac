// The XMI reader's interactions: lifelines, messages in the order of their
// events, and their nesting from fragments and executions.
#include "model/xmi_model.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_set>

#include "model/xmi_internal.h"

namespace zov {

using namespace xmi;

void XmiModel::mapInteraction(pugi::xml_node n, const Context& c, int depth) {
  Interaction in;
  in.diagram = add(Kind::kDiagram, c.package, n);
  get(in.diagram)->diagramKind = kSequenceDiagram;
  interactions_.push_back({in.diagram, n.internal_object(), c.owner, c.package});
  // The interaction's own comments come before those of what it owns,
  // which the walk below reads: they take their place once it is done.
  const std::size_t commentsAt = comments_.size();
  std::vector<Deferred> comments;

  for (pugi::xml_node l = n.first_child(); l; l = l.next_sibling()) {
    if (l.type() != pugi::node_element) continue;
    if (std::strcmp(l.name(), "ownedComment") == 0)
      comments.push_back({Handle{}, l.internal_object(), in.diagram, c.package});
    const Attrs attrs = attrsOf(l);
    const std::string_view type = typeOf(l, attrs);
    if (type == "Lifeline") {
      const Handle obj = add(Kind::kObject, in.diagram, l, attrs);
      // Kept by id for the fragments' "covered", when the id is its own.
      if (attrs.id != nullptr && lastOwnsId_) in.events[attrs.id].own = obj.id;
      addTo(in.diagram, kObjects, obj);
      objects_.push_back({obj, l.internal_object(), Handle{}, Handle{}});
      for (std::string_view e : refs(l, "coveredBy")) {
        Event& entry = in.events[e];
        if (entry.lifeline == 0) entry.lifeline = obj.id;
      }
    } else if (type == "Message") {
      Interaction::Message m;
      m.node = l;
      m.send = ref1(l, "sendEvent");
      m.receive = ref1(l, "receiveEvent");
      m.reply = std::string_view(l.attribute("messageSort").value()) == "reply";
      const auto index = static_cast<std::int32_t>(in.messages.size() + 1);
      if (!m.send.empty())
        if (Event& e = in.events[m.send]; e.sends == 0) e.sends = index;
      if (!m.receive.empty())
        if (Event& e = in.events[m.receive]; e.receives == 0) e.receives = index;
      in.messages.push_back(m);
    } else if (IsOwnedByInteraction(type)) {
      // Classes and actors an interaction owns (the ones its lifelines
      // represent), and behaviours nested in it: read as if they sat in the
      // interaction's package.
      visit(l, c, depth + 1);
    }
  }
  comments_.insert(comments_.begin() + static_cast<std::ptrdiff_t>(commentsAt), comments.begin(), comments.end());
  markEvents(in, n, 0);

  int counter = 0;
  std::string last;
  Place top{"", &counter, &last, ""};
  mapFragments(in, n, top, 0);
  // Messages whose events lie in no fragment (lost, found, gates) come last.
  for (std::size_t i = 0; i < in.messages.size(); ++i)
    if (!in.messages[i].emitted) {
      in.messages[i].emitted = true;
      in.order.push_back({i, std::to_string(++counter), {}});
    }
  get(in.diagram)->count = in.combined;

  for (Interaction::Emitted& e : in.order) {
    const Interaction::Message& m = in.messages[e.message];
    const Handle msg = add(Kind::kMessage, in.diagram, m.node);
    Element* el = get(msg);
    el->text = std::move(e.label);
    if (const Event* sender = in.events.find(m.send)) el->ref2 = Handle{sender->lifeline};
    if (const Event* receiver = in.events.find(m.receive)) el->ref3 = Handle{receiver->lifeline};
    addTo(in.diagram, kMessages, msg);
    messages_.push_back({msg, m.node.internal_object(), Handle{}, Handle{}});
    // One view per message, in message order, keyed by the message's
    // identifier and "#view"; a condition is a note on it.
    const std::uint64_t key = Fnv("#view", Fnv(std::string_view(el->identifier())));
    const Handle view = addKeyed(Kind::kView, in.diagram, key);
    get(view)->ref = msg;
    addTo(in.diagram, kViews, view);
    get(msg)->count = view.id;
    for (std::string& condition : e.conditions) note(view, std::move(condition), key);
  }
}

// The lifeline of every occurrence, from the fragments' "covered".
void XmiModel::markEvents(Interaction& in, pugi::xml_node holder, int depth) {
  if (depth > kMaxDepth) return;
  for (pugi::xml_node f = holder.first_child(); f; f = f.next_sibling()) {
    if (f.type() != pugi::node_element) continue;
    const std::string_view tag = Local(f.name());
    if (tag == "lifeline" || tag == "message") continue;
    const Attrs attrs = attrsOf(f);
    const std::string_view type = typeOf(f, attrs);
    if (!IsFragmentPart(type)) continue;
    if (const std::string_view id = attrs.id != nullptr ? attrs.id : ""; !id.empty()) {
      const std::string_view covered = ref1(f, "covered");
      const Event* lifeline = covered.empty() ? nullptr : in.events.find(covered);
      const std::int32_t own = lifeline != nullptr ? lifeline->own : 0;
      Event& entry = in.events[id];
      entry.fragment = true;
      if (own != 0) entry.lifeline = own;
      if (type.ends_with("ExecutionSpecification")) {
        entry.execution = true;
        const std::size_t e = in.executions.size();
        in.executions.push_back({ref1(f, "start"), ref1(f, "finish"), own, 0});
        if (!in.executions[e].start.empty()) in.startsAt[in.executions[e].start].push_back(e);
        if (!in.executions[e].finish.empty()) in.finishesAt[in.executions[e].finish].push_back(e);
      }
    }
    markEvents(in, f, depth + 1);
  }
}

void XmiModel::note(Handle view, std::string text, std::uint64_t viewKey) {
  const std::uint64_t key = Fnv(std::to_string(items(view, kNotes).Count() + 1), Fnv("#note", viewKey));
  const Handle n = addKeyed(Kind::kNote, view, key);
  get(n)->text = std::move(text);
  addTo(view, kNotes, n);
}

void XmiModel::mapFragments(Interaction& in, pugi::xml_node holder, Place& place, int depth) {
  if (depth > kMaxDepth) return;
  for (pugi::xml_node f = holder.first_child(); f; f = f.next_sibling()) mapFragment(in, f, place, depth);
}

void XmiModel::mapFragment(Interaction& in, pugi::xml_node f, Place& place, int depth) {
  if (f.type() != pugi::node_element) return;
  const std::string_view tag = Local(f.name());
  if (tag == "lifeline" || tag == "message") return;
  const Attrs attrs = attrsOf(f);
  const std::string_view type = typeOf(f, attrs);
  if (!IsFragmentPart(type)) return;
  if (type != "CombinedFragment") {
    if (attrs.id != nullptr && *attrs.id != '\0') mapEvent(in, attrs.id, place);
    return;
  }
  ++in.combined;
  std::string op = f.attribute("interactionOperator").value();
  if (op.empty()) op = "seq";
  const bool branches = op == "alt" || op == "opt";
  // Other fragments (loop, par, critical ...): without executions, their
  // messages come below the last message at this place ("2.1", "2.2" below
  // "2"), or at this place when no message came before; with executions,
  // the executions alone nest them.
  std::string childLast;
  Place inner = place;
  if (!branches && in.executions.empty() && !place.last->empty())
    inner = Place{*place.last, &in.childCounters[*place.last], &childLast, place.scope};
  int operand = 0;
  for (pugi::xml_node o = f.first_child(); o; o = o.next_sibling()) {
    if (typeOf(o) != "InteractionOperand") continue;
    std::string guard;
    if (const pugi::xml_node g = o.child("guard")) {
      const pugi::xml_node spec = g.child("specification");
      guard = std::string(Trim(valueText(spec)));
      if (guard.empty()) guard = g.attribute("name").value();
    }
    std::string condition;
    if (op == "alt")
      condition = operand == 0 ? "if " + guard : guard.empty() ? "else" : "else " + guard;
    else if (op == "opt")
      condition = "if " + guard;
    const std::size_t before = in.pending.size();
    if (!condition.empty()) in.pending.push_back(condition);
    if (branches)
      mapOperand(in, o, place, depth + 1);
    else
      mapFragments(in, o, inner, depth + 1);
    if (in.pending.size() > before) in.pending.resize(before);
    ++operand;
  }
}

// An operand of an alt or opt: its first message carries the condition and
// heads the branch; the operand's further messages come one level below
// it, so that the branch holds exactly the operand's messages. Without
// executions the first message comes one level below the last message at
// this place (or at this place when none came before); with executions it
// takes the level they give it.
void XmiModel::mapOperand(Interaction& in, pugi::xml_node operand, Place& place, int depth) {
  if (depth > kMaxDepth) return;
  std::string headLast, furtherLast;
  Place head{place.prefix, place.counter, &headLast, place.scope};
  if (in.executions.empty() && !place.last->empty())
    head = Place{*place.last, &in.childCounters[*place.last], &headLast, place.scope};
  Place further = head;
  const std::size_t start = in.order.size();
  bool headed = false;
  for (pugi::xml_node f = operand.first_child(); f; f = f.next_sibling()) {
    if (!headed && in.order.size() > start) {
      headed = true;
      const std::string first = in.order[start].label;
      further = Place{first, &in.childCounters[first], &furtherLast, first};
    }
    mapFragment(in, f, headed ? further : head, depth);
  }
}

// One occurrence of the interaction, in the order of its fragments: the
// message it sends is numbered here (below the message that started the
// innermost execution running on the sender's lifeline, if any); then the
// executions it finishes stop and those it starts begin.
void XmiModel::mapEvent(Interaction& in, std::string_view id, Place& place) {
  const Event* event = in.events.find(id);
  if (event == nullptr || event->execution) return;
  const std::int32_t lifeline = event->lifeline;
  const auto emit = [&](std::size_t i, const std::string* parent) {
    Interaction::Message& m = in.messages[i];
    if (m.emitted) return;
    m.emitted = true;
    const std::string& scope = place.scope;
    if (parent != nullptr && (scope.empty() || *parent == scope || parent->starts_with(scope + "."))) {
      m.label = *parent + "." + std::to_string(++in.childCounters[*parent]);
    } else {
      const std::string n = std::to_string(++*place.counter);
      m.label = place.prefix.empty() ? n : place.prefix + "." + n;
      *place.last = m.label;
    }
    in.order.push_back({i, m.label, std::move(in.pending)});
    in.pending.clear();
  };
  if (event->sends > 0) {
    // The innermost running execution that a message started.
    const std::string* parent = nullptr;
    if (const auto run = in.running.find(lifeline); lifeline != 0 && run != in.running.end())
      for (auto e = run->second.rbegin(); e != run->second.rend() && parent == nullptr; ++e)
        if (const std::int32_t s = in.executions[*e].starter; s > 0 && in.messages[s - 1].emitted)
          parent = &in.messages[s - 1].label;
    emit(static_cast<std::size_t>(event->sends - 1), parent);
  } else if (event->receives > 0) {
    // A message sent from outside the fragments (a gate, a found message)
    // takes the place of its receiving event.
    const std::size_t r = static_cast<std::size_t>(event->receives - 1);
    const Event* send = in.events.find(in.messages[r].send);
    if (send == nullptr || !send->fragment) emit(r, nullptr);
  }
  if (in.executions.empty()) return;
  if (const auto f = in.finishesAt.find(id); f != in.finishesAt.end())
    for (std::size_t e : f->second) {
      std::vector<std::size_t>& run = in.running[in.executions[e].lifeline];
      if (const auto at = std::find(run.rbegin(), run.rend(), e); at != run.rend()) run.erase(std::next(at).base());
    }
  // A reply starts no execution; an execution that starts on the receipt of
  // a message, or on the next event of its lifeline after it, is that
  // message's.
  const auto received = [&](std::int32_t message) {
    return message > 0 && !in.messages[static_cast<std::size_t>(message - 1)].reply ? message : 0;
  };
  if (const auto s = in.startsAt.find(id); s != in.startsAt.end())
    for (std::size_t e : s->second) {
      Interaction::Execution& x = in.executions[e];
      if (x.lifeline == 0) x.lifeline = lifeline;
      if (x.lifeline == 0) continue;
      x.starter = event->receives > 0 ? received(event->receives) : received(in.lastReceived[x.lifeline]);
      in.running[x.lifeline].push_back(e);
    }
  if (lifeline != 0) in.lastReceived[lifeline] = event->receives;
}

}  // namespace zov
