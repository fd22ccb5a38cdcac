#include "generation/procedures.h"
#include "session/scripted_asker.h"

#include <gtest/gtest.h>

#include "support/session_access.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "files/work_folder.h"
#include "specification/category_editors.h"
#include "support/window_ready.h"
#include "window/generale.h"

namespace zov {
namespace {

// The lines GeneratePath writes.
std::vector<std::string> Lines(const TestCaseRecord& r, const CategoryList& c, int testCase, const std::string& path,
                               std::int64_t n, RandomSource& random,
                               const std::function<void(const std::string&)>& warn) {
  std::ostringstream out;
  GeneratePath(r, c, testCase, path, n, random, warn, out);
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A message with own choices and parameters of the given choice counts.
MessageRecord MessageWith(const std::string& name, const std::string& path, std::vector<std::string> own,
                          std::vector<std::vector<std::string>> parameters = {}) {
  MessageRecord m;
  m.name = name;
  m.pathName = path;
  m.ownChoices = std::move(own);
  m.ownChoiceCount = static_cast<std::int16_t>(m.ownChoices.size());
  for (std::size_t p = 0; p < parameters.size(); ++p) {
    AttributeRecord a;
    a.name = "p" + std::to_string(p);
    for (const auto& v : parameters[p]) a.choice(a.choices.size())->value = v;
    a.choiceCount = static_cast<std::int16_t>(parameters[p].size());
    m.attributes.push_back(a);
  }
  m.attributeCount = static_cast<std::int16_t>(m.attributes.size());
  return m;
}

TEST(ChoiceDigit, MixedRadixWithTheFirstCategoryMostSignificant) {
  TestCaseRecord r;
  r.messages.push_back(MessageWith("m", "1", {"a", "b"}, {{"x", "y", "z"}, {"u", "v"}}));
  const CategoryList c = BuildCategories(r, 0, 0);
  ASSERT_EQ(c.list.size(), 3u);
  EXPECT_EQ(c.T, 12);
  EXPECT_EQ(ChoiceDigit(7, 0, c), 1);
  EXPECT_EQ(ChoiceDigit(7, 1, c), 0);
  EXPECT_EQ(ChoiceDigit(7, 2, c), 1);
}

TEST(ShuffleCombinations, ACyclicPermutation) {
  SeededRandom random(3);
  for (std::int64_t T : {2, 5, 97, 1000}) {
    const auto order = ShuffleCombinations(T, random);
    std::int64_t at = 0, steps = 0;
    do {
      EXPECT_NE(order[static_cast<std::size_t>(at)], at);
      at = order[static_cast<std::size_t>(at)];
      ++steps;
    } while (at != 0 && steps <= T);
    EXPECT_EQ(steps, T);  // one cycle through every row
  }
}

TEST(GeneratePath, EveryChoiceOnceInRandomOrder) {
  TestCaseRecord r;
  r.messages.push_back(MessageWith("open", "1", {"a", "b", "c"}));
  SeededRandom random(1);
  const auto lines = Lines(r, BuildCategories(r, 0, 0), 1, "1", 3, random, nullptr);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "- - - - - - generated  3 of possible  3 Test Procedures for Test Case 1");
  std::multiset<std::string> chosen;
  for (const auto& l : lines)
    if (l == " a" || l == " b" || l == " c") chosen.insert(l);
  EXPECT_EQ(chosen, (std::multiset<std::string>{" a", " b", " c"}));
  // A procedure: empty line, header, empty line, the message, its choice, one blank, hyphens.
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "Test Procedure  (SD 1) 1_ 1");
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "open");
  EXPECT_EQ(lines[7], " ");
  EXPECT_EQ(lines[8], std::string(34, '-'));
}

TEST(GeneratePath, NoneAskedTooManyAskedAndNoCategory) {
  TestCaseRecord r;
  r.messages.push_back(MessageWith("open", "1", {"a", "b"}));
  r.messages.push_back(MessageWith("quiet", "2", {}));
  SeededRandom random(1);
  const auto zero = Lines(r, BuildCategories(r, 0, 0), 1, "1", 0, random, nullptr);
  EXPECT_EQ(zero,
            (std::vector<std::string>{"", "- - - - - - generated  0 of possible  2 Test Procedures for Test Case 1"}));
  const auto many = Lines(r, BuildCategories(r, 0, 0), 1, "1", 5, random, nullptr);
  EXPECT_EQ(many[1], "WARNING!!! The set values are not enough for generating all");
  EXPECT_EQ(many[2], "Test Procedures for the Test Case 1");
  EXPECT_EQ(many[3], "- - - - - - generated  2 Test Procedures for Test Case 1");
  const auto none = Lines(r, BuildCategories(r, 1, 1), 1, "2", 5, random, nullptr);
  EXPECT_EQ(none, (std::vector<std::string>{"", "WARNING!!! No values for Test Procedure generation in Test Case 2"}));
}

TEST(GeneratePath, AConflictingRowKeepsTheNextNumber) {
  TestCaseRecord r;
  MessageRecord m = MessageWith("set", "1", {}, {{"busy", "idle", "ready"}});
  // "busy" defines busy and requires not busy: it conflicts with itself.
  ChoiceRecord& busy = m.attributes[0].choices[0];
  busy.properties = {"busy"};
  busy.propertyCount = 1;
  busy.selectors = {"not busy"};
  busy.selectorCount = 1;
  r.messages.push_back(m);
  std::vector<std::string> warnings;
  bool conflictInTheMiddle = false;
  for (unsigned seed = 0; seed < 6; ++seed) {
    SeededRandom random(seed);
    const auto lines =
        Lines(r, BuildCategories(r, 0, 0), 1, "1", 3, random, [&](const std::string& w) { warnings.push_back(w); });
    // The headers in order, each with whether its procedure conflicts.
    std::vector<std::pair<std::string, bool>> headers;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
      if (lines[i].rfind("Test Procedure  (SD 1) 1_", 0) == 0)
        headers.emplace_back(lines[i].substr(25), lines[i + 1] == "Conflicting values choices ");
    ASSERT_EQ(headers.size(), 3u);
    int expected = 1;
    for (std::size_t i = 0; i < headers.size(); ++i) {
      EXPECT_EQ(headers[i].first, " " + std::to_string(expected)) << seed;
      if (!headers[i].second) ++expected;
      if (headers[i].second && i + 1 < headers.size()) conflictInTheMiddle = true;
    }
    const auto conflict = std::find(lines.begin(), lines.end(), "Conflicting values choices ");
    ASSERT_NE(conflict, lines.end());
    EXPECT_EQ(*(conflict + 1), " ");
    EXPECT_EQ(*(conflict + 2), std::string(34, '-'));
  }
  EXPECT_TRUE(conflictInTheMiddle);
  ASSERT_FALSE(warnings.empty());
  EXPECT_EQ(warnings[0], "Unsignifiant Test Procedure for value  busy");
}

// A path past the bound of combinations is said in its script and among
// the run's warnings; no conflict is counted for it.
// An earlier plan's procedures keep their places where their values are
// still choices; the new ones fill the lowest free places; a repeated value
// is read as the first of its choices not taken.
TEST(GeneratePath, KeepsTheEarlierProceduresStillValidAtTheirPlaces) {
  TestCaseRecord r;
  r.messages.push_back(MessageWith("m", "1", {}, {{"a", "b", "c"}, {"x", "x", "y"}}));
  const CategoryList c = BuildCategories(r, 0, 0);
  const auto earlier = [](long place, const std::string& first, const std::string& second) {
    return EarlierProcedure{place, true, {{"m", "p0", first}, {"m", "p1", second}}};
  };
  const std::vector<EarlierProcedure> before = {
      earlier(2, "b", "x"),
      earlier(5, "c", "x"),
      earlier(3, "gone", "x"),                            // "gone" is no choice any more
      earlier(7, "b", "x"),                               // b with the other "x"
      {4, true, {{"m", "p0", "a"}}},                      // other categories
      {6, false, {{"m", "p0", "a"}, {"m", "p1", "y"}}}};  // insignificant then
  std::vector<GeneratedProcedure> got;
  SeededRandom random(1);
  std::ostringstream out;
  const PathCount n = GeneratePath(
      r, c, 1, "1", 5, random, nullptr, out, [&](const GeneratedProcedure& p) { got.push_back(p); }, {}, &before);
  EXPECT_EQ(n.earlier, 6);
  EXPECT_EQ(n.kept, 3);
  ASSERT_EQ(got.size(), 5u);
  std::vector<long> places;
  for (const GeneratedProcedure& p : got) places.push_back(p.place);
  EXPECT_EQ(places, (std::vector<long>{1, 2, 3, 5, 7}));
  const auto values = [](const GeneratedProcedure& p) { return p.steps[0].value + p.steps[1].value; };
  EXPECT_EQ(values(got[1]), "bx");
  EXPECT_EQ(values(got[3]), "cx");
  EXPECT_EQ(values(got[4]), "bx");
  // Fewer procedures than kept ones: the lowest places stay.
  got.clear();
  const PathCount few = GeneratePath(
      r, c, 1, "1", 2, random, nullptr, out, [&](const GeneratedProcedure& p) { got.push_back(p); }, {}, &before);
  EXPECT_EQ(few.kept, 2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].place, 2);
  EXPECT_EQ(got[1].place, 5);
}

// A message whose own category and parameters have the given numbers of
// choices, each value named after its place ("m.p1.7").
MessageRecord MessageOfSizes(const std::string& name, const std::vector<int>& sizes) {
  const auto values = [&](const std::string& category, int n) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) v.push_back(name + "." + category + "." + std::to_string(i));
    return v;
  };
  std::vector<std::vector<std::string>> parameters;
  for (std::size_t c = 1; c < sizes.size(); ++c) parameters.push_back(values("p" + std::to_string(c), sizes[c]));
  return MessageWith(name, "1", values("own", sizes[0]), parameters);
}

// No path has a cap: past what a random order lists, and past what a 64-bit
// number holds, a path gets its allotted procedures, distinct, and the
// strength applies as on any other path.
TEST(GeneratePath, EveryPathGetsItsProceduresHoweverManyCombinations) {
  struct Case {
    std::vector<std::vector<int>> messages;  // the category sizes of each message
    long allotted;
    Strength strength;
    std::string possible;
  };
  const std::vector<Case> cases = {
      {{{100, 100}, {100, 100}}, 5, {}, "100000000"},
      {std::vector<std::vector<int>>(5, {100, 100, 100}), 300, {}, "1000000000000000000000000000000"},
      // 5^2 4^3 3^5 2^6: pairwise needs at least 25 rows.
      {{{5, 5, 4, 4, 4}, {3, 3, 3, 3, 3}, {2, 2, 2, 2, 2, 2}}, 3, {2, true}, "24883200"}};
  for (const Case& c : cases) {
    TestCaseRecord r;
    r.name = "Huge ";
    for (std::size_t m = 0; m < c.messages.size(); ++m)
      r.messages.push_back(MessageOfSizes("m" + std::to_string(m), c.messages[m]));
    const CategoryList cat = BuildCategories(r, 0, r.messages.size() - 1);
    EXPECT_EQ(CombinationCount(cat), c.possible);
    SeededRandom random(1);
    std::ostringstream out;
    std::set<std::string> distinct;
    long procedures = 0;
    const PathCount count = GeneratePath(
        r, cat, 1, "1", c.allotted, random, nullptr, out,
        [&](const GeneratedProcedure& p) {
          std::string values;
          for (const ProcedureStep& step : p.steps) values += step.value + "\n";
          EXPECT_EQ(p.steps.size(), cat.list.size());
          distinct.insert(values);
          ++procedures;
        },
        c.strength);
    EXPECT_NE(out.str().find("of possible  " + c.possible + " Test Procedures"), std::string::npos) << out.str();
    EXPECT_EQ(procedures, c.allotted + count.raised) << c.possible;
    EXPECT_EQ(static_cast<long>(distinct.size()), procedures) << c.possible;
    if (c.strength.t == 2) {
      EXPECT_GE(count.needed, 25);
      EXPECT_EQ(count.pairs.covered, count.pairs.possible);
      EXPECT_GT(count.pairs.possible, 0);
    }
  }
}

TEST(ScriptFiles, OnePerTestCaseEndingWithHyphensAndAnEmptyLine) {
  test::WindowReady ready;
  Generale& g = ready.g;
  WorkFolder* work = &ready.work;
  g.session.setSeed(5);
  TestCaseTable& t = test::MutableWork(g.session).specification.table;
  t.cases.resize(4);
  for (int i = 1; i <= 2; ++i) {
    TestCaseRecord& r = t.cases[static_cast<std::size_t>(i)];
    r.name = "Case " + std::to_string(i) + " ";
    r.allotted = 2;
    r.pathCount = 1;
    r.messages.push_back(MessageWith("m", "1", {"a", "b", "c"}));
  }
  t.cases[3].name = "Nothing ";  // no diagram matched: path count 0
  t.cases[3].allotted = 4;
  const GenerationResult result = g.session.generate().result;
  EXPECT_EQ(result.files, (std::vector<std::string>{"TestScript1.txt", "TestScript2.txt", "TestScript3.txt"}));
  EXPECT_EQ(result.procedures, 4);
  for (int i = 1; i <= 2; ++i) {
    std::ifstream in(work->dir() / ("TestScript" + std::to_string(i) + ".txt"));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Test Procedures generation file of  Case " + std::to_string(i) + " ");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[lines.size() - 2], std::string(34, '-'));
    EXPECT_EQ(lines.back(), "");
  }
  std::ifstream head(work->dir() / "TestScript3.txt");
  std::string all((std::istreambuf_iterator<char>(head)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "Test Procedures generation file of  Nothing \n\n");
  // Shown in LB, printed with the same separators as the documents.
  ScriptedAsker asker;
  g.setAsker(&asker);
  g.showScripts();
  EXPECT_EQ(g.LB.items.front(), "Test Procedures generation file of  Case 1 ");
  g.printScripts();
  ASSERT_EQ(asker.printed.size(), 1u);
  EXPECT_EQ(asker.printed[0].second[0], std::string(20, '-'));
  EXPECT_EQ(asker.printed[0].second[1], "File name: TestScript1.txt");
  EXPECT_EQ(asker.printed[0].second[2], "            Test Procedures generation file of  Case 1 ");
  // A file that went missing is reported, not read.
  std::filesystem::remove(work->dir() / "TestScript2.txt");
  g.showScripts();
  ASSERT_FALSE(asker.asked.empty());
  EXPECT_NE(asker.asked.back().text.find("TestScript2.txt"), std::string::npos);
  g.setAsker(nullptr);
}

}  // namespace
}  // namespace zov
