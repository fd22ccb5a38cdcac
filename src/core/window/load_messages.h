// "Load MDL File": the file dialog's settings and what the window says
// after a load. The load itself is the planning session's openModel.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/model_source.h"
#include "model/readers.h"
#include "tree/tree.h"

namespace zov {

// The file dialog's filter and start folder.
inline constexpr std::string_view kModelFilter =
    "Models (*.mdl)| *.mdl| Category Files (*.cat)| *.cat| UML models (*.xmi *.uml *.xml)| *.xmi;*.uml;*.xml| "
    "Text models (*.puml *.plantuml *.pu *.mmd *.mermaid *.md)| *.puml;*.plantuml;*.pu;*.mmd;*.mermaid;*.md";
inline constexpr std::string_view kExamplesFolder = "C:\\ZOV\\Marzo2002\\esempi";
// The start folder of the file dialog: the examples folder when it exists,
// else the user's home folder.
std::string StartFolder();

// Clears TV(first) to TV(5), skipping TV(4).
void ClearAllTreew(Trees& TV, int first);

// What the status bar says after a load: "Loaded ATM.mdl: 4 actors, 8 use
// cases, 6 scenario diagrams".
std::string LoadSummary(const ModelSummary& counts, const std::string& path);
// What the window says after a load that left the Main Tree incomplete
// (problems, one line each); empty when it is complete.
std::string IncompleteLoadMessage(const std::vector<std::string>& problems);

}  // namespace zov
