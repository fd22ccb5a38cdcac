#include "model/petal_parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "support/petal_dump.h"
#include "support/shared_models.h"

namespace zov::petal {
namespace {

const std::string kHeader = "(object Petal\n    version    \t47\n    charSet    \t0)\n";

Document MustParse(const std::string& text) {
  ParseError error;
  auto doc = Parse(text, "test.mdl", &error);
  EXPECT_TRUE(doc.has_value()) << error.format();
  return doc ? std::move(*doc) : Document{};
}

ParseError MustFail(const std::string& text) {
  ParseError error;
  EXPECT_FALSE(Parse(text, "bad.mdl", &error).has_value()) << text;
  return error;
}

TEST(PetalParser, StringsWithEscapesAndMultiLineText) {
  const Document doc = MustParse(kHeader +
                                 "(object Class \"A \\\"quoted\\\" name\"\n"
                                 "  path \"$CURDIR\\\\x.cat\"\n"
                                 "  odd \"C:\\temp\"\n"
                                 "  documentation \t\r\n"
                                 "|WGH=10 first line\r\n"
                                 "|\r\n"
                                 "|third line\r\n"
                                 "\t\t\r\n"
                                 "  after 1)\r\n");
  const Form& cls = doc.form(doc.top()[1]);
  EXPECT_EQ(cls.name, "A \"quoted\" name");
  EXPECT_EQ(doc.find(cls, "path")->text, "$CURDIR\\x.cat");
  EXPECT_EQ(doc.find(cls, "odd")->text, "C:\\temp");  // an unknown escape keeps its backslash
  EXPECT_EQ(doc.find(cls, "documentation")->text, "WGH=10 first line\n\nthird line");
  EXPECT_EQ(doc.find(cls, "after")->text, "1");
  EXPECT_EQ(doc.find(cls, "after")->line, 12u);
}

// Texts of 64 KiB and more are kept whole, decoded or not, and what
// follows them is read as usual.
TEST(PetalParser, LongTextsAreReadWhole) {
  const std::string plain(70000, 'a'), word = "W" + std::string(70000, 'x'), digits(70000, '7');
  std::string lines;
  for (int i = 0; i < 7000; ++i) lines += "|line " + std::to_string(i) + "\r\n";
  const Document doc =
      MustParse(kHeader + "(object Class \"" + plain + "\"\n  escaped \"" + plain + "\\\"end\"\n  doc\n" + lines +
                "  w " + word + "\n  n " + digits + "\n  r @" + digits + "\n  after \"x\\\\y\")\n");
  const Form& cls = doc.form(doc.top()[1]);
  EXPECT_EQ(cls.name, plain);
  EXPECT_EQ(doc.find(cls, "escaped")->text, plain + "\"end");
  std::string expected;
  for (int i = 0; i < 7000; ++i) expected += (i > 0 ? "\n" : "") + std::string("line ") + std::to_string(i);
  EXPECT_EQ(doc.find(cls, "doc")->text, expected);
  EXPECT_EQ(doc.find(cls, "w")->text, word);
  EXPECT_EQ(doc.find(cls, "n")->text, digits);
  EXPECT_EQ(doc.find(cls, "r")->text, "@" + digits);
  EXPECT_EQ(doc.find(cls, "after")->text, "x\\y");
  EXPECT_EQ(doc.find(cls, "after")->line, 7010u);
}

TEST(PetalParser, Utf8ByteOrderMarkIsNoted) {
  const Document doc = MustParse("\xEF\xBB\xBF" + kHeader);
  EXPECT_TRUE(doc.utf8());
  EXPECT_FALSE(MustParse(kHeader).utf8());
}

TEST(PetalParser, TruncatedFileNamesTheOpenForm) {
  const ParseError e = MustFail(
      kHeader + "(object Design \"Logical View\"\n  root (object Class_Category \"Use Case View\"\n    quid \"1\"");
  EXPECT_EQ(e.file, "bad.mdl");
  EXPECT_EQ(e.line, 6u);
  EXPECT_NE(e.message.find("unexpected end of file"), std::string::npos) << e.message;
  EXPECT_NE(e.message.find("Class_Category \"Use Case View\""), std::string::npos) << e.message;
  EXPECT_NE(e.message.find("line 5"), std::string::npos) << e.message;
  EXPECT_NE(e.format().find("bad.mdl:6:"), std::string::npos);
}

TEST(PetalParser, MalformedInputGivesPositionAndExpectation) {
  struct Case {
    std::string text;
    unsigned line, column;
    const char* expected;
  };
  const Case cases[] = {
      {kHeader + "(object Design))", 4, 16, "expected '('"},
      {kHeader + "(object Design\n  quid \"unterminated\n)", 5, 8, "not closed"},
      {kHeader + "(object Design\n  quid ]\n)", 5, 8, "expected a value"},
      {kHeader + "(objekt Design)", 4, 2, "expected 'object', 'list' or 'value'"},
      {kHeader + "(object)", 4, 8, "expected the kind"},
      {kHeader + "(object Design 12 quid)", 4, 16, "expected an attribute name"},
      {kHeader + "(object Design at (1, , 2))", 4, 23, "expected a value in a tuple"},
      {kHeader + "(object Design r @)", 4, 18, "label number"},
      {"(object Design \"x\")", 1, 1, "expected the header (object Petal ...)"},
      {"", 1, 1, "no petal forms"},
      {"   \n\n", 1, 1, "no petal forms"},
      {kHeader + "(object Design \x01)", 4, 16, "byte 0x01"},
  };
  for (const Case& c : cases) {
    const ParseError e = MustFail(c.text);
    EXPECT_EQ(e.line, c.line) << c.text << "\n" << e.format();
    EXPECT_EQ(e.column, c.column) << c.text << "\n" << e.format();
    EXPECT_NE(e.message.find(c.expected), std::string::npos) << e.format();
  }
}

TEST(PetalParser, BinaryAndUtf16AreRefused) {
  const ParseError binary = MustFail(kHeader + "(object Design\n  x \"a\0b\")" + std::string(1, '\0'));
  EXPECT_NE(binary.message.find("NUL"), std::string::npos);
  EXPECT_EQ(binary.line, 5u);

  std::string utf16 = "\xFF\xFE";
  for (char ch : std::string("(object Petal)")) utf16 += std::string{ch, '\0'};
  const ParseError wide = MustFail(utf16);
  EXPECT_NE(wide.message.find("UTF-16"), std::string::npos);
}

TEST(PetalParser, DeepNestingIsRefusedNotOverflowed) {
  std::string deep = kHeader + "(object Design x ";
  for (int i = 0; i < 5000; ++i) deep += "(list l ";
  const ParseError e = MustFail(deep);
  EXPECT_NE(e.message.find("nested more than"), std::string::npos) << e.message;
}

TEST(PetalParser, MissingFileIsReported) {
  ParseError e;
  EXPECT_FALSE(ParseFile("/nonexistent/model.mdl", &e).has_value());
  EXPECT_NE(e.format().find("/nonexistent/model.mdl: cannot open the file"), std::string::npos) << e.format();
  EXPECT_FALSE(ParseFile(ZOV_EXAMPLES_DIR, &e).has_value());
  EXPECT_EQ(e.format(), std::string(ZOV_EXAMPLES_DIR) + ": this is a folder, not a model file");
}

// A large file is parsed in two halves at once. Split at the middle of
// any text, wherever the first line past it that opens a form falls (in a
// string, in a tuple, at the top level, deep in a list), the parse gives
// the document, or the error, of one parse from the start.
TEST(PetalParser, HalvesGiveTheDocumentAndTheErrorOfOneParse) {
  constexpr std::size_t kOneThread = std::numeric_limits<std::size_t>::max();
  std::vector<std::string> texts = {
      kHeader + "(object Design \"d\"\n  list (list l\n  (object A)\n  (object B\n  x 1))\n  after TRUE)\n",
      kHeader + "(object Design \"d\"\n  name \"a\n(object Fake)\n b\"\n  doc\n|x\n|(object InText)\n  y 2)\n",
      kHeader + "(object D\n  at (1,\n (object T) , 2)\n  next (value Text\n  (object V)))\n",
      kHeader + "(object A x 1)\n(object B y 2)\n(object C z 3)\n(object E w 4)\n",
      kHeader + "(object A\n  x 1\n  (object Stray)\n  y 2)\n",
      kHeader + "(object A\n  x 1\n  y (object B\n  z 2)))\n(object C)\n",
      kHeader + "(object A\n  x 1\n  y (object B\n  z 2\n",
      "(object NotTheHeader\n  x 1)\n(object A\n  y 2)\n(object B\n  z 3)\n",
      kHeader + "(object A\n  x (list l\n  (object B @1\n  q \"a\\\"b\")\n  (object C @1 r @1)))\n",
  };
  std::string nested = kHeader + "(object Deep x ";
  for (int i = 0; i < 398; ++i) nested += "\n(list l ";
  for (int i = 0; i < 398; ++i) nested += ")";
  texts.push_back(nested + ")\n");
  // The examples and the shared petal models, each also behind blank lines
  // of many lengths, which move the middle through the whole file.
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(ZOV_EXAMPLES_DIR))
    if (entry.path().extension() == ".mdl") files.push_back(entry.path());
  if (test::SharedModelsPresent())
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::kSharedModels))
      if (entry.path().extension() == ".mdl" || entry.path().extension() == ".cat") files.push_back(entry.path());
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string model = text.str();
    texts.push_back(model);
    if (path.parent_path() == std::filesystem::path(ZOV_EXAMPLES_DIR))
      for (std::size_t pad = 1; pad < model.size(); pad += model.size() / 23 + 1)
        texts.push_back(std::string(pad % 2 == 0 ? pad : pad / 2, pad % 2 == 0 ? ' ' : '\n') + model);
  }
  for (const std::string& text : texts)
    ASSERT_EQ(test::DumpParse(text, kOneThread), test::DumpParse(text, 0)) << text.substr(0, 300);
}

}  // namespace
}  // namespace zov::petal
