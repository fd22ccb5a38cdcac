// ModelSource: everything the program reads from a UML model, and the one
// thing it changes (a scenario diagram's name, in memory only).
//
// Elements are opaque handles; a missing element is a null handle, which
// callers test. Collections are read by count and 1-based index, in the
// model file's order.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zov {

struct Handle {
  std::int32_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool null() const { return id == 0; }
  friend bool operator==(Handle a, Handle b) { return a.id == b.id; }
};

// A collection of elements: Count() items, Item(1) to Item(Count()).
class Items {
 public:
  Items() = default;
  explicit Items(std::span<const Handle> items) : items_(items) {}
  int Count() const { return static_cast<int>(items_.size()); }
  // The item at a 1-based index; a null handle outside 1..Count().
  Handle Item(int index) const {
    return index >= 1 && index <= Count() ? items_[static_cast<std::size_t>(index - 1)] : Handle{};
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  bool empty() const { return items_.empty(); }

 private:
  std::span<const Handle> items_;
};

// Diagram kinds of a scenario diagram.
inline constexpr int kSequenceDiagram = 1;
inline constexpr int kCollaborationDiagram = 2;

// What a model holds, for the one-line summary of a load.
struct ModelSummary {
  int packages = 0, useCases = 0, actors = 0, classes = 0;
  int useCaseDiagrams = 0, classDiagrams = 0, sequenceDiagrams = 0, collaborationDiagrams = 0;
  int messages = 0;
  // Requirements and the links that trace use cases and diagrams to them
  // (counted by the load, which adds those of documentation lines).
  int requirements = 0, requirementLinks = 0;
  // "5 packages, 8 use cases, ..., 8 messages"; with "(no use case and no
  // interaction: nothing to plan)" after it when that is so.
  std::string Text() const;
};

// A requirement the model holds: its identifier (a SysML id, else its
// name), its name and its text.
struct ModelRequirement {
  std::string id, title, text;
};

class ModelSource {
 public:
  virtual ~ModelSource() = default;

  // Opens the model file; the model handle, or a null handle with *error
  // set to a message naming the file and, for a malformed file, the line,
  // column and what was expected.
  virtual Handle OpenModel(const std::string& path, std::string* error) = 0;
  // Problems that did not stop the load (a controlled unit not found, a
  // reference to an element that is not in the model), one line each.
  virtual const std::vector<std::string>& Warnings() const = 0;
  // The encoding of files that do not say theirs (a petal header with
  // charSet 0, an XMI file without an encoding declaration), as iconv names
  // it; empty for the default (Windows-1252, UTF-8). Set before OpenModel.
  virtual void SetEncoding(const std::string& encoding) { (void)encoding; }
  // The counts of the open model's elements.
  virtual ModelSummary Summarize() const = 0;

  // --- packages ------------------------------------------------------
  virtual Handle UseCaseRoot(Handle model) const = 0;
  virtual Handle LogicalRoot(Handle model) const = 0;
  virtual Items SubPackages(Handle package) const = 0;
  // Every package below the package (or of the model) at any depth, in
  // depth-first order.
  virtual Items AllPackages(Handle packageOrModel) const = 0;
  virtual Items ClassDiagrams(Handle package) const = 0;
  virtual Items PackageScenarioDiagrams(Handle package) const = 0;
  virtual Items PackageReuses(Handle package) const = 0;
  virtual Handle ReusedPackage(Handle reuse) const = 0;
  virtual Items PackageUseCases(Handle package) const = 0;
  virtual Items AllUseCases(Handle model) const = 0;

  // --- any element ---------------------------------------------------
  virtual std::string Identifier(Handle element) const = 0;
  virtual std::string Name(Handle element) const = 0;
  virtual std::string Stereotype(Handle element) const = 0;
  virtual std::string Documentation(Handle element) const = 0;

  // --- diagrams ------------------------------------------------------
  virtual bool IsUseCaseDiagram(Handle diagram) const = 0;
  virtual Items DiagramClasses(Handle diagram) const = 0;
  virtual Items DiagramAssociations(Handle diagram) const = 0;
  virtual Items DiagramUseCases(Handle diagram) const = 0;
  virtual Items DiagramPackages(Handle diagram) const = 0;
  // 1 for a sequence diagram, 2 for a collaboration diagram, 0 otherwise.
  virtual int DiagramKind(Handle diagram) const = 0;
  virtual Items DiagramObjects(Handle diagram) const = 0;
  // The messages of a scenario diagram in diagram order.
  virtual Items DiagramMessages(Handle diagram) const = 0;
  virtual Items DiagramViews(Handle diagram) const = 0;
  virtual Handle ViewElement(Handle view) const = 0;
  virtual Items ViewNotes(Handle view) const = 0;
  virtual std::string NoteText(Handle note) const = 0;
  // Renames a scenario diagram in memory; the model file is never written.
  virtual void SetName(Handle diagram, std::string_view name) = 0;
  // SetName, keeping the earlier name, so that a session taken back to its
  // load finds the names the load gave (RevertRenames).
  void Rename(Handle diagram, std::string_view name) {
    renamed_.push_back({diagram, Name(diagram)});
    SetName(diagram, name);
  }
  std::size_t RenameCount() const { return renamed_.size(); }
  // The renames after the first count of them undone, latest first.
  void RevertRenames(std::size_t count) {
    for (; renamed_.size() > count; renamed_.pop_back()) SetName(renamed_.back().diagram, renamed_.back().name);
  }

  // --- classes and relations ------------------------------------------
  // n = 1 generalizations, 2 realizations, 3 dependencies owned by the class.
  virtual Items ClassRelations(Handle cls, int n) const = 0;
  virtual Handle FirstEnd(Handle relation) const = 0;
  virtual Handle SecondEnd(Handle relation) const = 0;
  virtual Items ClassAttributes(Handle cls) const = 0;
  virtual std::string AttributeType(Handle attribute) const = 0;
  virtual std::string AttributeInitialValue(Handle attribute) const = 0;
  virtual Handle ClassStateMachine(Handle cls) const = 0;
  virtual Items MachineStates(Handle machine) const = 0;
  virtual bool StateFlag(Handle state) const = 0;
  virtual Items StateTransitions(Handle state) const = 0;
  virtual Handle TransitionTarget(Handle transition) const = 0;

  // --- associations --------------------------------------------------
  virtual Handle Role1(Handle association) const = 0;
  virtual Handle Role2(Handle association) const = 0;
  virtual Handle RoleElement(Handle role) const = 0;
  virtual bool RoleNavigable(Handle role) const = 0;
  virtual Handle RoleUseCase(Handle role) const = 0;

  // --- use cases -----------------------------------------------------
  virtual Items UseCaseRelations(Handle useCase) const = 0;
  virtual Items UseCaseAssociations(Handle useCase) const = 0;
  virtual Items ScenarioDiagrams(Handle useCaseOrPackage) const = 0;
  virtual Items UseCaseClassDiagrams(Handle useCase) const = 0;

  // --- objects, messages, operations ---------------------------------
  virtual std::string ObjectName(Handle object) const = 0;
  virtual bool ObjectHasClass(Handle object) const = 0;
  virtual Handle ObjectClass(Handle object) const = 0;
  virtual std::string MessageSequence(Handle message) const = 0;
  virtual Handle MessageSender(Handle message) const = 0;
  virtual Handle MessageReceiver(Handle message) const = 0;
  virtual bool MessageHasOperation(Handle message) const = 0;
  virtual Handle MessageOperation(Handle message) const = 0;
  // The model element a message stands for, as diagram views refer to it.
  virtual Handle MessageElement(Handle message) const = 0;
  virtual Items OperationParameters(Handle operation) const = 0;
  virtual std::string ParameterType(Handle parameter) const = 0;
  virtual Handle OperationClass(Handle operation) const = 0;
  virtual std::string OperationText(Handle operation) const = 0;

  // --- requirements ----------------------------------------------------
  // The requirement elements of the model, in file order; none for a
  // format without them (a petal file's use cases say theirs in their
  // documentation, which the load reads).
  virtual std::vector<ModelRequirement> Requirements() const { return {}; }
  // The identifiers of the requirements a use case or a scenario diagram
  // is traced to, in the order of the requirements; a diagram's include
  // those of what owns it.
  virtual std::vector<std::string> TracedRequirements(Handle element) const {
    (void)element;
    return {};
  }

 private:
  struct Renamed {
    Handle diagram;
    std::string name;
  };
  std::vector<Renamed> renamed_;
};

}  // namespace zov
