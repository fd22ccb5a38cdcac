#include "model/use_case_view.h"

#include <ostream>

namespace zov {

std::string SingleLineName(std::string_view name) {
  const std::size_t br = name.find_first_of("\r\n");
  if (br == std::string_view::npos) return std::string(name);
  std::size_t after = br + 1;
  if (name[br] == '\r' && after < name.size() && name[after] == '\n') ++after;
  std::string line(name.substr(0, br));
  line += ' ';
  line += name.substr(after);
  return line;
}

namespace {

bool IsRealize(std::string_view stereotype) { return stereotype == "realize" || stereotype == "realizes"; }

class Writer {
 public:
  Writer(const ModelSource& m, std::ostream& links, std::ostream& notLinked,
         const std::function<void(std::string_view)>& status)
      : m_(m), links_(links), notLinked_(notLinked), status_(status) {}

  // The realizations on the "Traceability" diagrams of the logical view.
  void realizations(Handle d) {
    for (Handle u : m_.DiagramUseCases(d)) {
      const std::string stereotype = m_.Stereotype(u);
      if (stereotype != "business use-case realization" && stereotype != "use-case realization") continue;
      line(links_, {"USECARELOBJ", id(u), name(u)});
      const Items associations = m_.UseCaseAssociations(u);
      if (associations.Count() == 1 && IsRealize(m_.Stereotype(associations.Item(1)))) {
        association(associations.Item(1));
      } else if (associations.Count() == 0) {
        line(notLinked_, {"USECARELOBJ", id(u), name(u)});
      }
      for (Handle s : m_.ScenarioDiagrams(u)) scenario(u, s);
      for (Handle c : m_.UseCaseClassDiagrams(u))
        for (Handle q : m_.DiagramPackages(c)) line(links_, {"ASSOCPACK", id(u), name(u), id(q), name(q)});
    }
  }

  void diagrams(Items diagrams) {
    for (Handle d : diagrams) {
      if (!m_.IsUseCaseDiagram(d)) continue;
      actors(d);
      associations(d);
      useCases(d);
    }
  }

 private:
  std::string id(Handle h) const { return m_.Identifier(h); }
  std::string name(Handle h) const { return SingleLineName(m_.Name(h)); }
  void say(std::string_view text) const {
    if (status_) status_(text);
  }
  // "KIND::" a "::" b ... with a line end.
  void line(std::ostream& out, std::initializer_list<std::string_view> fields) const {
    bool first = true;
    for (std::string_view f : fields) {
      if (!first) out << "::";
      out << f;
      first = false;
    }
    out << '\n';
  }

  void actors(Handle d) {
    say("Loading Actors and Relations");
    for (Handle k : m_.DiagramClasses(d)) {
      if (m_.Stereotype(k) != "Actor") continue;
      line(links_, {"ACTOROBJ", id(k), m_.Name(k)});
      for (int n = 1; n <= 3; ++n)
        for (Handle r : m_.ClassRelations(k, n)) {
          const Handle f = m_.FirstEnd(r), s = m_.SecondEnd(r);
          if (f && s) line(links_, {"ACTOR", id(s), name(s), id(f), name(f)});
        }
    }
  }

  void associations(Handle d) {
    say("Loading Associations");
    for (Handle a : m_.DiagramAssociations(d)) association(a);
  }

  void association(Handle a) {
    {
      line(links_, {"ASSOCOBJ", id(a), name(a)});
      const Handle r1 = m_.Role1(a), r2 = m_.Role2(a);
      if (!r1 || !r2) return;
      const Handle e1 = m_.RoleElement(r1), e2 = m_.RoleElement(r2);
      // A role without an element would give a line with an empty end.
      if (!e1 || !e2) return;
      if (IsRealize(m_.Stereotype(a))) {
        line(links_, {"ASSOCREL", id(e1), name(e1), id(e2), name(e2)});
        return;
      }
      line(links_, {"ASSOC", id(e2), name(e2), id(e1), name(e1)});
      if (m_.RoleNavigable(r2) == m_.RoleNavigable(r1)) line(links_, {"ASSOC", id(e1), name(e1), id(e2), name(e2)});
    }
  }

  void scenarios(Handle u) {
    const Items diagrams = m_.ScenarioDiagrams(u);
    line(links_,
         {"USECAOBJ", id(u), std::to_string(diagrams.Count()), std::to_string(m_.UseCaseClassDiagrams(u).Count())});
    for (Handle s : diagrams) scenario(u, s);
  }

  void scenario(Handle u, Handle s) {
    line(links_, {m_.DiagramKind(s) == kSequenceDiagram ? "SCENAUC" : "COLLAUC", id(u), id(s), name(s)});
  }

  void useCases(Handle d) {
    say("Loading Use Cases");
    for (Handle u : m_.DiagramUseCases(d)) {
      line(links_, {"USECAOBJ", id(u), name(u)});
      const Items relations = m_.UseCaseRelations(u);
      if (relations.Count() > 0) {
        for (Handle r : relations) {
          const Handle f = m_.FirstEnd(r), s = m_.SecondEnd(r);
          if (f && s) line(links_, {"USECA", id(f), name(f), id(s), name(s)});
        }
        scenarios(u);
        continue;
      }
      const Items associations = m_.UseCaseAssociations(u);
      const int count = associations.Count();
      if (count == 0 || (count == 1 && IsRealize(m_.Stereotype(associations.Item(1))))) {
        line(notLinked_, {"USECAOBJ", id(u), name(u)});
      } else {
        // A use case reached only through associations still brings its
        // scenario diagrams into the Main Tree.
        scenarios(u);
      }
    }
  }

  const ModelSource& m_;
  std::ostream& links_;
  std::ostream& notLinked_;
  const std::function<void(std::string_view)>& status_;
};

}  // namespace

void WriteUseCaseView(const ModelSource& m, Handle model, std::ostream& links, std::ostream& notLinked,
                      const std::function<void(std::string_view)>& status) {
  if (status) status("Loading UseCaseView Diagrams");
  const Handle root = m.UseCaseRoot(model);
  if (!root) return;
  Writer w(m, links, notLinked, status);
  w.diagrams(m.ClassDiagrams(root));
  for (Handle p : m.AllPackages(root)) w.diagrams(m.ClassDiagrams(p));
}

void WriteRealizations(const ModelSource& m, Handle model, std::ostream& links, std::ostream& notLinked,
                       const std::function<void(std::string_view)>& status) {
  if (status) status("Loading LogicalView diagrams");
  const Handle root = m.LogicalRoot(model);
  if (!root) return;
  Writer w(m, links, notLinked, status);
  for (Handle p : m.AllPackages(root))
    for (Handle d : m.ClassDiagrams(p)) {
      const std::string name = m.Name(d);
      if ((name == "Traceability" || name == "Traceabilities") && m.IsUseCaseDiagram(d)) w.realizations(d);
    }
}

}  // namespace zov
