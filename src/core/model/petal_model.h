// ModelSource over Rose petal files: reads a ".mdl" model (with the
// controlled units it names) or a ".cat" unit on its own, and answers every
// model read from the element table it builds. docs/model-mapping.md says
// which petal construct each operation reads.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include "files/text_encoding.h"
#include "model/collections.h"
#include "model/model_source.h"
#include "model/petal_parser.h"
#include "model/rare_text.h"
#include "model/table_reader.h"
#include "tree/string_index.h"

namespace zov {

class PetalModel : public TableReader<PetalModel> {
  friend class TableReader<PetalModel>;

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
    kReuse,
    kLink,
  };

  Handle OpenModel(const std::string& path, std::string* error) override;
  const std::vector<std::string>& Warnings() const override { return warnings_; }
  void SetEncoding(const std::string& encoding) override { encoding_ = encoding; }
  // Opens a model from text already in memory; path names it in messages
  // and places its controlled units.
  Handle OpenText(std::string content, const std::string& path, std::string* error);

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

  // Beyond the interface: what kind an element is, its owner, and the
  // element with a given quid (for tests and tools).
  Handle FindByIdentifier(std::string_view quid) const;
  int ElementCount() const { return static_cast<int>(elements_.size()) - 1; }

  using Summary = ModelSummary;
  // Files read for the last OpenModel: the model and its units.
  const std::vector<std::string>& FilesRead() const { return filesRead_; }

  // What one load may read at most: unit files and bytes (the model's own
  // file counted). Past either bound the remaining units are not read and a
  // warning says so, so that no set of files can make a load run away.
  static constexpr std::size_t kMaxUnitFiles = 10000;
  static constexpr std::uintmax_t kMaxBytesRead = std::uintmax_t{1} << 30;
  void SetReadLimits(std::size_t unitFiles, std::uintmax_t bytes) {
    maxUnitFiles_ = unitFiles;
    maxBytesRead_ = bytes;
  }

 private:
  // The package Summarize does not count (none here, the model's own in XMI).
  Handle summaryRoot() const;
  // Collections of an element, by slot.
  enum Slot : std::uint8_t {
    kPackages,
    kClasses,
    kUseCases,
    kAssociations,
    kClassDiagrams,
    kScenarioDiagrams,
    kReuses,
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
    kUcClassDiagrams,
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
  };

  struct Element {
    Kind kind = Kind::kNone;
    std::uint8_t diagramKind = 0;
    bool flag = false;  // navigable role, pseudo-state, use-case diagram, has class
    int ordinal = 0;
    Handle parent;
    Handle ref;   // the supplier / target / class / operation / view element / machine
    Handle ref2;  // second role / sender
    Handle ref3;  // receiver
    std::string identifier, name;
    std::string text;  // type, sequence label, note text, operation text
    RareText stereotype, documentation;
    RareText text2;  // initial value
  };

  struct Pending {
    Handle element;
    // The collection of the element the target is added to; without one,
    // the target becomes the element's ref.
    std::optional<Slot> collection;
    Kind wanted;  // Kind::kNone: any kind
    // The quid in its document's text, which stays until references are resolved.
    std::string_view quid;
    std::uint32_t document;
    std::uint32_t line, column;
  };

  struct Context;

  void reset();
  Handle openParsed(petal::Document&& doc, const std::string& path, std::string* error);
  Handle add(Kind kind, Handle parent, const Context& c, const petal::Form& f);
  void addTo(Handle owner, Slot slot, Handle item);
  Items items(Handle h, Slot slot) const;
  const Element* get(Handle h) const;
  Element* get(Handle h);
  Handle ref(Handle h, Kind kind) const;
  std::string text(const Context& c, std::string_view raw, std::uint32_t line) const;
  std::string nameOf(const Context& c, std::string_view raw, std::uint32_t line) const;
  std::string stringAttr(const Context& c, const petal::Form& f, std::string_view name) const;
  // The text of a string, word or number value, or of a (value Text ...) form.
  std::string valueText(const Context& c, const petal::Value* v) const;
  void defer(Handle h, std::optional<Slot> collection, Kind wanted, const Context& c, const petal::Form& f,
             std::string_view attribute);

  Handle mapPackage(const Context& c, const petal::Form& f, Handle parent, Handle existing = {});
  void mapPackageContents(const Context& c, const petal::Form& f, Handle pkg);
  bool loadUnit(const Context& c, const petal::Form& f, Handle pkg);
  void mapClass(const Context& c, const petal::Form& f, Handle owner);
  void mapUseCase(const Context& c, const petal::Form& f, Handle owner);
  void mapAssociation(const Context& c, const petal::Form& f, Handle owner);
  void mapRelations(const Context& c, const petal::Form& list, Handle owner, Slot slot);
  void mapDiagram(const Context& c, const petal::Form& f, Handle owner, Slot slot);
  void mapInteraction(const Context& c, const petal::Form& mechanism, Handle diagram);
  void mapStateMachine(const Context& c, const petal::Form& f, Handle cls);
  void resolve();
  void finishCollections();
  // Calls visit with each object form in the list an attribute holds.
  template <typename Visit>
  void forEachItem(const Context& c, const petal::Form& f, std::string_view attribute, const Visit& visit) const;
  // A whole number attribute within [low, high]; a value out of range (or
  // not whole) is reported with its position and clamped.
  int numberAttr(const Context& c, const petal::Form& f, std::string_view name, int low, int high, int absent);
  // The files below a folder (at most four levels down), listed once per load.
  const std::vector<std::filesystem::path>& filesBelow(const std::filesystem::path& dir);

  std::vector<Element> elements_;
  Collections collections_;
  // The element made first with each quid, and its kind, which references
  // check without reading the element. Filled by indexQuids, before
  // references are resolved, and let go when the load ends: a large model
  // holds hundreds of thousands of quids.
  struct Quid {
    Handle element;
    Kind kind;
  };
  StringIndex<Quid> byQuid_;
  std::size_t quidsIndexed_ = 0;
  void indexQuids();
  // What the load's quid index still answers afterwards: each message whose
  // quid an element made earlier has (a message drawn in two views), with
  // that element.
  absl::flat_hash_map<std::int32_t, Handle> firstWithQuid_;
  void keepMessageQuids();
  std::deque<petal::Document> documents_;
  // Each document's text decoder, by the code page its header names.
  std::deque<TextDecoder> decoders_;
  std::string encoding_;
  const TextDecoder& decoderOf(const petal::Document& doc);
  void warnUndecoded(const petal::Document& doc, const TextDecoder& decoder);
  std::vector<Pending> pending_;
  std::vector<std::string> warnings_;
  std::vector<std::string> filesRead_;
  std::unordered_set<std::string> unitsLoading_;
  // Every unit file read in this load (by its canonical path) and the
  // package it was read for: a unit is read and mapped once.
  std::unordered_map<std::string, std::string> unitsRead_;
  std::unordered_map<std::string, std::vector<std::filesystem::path>> listings_;
  int entriesListed_ = 0;
  std::size_t maxUnitFiles_ = kMaxUnitFiles;
  std::uintmax_t maxBytesRead_ = kMaxBytesRead;
  std::uintmax_t bytesRead_ = 0;
  bool limitReported_ = false;
  // Interactions already mapped (document, form) and the diagram that holds
  // their objects and messages: a sequence diagram and its collaboration
  // diagram share one interaction.
  absl::flat_hash_map<std::uint64_t, Handle> interactions_;
  Handle model_;
};

}  // namespace zov
