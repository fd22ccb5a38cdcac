// "Load MDL File": turns a model file into the trees.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "model/lettori.h"
#include "model/model_source.h"

namespace zov {

class Generale;

// The file dialog's filter and start folder.
inline constexpr std::string_view kFiltroModelli =
    "Models (*.mdl)| *.mdl| Category Files (*.cat)| *.cat| UML models (*.xmi *.uml *.xml)| *.xmi;*.uml;*.xml";
inline constexpr std::string_view kCartellaEsempi = "C:\\ZOV\\Marzo2002\\esempi";
// The start folder of the file dialog: the examples folder when it exists,
// else the user's home folder.
std::string CartellaIniziale();

// Clears TV(first) to TV(5), skipping TV(4).
void ClearAllTreew(Generale& g, int first);

// Loads the model file at path. The file is read first: when it cannot be
// read, nothing changes and the result is the message saying why. On
// success the result is empty.
std::string CaricaModello(Generale& g, const std::string& path);

// Loads the model and tells the tester what went wrong: a model that cannot
// be read, or the problems that left the Main Tree incomplete.
void ApriModello(Generale& g, const std::string& path);
// What the status bar says after a load: "Loaded ATM.mdl: 4 actors, 8 use
// cases, 6 scenario diagrams".
std::string RiassuntoCaricamento(const Generale& g);
// What the window says after a load that left the Main Tree incomplete;
// empty when it is complete.
std::string MessaggioIncompleto(const Generale& g);

// The "Load MDL File" command: asks for the file, loads it, and tells the
// tester when the model cannot be read. Cancelling changes nothing.
void CaricaMdl(Generale& g);

}  // namespace zov
