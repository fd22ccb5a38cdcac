// Builds one sequence diagram of a text model step by step, as a PlantUML
// or a Mermaid reader meets its statements: participants by key, messages
// with the operations they call, executions, fragments and notes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/diagram_reader.h"
#include "model/text_model.h"

namespace zov::text {

// A call "name(a: Integer, b)" (a class diagram's "+name(a: Integer): T"
// too): its name and parameters; false for a text without parentheses.
bool ParseCall(std::string_view text, std::string& name, std::vector<Parameter>& parameters);
// The operation of the class a call names: one of the same name and
// parameters, or of the same name where the call lists none ("name()");
// else one added.
int OperationOf(Class& cls, const std::string& name, std::vector<Parameter> parameters);

class SequenceBuilder {
 public:
  SequenceBuilder(Model& model, SequenceDiagram& diagram) : m_(model), d_(diagram) {}

  // The participant of that key, declared on first use. "obj : Class" shown
  // is the object obj of the class Class; any other name an object of the
  // class of that name. One declared actor is the use-case diagrams' actor
  // of its name, where there is one.
  int participant(const std::string& key, const std::string& shown, bool actor = false);
  // What a statement declared, taken back when it turns out to be none.
  struct Mark {
    std::size_t participants, classes;
  };
  Mark mark() const { return {keys_.size(), m_.classes.size()}; }
  void rollback(Mark at);

  // A message; a text "name(a: Integer, b)" calls the operation name of
  // the receiver's class, with its parameters. A reply calls none.
  void message(int from, int to, bool reply, const std::string& text, Place place);
  // The receiver starts an execution; the caller is who it returns to.
  void activate(int who, int caller, Place place);
  // Starts an execution of who: the caller is the sender of the message
  // just received, if that is what came last.
  void activate(int who, Place place);
  void deactivate(int who, Place place);
  // A reply from the innermost execution to its caller, which then ends;
  // false when no execution runs.
  bool returns(const std::string& text, Place place);

  // A frame opens at line: a combined fragment of op with its guard, or,
  // where op is empty, a frame that only draws (a group, a box).
  void open(const std::string& op, const std::string& guard, const Line& line);
  enum class Frame { kNone, kFragment, kDrawing };
  // The innermost frame open.
  Frame innermost() const;
  // The next operand of the innermost fragment.
  void operand(const std::string& guard, Place place);
  // Closes the innermost frame; false when none is open.
  bool close(Place place);
  // The line that opened a frame still open, if any.
  const Line* unclosed() const { return frames_.empty() ? nullptr : &frames_.back().line; }
  void reference(const std::vector<int>& over, const std::string& text, Place place);
  // A note on the last message where there is one and onMessage says so,
  // else on the diagram.
  void note(const std::string& text, bool onMessage);
  // The last message, if nothing but the executions it starts or ends
  // came after it.
  const Step* lastMessage() const;
  // Marks the participants declared actor, for Model::joinActors.
  void finish();

 private:
  int operation(int receiver, const std::string& text, std::string& name);
  void step(Step s, Place place);

  Model& m_;
  SequenceDiagram& d_;
  std::vector<std::string> keys_;
  std::vector<bool> actors_;
  struct Active {
    int participant, caller;
  };
  std::vector<Active> active_;
  struct Open {
    bool drawing;
    Line line;
  };
  std::vector<Open> frames_;
};

}  // namespace zov::text
