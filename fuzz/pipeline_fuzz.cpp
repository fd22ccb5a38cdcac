// libFuzzer target: the whole pipeline on any bytes taken as a model, in a
// private folder: the load with link analysis and clean-up, "&Select Level"
// on every actor's branch, the four UIT loads, "&Select All",
// "&Processing...", every category's default choices and "&All Test Cases",
// at random and then pairwise; then the files for test management tools,
// whose XML must parse.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "export/tool_exports.h"
#include "fuzz_model.h"
#include "session/planning_session.h"

namespace {

void Plan(zov::PlanningSession& p) {
  const zov::Tree& t = p.TV(zov::kMainTree);
  std::vector<std::string> nodes;
  for (zov::NodeId a = t.firstRoot(); a != zov::kNoNode; a = t.node(a).next)
    if (t.node(a).image != "rose" && t.node(a).children != 0) nodes.emplace_back(t.node(t.node(a).child).key);
  for (const std::string& node : nodes) p.selectLevel(node, {true, 50, 100, std::nullopt});
  for (zov::TestCaseSource s : {zov::TestCaseSource::kAllDiagrams, zov::TestCaseSource::kZov,
                                zov::TestCaseSource::kDesignTree, zov::TestCaseSource::kNotLinked})
    p.loadTestCases(s);
  p.pickAll(false);
  p.process();
  p.confirmDefaults();
  p.generate();
  // Again with every pair covered first, the path's count raised to it.
  p.setStrength({2, true});
  p.generate();
}

void Export(const zov::PlanningSession& p) {
  for (const std::string& xml : {zov::TestRailXml(p), zov::TestLinkXml(p)}) {
    pugi::xml_document doc;
    if (!doc.load_string(xml.c_str())) __builtin_trap();
  }
  zov::XrayCsv(p, {});
  zov::FeatureFiles(p);
  zov::HtmlReport(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zov::fuzz::FuzzPlan run;
  if (run.open(std::string_view(reinterpret_cast<const char*>(data), size))) {
    Plan(run.p);
    Export(run.p);
  }
  return 0;
}
