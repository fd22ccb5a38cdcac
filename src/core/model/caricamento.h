// "Load MDL File": turns a model file into the trees.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

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

// A model source for a file (our petal reader).
std::unique_ptr<ModelSource> CreaModelSource();
// A model source for the file at path, chosen by its content: the XMI
// reader when it starts with an XML element, else the petal reader.
std::unique_ptr<ModelSource> CreaModelSourcePer(const std::string& path);

// Steps of the load that later stages fill in; each may be empty.
struct FasiCaricamento {
  // Writes the use-case view and the realizations as link lines.
  std::function<void(Generale&, ModelSource&, Handle model, std::ostream& links, std::ostream& notLinked)>
      scriviViste;
  std::function<void(Generale&, ModelSource&, Handle model)> costruisciMainTree;   // link analysis
  std::function<void(Generale&, ModelSource&, Handle model)> pesaMainTree;         // weights
  std::function<void(Generale&, ModelSource&, Handle model)> costruisciDesignTree;
  std::function<void(Generale&, ModelSource&, Handle model)> gestisciNotLinked;
  std::function<void(Generale&, ModelSource&, Handle model)> riordinaMainTree;     // tidy-up
};

// Clears TV(first) to TV(5), skipping TV(4).
void ClearAllTreew(Generale& g, int first);

// Loads the model file at path. The file is read first: when it cannot be
// read, nothing changes and the result is the message saying why. On
// success the result is empty.
std::string CaricaModello(Generale& g, const std::string& path);

// Loads the model and tells the tester what went wrong: a model that cannot
// be read, or the problems that left the Main Tree incomplete.
void ApriModello(Generale& g, const std::string& path);

// The "Load MDL File" command: asks for the file, loads it, and tells the
// tester when the model cannot be read. Cancelling changes nothing.
void CaricaMdl(Generale& g);

}  // namespace zov
