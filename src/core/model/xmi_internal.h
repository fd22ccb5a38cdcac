// What the parts of the XMI reader share: the helpers that read names and
// types, the state of a walk, and the state of one interaction while its
// fragments are read. Private to the reader's files.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/xmi_model.h"
#include "tree/string_index.h"

namespace zov::xmi {

// Deeper nesting than this is no model a tool writes; it is skipped rather
// than followed, so that hostile files cannot exhaust the stack.
constexpr int kMaxDepth = 300;

inline std::string_view Local(std::string_view qualified) {
  const std::size_t colon = qualified.rfind(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

// The same of a name held as C text: one pass, with no length taken first.
inline std::string_view Local(const char* qualified) {
  const char* local = qualified;
  const char* c = qualified;
  for (; *c != '\0'; ++c)
    if (*c == ':') local = c + 1;
  return std::string_view(local, static_cast<std::size_t>(c - local));
}

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

inline std::uint64_t Fnv(std::string_view s, std::uint64_t h = 1469598103934665603ull) {
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

inline void SetHex12(char (&out)[12], std::uint64_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int i = 11; i >= 0; --i) {
    out[i] = kDigits[v & 0xF];
    v >>= 4;
  }
}

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

inline std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The element type a tool leaves out where it is the default for the
// feature holding the element.
inline std::string_view DefaultType(std::string_view tag) {
  static const std::pair<std::string_view, std::string_view> kDefaults[] = {
      {"lifeline", "Lifeline"},
      {"message", "Message"},
      {"ownedUseCase", "UseCase"},
      {"ownedAttribute", "Property"},
      {"ownedEnd", "Property"},
      {"ownedOperation", "Operation"},
      {"ownedParameter", "Parameter"},
      {"include", "Include"},
      {"extend", "Extend"},
      {"generalization", "Generalization"},
      {"ownedComment", "Comment"},
      {"operand", "InteractionOperand"},
      {"formalGate", "Gate"},
      {"actualGate", "Gate"},
      {"cfragmentGate", "Gate"},
      {"guard", "InteractionConstraint"},
      {"region", "Region"},
      {"transition", "Transition"},
      {"interfaceRealization", "InterfaceRealization"},
      {"collaborationUse", "CollaborationUse"},
      {"nestedPackage", "Package"},
      {"extensionPoint", "ExtensionPoint"},
      {"ownedLiteral", "EnumerationLiteral"},
      {"ownedRule", "Constraint"},
      {"packageImport", "PackageImport"},
      {"elementImport", "ElementImport"},
      {"profileApplication", "ProfileApplication"},
  };
  for (const auto& [t, type] : kDefaults)
    if (t == tag) return type;
  return {};
}

// The type of an element without an xmi:type: <uml:Model>, <uml:Package>,
// <uml:Diagram> say it by their name, other tags by their default.
inline std::string_view TypeOfTag(std::string_view tag) {
  if (const std::size_t colon = tag.find(':'); colon != std::string_view::npos) {
    const std::string_view local = tag.substr(colon + 1);
    return local.find('.') == std::string_view::npos ? local : std::string_view();
  }
  return DefaultType(tag);
}

inline bool IsClassLike(std::string_view type) {
  return type == "Class" || type == "Component" || type == "Interface" || type == "AssociationClass" ||
         type == "Signal" || type == "Node" || type == "Device" || type == "ExecutionEnvironment";
}

// What an interaction may own besides its lifelines, messages and
// fragments: the classes and actors its lifelines represent, behaviours.
// They are read as the interaction's package's own.
inline bool IsOwnedByInteraction(std::string_view type) {
  return type == "Actor" || IsClassLike(type) || type == "UseCase" || type == "Collaboration" ||
         type == "Interaction" || type == "StateMachine";
}

// Whether an element below an interaction takes part in its order of
// events. A gate does not: a message through a gate is placed by its event
// on the lifeline it reaches, wherever the tool wrote the gate. Nor does
// anything the interaction owns besides (classes, the properties its
// lifelines represent).
inline bool IsFragmentPart(std::string_view type) {
  return type != "Gate" && type != "Property" && !IsOwnedByInteraction(type);
}

inline bool IsDependency(std::string_view type) {
  return type == "Dependency" || type == "Usage" || type == "Abstraction" || type == "Realization" ||
         type == "Substitution" || type == "ComponentRealization" || type == "Manifestation";
}

// An event of one interaction, found by its id while the interaction is
// mapped: the message it sends or receives (index + 1), its lifeline,
// whether it is one of the interaction's fragments.
struct Event {
  std::int32_t sends = 0, receives = 0, lifeline = 0;
  std::int32_t own = 0;  // the lifeline whose own id this is
  bool fragment = false;
  bool execution = false;  // an execution specification, no occurrence
};
using EventTable = StringIndex<Event>;

}  // namespace zov::xmi

namespace zov {

struct XmiModel::Context {
  Handle package;
  Handle owner;  // the classifier (class, actor, use case, collaboration) that owns what is read
};

// The state of one interaction while its fragments are read.
struct XmiModel::Interaction {
  struct Message {
    pugi::xml_node node;
    std::string_view send, receive;
    bool reply = false;
    bool emitted = false;
    std::string label;
  };
  struct Emitted {
    std::size_t message;
    std::string label;
    std::vector<std::string> conditions;
  };
  // An execution specification: the lifeline it runs on, the events that
  // start and finish it, and the message (index + 1) whose receipt starts
  // it, once its start is reached.
  struct Execution {
    std::string_view start, finish;
    std::int32_t lifeline = 0;
    std::int32_t starter = 0;
  };
  Handle diagram;
  std::vector<Message> messages;
  xmi::EventTable events;
  std::unordered_map<std::string, int> childCounters;  // messages numbered below a label
  std::vector<std::string> pending;                    // conditions for the next message
  std::vector<Emitted> order;
  int combined = 0;
  std::vector<Execution> executions;
  std::unordered_map<std::string_view, std::vector<std::size_t>> startsAt, finishesAt;
  // Per lifeline: the executions running, innermost last, and the message
  // (index + 1) whose receipt was its last event, if its last event was one.
  std::unordered_map<std::int32_t, std::vector<std::size_t>> running;
  std::unordered_map<std::int32_t, std::int32_t> lastReceived;
};

// Where the messages of one part of an interaction are numbered: prefix +
// "." + n (n alone at the top), n counted in *counter; *last is the last
// message numbered there. In an alt or opt operand, scope is the label of
// the operand's first message: an execution nests a later message of the
// operand only within that message's own numbering.
struct XmiModel::Place {
  std::string prefix;
  int* counter;
  std::string* last;
  std::string scope;
};

}  // namespace zov
