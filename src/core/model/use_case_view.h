// The use-case view as link lines: every actor, association and use case
// on a use-case diagram, the relations between them and the scenario
// diagrams of the use cases, written into "collegamenti.txt"; use cases
// that take part in nothing go to "notlinked_elements.txt".
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "model/model_source.h"

namespace zov {

// A name on one line: the text before the first line break, one blank, and
// the text after that break (CR LF counts as one break); later breaks stay.
std::string SingleLineName(std::string_view name);

// Writes the lines of the use-case view; status receives the progress texts.
void WriteUseCaseView(const ModelSource& m, Handle model, std::ostream& links, std::ostream& notLinked,
                      const std::function<void(std::string_view)>& status);

// Writes the lines of the realizations found on the "Traceability" (or
// "Traceabilities") use-case diagrams of the logical view's packages.
void WriteRealizations(const ModelSource& m, Handle model, std::ostream& links, std::ostream& notLinked,
                       const std::function<void(std::string_view)>& status);

}  // namespace zov
