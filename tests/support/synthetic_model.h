// Builds small or large use-case models as petal text, for tests and
// benchmarks: actors, use cases with documentation, associations from
// actors to use cases, include relations between use cases and scenario
// diagrams, all shown on one use-case diagram of the use-case view.
#pragma once

#include <cstdio>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zov::test {

class SyntheticModel {
 public:
  // Returns the element's identifier (12 hexadecimal digits).
  std::string actor(const std::string& name) {
    actors_.push_back({name, quid()});
    return actors_.back().id;
  }
  std::string useCase(const std::string& name, const std::string& documentation = {}) {
    useCases_.push_back({name, quid(), documentation, {}, {}});
    byId_[useCases_.back().id] = useCases_.size() - 1;
    return useCases_.back().id;
  }
  // A sequence (or collaboration) diagram of a use case.
  std::string diagram(const std::string& useCaseId, const std::string& name, const std::string& documentation = {},
                      bool sequence = true) {
    UseCase& u = find(useCaseId);
    u.diagrams.push_back({name, quid(), documentation, sequence});
    return u.diagrams.back().id;
  }
  // "from" includes "to".
  void include(const std::string& from, const std::string& to) { find(from).includes.push_back({to, quid()}); }
  // An association navigable from the actor to the use case.
  void association(const std::string& actorId, const std::string& useCaseId) {
    associations_.push_back({quid(), actorId, useCaseId, quid(), quid()});
  }

  std::string petal() const {
    std::string t =
        "(object Petal\n    version    \t47\n    charSet    \t0)\n\n(object Design \"Logical View\"\n"
        "    root_usecase_package \t(object Class_Category \"Use Case View\"\n\tquid       \t\"5C0000000001\"\n"
        "\tlogical_models \t(list unit_reference_list\n";
    for (const auto& a : actors_)
      t += "\t    (object Class \"" + a.name + "\"\n\t\tquid       \t\"" + a.id + "\"\n\t\tstereotype \t\"Actor\")\n";
    int label = 1;
    for (const auto& u : useCases_) {
      t += "\t    (object UseCase \"" + u.name + "\"\n\t\tquid       \t\"" + u.id + "\"\n";
      if (!u.documentation.empty()) t += "\t\tdocumentation \t\"" + u.documentation + "\"\n";
      if (!u.includes.empty()) {
        t += "\t\tvisible_modules \t(list dependency_list\n";
        for (const auto& [to, id] : u.includes)
          t += "\t\t    (object Dependency_Relationship\n\t\t\tquid       \t\"" + id +
               "\"\n\t\t\tstereotype \t\"include\"\n\t\t\tquidu      \t\"" + to + "\")\n";
        t += "\t\t    )\n";
      }
      if (!u.diagrams.empty()) {
        t += "\t\tlogical_presentations \t(list unit_reference_list\n";
        for (const auto& d : u.diagrams) {
          t += std::string("\t\t    (object ") + (d.sequence ? "InteractionDiagram" : "ObjectDiagram") + " \"" +
               d.name + "\"\n\t\t\tquid       \t\"" + d.id + "\"\n";
          if (!d.documentation.empty()) t += "\t\t\tdocumentation \t\"" + d.documentation + "\"\n";
          t += "\t\t\ttitle      \t\"" + d.name + "\"\n\t\t\titems      \t(list diagram_item_list))\n";
        }
        t += "\t\t    )\n";
      }
      t += "\t\t)\n";
    }
    for (const auto& a : associations_)
      t += "\t    (object Association \"$UNNAMED$\"\n\t\tquid       \t\"" + a.id +
           "\"\n\t\troles      \t(list role_list\n\t\t    (object Role \"$UNNAMED$\"\n\t\t\tquid       \t\"" + a.role1 +
           "\"\n\t\t\tquidu      \t\"" + a.useCase +
           "\"\n\t\t\tis_navigable \tTRUE)\n\t\t    (object Role \"$UNNAMED$\"\n"
           "\t\t\tquid       \t\"" +
           a.role2 + "\"\n\t\t\tquidu      \t\"" + a.actor + "\")))\n";
    t += "\t    )\n\tlogical_presentations \t(list unit_reference_list\n\t    (object UseCaseDiagram "
         "\"Main\"\n\t\tquid       \t\"5C0000000002\"\n\t\ttitle      \t\"Main\"\n"
         "\t\titems      \t(list diagram_item_list\n";
    for (const auto& a : actors_)
      t += "\t\t    (object ClassView \"Class\" \"Use Case View::" + a.name + "\" @" + std::to_string(label++) +
           "\n\t\t\ticon       \t\"Actor\"\n\t\t\tquidu      \t\"" + a.id + "\")\n";
    for (const auto& u : useCases_)
      t += "\t\t    (object UseCaseView \"Use Case View::" + u.name + "\" @" + std::to_string(label++) +
           "\n\t\t\tquidu      \t\"" + u.id + "\")\n";
    for (const auto& a : associations_)
      t += "\t\t    (object AssociationViewNew \"$UNNAMED$\" @" + std::to_string(label++) + "\n\t\t\tquidu      \t\"" +
           a.id + "\")\n";
    t += "\t\t    ))))\n"
         "    root_category \t(object Class_Category \"Logical View\"\n\tquid       \t\"5C0000000003\"\n"
         "\tlogical_models \t(list unit_reference_list)\n\tlogical_presentations \t(list unit_reference_list)))\n";
    return t;
  }

 private:
  struct Actor {
    std::string name, id;
  };
  struct Diagram {
    std::string name, id, documentation;
    bool sequence = true;
  };
  struct UseCase {
    std::string name, id, documentation;
    std::vector<std::pair<std::string, std::string>> includes;  // target, relation id
    std::vector<Diagram> diagrams;
  };
  struct Association {
    std::string id, actor, useCase, role1, role2;
  };

  std::string quid() {
    char b[16];
    std::snprintf(b, sizeof b, "5D%010X", next_++);
    return b;
  }
  UseCase& find(const std::string& id) { return useCases_.at(byId_.at(id)); }

  unsigned next_ = 1;
  std::vector<Actor> actors_;
  std::vector<UseCase> useCases_;
  std::unordered_map<std::string, std::size_t> byId_;
  std::vector<Association> associations_;
};

}  // namespace zov::test
