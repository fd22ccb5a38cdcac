// Models kept as text (PlantUML, and the Markdown that holds its blocks):
// what their diagrams say, gathered into one model, and that model written
// as UML 2 XMI, so that the XMI reader answers every model read the same
// way it does for a modelling tool's file. docs/model-mapping.md says which
// text construct becomes which UML element.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zov::text {

// No text model is larger than this, its included files and all: no team
// writes one by hand.
inline constexpr std::size_t kMaxTextBytes = std::size_t{64} << 20;

// Where a construct was written: a file of the load and a line in it.
struct Place {
  int file = 0;
  int line = 0;
};

struct Package {
  std::string name;
  int parent = -1;  // -1: the model itself
};

// An actor or a use case of a use-case diagram.
struct Actor {
  bool useCase = false;
  std::string name, alias;
  int package = -1;
  std::vector<std::string> notes;  // its documentation, note by note
};

// A line between two actors or use cases. For an association the first end
// is the one the arrow points to (navigable) and the second its tail.
struct Link {
  enum class Kind { kAssociation, kInclude, kExtend, kGeneralization } kind = Kind::kAssociation;
  int from = 0, to = 0;  // include/extend: from includes/extends to; generalization: from is the child
  bool toNavigable = false, fromNavigable = false;
  int package = -1;  // the package the line was written in
};

// A class the sequence diagrams' participants stand for, with the
// operations their messages call and the state machine a state diagram of
// its name gives it.
struct Parameter {
  std::string name, type;
};
struct Operation {
  std::string name;
  std::vector<Parameter> parameters;
  std::vector<std::string> notes;  // its documentation (an IF or ELSE condition, as in Rose)
};
// An attribute a class diagram gives a class: a parameter of the same name
// and type takes its DEF( list.
struct Attribute {
  std::string name, type, initial;
  std::vector<std::string> notes;
};
struct State {
  std::string name;
  bool pseudo = false;  // [*]: the start or the end
};
struct Transition {
  int source = 0, target = 0;
  std::string name;
};
struct Class {
  std::string name;
  int actor = -1;  // the actor it is, where a participant is one
  std::vector<Operation> operations;
  std::vector<Attribute> attributes;
  std::vector<std::string> notes;
  std::vector<State> states;
  std::vector<Transition> transitions;
  bool hasMachine = false;
};

// One step of a sequence diagram, in the order written.
struct Step {
  enum class Kind {
    kMessage,     // a message (a reply with reply set)
    kActivate,    // participant starts an execution
    kDeactivate,  // participant's innermost execution ends
    kFragment,    // a combined fragment opens: text is its operator, guard its guard
    kOperand,     // the next operand of the open fragment: guard
    kEnd,         // the open fragment closes
    kReference,   // an interaction use over the participants
  } kind = Kind::kMessage;
  int from = -1, to = -1;  // participants; -1 for a message from or to outside the diagram
  int participant = -1;    // of an activation
  bool reply = false;
  std::string text, guard;
  int operation = -1;  // the operation the message calls, of the receiver's class
  std::vector<std::string> notes;
  Place place;
};

struct Participant {
  std::string name;  // as the lifeline shows it
  int cls = -1;
};

struct SequenceDiagram {
  std::string name;                 // the title, else the @startuml name, else the heading above
  std::vector<std::string> owners;  // the names that may name its use case
  std::vector<Participant> participants;
  std::vector<Step> steps;
  std::vector<std::string> notes;  // the diagram's documentation
  int useCase = -1;                // the actor list's use case it belongs to; -1: the top package
  Place place;
  std::vector<std::string> actors;  // the classes of the participants declared actor
  // A Mermaid diagram is a use case of its own where no use-case diagram
  // names it: its comments before it are that use case's documentation.
  bool ownUseCase = false;
  std::vector<std::string> useCaseNotes;
};

struct Model {
  std::string name;
  std::vector<std::string> files;  // the paths read, the first the model's
  std::vector<Package> packages;
  std::vector<Actor> actors;
  std::vector<Link> links;
  std::vector<Class> classes;
  std::vector<SequenceDiagram> diagrams;
  std::vector<std::string> warnings;

  // The actor or use case an alias names, else the first of that name; -1
  // where none.
  int findActor(const std::string& nameOrAlias) const;
  // The first actor (not a use case) known by that name or alias; -1.
  int findPlainActor(const std::string& nameOrAlias) const;
  int addActor(Actor actor);
  void setAlias(int actor, const std::string& alias);
  // The class of that name, added where there is none.
  int classNamed(const std::string& name);

 private:
  // Indexes of the lists above, so that a large text model reads in
  // near-linear time.
  std::unordered_map<std::string, int> byAlias_, byName_, plainByName_, classes_;
};

// The text as valid UTF-8: bytes that are not become U+FFFD, said in one
// warning naming the file and their count.
std::string Utf8Text(std::string_view text, const std::string& file, std::vector<std::string>& warnings);

// The model as a UML 2 XMI document.
std::string ToXmi(const Model& model);

}  // namespace zov::text
