#include "export/tool_exports.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "session/plan.h"
#include "support/window_ready.h"

namespace zov {
namespace {

// Titles are cut between characters, never inside one, and keep the id.
TEST(ToolTitles, CutBetweenCharactersKeepingTheId) {
  EXPECT_EQ(TitleWithId("5A1000000040-1-001", "Withdraw / 1 / 1", 100), "[5A1000000040-1-001] Withdraw / 1 / 1");
  std::string title;
  for (int i = 0; i < 100; ++i) title += "\xC3\xA9\xE2\x82\xAC";  // "é€": 2 and 3 bytes
  const std::string cut = TitleWithId("ID-1", title, 100);
  EXPECT_EQ(cut.rfind("[ID-1] \xC3\xA9", 0), 0u);
  EXPECT_EQ(cut.substr(cut.size() - 3), "\xE2\x80\xA6");  // the ellipsis
  // 100 characters: "[ID-1] " (7), 92 of the title, the ellipsis.
  std::size_t characters = 0;
  for (char c : cut) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  EXPECT_EQ(characters, 100u);
  EXPECT_EQ(cut.size(), 7 + 46 * 5 + 3u);
  // Line breaks and control characters do not reach a one-line name.
  EXPECT_EQ(ShortenedName("a\nb\tc\x01"
                          "d",
                          50),
            "a b cd");
}

TEST(Templates, NamesThePlanWritesAreRefused) {
  for (const char* name :
       {"TestScript1.txt", "TestScript12.txt.mustache", "plan.json.mustache", "index.csv", "procedures.csv",
        "testrail.xml", "xray.csv", "testlink.xml", "report.html.mustache", ".zov-plan.mustache",
        "SD3. Deposit envelope  ( 158)TestCase 1   ( 158 ).txt", "x.feature.mustache", "dir/.mustache/"})
    EXPECT_FALSE(TemplateNameFree(name)) << name;
  for (const char* name : {"ids.txt.mustache", "TestScript1.md", "TestScripts.txt", "plan.json.txt.mustache", "SD.txt"})
    EXPECT_TRUE(TemplateNameFree(name)) << name;
}

std::string Nested(int depth, const std::string& inner = "x") {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "{{#a" + std::to_string(i) + "}}";
  text += inner;
  for (int i = depth - 1; i >= 0; --i) text += "{{/a" + std::to_string(i) + "}}";
  return text;
}

std::string Written(const std::string& name, const std::string& text) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// Deep nesting is refused before the parser or the rendering walks it, and
// the depth follows changed delimiters.
TEST(Templates, DeepNestingIsRefusedUpFront) {
  std::string text;
  EXPECT_TRUE(ReadTemplate(Written("zov-depth-64.mustache", Nested(kTemplateDepth)), &text));
  const Outcome deep = ReadTemplate(Written("zov-depth-65.mustache", Nested(kTemplateDepth + 1)), &text);
  ASSERT_FALSE(deep);
  EXPECT_NE(deep.message.find("zov-depth-65.mustache: sections nested deeper than 64"), std::string::npos);
  EXPECT_FALSE(ReadTemplate(Written(
                                "zov-depth-delims.mustache", "{{=<% %>=}}" +
                                                                 [] {
                                                                   std::string t;
                                                                   for (int i = 0; i < 70; ++i) t += "<%#a%>";
                                                                   for (int i = 0; i < 70; ++i) t += "<%/a%>";
                                                                   return t;
                                                                 }()),
                            &text));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ReadTemplate(Written("zov-depth-huge.mustache", Nested(100000)), &text));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  const Outcome missing = ReadTemplate("/nonexistent/ids.txt.mustache", &text);
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.message.find("/nonexistent/ids.txt.mustache"), std::string::npos);
}

// A template that repeats the plan within itself stops at the size given.
TEST(Templates, ARenderingPastItsLimitStops) {
  test::WindowReady ready;
  PlanningSession& p = ready.session;
  ASSERT_TRUE(RunPlan(p, std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl", PlanOptions{}).outcome);
  std::string out;
  ASSERT_TRUE(RenderTemplate(p, "{{#procedures}}{{id}}\n{{/procedures}}", &out));
  EXPECT_EQ(out.substr(0, 19), "5A1000000040-1-001\n");
  const std::string cubed =
      "{{#procedures}}{{#procedures}}{{#procedures}}{{{title}}}{{/procedures}}{{/procedures}}{{/procedures}}";
  const Outcome stopped = RenderTemplate(p, cubed, &out, 100000);
  ASSERT_FALSE(stopped);
  EXPECT_NE(stopped.message.find("larger than"), std::string::npos) << stopped.message;
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace zov
