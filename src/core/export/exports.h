// The results in forms other tools import: the documents and scripts as
// text files, "procedures.csv" (one row per step of every generated test
// procedure, RFC 4180) and "plan.json" (the whole plan: the selection, the
// test cases with their paths, categories and choices, the procedures).
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "session/planning_session.h"

namespace zov {

class WorkFolder;

// How a CSV meant for a spreadsheet is written: a UTF-8 byte order mark
// first, and the field delimiter (";" where decimals take a comma).
struct CsvStyle {
  bool bom = false;
  char delimiter = ',';
};

struct Formats {
  bool text = true;
  bool csv = false;
  bool json = false;
  bool testrail = false;     // testrail.xml
  bool xray = false;         // xray.csv
  bool testlink = false;     // testlink.xml
  bool feature = false;      // one .feature file per test case
  bool html = false;         // report.html
  CsvStyle style;            // of procedures.csv and xray.csv
  std::string templateFile;  // a Mustache template rendered into the folder, when set
};
// The format words, in order: "text, csv, json, testrail-xml, ...".
std::string FormatWords();
// The same words, one by one.
std::vector<std::string> FormatWordList();
// Each format word with whether f has it, in order; and back.
std::vector<std::pair<std::string, bool>> FormatChoices(const Formats& f);
void SetFormatChoices(Formats& f, const std::vector<std::pair<std::string, bool>>& choices);
// "text,csv,json,testrail-xml,xray-csv,testlink-xml,feature,html" (any of
// them, in any order); false for another word.
bool ParseFormats(const std::string& list, Formats& out);
// The words of the formats f has, comma-separated, as ParseFormats reads them.
std::string FormatList(const Formats& f);

inline constexpr const char* kProceduresFile = "procedures.csv";
inline constexpr const char* kPlanFile = "plan.json";
inline constexpr const char* kIndexFile = "index.csv";
// The whole plan report, every row of it, beside every plan.
inline constexpr const char* kReportFile = "report.txt";

// What names a generated procedure where other tools keep it: an id built
// from what stays when other test cases come and go (the diagram's
// identifier, the path, the procedure's place in the path:
// "5B10000000A1-1.1-004"), the test case's number ("SD3", which follows the
// selection), a title and the section (actor / use case / diagram).
struct ProcedureNames {
  std::string id, testCase, title, section;
};
// For each procedure of g.procedures, in order: all at once, or one by one.
std::vector<ProcedureNames> NamesOfProcedures(const PlanningSession& session);
void ForEachProcedureName(const PlanningSession& session,
                          const std::function<void(std::size_t, const ProcedureNames&)>& f);
// One row per procedure: its id, test case number, path, document and script,
// written to out as it is made.
void WriteIndexCsv(const PlanningSession& session, std::ostream& out);

// The CSV text of the procedures: a header row, then one row per step.
std::string ProceduresCsv(const PlanningSession& session, const CsvStyle& style = {});
// A CSV field: quoted when it holds the delimiter, a quote or a line
// break; a text a spreadsheet would run as a formula gets a leading "'".
std::string CsvField(const std::string& raw, char delimiter = ',');
// The JSON text of the plan.
std::string PlanJson(const PlanningSession& session);

// Writes the chosen forms into target (a folder whose earlier files of
// ours were taken over): the documents and scripts copied from the working
// folder, and the two machine-readable files. Refused, with the reason,
// when a file cannot be written. names receives the files written.
Outcome ExportPlan(const PlanningSession& session, WorkFolder& target, const Formats& f,
                   std::vector<std::string>* names = nullptr);

// Leaves in the working folder the forms chosen: the documents and scripts
// go unless text is chosen; procedures.csv and plan.json are added.
Outcome KeepFormats(const PlanningSession& session, const Formats& f);

}  // namespace zov
