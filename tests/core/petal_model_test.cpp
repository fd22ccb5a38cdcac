#include "model/petal_model.h"
#include "files/text_encoding.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "support/shared_models.h"

namespace fs = std::filesystem;

namespace zov {
namespace {

const std::string kExamples = ZOV_EXAMPLES_DIR;
const std::string kShared = test::kSharedModels;

// Finds an element by name in a collection.
Handle Named(const ModelSource& m, Items items, const std::string& name) {
  for (Handle h : items)
    if (m.Name(h) == name) return h;
  return {};
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

std::vector<std::string> Names(const ModelSource& m, Items items) {
  std::vector<std::string> names;
  for (Handle h : items) names.push_back(m.Name(h));
  return names;
}

class AtmModel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    model_ = new PetalModel;
    std::string error;
    root_ = model_->OpenModel(kExamples + "/ATM.mdl", &error);
    ASSERT_TRUE(root_) << error;
  }
  static void TearDownTestSuite() { delete model_; }

  Handle package(const std::string& name) const { return Named(m(), m().AllPackages(root_), name); }
  Handle useCase(const std::string& name) const { return Named(m(), m().AllUseCases(root_), name); }
  const PetalModel& m() const { return *model_; }

  static PetalModel* model_;
  static Handle root_;
};
PetalModel* AtmModel::model_ = nullptr;
Handle AtmModel::root_;

TEST_F(AtmModel, AttributesAndStateMachine) {
  const Handle core = package("ATM Core");
  const Handle controller = Named(m(), m().DiagramClasses(m().ClassDiagrams(core).Item(1)), "ATMController");
  const Items attrs = m().ClassAttributes(controller);
  EXPECT_EQ(Names(m(), attrs), (std::vector<std::string>{"amount", "notes"}));
  EXPECT_EQ(m().AttributeType(attrs.Item(1)), "Integer");
  EXPECT_EQ(m().AttributeInitialValue(attrs.Item(1)), "20");
  EXPECT_EQ(m().Documentation(attrs.Item(1)), "DEF(20,50,100)");
  EXPECT_EQ(m().ClassRelations(controller, 1).Count(), 1);
  EXPECT_EQ(m().Name(m().SecondEnd(m().ClassRelations(controller, 3).Item(1))), "Account");

  const Handle machine = m().ClassStateMachine(controller);
  ASSERT_TRUE(machine);
  const Items states = m().MachineStates(machine);
  EXPECT_EQ(Names(m(), states), (std::vector<std::string>{"", "Idle", "Reading Card", "Dispensing"}));
  EXPECT_TRUE(m().StateFlag(states.Item(1)));  // the start state
  EXPECT_FALSE(m().StateFlag(states.Item(3)));
  const Items out = m().StateTransitions(states.Item(3));
  ASSERT_EQ(out.Count(), 2);
  EXPECT_EQ(m().Name(m().TransitionTarget(out.Item(1))), "Dispensing");
  EXPECT_EQ(m().Name(m().TransitionTarget(out.Item(2))), "Idle");
  EXPECT_TRUE(m().ClassStateMachine(Named(m(), m().DiagramClasses(m().ClassDiagrams(core).Item(1)), "Account")).null());
}

TEST_F(AtmModel, Windows1252TextComesOutAsUtf8) {
  EXPECT_EQ(m().Documentation(useCase("Print Receipt")),
            "Prints what was withdrawn. Printed in Gr\xC3\xBCn on request \xE2\x82\xAC notes.");
}

TEST(TextEncoding, PrintableEscapesControlsAndBytesThatAreNotUtf8) {
  EXPECT_EQ(Printable("caf\xC3\xA9 \xE2\x82\xAC ok"), "caf\xC3\xA9 \xE2\x82\xAC ok");
  EXPECT_EQ(Printable("a\x1B[2Jb\x07\x7F"), "a\\x1B[2Jb\\x07\\x7F");
  EXPECT_EQ(Printable("\xC2\x9B"
                      "31m"),
            "\\xC2\\x9B31m");  // C1 CSI
  EXPECT_EQ(Printable("\x9B\xFF\xC3"), "\\x9B\\xFF\\xC3");
  EXPECT_EQ(Printable(std::string("\0x", 2)), "\\x00x");
}

// Only well-formed UTF-8 passes: no lead byte past F4, no overlong form,
// no surrogate; what does not decode becomes U+FFFD, counted.
TEST(TextEncoding, Utf8IsCheckedStrictly) {
  for (const char* bad : {"\xF8\x88\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"})
    EXPECT_FALSE(IsUtf8(bad)) << bad;
  EXPECT_TRUE(IsUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xEF\xBF\xBE"));
  std::size_t replaced = 0;
  EXPECT_EQ(ValidUtf8("a\xF8\x88\x80"
                      "b\xC3\xA9",
                      &replaced),
            "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
            "b\xC3\xA9");
  EXPECT_EQ(replaced, 3u);
}

// Single-byte code pages through a table, the others through iconv; the
// first line and the count of what did not decode are kept.
TEST(TextEncoding, CodePagesDecodeToUtf8) {
  EXPECT_EQ(PetalCodePage(204), "WINDOWS-1251");
  EXPECT_EQ(PetalCodePage(128), "CP932");
  EXPECT_EQ(PetalCodePage(7), "");
  const auto cyrillic = TextDecoder::Of(PetalCodePage(204));
  ASSERT_TRUE(cyrillic);
  EXPECT_EQ(cyrillic->decode("\xCA\xE0\xF1\xF1\xE8\xF0"),
            "\xD0\x9A\xD0\xB0\xD1\x81\xD1\x81\xD0\xB8\xD1\x80");  // Кассир
  EXPECT_EQ(cyrillic->decode("a\x98", 12), "a\xEF\xBF\xBD");      // 0x98 is unassigned
  EXPECT_EQ(cyrillic->replaced(), 1u);
  EXPECT_EQ(cyrillic->firstLine(), 12u);
  const auto japanese = TextDecoder::Of(PetalCodePage(128));
  ASSERT_TRUE(japanese);
  EXPECT_EQ(japanese->decode("\x93\xFA\x96\x7B"), "\xE6\x97\xA5\xE6\x9C\xAC");  // 日本
  EXPECT_EQ(japanese->decode("x\x93", 3), "x\xEF\xBF\xBD");                     // a sequence cut short
  EXPECT_EQ(japanese->replaced(), 1u);
  // Windows-1252 keeps Windows' mapping of its five unassigned bytes.
  EXPECT_EQ(TextDecoder::Of("windows-1252")->decode("\x80\x81"), "\xE2\x82\xAC\xC2\x81");
  EXPECT_FALSE(TextDecoder::Of("no-such-encoding"));
}

TEST(PetalModel, SetNameChangesOnlyTheModelInMemory) {
  const fs::path copy = fs::temp_directory_path() / "zov-setname-test";
  fs::create_directories(copy);
  fs::copy_file(kExamples + "/ATM.mdl", copy / "ATM.mdl", fs::copy_options::overwrite_existing);
  const auto before = fs::file_size(copy / "ATM.mdl");
  PetalModel m;
  std::string error;
  const Handle root = m.OpenModel((copy / "ATM.mdl").string(), &error);
  ASSERT_TRUE(root) << error;
  const Handle d = m.ScenarioDiagrams(m.AllUseCases(root).Item(1)).Item(1);
  m.SetName(d, "[0.5000] renamed");
  EXPECT_EQ(m.Name(d), "[0.5000] renamed");
  EXPECT_EQ(fs::file_size(copy / "ATM.mdl"), before);
  // The unit is missing next to the copy: reported, and the rest loads.
  ASSERT_EQ(m.Warnings().size(), 1u);
  EXPECT_NE(m.Warnings()[0].find("ATM-Services.cat"), std::string::npos);
  EXPECT_NE(m.Warnings()[0].find("stays empty"), std::string::npos);
  EXPECT_EQ(m.AllUseCases(root).Count(), 8);
  fs::remove_all(copy);
}

TEST(PetalModel, UnitPathsWrittenOnWindowsOrRelative) {
  const std::string original = ReadFile(kExamples + "/ATM.mdl");
  const std::string symbol = "\"$CURDIR\\\\ATM-Services.cat\"";
  ASSERT_NE(original.find(symbol), std::string::npos);
  const fs::path dir = fs::temp_directory_path() / "zov-unit-paths";
  fs::create_directories(dir / "units");
  fs::copy_file(kExamples + "/ATM-Services.cat", dir / "units" / "ATM-Services.cat",
                fs::copy_options::overwrite_existing);
  for (const std::string path :
       {"\"units\\\\ATM-Services.cat\"", "\"C:\\\\Rose\\\\Models\\\\units\\\\atm-services.CAT\"",
        "\"units/ATM-Services.cat\""}) {
    std::string text = original;
    text.replace(text.find(symbol), symbol.size(), path);
    std::ofstream(dir / "ATM.mdl", std::ios::binary) << text;
    PetalModel m;
    std::string error;
    ASSERT_TRUE(m.OpenModel((dir / "ATM.mdl").string(), &error)) << error;
    EXPECT_TRUE(m.Warnings().empty()) << path << ": " << m.Warnings().front();
    EXPECT_TRUE(m.FindByIdentifier("5A1000000400")) << path;  // AuthorizationService, from the unit
  }
  fs::remove_all(dir);
}

// A model whose package is the unit u1.cat; unit i names unit i+1 twice.
// Read again for every reference, the load would grow as 2^n.
fs::path WriteUnitChain(const fs::path& dir, int units, const std::string& padding = {}) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto reference = [](int i, const char* suffix) {
    char quid[32];
    std::snprintf(quid, sizeof quid, "5D%04d%s00000", i, suffix);
    return "\t(object Class_Category \"U" + std::to_string(i) + suffix +
           "\"\n\t    is_unit \tTRUE\n\t    is_loaded \tFALSE\n"
           "\t    file_name \t\"$CURDIR\\\\u" +
           std::to_string(i) + ".cat\"\n\t    quid \t\"" + quid + "\")\n";
  };
  for (int i = 1; i <= units; ++i) {
    std::string t = "(object Petal\n    version \t47\n    charSet \t0)\n\n(object Class_Category \"U" +
                    std::to_string(i) + "\"\n    is_unit \tTRUE\n    is_loaded \tTRUE\n    documentation \t\"" +
                    padding + "\"\n    logical_models \t(list unit_reference_list\n";
    if (i < units) t += reference(i + 1, "A") + reference(i + 1, "B");
    t += "    ))\n";
    std::ofstream(dir / ("u" + std::to_string(i) + ".cat"), std::ios::binary) << t;
  }
  std::ofstream(dir / "chain.mdl", std::ios::binary)
      << "(object Petal\n    version \t47\n    charSet \t0)\n\n(object Design \"Logical View\"\n"
         "    root_category \t(object Class_Category \"Logical View\"\n\tquid \t\"5D0000000001\"\n"
         "\tlogical_models \t(list unit_reference_list\n" +
             reference(1, "A") + "\t)))\n";
  return dir / "chain.mdl";
}

TEST(PetalModel, EachUnitIsReadOnceAndASecondReferenceIsReported) {
  const fs::path dir = fs::temp_directory_path() / ("zov-unit-chain-" + std::to_string(::getpid()));
  const fs::path model = WriteUnitChain(dir, 28);
  PetalModel m;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  const Handle root = m.OpenModel(model.string(), &error);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(root) << error;
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_EQ(m.FilesRead().size(), 29u);
  // Every unit's package once, plus the empty second references and the root.
  EXPECT_EQ(m.AllPackages(root).Count(), 1 + 28 + 27);
  ASSERT_EQ(m.Warnings().size(), 27u);
  EXPECT_NE(m.Warnings()[0].find("u28.cat was already read for the package \"U28A\"; the package \"U28B\" stays empty"),
            std::string::npos)
      << m.Warnings()[0];
  fs::remove_all(dir);
}

TEST(PetalModel, ALoadReadsABoundedNumberOfUnitsAndBytes) {
  const fs::path dir = fs::temp_directory_path() / ("zov-unit-bound-" + std::to_string(::getpid()));
  const fs::path model = WriteUnitChain(dir, 12, std::string(1000, 'x'));
  PetalModel m;
  std::string error;
  m.SetReadLimits(5, PetalModel::kMaxBytesRead);
  ASSERT_TRUE(m.OpenModel(model.string(), &error)) << error;
  EXPECT_EQ(m.FilesRead().size(), 6u);
  std::string limit;
  for (const auto& w : m.Warnings())
    if (w.find("a load reads at most") != std::string::npos) limit += w;
  // One warning, placed where the first unit left out is named.
  EXPECT_EQ(limit.rfind((dir / "u5.cat").string() + ":", 0), 0u) << limit;
  EXPECT_NE(limit.find("at most 5 unit files and 1073741824 bytes; the controlled unit \"$CURDIR\\u6.cat\""),
            std::string::npos)
      << limit;
  EXPECT_EQ(limit.find("u7.cat"), std::string::npos) << limit;

  // Bytes: the model and a little more than two units fit.
  m.SetReadLimits(PetalModel::kMaxUnitFiles, fs::file_size(model) + 2 * fs::file_size(dir / "u1.cat") + 100);
  ASSERT_TRUE(m.OpenModel(model.string(), &error)) << error;
  EXPECT_EQ(m.FilesRead().size(), 3u);
  // A model file larger than the bound is refused before it is read.
  m.SetReadLimits(PetalModel::kMaxUnitFiles, 100);
  EXPECT_FALSE(m.OpenModel(model.string(), &error));
  EXPECT_NE(error.find("chain.mdl: the file is larger than 100 bytes"), std::string::npos) << error;
  fs::remove_all(dir);
}

// Numbers out of range are reported where they stand and clamped.
TEST(PetalModel, OrdinalsOutOfRangeAreReportedAndClamped) {
  std::string text = ReadFile(kExamples + "/Lending.mdl");
  std::vector<std::size_t> at;
  for (std::size_t p = text.find("ordinal"); p != std::string::npos; p = text.find("ordinal", p + 1)) at.push_back(p);
  ASSERT_GE(at.size(), 3u);
  const char* values[] = {"2147483647", "99999999999", "-5"};
  for (int i = 2; i >= 0; --i) {
    const std::size_t number = text.find_first_of("0123456789", at[static_cast<std::size_t>(i)]);
    text.replace(number, text.find_first_not_of("0123456789", number) - number, values[i]);
  }
  PetalModel m;
  std::string error;
  const Handle root = m.OpenText(text, "odd.mdl", &error);
  ASSERT_TRUE(root) << error;
  std::vector<std::string> reported;
  for (const auto& w : m.Warnings())
    if (w.find("is not a whole number from 0 to 999999999") != std::string::npos) reported.push_back(w);
  ASSERT_EQ(reported.size(), 3u);
  EXPECT_NE(
      reported[0].find("the ordinal 2147483647 is not a whole number from 0 to 999999999; it is read as 999999999"),
      std::string::npos)
      << reported[0];
  EXPECT_EQ(reported[0].substr(0, 8), "odd.mdl:");
  EXPECT_NE(reported[1].find("99999999999"), std::string::npos);
  EXPECT_NE(reported[2].find("-5 is not a whole number from 0 to 999999999; it is read as 0"), std::string::npos);
  // The numbering that follows from them stays in range.
  for (Handle u : m.AllUseCases(root))
    for (Handle d : m.ScenarioDiagrams(u))
      for (Handle msg : m.DiagramMessages(d)) EXPECT_EQ(m.MessageSequence(msg).find('-'), std::string::npos);
}

// A message drawn again under the quid of another shares its element: the
// first one made with that quid, which its views name, also once the load
// has let its quid index go.
TEST(PetalModel, AMessageDrawnAgainIsTheFirstElementMadeWithItsQuid) {
  std::string text = ReadFile(kExamples + "/ATM.mdl");
  const std::string before = "(object Message \"ejectCard\"";
  ASSERT_NE(text.find(before), std::string::npos);
  text.insert(text.find(before), "(object Message \"readCardAgain\" quid \"5A1000000110\" sequence \"1\")\n");
  const fs::path dir = fs::temp_directory_path() / ("zov-quid-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::copy_file(kExamples + "/ATM-Services.cat", dir / "ATM-Services.cat", fs::copy_options::overwrite_existing);
  std::ofstream(dir / "ATM.mdl", std::ios::binary) << text;
  PetalModel m;
  std::string error;
  ASSERT_TRUE(m.OpenModel((dir / "ATM.mdl").string(), &error)) << error;
  Handle first, again;
  int messages = 0;
  for (int i = 1; i <= m.ElementCount(); ++i) {
    const Handle h{i};
    if (m.KindOf(h) != PetalModel::Kind::kMessage) continue;
    ++messages;
    if (m.Name(h) == "readCard") first = h;
    if (m.Name(h) == "readCardAgain") again = h;
    if (m.Name(h) != "readCardAgain") {
      EXPECT_EQ(m.MessageElement(h), h) << m.Name(h);
    }
  }
  ASSERT_TRUE(first && again);
  EXPECT_GT(messages, 2);
  EXPECT_EQ(m.MessageElement(again), first);
  EXPECT_EQ(m.FindByIdentifier("5A1000000110"), first);
  EXPECT_EQ(m.FindByIdentifier("no such quid"), Handle{});
  fs::remove_all(dir);
}

TEST(RealModels, ProjectOperationsAndStateMachine) {
  ZOV_NEEDS_SHARED_MODELS();
  PetalModel m;
  std::string error;
  const Handle root = m.OpenModel(kShared + "/crazybeans/project.mdl", &error);
  ASSERT_TRUE(root) << error;
  const Handle machine = m.FindByIdentifier("3AE3C4D302DA");
  ASSERT_EQ(m.KindOf(machine), PetalModel::Kind::kStateMachine);
  const Handle owner = m.Owner(machine);
  EXPECT_EQ(m.ClassStateMachine(owner), machine);
  const Handle wait = m.FindByIdentifier("3AE3C502005A");
  EXPECT_EQ(m.Name(wait), "Wait for User Input");
  EXPECT_FALSE(m.StateFlag(wait));
  const Items out = m.StateTransitions(wait);
  ASSERT_EQ(out.Count(), 2);
  EXPECT_EQ(m.Name(m.TransitionTarget(out.Item(2))), "Call selected Operation");
  EXPECT_EQ(m.Name(m.TransitionTarget(out.Item(1))), "");  // the unnamed end state
  EXPECT_TRUE(m.StateFlag(m.TransitionTarget(out.Item(1))));

  const Handle create = m.FindByIdentifier("3AE778930002");
  EXPECT_EQ(m.Name(create), "CreateCD");
  ASSERT_EQ(m.OperationParameters(create).Count(), 1);
  EXPECT_EQ(m.ParameterType(m.OperationParameters(create).Item(1)), "Object");
  // A message whose operation was deleted from the model: reported, no operation.
  bool reported = false;
  for (const auto& w : m.Warnings()) reported = reported || w.find("3AE87EC3019F") != std::string::npos;
  EXPECT_TRUE(reported);
}

}  // namespace
}  // namespace zov
