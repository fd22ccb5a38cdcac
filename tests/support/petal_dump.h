// Everything a parsed petal document holds, written out in reading order:
// two documents with the same text here answer every question alike.
#pragma once

#include <string>

#include "model/petal_parser.h"

namespace zov::test {

inline void DumpValue(const petal::Document& doc, const petal::Value& v, std::string& out);

inline void DumpForm(const petal::Document& doc, const petal::Form& f, std::string& out) {
  out += "(" + std::to_string(static_cast<int>(f.kind)) + " " + std::string(f.type.view()) + " \"" +
         std::string(f.name.view()) + "\" \"" + std::string(f.name2.view()) + "\" " + std::string(f.label.view()) +
         " " + std::to_string(f.line) + ":" + std::to_string(f.column);
  if (!f.label.empty()) out += doc.labelled(f.label.view()) == &f ? " labelled" : " label elsewhere";
  for (const petal::Attribute& a : doc.attributes(f)) {
    out += "\n " + std::string(a.name.view()) + " ";
    DumpValue(doc, a.value, out);
  }
  out += ")";
}

inline void DumpValue(const petal::Document& doc, const petal::Value& v, std::string& out) {
  out += std::to_string(static_cast<int>(v.kind)) + "@" + std::to_string(v.line) + ":" + std::to_string(v.column) + " ";
  if (const petal::Form* f = doc.formOf(&v))
    DumpForm(doc, *f, out);
  else
    out += "[" + std::string(v.text.view()) + "]";
}

inline std::string Dump(const petal::Document& doc) {
  std::string out = doc.utf8() ? "utf8\n" : "\n";
  for (std::uint32_t top : doc.top()) {
    DumpForm(doc, doc.form(top), out);
    out += "\n";
  }
  return out;
}

// The document, or the error, of a parse of text on one thread or in halves.
inline std::string DumpParse(const std::string& text, std::size_t halvesFrom) {
  petal::ParseError error;
  const auto doc = petal::Parse(text, "split.mdl", &error, halvesFrom);
  return doc ? Dump(*doc) : "error " + error.format();
}

}  // namespace zov::test
