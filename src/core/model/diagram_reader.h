// The readers of diagrams kept as text, gathered into one text model:
// PlantUML use-case, sequence and state diagrams (its !include files read
// in place) and Mermaid sequence and state diagrams.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/text_model.h"

namespace zov::text {

// A line of the text with the file and line it was written on.
struct Line {
  std::string text;
  int file = 0;
  int number = 0;
};

class DiagramReader {
 public:
  explicit DiagramReader(Model& model) : m_(model) {}

  // Reads a PlantUML file's content: every @startuml ... @enduml block of
  // it. False with *error ("file:line:column: what is wrong") for a
  // malformed file.
  bool readFile(const std::string& path, const std::string& content, std::string* error);
  // Reads PlantUML text held in another file (a Markdown fence): its
  // blocks, or the whole text as one block when it has no @startuml. A
  // diagram without a name takes fallbackName.
  bool readText(std::string_view text, int file, int firstLine, const std::string& fallbackName, std::string* error);
  // Reads a Mermaid diagram (a .mmd file, or a Markdown fence): a
  // sequenceDiagram or a stateDiagram; another kind is read past with a
  // warning. A diagram without a title takes fallbackName.
  bool readMermaid(std::string_view text, int file, int firstLine, const std::string& fallbackName, std::string* error);
  // Joins each sequence diagram to the use case it names, the participants
  // declared actor to the actors of that name, and says what was read past.
  void finish();

 private:
  bool fail(const Line& line, std::size_t column, const std::string& what, std::string* error) const;
  bool expand(int file, std::string_view text, int firstLine, std::vector<std::string>& chain, std::vector<Line>& out,
              std::string* error);
  bool readLines(const std::vector<Line>& lines, const std::string& fallbackName, bool whole, std::string* error);
  bool readBlock(const std::vector<Line>& lines, std::size_t begin, std::size_t end, std::string name,
                 const std::string& fallbackName, std::string* error);
  bool readUseCases(const std::vector<Line>& lines, std::size_t begin, std::size_t end, std::string* error);
  bool readSequence(const std::vector<Line>& lines, std::size_t begin, std::size_t end, SequenceDiagram& d,
                    std::string* error);
  bool readClasses(const std::vector<Line>& lines, std::size_t begin, std::size_t end, std::string* error);
  bool readStates(const std::vector<Line>& lines, std::size_t begin, std::size_t end, const std::string& name,
                  std::string* error);
  bool readMermaidSequence(const std::vector<Line>& lines, std::size_t begin, SequenceDiagram& d, std::string* error);
  // The fault of a fragment or block left open at the end of its diagram.
  bool unclosed(const Line& line, std::string* error) const;
  void readPast(const Line& line);

  Model& m_;
  std::vector<std::string> included_;  // the files !include_once has read
  struct ReadPast {
    int count = 0;
    Line first;
  };
  std::vector<ReadPast> readPast_;  // per file
  int unnamed_ = 0;
  std::uintmax_t expanded_ = 0;  // bytes of text read so far, includes and all
};

}  // namespace zov::text
