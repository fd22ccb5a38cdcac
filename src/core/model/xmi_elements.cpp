// The XMI reader's walk over the model: packages, classifiers and their
// features, state machines, then the references resolved, the interactions
// placed, the diagrams read or made, the collections finished.
#include "model/xmi_model.h"

#include <pugixml.hpp>

#include <algorithm>
#include <functional>
#include <string>
#include <unordered_set>

#include "model/xmi_internal.h"

namespace zov {

using namespace xmi;

void XmiModel::walk(pugi::xml_node parent, const Context& c, int depth) {
  for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
    if (n.type() == pugi::node_element) visit(n, c, depth + 1);
}

void XmiModel::visit(pugi::xml_node n, const Context& c, int depth) {
  const std::string_view tag = Local(n.name());
  if (tag == "Extension" || tag == "Documentation" || tag == "eAnnotations") return;
  // A reference to an element of this file or of another: nothing of its own.
  const Attrs attrs = attrsOf(n);
  if (attrs.idref) return;
  if (attrs.href != nullptr) {
    const std::string_view h = attrs.href;
    countExternal(h);
    return;
  }
  const std::string_view type = typeOf(n, attrs);
  if (depth > kMaxDepth) {
    skip("elements nested too deeply");
    return;
  }
  if (type.empty()) {
    // A reference (xmi:idref, href) or a value: nothing of its own.
    if (attrs.id == nullptr || *attrs.id == '\0') return;
    skip(tag);
    walk(n, c, depth);
    return;
  }
  const Kind ownerKind = get(c.owner) != nullptr ? get(c.owner)->kind : Kind::kNone;
  if (type == "Model" || type == "Package") {
    const Handle parent = c.package ? c.package : model_;
    const Handle pkg = add(Kind::kPackage, parent, n, attrs);
    addTo(parent, kPackages, pkg);
    if (!rootPackage_) rootPackage_ = pkg;
    walk(n, Context{pkg, {}}, depth);
  } else if (type == "Actor" || IsClassLike(type)) {
    const Handle cls = add(Kind::kClass, c.package, n, attrs);
    if (type == "Actor") get(cls)->stereotype = "Actor";
    addTo(c.package, kClasses, cls);
    walk(n, Context{c.package, cls}, depth);
  } else if (type == "Requirement") {
    // A requirement written as an element of its own kind is a class with
    // that stereotype, as SysML makes it.
    const Handle cls = add(Kind::kClass, c.package, n, attrs);
    get(cls)->stereotype = "Requirement";
    addTo(c.package, kClasses, cls);
    walk(n, Context{c.package, cls}, depth);
  } else if (type == "UseCase") {
    const Handle uc = add(Kind::kUseCase, c.package, n, attrs);
    addTo(c.package, kUseCases, uc);
    walk(n, Context{c.package, uc}, depth);
  } else if (type == "Collaboration") {
    const Handle col = add(Kind::kCollaboration, c.package, n, attrs);
    walk(n, Context{c.package, col}, depth);
  } else if (type == "Property") {
    if (ownerKind == Kind::kClass && tag == "ownedAttribute" && !n.attribute("association")) {
      const Handle attr = add(Kind::kAttribute, c.owner, n, attrs);
      get(attr)->text = typeName(n);
      pugi::xml_node value = n.child("defaultValue");
      get(attr)->text2 = value ? valueText(value) : std::string(n.attribute("default").value());
      addTo(c.owner, kAttributes, attr);
      for (pugi::xml_node k = n.child("ownedComment"); k; k = k.next_sibling("ownedComment"))
        comments_.push_back({attr, k.internal_object(), attr, c.package});
    }
  } else if (type == "Operation") {
    if (ownerKind != Kind::kClass) {
      skip(type);
      return;
    }
    const Handle op = add(Kind::kOperation, c.owner, n, attrs);
    addTo(c.owner, kOperations, op);
    for (pugi::xml_node p = n.first_child(); p; p = p.next_sibling()) {
      const std::string_view ptag = Local(p.name());
      if (ptag == "ownedComment") {
        comments_.push_back({op, p.internal_object(), op, c.package});
      } else if (ptag == "ownedParameter") {
        // A parameter's own comments are its documentation ("DEF(" lists);
        // a return value is no category, and its comments are skipped.
        const bool returned = std::string_view(p.attribute("direction").value()) == "return";
        Handle param;
        if (!returned) {
          param = add(Kind::kParameter, op, p);
          get(param)->text = typeName(p);
          addTo(op, kParameters, param);
        }
        for (pugi::xml_node k = p.child("ownedComment"); k; k = k.next_sibling("ownedComment")) {
          if (returned)
            skip("Comment");
          else
            comments_.push_back({param, k.internal_object(), param, c.package});
        }
      }
    }
  } else if (type == "StateMachine") {
    if (ownerKind == Kind::kClass && !get(c.owner)->ref)
      mapStateMachine(n, c.owner);
    else
      machines_.push_back({Handle{}, n.internal_object(), c.owner, c.package});  // maybe a class's behaviour
  } else if (type == "Interaction") {
    mapInteraction(n, c, depth);
  } else if (type == "Association") {
    const Handle assoc = add(Kind::kAssociation, c.package, n, attrs);
    addTo(c.package, kAssociations, assoc);
    associations_.push_back({assoc, n.internal_object(), c.owner, c.package});
  } else if (type == "Include" || type == "Extend" || type == "Generalization" || type == "InterfaceRealization") {
    const bool useCase = ownerKind == Kind::kUseCase;
    if (!useCase && ownerKind != Kind::kClass) {
      skip(type);
      return;
    }
    if ((type == "Include" || type == "Extend") && !useCase) {
      skip(type);
      return;
    }
    const Handle rel = add(Kind::kRelation, c.owner, n, attrs);
    Element* e = get(rel);
    e->ref2 = c.owner;
    if (type == "Include") e->stereotype = "include";
    if (type == "Extend") e->stereotype = "extend";
    addTo(c.owner, useCase ? kUcRelations : type == "Generalization" ? kRelGeneral : kRelRealize, rel);
    relations_.push_back({rel, n.internal_object(), c.owner, c.package});
  } else if (IsDependency(type)) {
    dependencies_.push_back({Handle{}, n.internal_object(), c.owner, c.package});
  } else if (type == "CollaborationUse") {
    collaborationUses_.push_back({Handle{}, n.internal_object(), c.owner, c.package});
  } else if (type == "Comment") {
    comments_.push_back({Handle{}, n.internal_object(), c.owner ? c.owner : c.package, c.package});
  } else if (type == "Diagram") {
    diagrams_.push_back({Handle{}, n.internal_object(), Handle{}, c.package});
  } else if (type == "PrimitiveType" || type == "DataType" || type == "Enumeration") {
    // Read only as the names of types.
  } else if (type == "Profile") {
    skip(type);
  } else {
    skip(type);
    walk(n, c, depth);
  }
}

void XmiModel::mapStateMachine(pugi::xml_node n, Handle cls) {
  const Handle machine = add(Kind::kStateMachine, cls, n);
  get(cls)->ref = machine;
  // Every state of every region, nested ones too, in file order.
  std::function<void(pugi::xml_node, int)> regions = [&](pugi::xml_node owner, int depth) {
    if (depth > kMaxDepth) return;
    for (pugi::xml_node r = owner.child("region"); r; r = r.next_sibling("region")) {
      for (pugi::xml_node s = r.first_child(); s; s = s.next_sibling()) {
        const std::string_view tag = s.name();
        if (tag == "subvertex") {
          const std::string_view type = typeOf(s);
          const Handle state = add(Kind::kState, machine, s);
          get(state)->flag = type == "Pseudostate" || type == "FinalState";
          addTo(machine, kStates, state);
          regions(s, depth + 1);
        } else if (tag == "transition") {
          transitions_.push_back({Handle{}, s.internal_object(), machine, Handle{}});
        }
      }
    }
  };
  regions(n, 0);
}

void XmiModel::resolve() {
  const auto unresolved = [&](std::string_view id) {
    ++unresolvedCount_;
    if (unresolved_.size() < 5) unresolved_.emplace_back(id);
  };
  // The first element of an id, looked up once for both its handle and its node.
  const auto placeOf = [&](std::string_view id) -> const IdPlace* {
    if (id.empty()) return nullptr;
    const IdPlace* p = placeOfId(id);
    if (p == nullptr) unresolved(id);
    return p;
  };
  const auto find = [&](std::string_view id) {
    const IdPlace* p = placeOf(id);
    return p == nullptr ? Handle{} : Handle{p->handle};
  };

  // Lifelines: the class of the property each represents.
  for (const Deferred& d : objects_) {
    const pugi::xml_node l(d.node);
    const IdPlace* represents = placeOf(ref1(l, "represents"));
    Handle cls = represents == nullptr ? Handle{} : Handle{represents->handle};
    std::string_view property;
    if (!cls && represents != nullptr) {
      if (const pugi::xml_node p(represents->node); p) {
        property = p.attribute("name").value();
        std::string_view type = ref1(p, "type");
        if (type.empty())
          if (const pugi::xml_node cl = p.child("classifier")) type = cl.attribute(idrefAttr_.c_str()).value();
        if (type.empty()) type = p.attribute("classifier").value();
        cls = find(type);
      }
    }
    const bool typed = KindOf(cls) == Kind::kClass;
    if (typed) get(d.element)->ref = cls;
    // A lifeline without a name shows what it represents: the property's
    // name, else ":" and the class, as a diagram labels it.
    if (Element* lifeline = get(d.element); lifeline->name.empty()) {
      if (!property.empty())
        lifeline->name = property;
      else if (typed && !get(cls)->name.empty())
        lifeline->name = composedName(":" + std::string(get(cls)->name));
    }
  }
  // A class's state machine may be packaged elsewhere and named by its
  // classifierBehavior.
  for (std::size_t i = 1, n = elements_.size(); i < n; ++i) {
    if (elements_[i].kind != Kind::kClass || elements_[i].ref) continue;
    const pugi::xml_node behavior = nodeOf(ref1(pugi::xml_node(elements_[i].node), "classifierBehavior"));
    if (behavior && typeOf(behavior) == "StateMachine") mapStateMachine(behavior, Handle{static_cast<std::int32_t>(i)});
  }
  for (const Deferred& d : machines_)
    if (!handleOf(idOf(pugi::xml_node(d.node)))) skip("StateMachine");
  // Messages: the operation of their signature.
  for (const Deferred& d : messages_) {
    const Handle op = find(ref1(pugi::xml_node(d.node), "signature"));
    if (KindOf(op) == Kind::kOperation) {
      get(d.element)->ref = op;
      if (get(d.element)->name.empty()) get(d.element)->name = get(op)->name;
    }
  }
  // Associations: two roles from the member ends (or the owned ends).
  for (const Deferred& d : associations_) {
    const pugi::xml_node a(d.node);
    std::vector<std::string_view> ends = refs(a, "memberEnd");
    if (ends.empty())
      for (pugi::xml_node e = a.child("ownedEnd"); e; e = e.next_sibling("ownedEnd")) ends.push_back(idOf(e));
    const std::vector<std::string_view> navigable = refs(a, "navigableOwnedEnd");
    Element* assoc = get(d.element);
    const std::string assocKey = assoc->identifier();
    for (std::size_t i = 0; i < ends.size() && i < 2; ++i) {
      const pugi::xml_node end = nodeOf(ends[i]);
      if (!end) unresolved(ends[i]);
      const Handle role = add(Kind::kRole, d.element, end, assocKey + "#role" + std::to_string(i + 1));
      Element* r = get(role);
      if (end) {
        r->name = end.attribute("name").value();
        r->ref = find(ref1(end, "type"));
        const std::string_view isNavigable = end.attribute("isNavigable").value();
        r->flag = std::find(navigable.begin(), navigable.end(), ends[i]) != navigable.end() || end.parent() != a ||
                  isNavigable == "true";
      }
      addTo(d.element, kRoles, role);
      (i == 0 ? get(d.element)->ref : get(d.element)->ref2) = role;
    }
  }
  // Include, extend, generalization, interface realization.
  for (const Deferred& d : relations_) {
    const pugi::xml_node r(d.node);
    const std::string_view type = typeOf(r);
    const char* attribute = type == "Include"          ? "addition"
                            : type == "Extend"         ? "extendedCase"
                            : type == "Generalization" ? "general"
                                                       : "contract";
    std::string_view target = ref1(r, attribute);
    if (target.empty() && type == "InterfaceRealization") target = ref1(r, "supplier");
    get(d.element)->ref = find(target);
  }
  // Dependencies: a relation of their client; a realization between a
  // collaboration and a use case links the two. A use case's relations join
  // it to other use cases, as in Rose: its traces to classes (requirements,
  // realizing classes) take no part in the Main Tree.
  std::unordered_map<std::int32_t, Handle> realizes;
  for (const Deferred& d : dependencies_) {
    const pugi::xml_node r(d.node);
    const Handle client = find(ref1(r, "client")), supplier = find(ref1(r, "supplier"));
    const Kind ck = KindOf(client), sk = KindOf(supplier);
    if (ck == Kind::kCollaboration && sk == Kind::kUseCase) realizes.emplace(client.id, supplier);
    if (sk == Kind::kCollaboration && ck == Kind::kUseCase) realizes.emplace(supplier.id, client);
    if (!supplier || (ck != Kind::kClass && ck != Kind::kUseCase)) continue;
    if (ck == Kind::kUseCase && sk != Kind::kUseCase) {
      useCaseTraces_.emplace_back(supplier, std::string(typeOf(r)));
      continue;
    }
    const Handle rel = add(Kind::kRelation, client, r);
    get(rel)->ref2 = client;
    get(rel)->ref = supplier;
    const std::string_view type = typeOf(r);
    const bool realization = type == "Realization" || type == "ComponentRealization";
    addTo(client, ck == Kind::kUseCase ? kUcRelations : realization ? kRelRealize : kRelDepend, rel);
  }
  for (const Deferred& d : collaborationUses_) {
    const Handle col = find(ref1(pugi::xml_node(d.node), "type"));
    if (KindOf(col) == Kind::kCollaboration && KindOf(d.context) == Kind::kUseCase) realizes.emplace(col.id, d.context);
  }
  for (Deferred& d : interactions_) {
    // An interaction of a collaboration that realizes a use case belongs to it.
    if (KindOf(d.context) != Kind::kCollaboration) continue;
    if (auto it = realizes.find(d.context.id); it != realizes.end()) d.context = it->second;
  }
  // Transitions: from their source state to their target.
  for (const Deferred& d : transitions_) {
    const pugi::xml_node t(d.node);
    const Handle source = find(ref1(t, "source")), target = find(ref1(t, "target"));
    if (KindOf(source) != Kind::kState) continue;
    const Handle tr = add(Kind::kTransition, source, t);
    get(tr)->ref = KindOf(target) == Kind::kState ? target : Handle{};
    addTo(source, kTransitions, tr);
  }
  // Comments: the documentation of what they annotate (else of their
  // owner); on a message also a note of its view.
  for (const Deferred& d : comments_) {
    const pugi::xml_node k(d.node);
    std::string body = k.attribute("body") ? k.attribute("body").value() : k.child("body").child_value();
    std::vector<std::string_view> annotated = refs(k, "annotatedElement");
    std::vector<Handle> targets;
    for (std::string_view id : annotated)
      if (const Handle h = handleOf(id)) targets.push_back(h);
    if (annotated.empty() && d.context) targets.push_back(d.context);
    for (Handle h : targets) {
      Element* e = get(h);
      if (!e->documentation.empty()) e->documentation += "\n";
      e->documentation += body;
      if (e->kind == Kind::kMessage) note(Handle{e->count}, body, Fnv(Identifier(Handle{e->count})));
    }
  }
  // A message without a condition gets an empty note: where a view has no
  // note, the condition of the view before it is read (as Rose attaches
  // notes), and the message must not take its predecessor's condition.
  // One empty note serves them all.
  Handle empty;
  const std::size_t count = elements_.size();
  for (std::size_t i = 1; i < count; ++i) {
    const Handle view{static_cast<std::int32_t>(i)};
    if (elements_[i].kind != Kind::kView || !items(view, kNotes).empty()) continue;
    if (!empty) empty = add(Kind::kNote, model_, pugi::xml_node(), "#empty note");
    addTo(view, kNotes, empty);
  }
  // Enterprise Architect keeps documentation and stereotypes in its
  // extension block.
  const pugi::xml_node root = doc_->document_element();
  for (pugi::xml_node x = root.first_child(); x; x = x.next_sibling()) {
    if (Local(x.name()) != "Extension") continue;
    for (pugi::xml_node e = x.child("elements").child("element"); e; e = e.next_sibling("element")) {
      Element* el = get(handleOf(e.attribute(idrefAttr_.c_str()).value()));
      if (el == nullptr) continue;
      const pugi::xml_node p = e.child("properties");
      if (el->documentation.empty()) el->documentation = p.attribute("documentation").value();
      if (el->stereotype.empty()) el->stereotype = p.attribute("stereotype").value();
      if (el->stereotype.empty() && Local(e.attribute(typeAttr_.c_str()).value()) == "Requirement")
        el->stereotype = "Requirement";
    }
    for (pugi::xml_node e = x.child("connectors").child("connector"); e; e = e.next_sibling("connector")) {
      Element* el = get(handleOf(e.attribute(idrefAttr_.c_str()).value()));
      if (el != nullptr && el->documentation.empty())
        el->documentation = e.child("documentation").attribute("value").value();
    }
  }
}

void XmiModel::placeInteractions() {
  for (const Deferred& d : interactions_) {
    const Handle owner = KindOf(d.context) == Kind::kUseCase ? d.context : d.package;
    get(d.element)->parent = owner;
    addTo(owner, kScenarioDiagrams, d.element);
    // "Loading all Sequence" reads the packages: those of their use cases too.
    addTo(d.package, kAllScenarioDiagrams, d.element);
  }
}

void XmiModel::readDiagrams() {
  bool useCaseDiagrams = false;
  const auto fill = [&](Handle diagram, std::string_view subject) {
    const Handle h = handleOf(subject);
    switch (KindOf(h)) {
      case Kind::kClass: addTo(diagram, kDiagClasses, h); break;
      case Kind::kUseCase: addTo(diagram, kDiagUseCases, h); break;
      case Kind::kAssociation: addTo(diagram, kDiagAssociations, h); break;
      case Kind::kPackage: addTo(diagram, kDiagPackages, h); break;
      default: break;
    }
  };
  // Visual Paradigm: uml:Diagram elements with diagram elements naming their subjects.
  for (const Deferred& d : diagrams_) {
    const pugi::xml_node n(d.node);
    const std::string_view kind = n.attribute("diagramType").value();
    const bool useCase = kind.find("UseCase") != std::string_view::npos;
    if (!useCase && kind.find("Class") == std::string_view::npos) continue;
    std::vector<std::string_view> subjects;
    std::function<void(pugi::xml_node, int)> collect = [&](pugi::xml_node p, int depth) {
      if (depth > kMaxDepth) return;
      for (pugi::xml_node c = p.first_child(); c; c = c.next_sibling()) {
        if (const pugi::xml_attribute s = c.attribute("subject")) subjects.emplace_back(s.value());
        collect(c, depth + 1);
      }
    };
    collect(n, 0);
    Handle package = d.package;
    if (!package) {
      for (std::string_view s : subjects) {
        const Kind k = KindOf(handleOf(s));
        if (k == Kind::kUseCase || k == Kind::kClass) {
          package = get(handleOf(s))->parent;
          break;
        }
      }
    }
    if (KindOf(package) != Kind::kPackage) package = rootPackage_;
    const Handle diagram = add(Kind::kDiagram, package, n);
    get(diagram)->flag = useCase;
    useCaseDiagrams = useCaseDiagrams || useCase;
    addTo(package, kClassDiagrams, diagram);
    for (std::string_view s : subjects) fill(diagram, s);
  }
  // Enterprise Architect: the diagrams of its extension block.
  const pugi::xml_node root = doc_->document_element();
  for (pugi::xml_node x = root.first_child(); x; x = x.next_sibling()) {
    if (Local(x.name()) != "Extension") continue;
    for (pugi::xml_node dn = x.child("diagrams").child("diagram"); dn; dn = dn.next_sibling("diagram")) {
      const pugi::xml_node props = dn.child("properties");
      const std::string_view kind = props.attribute("type").value();
      const bool useCase = kind == "Use Case";
      if (!useCase && kind != "Logical") continue;
      Handle package = handleOf(dn.child("model").attribute("package").value());
      if (KindOf(package) != Kind::kPackage) package = rootPackage_;
      const Handle diagram = add(Kind::kDiagram, package, dn);
      get(diagram)->name = props.attribute("name").value();
      get(diagram)->documentation = props.attribute("documentation").value();
      get(diagram)->flag = useCase;
      useCaseDiagrams = useCaseDiagrams || useCase;
      addTo(package, kClassDiagrams, diagram);
      for (pugi::xml_node e = dn.child("elements").child("element"); e; e = e.next_sibling("element"))
        fill(diagram, e.attribute("subject").value());
    }
  }
  if (!useCaseDiagrams) makeUseCaseDiagrams();
}

void XmiModel::makeUseCaseDiagrams() {
  // Without diagrams in the file, every package that owns actors or use
  // cases gets one use-case diagram showing them and the associations
  // between actors and use cases.
  std::vector<Handle> packages;
  std::function<void(Handle)> walkPackages = [&](Handle p) {
    for (Handle q : items(p, kPackages)) {
      packages.push_back(q);
      walkPackages(q);
    }
  };
  walkPackages(model_);
  std::unordered_map<std::int32_t, Handle> diagramOf;
  for (Handle p : packages) {
    std::vector<Handle> actors;
    for (Handle k : items(p, kClasses))
      if (get(k)->stereotype == "Actor") actors.push_back(k);
    const Items useCases = items(p, kUseCases);
    if (actors.empty() && useCases.empty()) continue;
    const Handle d = add(Kind::kDiagram, p, pugi::xml_node(), std::string(get(p)->identifier()) + "#usecases");
    get(d)->name = get(p)->name.empty() ? std::string_view("Use cases") : get(p)->name;
    get(d)->flag = true;
    addTo(p, kClassDiagrams, d);
    for (Handle a : actors) addTo(d, kDiagClasses, a);
    for (Handle u : useCases) addTo(d, kDiagUseCases, u);
    diagramOf.emplace(p.id, d);
  }
  const auto shown = [&](Handle e) {
    const Element* el = get(e);
    return el != nullptr && (el->kind == Kind::kUseCase || (el->kind == Kind::kClass && el->stereotype == "Actor"));
  };
  for (std::size_t i = 1; i < elements_.size(); ++i) {
    if (elements_[i].kind != Kind::kAssociation) continue;
    const Handle a{static_cast<std::int32_t>(i)};
    const Handle e1 = RoleElement(Role1(a)), e2 = RoleElement(Role2(a));
    if (!shown(e1) || !shown(e2)) continue;
    auto it = diagramOf.find(get(e1)->parent.id);
    if (it == diagramOf.end()) it = diagramOf.find(get(e2)->parent.id);
    if (it != diagramOf.end()) addTo(it->second, kDiagAssociations, a);
  }
}

void XmiModel::finishCollections() {
  linkUseCaseAssociations();
  std::function<void(Handle, std::vector<Handle>&, int)> walkPackages = [&](Handle p, std::vector<Handle>& out,
                                                                            int depth) {
    if (depth > kMaxDepth) return;
    for (Handle q : items(p, kPackages)) {
      out.push_back(q);
      walkPackages(q, out, depth + 1);
    }
  };
  std::vector<Handle> all;
  walkPackages(model_, all, 0);
  std::vector<Handle> useCases;
  for (Handle p : all) {
    std::vector<Handle> below;
    walkPackages(p, below, 0);
    for (Handle q : below) addTo(p, kAllPackages, q);
    for (Handle u : items(p, kUseCases)) useCases.push_back(u);
  }
  for (Handle p : all) addTo(model_, kAllPackages, p);
  for (Handle u : useCases) addTo(model_, kAllUseCases, u);
}

}  // namespace zov

namespace zov {

void XmiModel::readRequirements() {
  using xmi::Lower;
  // The requirements: classes with a requirement stereotype (SysML's
  // application, Enterprise Architect's, an element of type Requirement),
  // in file order; identified by their SysML id, else their name.
  std::unordered_map<std::int32_t, std::size_t> place;
  for (std::size_t i = 1; i < elements_.size(); ++i) {
    const Element& e = elements_[i];
    if (e.kind != Kind::kClass) continue;
    const auto applied = requirementApplied_.find(static_cast<std::int32_t>(i));
    if (applied == requirementApplied_.end() && Lower(std::string(e.stereotype)) != "requirement") continue;
    ModelRequirement r;
    r.title = e.name;
    r.id = applied != requirementApplied_.end() ? std::string(xmi::Trim(applied->second.id)) : std::string();
    if (r.id.empty()) r.id = std::string(xmi::Trim(e.name));
    if (r.id.empty()) r.id = std::string(e.identifier());
    r.text = applied != requirementApplied_.end() && !applied->second.text.empty() ? applied->second.text
                                                                                   : std::string(e.documentation);
    place.emplace(static_cast<std::int32_t>(i), requirements_.size());
    requirements_.push_back(std::move(r));
  }
  // A use case's trace to a class that is no requirement takes no part.
  for (const auto& [supplier, type] : useCaseTraces_)
    if (!place.contains(supplier.id)) skip(type);
  if (requirements_.empty()) return;

  // A dependency either way between a requirement and a use case, a
  // collaboration, a class or an interaction traces it; one between two
  // requirements (derived, refined) leaves each its own.
  std::unordered_map<std::int32_t, std::vector<std::size_t>> traced;
  for (const Deferred& d : dependencies_) {
    const pugi::xml_node r(d.node);
    const std::vector<std::string_view> clients = refs(r, "client"), suppliers = refs(r, "supplier");
    for (std::string_view c : clients)
      for (std::string_view s : suppliers) {
        const Handle hc = handleOf(c), hs = handleOf(s);
        const bool rc = place.contains(hc.id), rs = place.contains(hs.id);
        if (rc == rs) continue;
        const Handle other = rc ? hs : hc, requirement = rc ? hc : hs;
        const Kind k = KindOf(other);
        if (k == Kind::kUseCase || k == Kind::kCollaboration || k == Kind::kClass || k == Kind::kDiagram)
          traced[other.id].push_back(place[requirement.id]);
      }
  }
  // A diagram carries those of the collaboration or class owning its interaction.
  for (const Deferred& d : interactions_) {
    const Handle owner = handleOf(idOf(pugi::xml_node(d.node).parent()));
    const Kind k = KindOf(owner);
    if (k != Kind::kCollaboration && k != Kind::kClass) continue;
    if (const auto it = traced.find(owner.id); it != traced.end()) {
      std::vector<std::size_t>& mine = traced[d.element.id];
      mine.insert(mine.end(), it->second.begin(), it->second.end());
    }
  }
  for (auto& [element, places] : traced) {
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    std::vector<std::string>& ids = traced_[element];
    for (std::size_t p : places) ids.push_back(requirements_[p].id);
  }
}

std::vector<std::string> XmiModel::TracedRequirements(Handle element) const {
  const auto it = traced_.find(element.id);
  return it == traced_.end() ? std::vector<std::string>{} : it->second;
}

}  // namespace zov
