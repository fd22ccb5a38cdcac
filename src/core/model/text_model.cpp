#include "model/text_model.h"

#include "files/text_encoding.h"

#include <pugixml.hpp>

#include <map>
#include <set>
#include <sstream>

namespace zov::text {

std::string Utf8Text(std::string_view text, const std::string& file, std::vector<std::string>& warnings) {
  std::size_t replaced = 0;
  std::string valid = ValidUtf8(text, &replaced);
  if (replaced > 0)
    warnings.push_back(file + ": " + std::to_string(replaced) + " bytes are not UTF-8 text and were read as U+FFFD");
  return valid;
}

int Model::findActor(const std::string& nameOrAlias) const {
  if (const auto a = byAlias_.find(nameOrAlias); a != byAlias_.end()) return a->second;
  const auto n = byName_.find(nameOrAlias);
  return n == byName_.end() ? -1 : n->second;
}

int Model::findPlainActor(const std::string& nameOrAlias) const {
  const int a = findActor(nameOrAlias);
  if (a >= 0 && !actors[static_cast<std::size_t>(a)].useCase) return a;
  const auto n = plainByName_.find(nameOrAlias);
  return n == plainByName_.end() ? -1 : n->second;
}

int Model::addActor(Actor actor) {
  const int index = static_cast<int>(actors.size());
  byName_.try_emplace(actor.name, index);
  if (!actor.useCase) plainByName_.try_emplace(actor.name, index);
  if (!actor.alias.empty()) byAlias_.try_emplace(actor.alias, index);
  actors.push_back(std::move(actor));
  return index;
}

void Model::setAlias(int actor, const std::string& alias) {
  Actor& a = actors[static_cast<std::size_t>(actor)];
  if (!a.alias.empty() || alias.empty()) return;
  a.alias = alias;
  byAlias_.try_emplace(alias, actor);
  if (!a.useCase) plainByName_.try_emplace(alias, actor);
}

int Model::classNamed(const std::string& className) {
  // A class taken back with the statement that declared it leaves its
  // entry behind: an entry counts only while it still names that class.
  if (const auto c = classes_.find(className); c != classes_.end() &&
                                               static_cast<std::size_t>(c->second) < classes.size() &&
                                               classes[static_cast<std::size_t>(c->second)].name == className)
    return c->second;
  classes.push_back({className, -1, {}, {}, {}, {}, {}, false});
  classes_[className] = static_cast<int>(classes.size() - 1);
  return static_cast<int>(classes.size() - 1);
}

namespace {

// Writes the XMI document. Every xmi:id is made from what the element is
// and its name, so that an element keeps its identifier (and a saved
// session its meaning) when other parts of the text change.
class Writer {
 public:
  explicit Writer(const Model& model) : m_(model) {}

  std::string write() {
    pugi::xml_node decl = doc_.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node xmi = doc_.append_child("xmi:XMI");
    xmi.append_attribute("xmi:version") = "20131001";
    xmi.append_attribute("xmlns:xmi") = "http://www.omg.org/spec/XMI/20131001";
    xmi.append_attribute("xmlns:uml") = "http://www.eclipse.org/uml2/5.0.0/UML";
    root_ = xmi.append_child("uml:Model");
    root_.append_attribute("xmi:id") = "model";
    root_.append_attribute("name") = m_.name.c_str();

    for (std::size_t i = 0; i < m_.packages.size(); ++i) {
      const Package& p = m_.packages[i];
      pugi::xml_node n =
          element(packageNode(p.parent), "packagedElement", "uml:Package", "package:" + path(static_cast<int>(i)));
      n.append_attribute("name") = p.name.c_str();
      packages_.push_back(n);
    }
    for (std::size_t i = 0; i < m_.actors.size(); ++i) {
      const Actor& a = m_.actors[i];
      pugi::xml_node n = element(packageNode(a.package), "packagedElement", a.useCase ? "uml:UseCase" : "uml:Actor",
                                 (a.useCase ? "usecase:" : "actor:") + a.name);
      n.append_attribute("name") = a.name.c_str();
      for (const std::string& note : a.notes) comment(n, note, "");
      actors_.push_back(n);
    }
    for (const Link& l : m_.links) link(l);
    for (std::size_t i = 0; i < m_.classes.size(); ++i) cls(static_cast<int>(i));
    for (std::size_t i = 0; i < m_.diagrams.size(); ++i) interaction(m_.diagrams[i]);

    std::ostringstream out;
    doc_.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
  }

 private:
  std::string path(int package) const {
    std::string p = m_.packages[static_cast<std::size_t>(package)].name;
    for (int up = m_.packages[static_cast<std::size_t>(package)].parent; up >= 0;
         up = m_.packages[static_cast<std::size_t>(up)].parent)
      p = m_.packages[static_cast<std::size_t>(up)].name + "::" + p;
    return p;
  }

  pugi::xml_node packageNode(int package) { return package < 0 ? root_ : packages_[static_cast<std::size_t>(package)]; }

  // An id of its own for what the key names: the key, or the key and a
  // count where it was taken.
  std::string id(const std::string& name) {
    // References are lists split at blanks: an id holds none.
    std::string key = name;
    for (char& c : key)
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') c = '_';
    std::string out = key;
    for (int n = 2; !ids_.insert(out).second; ++n) out = key + "#" + std::to_string(n);
    return out;
  }

  pugi::xml_node element(pugi::xml_node parent, const char* tag, const char* type, const std::string& key) {
    pugi::xml_node n = parent.append_child(tag);
    if (type != nullptr) n.append_attribute("xmi:type") = type;
    n.append_attribute("xmi:id") = id(key).c_str();
    return n;
  }

  std::string idOf(pugi::xml_node n) const { return n.attribute("xmi:id").value(); }

  void comment(pugi::xml_node owner, const std::string& body, const std::string& annotated) {
    pugi::xml_node c = element(owner, "ownedComment", "uml:Comment", idOf(owner) + "/note");
    if (!annotated.empty()) c.append_attribute("annotatedElement") = annotated.c_str();
    c.append_child("body").text() = body.c_str();
  }

  void link(const Link& l) {
    pugi::xml_node from = actors_[static_cast<std::size_t>(l.from)];
    const std::string to = idOf(actors_[static_cast<std::size_t>(l.to)]);
    switch (l.kind) {
      case Link::Kind::kInclude:
        element(from, "include", "uml:Include", idOf(from) + "/include").append_attribute("addition") = to.c_str();
        return;
      case Link::Kind::kExtend:
        element(from, "extend", "uml:Extend", idOf(from) + "/extend").append_attribute("extendedCase") = to.c_str();
        return;
      case Link::Kind::kGeneralization:
        element(from, "generalization", "uml:Generalization", idOf(from) + "/general").append_attribute("general") =
            to.c_str();
        return;
      case Link::Kind::kAssociation: break;
    }
    pugi::xml_node a =
        element(packageNode(l.package), "packagedElement", "uml:Association", "association:" + idOf(from) + "--" + to);
    const std::string first = idOf(a) + "/1", second = idOf(a) + "/2";
    a.append_attribute("memberEnd") = (first + " " + second).c_str();
    std::string navigable;
    if (l.toNavigable) navigable = first;
    if (l.fromNavigable) navigable += (navigable.empty() ? "" : " ") + second;
    if (!navigable.empty()) a.append_attribute("navigableOwnedEnd") = navigable.c_str();
    for (const auto& [end, type] : {std::pair{first, to}, std::pair{second, idOf(from)}}) {
      pugi::xml_node e = a.append_child("ownedEnd");
      e.append_attribute("xmi:type") = "uml:Property";
      e.append_attribute("xmi:id") = id(end).c_str();
      e.append_attribute("type") = type.c_str();
      e.append_attribute("association") = idOf(a).c_str();
    }
  }

  std::string type(const std::string& name) {
    if (name.empty()) return {};
    auto [at, added] = types_.try_emplace(name);
    if (added) {
      pugi::xml_node t = element(root_, "packagedElement", "uml:PrimitiveType", "type:" + name);
      t.append_attribute("name") = name.c_str();
      at->second = idOf(t);
    }
    return at->second;
  }

  void cls(int index) {
    const Class& c = m_.classes[static_cast<std::size_t>(index)];
    pugi::xml_node n;
    if (c.actor >= 0) {
      n = actors_[static_cast<std::size_t>(c.actor)];
    } else {
      n = element(root_, "packagedElement", "uml:Class", "class:" + c.name);
      n.append_attribute("name") = c.name.c_str();
    }
    classes_.push_back(n);
    if (c.actor < 0)
      for (const std::string& note : c.notes) comment(n, note, "");
    for (const Attribute& a : c.attributes) {
      pugi::xml_node p = element(n, "ownedAttribute", "uml:Property", idOf(n) + "." + a.name);
      p.append_attribute("name") = a.name.c_str();
      if (const std::string t = type(a.type); !t.empty()) p.append_attribute("type") = t.c_str();
      for (const std::string& note : a.notes) comment(p, note, "");
      if (!a.initial.empty()) {
        pugi::xml_node v = element(p, "defaultValue", "uml:LiteralString", idOf(p) + "/default");
        v.append_attribute("value") = a.initial.c_str();
      }
    }
    std::vector<std::string> ops;
    for (const Operation& op : c.operations) {
      std::string key = idOf(n) + "." + op.name + "(";
      for (const Parameter& p : op.parameters) key += p.name + ":" + p.type + ",";
      pugi::xml_node o = element(n, "ownedOperation", "uml:Operation", key + ")");
      o.append_attribute("name") = op.name.c_str();
      for (const std::string& note : op.notes) comment(o, note, "");
      for (const Parameter& p : op.parameters) {
        pugi::xml_node q = element(o, "ownedParameter", "uml:Parameter", idOf(o) + "/" + p.name);
        q.append_attribute("name") = p.name.c_str();
        if (const std::string t = type(p.type); !t.empty()) q.append_attribute("type") = t.c_str();
      }
      ops.push_back(idOf(o));
    }
    operations_.push_back(std::move(ops));
    if (!c.hasMachine) return;
    pugi::xml_node machine = element(n, "ownedBehavior", "uml:StateMachine", idOf(n) + "/machine");
    machine.append_attribute("name") = c.name.c_str();
    pugi::xml_node region = element(machine, "region", "uml:Region", idOf(machine) + "/region");
    std::vector<std::string> states;
    for (const State& s : c.states) {
      pugi::xml_node v = element(region, "subvertex", s.pseudo ? "uml:Pseudostate" : "uml:State",
                                 idOf(region) + "/" + (s.pseudo ? "[*]" : s.name));
      if (s.pseudo)
        v.append_attribute("kind") = "initial";
      else
        v.append_attribute("name") = s.name.c_str();
      states.push_back(idOf(v));
    }
    for (const Transition& t : c.transitions) {
      pugi::xml_node x =
          element(region, "transition", "uml:Transition",
                  states[static_cast<std::size_t>(t.source)] + "->" + states[static_cast<std::size_t>(t.target)]);
      if (!t.name.empty()) x.append_attribute("name") = t.name.c_str();
      x.append_attribute("source") = states[static_cast<std::size_t>(t.source)].c_str();
      x.append_attribute("target") = states[static_cast<std::size_t>(t.target)].c_str();
    }
  }

  void interaction(const SequenceDiagram& d) {
    pugi::xml_node owner = d.useCase >= 0 ? actors_[static_cast<std::size_t>(d.useCase)].append_child("ownedBehavior")
                                          : root_.append_child("packagedElement");
    owner.append_attribute("xmi:type") = "uml:Interaction";
    owner.append_attribute("xmi:id") = id("interaction:" + d.name).c_str();
    owner.append_attribute("name") = d.name.c_str();
    const std::string self = idOf(owner);
    for (const std::string& note : d.notes) comment(owner, note, "");

    std::vector<std::string> lifelines;
    for (std::size_t i = 0; i < d.participants.size(); ++i) {
      const Participant& p = d.participants[i];
      const std::string key = self + "/" + std::to_string(i + 1);
      std::string represents;
      if (p.cls >= 0) {
        pugi::xml_node prop = element(owner, "ownedAttribute", "uml:Property", key + "/property");
        prop.append_attribute("name") = p.name.c_str();
        prop.append_attribute("type") = idOf(classes_[static_cast<std::size_t>(p.cls)]).c_str();
        represents = idOf(prop);
      }
      pugi::xml_node l = element(owner, "lifeline", "uml:Lifeline", key + "/lifeline");
      l.append_attribute("name") = p.name.c_str();
      if (!represents.empty()) l.append_attribute("represents") = represents.c_str();
      lifelines.push_back(idOf(l));
    }
    const auto lifeline = [&](int p) { return lifelines[static_cast<std::size_t>(p)]; };

    std::vector<pugi::xml_node> holders{owner};
    std::vector<pugi::xml_node> fragments;
    struct Running {
      int participant;
      std::string start;
    };
    std::vector<Running> running;
    int events = 0, lastReceiver = -1;
    std::string lastReceive;
    std::vector<pugi::xml_node> messages;
    const auto occurrence = [&](int participant, const char* type) {
      pugi::xml_node e = element(holders.back(), "fragment", type, self + "/e" + std::to_string(++events));
      e.append_attribute("covered") = lifeline(participant).c_str();
      return e;
    };
    const auto finish = [&](std::size_t at) {
      const Running r = running[at];
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(at));
      pugi::xml_node end = occurrence(r.participant, "uml:ExecutionOccurrenceSpecification");
      pugi::xml_node x = element(holders.back(), "fragment", "uml:BehaviorExecutionSpecification",
                                 self + "/x" + std::to_string(++events));
      x.append_attribute("covered") = lifeline(r.participant).c_str();
      x.append_attribute("start") = r.start.c_str();
      x.append_attribute("finish") = idOf(end).c_str();
    };
    for (const Step& s : d.steps) {
      switch (s.kind) {
        case Step::Kind::kMessage: {
          const std::string key = self + "/m" + std::to_string(messages.size() + 1);
          pugi::xml_node sendNode, receiveNode;
          if (s.from >= 0) sendNode = occurrence(s.from, "uml:MessageOccurrenceSpecification");
          if (s.to >= 0) receiveNode = occurrence(s.to, "uml:MessageOccurrenceSpecification");
          const std::string send = sendNode ? idOf(sendNode) : "", receive = receiveNode ? idOf(receiveNode) : "";
          pugi::xml_node msg = owner.append_child("message");
          msg.append_attribute("xmi:type") = "uml:Message";
          msg.append_attribute("xmi:id") = id(key).c_str();
          msg.append_attribute("name") = s.text.c_str();
          msg.append_attribute("messageSort") = s.reply ? "reply" : "synchCall";
          if (!send.empty()) msg.append_attribute("sendEvent") = send.c_str();
          if (!receive.empty()) msg.append_attribute("receiveEvent") = receive.c_str();
          if (s.operation >= 0 && s.to >= 0) {
            const int c = d.participants[static_cast<std::size_t>(s.to)].cls;
            if (c >= 0)
              msg.append_attribute("signature") =
                  operations_[static_cast<std::size_t>(c)][static_cast<std::size_t>(s.operation)].c_str();
          }
          const std::string mid = idOf(msg);
          for (const std::string& note : s.notes) comment(owner, note, mid);
          messages.push_back(msg);
          for (pugi::xml_node e : {sendNode, receiveNode})
            if (e) e.append_attribute("message") = mid.c_str();
          lastReceiver = s.to;
          lastReceive = receive;
          break;
        }
        case Step::Kind::kActivate:
          // An execution the message just received starts begins at its
          // receipt; one started otherwise at an occurrence of its own.
          if (s.participant == lastReceiver && !lastReceive.empty())
            running.push_back({s.participant, lastReceive});
          else
            running.push_back({s.participant, idOf(occurrence(s.participant, "uml:ExecutionOccurrenceSpecification"))});
          lastReceiver = -1;
          break;
        case Step::Kind::kDeactivate:
          for (std::size_t i = running.size(); i-- > 0;)
            if (running[i].participant == s.participant) {
              finish(i);
              break;
            }
          lastReceiver = -1;
          break;
        case Step::Kind::kFragment: {
          pugi::xml_node f =
              element(holders.back(), "fragment", "uml:CombinedFragment", self + "/f" + std::to_string(++events));
          f.append_attribute("interactionOperator") = s.text.c_str();
          fragments.push_back(f);
          holders.push_back(operand(f, s.guard));
          break;
        }
        case Step::Kind::kOperand:
          holders.pop_back();
          holders.push_back(operand(fragments.back(), s.guard));
          break;
        case Step::Kind::kEnd:
          holders.pop_back();
          fragments.pop_back();
          break;
        case Step::Kind::kReference: {
          pugi::xml_node u =
              element(holders.back(), "fragment", "uml:InteractionUse", self + "/ref" + std::to_string(++events));
          u.append_attribute("name") = s.text.c_str();
          std::string covered;
          for (int p : std::vector<int>{s.from, s.to})
            if (p >= 0) covered += (covered.empty() ? "" : " ") + lifeline(p);
          if (!covered.empty()) u.append_attribute("covered") = covered.c_str();
          break;
        }
      }
    }
    while (!running.empty()) finish(running.size() - 1);
  }

  pugi::xml_node operand(pugi::xml_node fragment, const std::string& guard) {
    pugi::xml_node o = element(fragment, "operand", "uml:InteractionOperand", idOf(fragment) + "/operand");
    if (!guard.empty()) {
      pugi::xml_node g = element(o, "guard", "uml:InteractionConstraint", idOf(o) + "/guard");
      pugi::xml_node spec = element(g, "specification", "uml:LiteralString", idOf(g) + "/value");
      spec.append_attribute("value") = guard.c_str();
    }
    return o;
  }

  const Model& m_;
  pugi::xml_document doc_;
  pugi::xml_node root_;
  std::vector<pugi::xml_node> packages_, actors_, classes_;
  std::vector<std::vector<std::string>> operations_;
  std::map<std::string, std::string> types_;
  std::set<std::string> ids_;
};

}  // namespace

std::string ToXmi(const Model& model) { return Writer(model).write(); }

}  // namespace zov::text
