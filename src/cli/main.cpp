// zov: the command-line front end of Zov Suite. It runs the same operations
// as the desktop program, without a window.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/caricamento.h"
#include "model/petal_model.h"
#include "model/work_folder.h"
#include "shell/generale.h"
#include "shell/ui.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: zov [OPTION]... COMMAND [ARGUMENT]...\n"
      "Plan tests from a UML model kept in Rational Rose petal files (.mdl, .cat).\n"
      "\n"
      "Commands:\n"
      "  load MODEL     load the model and print a one-line summary of it\n"
      "\n"
      "Options:\n"
      "  --work DIR     write the working files into DIR and keep them there\n"
      "                 (default: a private folder, removed at the end)\n"
      "  -h, --help     show this help and exit\n"
      "  -V, --version  show the version and exit\n"
      "\n"
      "Exit status: 0 if all went well, 1 if the work failed, 2 on a usage error.\n",
      out);
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "zov: %s\nTry 'zov --help' for more information.\n", message.c_str());
  return kExitUsage;
}

struct Options {
  std::string command;
  std::vector<std::string> arguments;
  std::optional<std::string> work;
};

std::string Plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Answers nothing: a headless run asks no questions.
class NoAsker : public zov::ScriptedAsker {};

int Load(const Options& o) {
  if (o.arguments.size() != 1) return UsageError("'load' takes one model file");
  const std::string& path = o.arguments.front();

  std::string error;
  std::optional<zov::WorkFolder> work;
  if (o.work) work.emplace(*o.work);
  else work = zov::WorkFolder::CreatePrivate(&error);
  if (!work) {
    std::fprintf(stderr, "zov: %s\n", error.c_str());
    return kExitFailure;
  }

  zov::Generale g;
  zov::QuietBusyBox busy;
  NoAsker asker;
  g.setBusyBox(&busy);
  g.setAsker(&asker);
  g.setWorkFolder(&*work);
  g.caricaFinestra();
  error = zov::CaricaModello(g, path);
  int status = kExitOk;
  if (!error.empty()) {
    std::fprintf(stderr, "zov: %s\n", error.c_str());
    status = kExitFailure;
  } else {
    for (const auto& w : g.modello()->Warnings()) std::fprintf(stderr, "zov: warning: %s\n", w.c_str());
    const auto* petal = dynamic_cast<const zov::PetalModel*>(g.modello());
    const auto s = petal->Summarize();
    std::printf("%s: %s, %s, %s, %s, %s, %s, %s, %s\n", path.c_str(),
                Plural(s.packages, "package", "packages").c_str(),
                Plural(s.useCases, "use case", "use cases").c_str(), Plural(s.actors, "actor", "actors").c_str(),
                Plural(s.classes, "class", "classes").c_str(),
                Plural(s.useCaseDiagrams, "use-case diagram", "use-case diagrams").c_str(),
                Plural(s.classDiagrams, "class diagram", "class diagrams").c_str(),
                Plural(s.sequenceDiagrams + s.collaborationDiagrams, "scenario diagram", "scenario diagrams").c_str(),
                Plural(s.messages, "message", "messages").c_str());
  }
  // Without --work nothing is left behind; with it the files stay for inspection.
  if (!o.work) {
    zov::RimuoveFileCreati(*work);
    zov::RimuoveFileCreatiUIT(*work);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "-h" || a == "--help") {
      PrintUsage(stdout);
      return kExitOk;
    }
    if (a == "-V" || a == "--version") {
      std::printf("zov (Zov Suite) %s\n", ZOV_VERSION);
      return kExitOk;
    }
    if (a == "--work") {
      if (i + 1 >= args.size()) return UsageError("option '--work' needs a folder");
      o.work = std::string(args[++i]);
    } else if (a.substr(0, 7) == "--work=") {
      o.work = std::string(a.substr(7));
    } else if (a == "--") {
      for (++i; i < args.size(); ++i) (o.command.empty() ? o.command : o.arguments.emplace_back()) = args[i];
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("unrecognized option '" + std::string(a) + "'");
    } else if (o.command.empty()) {
      o.command = std::string(a);
    } else {
      o.arguments.emplace_back(a);
    }
  }
  if (o.command.empty()) return UsageError("missing command");
  if (o.work && o.work->empty()) return UsageError("option '--work' needs a folder");
  if (o.command == "load") return Load(o);
  return UsageError("unknown command '" + o.command + "'");
}
