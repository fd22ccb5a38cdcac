// ModelSource over UML 2 XMI files (Eclipse UML2 as written by Papyrus and
// UML Designer, Enterprise Architect, Visual Paradigm and others): reads the
// XML with pugixml and answers every model read from the element table it
// builds. docs/model-mapping.md says which XMI construct each operation
// reads.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/collections.h"
#include "model/model_source.h"
#include "model/rare_text.h"
#include "model/table_reader.h"
#include "tree/text_block.h"

namespace pugi {
class xml_document;
class xml_node;
struct xml_node_struct;
}  // namespace pugi

namespace zov {

// Whether the file's first element is XML rather than a petal form: such a
// file goes to the XMI reader, whatever its extension.
bool LooksLikeXml(std::string_view head);

class XmiModel : public TableReader<XmiModel> {
  friend class TableReader<XmiModel>;

 public:
  enum class Kind : std::uint8_t {
    kNone,
    kModel,
    kPackage,
    kClass,
    kUseCase,
    kAssociation,
    kRole,
    kRelation,
    kDiagram,
    kObject,
    kMessage,
    kOperation,
    kParameter,
    kAttribute,
    kStateMachine,
    kState,
    kTransition,
    kView,
    kNote,
    kCollaboration,
  };

  XmiModel();
  ~XmiModel() override;

  Handle OpenModel(const std::string& path, std::string* error) override;
  const std::vector<std::string>& Warnings() const override { return warnings_; }
  void SetEncoding(const std::string& encoding) override { encoding_ = encoding; }
  // Opens a model from text already in memory; path names it in messages.
  Handle OpenText(std::string content, const std::string& path, std::string* error);

  // Wall seconds the last load spent in each of its steps: the XML parse,
  // the table of ids, the walk that makes the elements, the references
  // resolved, the interactions, diagrams and collections finished, and the
  // identifiers made unique. For benchmarks, beside a bare parse.
  struct Phases {
    double parse = 0, ids = 0, walk = 0, resolve = 0, finish = 0, identifiers = 0;
  };
  const Phases& LastPhases() const { return phases_; }

  // The reads answered alike by both readers are in TableReader; these
  // are this reader's own.
  Items SubPackages(Handle package) const override;
  Items PackageReuses(Handle package) const override;
  Handle ReusedPackage(Handle reuse) const override;

  bool IsUseCaseDiagram(Handle diagram) const override;

  Items ScenarioDiagrams(Handle useCaseOrPackage) const override;
  Items UseCaseClassDiagrams(Handle useCase) const override;

  Handle MessageElement(Handle message) const override;
  Handle OperationClass(Handle operation) const override;
  std::string OperationText(Handle operation) const override;

  // Beyond the interface, for tests and tools: an element's kind and owner,
  // the element made from an xmi:id, the combined fragments of an
  // interaction, every element of a kind.
  std::vector<ModelRequirement> Requirements() const override { return requirements_; }
  std::vector<std::string> TracedRequirements(Handle element) const override;

  Handle FindByXmiId(std::string_view id) const;
  int FragmentCount(Handle diagram) const;
  std::vector<Handle> AllOfKind(Kind kind) const;
  int ElementCount() const { return static_cast<int>(elements_.size()) - 1; }

 private:
  // The package Summarize does not count (none here, the model's own in XMI).
  Handle summaryRoot() const;
  enum Slot : std::uint8_t {
    kPackages,
    kClasses,
    kUseCases,
    kAssociations,
    kClassDiagrams,
    kScenarioDiagrams,
    kRelGeneral,
    kRelRealize,
    kRelDepend,
    kAttributes,
    kOperations,
    kParameters,
    kStates,
    kTransitions,
    kUcRelations,
    kUcAssociations,
    kDiagClasses,
    kDiagAssociations,
    kDiagUseCases,
    kDiagPackages,
    kObjects,
    kMessages,
    kViews,
    kNotes,
    kAllPackages,
    kAllUseCases,
    kRoles,
    kAllScenarioDiagrams,
    kSlotCount,
  };

  // An identifier: twelve characters, held in place.
  struct Identifier12 {
    char digits[12] = {};
    operator std::string() const { return std::string(digits, sizeof digits); }
    operator std::string_view() const { return std::string_view(digits, sizeof digits); }
  };

  // A name in the parsed text. It takes no std::string: the view would
  // outlive the string it was given.
  struct NameView : std::string_view {
    NameView() = default;
    NameView(const char* text) : std::string_view(text) {}
    NameView(std::string_view text) : std::string_view(text) {}
    NameView(const std::string&) = delete;
    NameView(std::string&&) = delete;
  };

  // The small members side by side (a large model holds hundreds of
  // thousands of elements, each written once as it is made).
  struct Element {
    Kind kind = Kind::kNone;
    bool flag = false;  // navigable role, pseudo-state, use-case diagram
    std::uint8_t diagramKind = 0;
    int count = 0;  // combined fragments of an interaction; the view of a message
    Handle parent;
    Handle ref;   // supplier / target / class / operation / view element / machine / use-case root
    Handle ref2;  // first end / second role / sender / logical root
    Handle ref3;  // receiver
    pugi::xml_node_struct* node = nullptr;  // the XML element it was made from
    std::uint64_t hash = 0;                 // of the xmi:id (or place): the identifier's digits
    // Twelve hexadecimal digits of the hash.
    Identifier12 identifier() const;
    // The name as the file spells it, in the parsed text (or in
    // composedNames_ when the reader makes it up).
    NameView name;
    std::string text;  // type, sequence label, note text
    RareText stereotype, documentation;
    RareText text2;  // initial value
  };

  struct Context;
  struct Interaction;
  struct Place;
  // The attributes read from almost every element, found in one pass.
  struct Attrs {
    const char* id = nullptr;
    const char* type = nullptr;
    const char* name = nullptr;
    const char* href = nullptr;
    bool idref = false;
  };

  void reset();
  Handle openBuffer(const std::string& path, std::string* error);
  void setText(std::string_view text);
  Handle add(Kind kind, Handle parent, pugi::xml_node node, std::string_view key = {});
  Handle add(Kind kind, Handle parent, pugi::xml_node node, const Attrs& attrs, std::string_view key = {});
  // An element made from no XML element, keyed by the hash of its key.
  Handle addKeyed(Kind kind, Handle parent, std::uint64_t key);
  Attrs attrsOf(pugi::xml_node n) const;
  std::string_view typeOf(pugi::xml_node n, const Attrs& attrs) const;
  void addTo(Handle owner, Slot slot, Handle item);
  Items items(Handle h, Slot slot) const;
  const Element* get(Handle h) const;
  Element* get(Handle h);
  Handle ref(Handle h, Kind kind) const;
  std::string_view typeOf(pugi::xml_node n) const;
  std::string_view idOf(pugi::xml_node n) const;
  std::vector<std::string_view> refs(pugi::xml_node n, const char* name);
  std::string_view ref1(pugi::xml_node n, const char* name);
  Handle handleOf(std::string_view id) const;
  pugi::xml_node nodeOf(std::string_view id) const;
  std::string typeName(pugi::xml_node typed);
  std::string valueText(pugi::xml_node value) const;
  void skip(std::string_view type);

  void indexIds(pugi::xml_node root);
  void walk(pugi::xml_node parent, const Context& c, int depth);
  void visit(pugi::xml_node n, const Context& c, int depth);
  void mapClassifierFeature(pugi::xml_node n, std::string_view type, const Context& c);
  void mapStateMachine(pugi::xml_node n, Handle cls);
  void mapInteraction(pugi::xml_node n, const Context& c, int depth);
  void mapFragments(Interaction& in, pugi::xml_node holder, Place& place, int depth);
  void mapFragment(Interaction& in, pugi::xml_node f, Place& place, int depth);
  void mapOperand(Interaction& in, pugi::xml_node operand, Place& place, int depth);
  void mapEvent(Interaction& in, std::string_view id, Place& place);
  void resolve();
  void placeInteractions();
  void readDiagrams();
  void readRequirements();
  void makeUseCaseDiagrams();
  void finishCollections();
  // A note on a view; its key is the view's key (as a hash), "#note" and its number.
  void note(Handle view, std::string text, std::uint64_t viewKey);
  void markEvents(Interaction& in, pugi::xml_node holder, int depth);

  // The file's text, which the XML tree points into: it outlives the tree,
  // which is declared after it.
  TextBlock text_;
  std::size_t textSize_ = 0;
  std::unique_ptr<pugi::xml_document> doc_;
  std::string path_;
  std::string prefix_, idAttr_, typeAttr_, idrefAttr_;
  int duplicateIds_ = 0;
  std::vector<std::string> duplicates_;  // the first few: the id and both lines
  std::vector<Element> elements_;
  // The collections of each element, by slot (most elements have none).
  Collections collections_;
  // Every XML element with an xmi:id, in document order: the element, the
  // handle made from it, and the place of the first element with the same
  // id (its own place but where an id repeats).
  struct IdPlace {
    pugi::xml_node_struct* node;
    std::int32_t handle;
    std::int32_t first;
  };
  // Names the file does not spell as they stand (":Class" for a lifeline,
  // the file's own name for a model without one): each keeps its place.
  std::deque<std::string> composedNames_;
  std::string_view composedName(std::string name);
  std::vector<IdPlace> idPlaces_;
  // Where the walk that makes the elements has come to among them.
  std::size_t nextPlace_ = 0;
  // Every xmi:id of the file: the place of its first element.
  struct IdTable;
  std::unique_ptr<IdTable> ids_;
  void registerId(std::string_view id, Handle handle, pugi::xml_node_struct* node);
  // Whether the element made last is the one its xmi:id reaches (the id is
  // its own, not one an element before it has).
  bool lastOwnsId_ = false;
  const IdPlace* placeOfId(std::string_view id) const;
  // Makes the identifiers unique once every element exists.
  void finishIdentifiers();
  std::vector<std::string> warnings_;
  Phases phases_;
  std::string encoding_;  // of a file without an encoding declaration
  std::map<std::string, int> skipped_;
  std::map<std::string, int, std::less<>> external_;  // href files and the references to them
  void countExternal(std::string_view href);
  std::vector<std::string> unresolved_;
  int unresolvedCount_ = 0;

  // Gathered while walking, used once every element exists.
  struct Deferred {
    Handle element;
    pugi::xml_node_struct* node;
    Handle context;  // owner classifier / package, as the case needs
    Handle package;
  };
  std::vector<Deferred> associations_, relations_, dependencies_, comments_, diagrams_, interactions_,
      collaborationUses_;
  std::vector<Deferred> objects_, messages_, transitions_;
  std::vector<Deferred> machines_;  // state machines outside classes
  Handle model_;
  Handle rootPackage_;
  // Requirements: the SysML id and text of a stereotype application (by the
  // element it applies to); a use case's dependency on a class, counted as
  // skipped unless the class is a requirement; what the load found.
  struct Applied {
    std::string id, text;
  };
  std::unordered_map<std::int32_t, Applied> requirementApplied_;
  std::vector<std::pair<Handle, std::string>> useCaseTraces_;
  std::vector<ModelRequirement> requirements_;
  std::unordered_map<std::int32_t, std::vector<std::string>> traced_;
};

}  // namespace zov
