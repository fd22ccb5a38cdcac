// The reads of ModelSource that both readers answer the same way from their
// element tables. A reader derives from TableReader<Reader> and gives it
// get(), items(), ref() and KindOf() over its own table, with the element
// kinds and collection slots named alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "model/model_source.h"

namespace zov {

template <class D>
class TableReader : public ModelSource {
 public:
  // The kind of an element, and the element that holds it.
  auto KindOf(Handle h) const {
    const auto* e = self().get(h);
    return e == nullptr ? D::Kind::kNone : e->kind;
  }
  Handle Owner(Handle h) const {
    const auto* e = self().get(h);
    return e == nullptr ? Handle{} : e->parent;
  }

  // What the model holds, element by element; the reader's root package
  // (the model's own, in XMI) is not counted.
  ModelSummary Summarize() const override {
    ModelSummary s;
    const auto& elements = self().elements_;
    for (std::size_t i = 1; i < elements.size(); ++i) {
      const auto& e = elements[i];
      switch (e.kind) {
        case D::Kind::kPackage:
          if (static_cast<std::int32_t>(i) != self().summaryRoot().id) ++s.packages;
          break;
        case D::Kind::kUseCase: ++s.useCases; break;
        case D::Kind::kClass: (e.stereotype == "Actor" ? s.actors : s.classes)++; break;
        case D::Kind::kMessage: ++s.messages; break;
        case D::Kind::kDiagram:
          if (e.diagramKind == kSequenceDiagram)
            ++s.sequenceDiagrams;
          else if (e.diagramKind == kCollaborationDiagram)
            ++s.collaborationDiagrams;
          else if (e.flag)
            ++s.useCaseDiagrams;
          else
            ++s.classDiagrams;
          break;
        default: break;
      }
    }
    return s;
  }

  Handle UseCaseRoot(Handle model) const override { return self().ref(model, D::Kind::kModel); }

  Handle LogicalRoot(Handle model) const override {
    const auto* e = self().get(model);
    return e != nullptr && e->kind == D::Kind::kModel ? e->ref2 : Handle{};
  }

  Items AllPackages(Handle p) const override { return self().items(p, D::kAllPackages); }

  Items ClassDiagrams(Handle package) const override { return self().items(package, D::kClassDiagrams); }

  Items PackageScenarioDiagrams(Handle package) const override {
    return self().KindOf(package) == D::Kind::kPackage ? self().items(package, D::kScenarioDiagrams) : Items();
  }

  Items PackageUseCases(Handle package) const override { return self().items(package, D::kUseCases); }

  Items AllUseCases(Handle model) const override { return self().items(model, D::kAllUseCases); }

  std::string Identifier(Handle h) const override {
    // A reader may make the identifier from what the element holds.
    if constexpr (std::is_member_function_pointer_v<decltype(&D::Element::identifier)>) {
      const auto* e = self().get(h);
      return e == nullptr ? std::string() : std::string(e->identifier());
    } else {
      return textOf(h, &D::Element::identifier);
    }
  }

  std::string Name(Handle h) const override { return textOf(h, &D::Element::name); }

  std::string Stereotype(Handle h) const override { return textOf(h, &D::Element::stereotype); }

  std::string Documentation(Handle h) const override { return textOf(h, &D::Element::documentation); }

  Items DiagramClasses(Handle d) const override { return self().items(d, D::kDiagClasses); }

  Items DiagramAssociations(Handle d) const override { return self().items(d, D::kDiagAssociations); }

  Items DiagramUseCases(Handle d) const override { return self().items(d, D::kDiagUseCases); }

  Items DiagramPackages(Handle d) const override { return self().items(d, D::kDiagPackages); }

  int DiagramKind(Handle d) const override {
    return self().KindOf(d) == D::Kind::kDiagram ? self().get(d)->diagramKind : 0;
  }

  Items DiagramObjects(Handle d) const override { return self().items(d, D::kObjects); }

  Items DiagramMessages(Handle d) const override { return self().items(d, D::kMessages); }

  Items DiagramViews(Handle d) const override { return self().items(d, D::kViews); }

  Handle ViewElement(Handle v) const override { return self().ref(v, D::Kind::kView); }

  Items ViewNotes(Handle v) const override { return self().items(v, D::kNotes); }

  std::string NoteText(Handle n) const override {
    return self().KindOf(n) == D::Kind::kNote ? self().get(n)->text : std::string();
  }

  void SetName(Handle d, std::string_view name) override {
    if (self().KindOf(d) != D::Kind::kDiagram) return;
    // A reader that keeps names as views into its file keeps a new one
    // beside them.
    if constexpr (std::is_base_of_v<std::string_view, decltype(D::Element::name)>)
      self().get(d)->name = self().composedName(std::string(name));
    else
      self().get(d)->name = std::string(name);
  }

  Items ClassRelations(Handle cls, int n) const override {
    if (self().KindOf(cls) != D::Kind::kClass || n < 1 || n > 3) return {};
    return self().items(cls, n == 1 ? D::kRelGeneral : n == 2 ? D::kRelRealize : D::kRelDepend);
  }

  Handle FirstEnd(Handle r) const override {
    const auto* e = self().get(r);
    return e != nullptr && e->kind == D::Kind::kRelation ? e->ref2 : Handle{};
  }

  Handle SecondEnd(Handle r) const override { return self().ref(r, D::Kind::kRelation); }

  Items ClassAttributes(Handle cls) const override { return self().items(cls, D::kAttributes); }

  std::string AttributeType(Handle a) const override {
    return self().KindOf(a) == D::Kind::kAttribute ? self().get(a)->text : std::string();
  }

  std::string AttributeInitialValue(Handle a) const override {
    return self().KindOf(a) == D::Kind::kAttribute ? self().get(a)->text2 : std::string();
  }

  Handle ClassStateMachine(Handle cls) const override { return self().ref(cls, D::Kind::kClass); }

  Items MachineStates(Handle m) const override { return self().items(m, D::kStates); }

  bool StateFlag(Handle s) const override { return self().KindOf(s) == D::Kind::kState && self().get(s)->flag; }

  Items StateTransitions(Handle s) const override { return self().items(s, D::kTransitions); }

  Handle TransitionTarget(Handle t) const override { return self().ref(t, D::Kind::kTransition); }

  Handle Role1(Handle a) const override { return self().ref(a, D::Kind::kAssociation); }

  Handle Role2(Handle a) const override {
    const auto* e = self().get(a);
    return e != nullptr && e->kind == D::Kind::kAssociation ? e->ref2 : Handle{};
  }

  Handle RoleElement(Handle r) const override { return self().ref(r, D::Kind::kRole); }

  bool RoleNavigable(Handle r) const override { return self().KindOf(r) == D::Kind::kRole && self().get(r)->flag; }

  Handle RoleUseCase(Handle r) const override {
    const Handle e = RoleElement(r);
    return self().KindOf(e) == D::Kind::kUseCase ? e : Handle{};
  }

  Items UseCaseRelations(Handle u) const override { return self().items(u, D::kUcRelations); }

  Items UseCaseAssociations(Handle u) const override { return self().items(u, D::kUcAssociations); }

  std::string ObjectName(Handle o) const override {
    return self().KindOf(o) == D::Kind::kObject ? std::string(self().get(o)->name) : std::string();
  }

  bool ObjectHasClass(Handle o) const override { return static_cast<bool>(ObjectClass(o)); }

  Handle ObjectClass(Handle o) const override { return self().ref(o, D::Kind::kObject); }

  std::string MessageSequence(Handle m) const override {
    return self().KindOf(m) == D::Kind::kMessage ? self().get(m)->text : std::string();
  }

  Handle MessageSender(Handle m) const override {
    return self().KindOf(m) == D::Kind::kMessage ? self().get(m)->ref2 : Handle{};
  }

  Handle MessageReceiver(Handle m) const override {
    return self().KindOf(m) == D::Kind::kMessage ? self().get(m)->ref3 : Handle{};
  }

  bool MessageHasOperation(Handle m) const override { return static_cast<bool>(MessageOperation(m)); }

  Handle MessageOperation(Handle m) const override { return self().ref(m, D::Kind::kMessage); }

  Items OperationParameters(Handle op) const override { return self().items(op, D::kParameters); }

  std::string ParameterType(Handle p) const override {
    return self().KindOf(p) == D::Kind::kParameter ? self().get(p)->text : std::string();
  }

 protected:
  // The associations of each use case: those with a role at that use case,
  // once per use case.
  void linkUseCaseAssociations() {
    D& d = self();
    for (std::size_t i = 1; i < d.elements_.size(); ++i) {
      if (d.elements_[i].kind != D::Kind::kAssociation) continue;
      const Handle assoc{static_cast<std::int32_t>(i)};
      Handle last;
      for (Handle role : d.items(assoc, D::kRoles)) {
        const Handle u = d.get(role)->ref;
        if (u && d.get(u)->kind == D::Kind::kUseCase && !(u == last)) {
          d.addTo(u, D::kUcAssociations, assoc);
          last = u;
        }
      }
    }
  }

 private:
  const D& self() const { return static_cast<const D&>(*this); }
  // A text field of an element, empty for no element.
  template <typename Member>
  std::string textOf(Handle h, Member field) const {
    const auto* e = self().get(h);
    if (e == nullptr) return {};
    if constexpr (std::is_base_of_v<std::string_view, std::remove_cvref_t<decltype(e->*field)>>)
      return std::string(e->*field);
    else
      return static_cast<const std::string&>(e->*field);
  }
  D& self() { return static_cast<D&>(*this); }
};

}  // namespace zov
