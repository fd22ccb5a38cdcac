// The test specification editors: the settings categories editor
// "FormIntervallo" (the choices of one parameter of a message, each with
// properties and if-selectors) and the interactions categories editor
// "FormInteractions" (the plain choices of one message). They propose
// default values, take the tester's own values and on OK store the choices
// in the table of test cases and mirror them as nodes of TV(2). The state
// of each window lives here; the dialogs only show it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "generation/random_source.h"
#include "model/model_source.h"
#include "specification/specification.h"
#include "tree/tree.h"

namespace zov {

// A value given to a category, with its properties and if-selectors
// (comma-separated, as typed).
struct ChosenValue {
  std::string value, properties, selectors;
};

// Whether a documentation text holds a default list ("DEF(").
bool EsisteDocumentazioneAttr(std::string_view text);
bool EsisteDocumentazione(std::string_view text);

// What the editors work on.
struct EditorContext {
  Tree& spec;
  SpecificationState& state;
  const ModelSource& model;
  RandomSource& random;
  // Whether OK mirrors the choices as nodes of TV(2).
  bool choiceNodes = true;
};

// What both editors hold: the window's fields, where the category's record
// lies, and what the tester did since it opened.
class CategoryEditor {
 public:
  void active() { done = false; }
  void chooseDefaults() {
    useDefaults = true;
    useOwnValues = false;
  }

  std::string caption;
  bool useDefaults = true;
  bool useOwnValues = false;
  std::vector<std::string> defaultLines, choiceLines;
  std::string value;
  std::int16_t nextChoice = 0;
  bool done = true;
  // Where the record lies: test case and message record.
  int testCase = 0, message = 0;
  // Set on opening when default values had to be left out; empty otherwise.
  std::string note;
  // Since the last opening: the values added, and whether OK closed it.
  std::vector<ChosenValue> added;
  bool confirmed = false;

 protected:
  std::optional<EditorContext> c_;
  NodeId node_ = kNoNode;
  std::string key_;
};

class SettingsEditor : public CategoryEditor {
 public:
  // "&Specifications.." on an "attributo" node: CaricaValori. False when
  // the node leads to no record of the table.
  bool open(const EditorContext& c, NodeId node);
  void chooseOwnValues();  // "Insert your own values:"
  // Own values from an empty list: what add() adds then replaces the
  // category's choices on OK.
  void startOwnValues();
  // "Add  --->". False when all 101 choices are in use (nothing added).
  bool add();
  // Own value i marked invalid or valid again (its "~"); the own values
  // are then in use. False when there is no such value.
  bool markInvalid(std::size_t i, bool invalid);
  void ok();
  void cancel();

  std::string note;
  std::string selectors, properties;  // IF selectors and properties of the value
  int attribute = 0;                  // the parameter's attribute in the message record

  // The stored record of the attribute being edited.
  AttributeRecord* record();

 private:
  void CercaDefaultValues();
  // The tree mirror of the choices OK stores: "Choices: " and one value
  // node per choice, before the record is marked edited.
  void mirrorChoices(const AttributeRecord& r);
  // What the tester works on: the record is written only on OK, so that
  // Cancel leaves no trace. The default values are kept apart, for OK with
  // "Default Values:" after own values were typed.
  AttributeRecord pending_;
  std::vector<ChoiceRecord> defaults_;
};

class InteractionsEditor : public CategoryEditor {
 public:
  // "&Specifications.." on a "messaggio" node: CaricaValoriInt.
  bool open(const EditorContext& c, NodeId node);
  void chooseOwnValues() {  // "Insert your own values"
    useOwnValues = true;
    useDefaults = false;
  }
  // Own values from an empty list: what add() adds then replaces the
  // category's choices on OK.
  void startOwnValues() {
    chooseOwnValues();
    nextChoice = 0;
    choiceLines.clear();
  }
  // "Add -->". False when all 101 choices are in use (nothing added).
  bool add();
  // As the settings editor's.
  bool markInvalid(std::size_t i, bool invalid);
  void ok();
  void cancel();

  // The stored record of the message being edited.
  MessageRecord* record();

 private:
  // As the settings editor's.
  void mirrorChoices(const MessageRecord& r);
  // The own choices being edited, written to the record only on OK.
  std::vector<std::string> pending_;
};

// The choices of a category that "&Remove" may take away: a value node
// under a category's "Choices: " node (that one choice) or the "Choices: "
// node itself (all of them). Returns the category node, kNoNode for any
// other node; index is the choice's position, -1 for all of them.
NodeId RemovableChoice(const Tree& spec, NodeId node, int* index = nullptr);
// Takes the choice (or all choices) that node stands for out of its
// category: from the record of the table and from the tree, whose value
// nodes are keyed anew by position. Returns false when node is no such
// choice or its category has no record.
bool RemoveChoice(Tree& spec, SpecificationState& state, NodeId node);

// The line of a choice listed from the record of an edited attribute.
std::string ChoiceLine(const ChoiceRecord& c);
// Str(i): the index after one blank for its sign.
std::string IndexText(int i);

}  // namespace zov
