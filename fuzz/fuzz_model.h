// What the fuzz targets that plan share: the input written as a model file
// of a private folder (gone with it), and a planning session whose
// documents and scripts stay in memory, with a fixed seed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "files/work_folder.h"
#include "session/planning_session.h"

namespace zov::fuzz {

struct FuzzPlan {
  std::optional<WorkFolder> folder;  // holds the model file
  WorkFolder output = WorkFolder::InMemory();
  QuietBusyBox busy;
  PlanningSession p;

  // Writes the model and opens it; false when either fails.
  bool open(std::string_view model) {
    folder = WorkFolder::CreatePrivate(nullptr);
    if (!folder) return false;
    std::string error;
    {
      OutputFile out = folder->create("fuzz.mdl", CreatedList::kScripts, &error);
      out.write(model.data(), static_cast<std::streamsize>(model.size()));
      folder->close(out, "fuzz.mdl");
    }
    p.setBusyBox(&busy);
    p.setWorkFolder(&output);
    p.setSeed(1);
    return static_cast<bool>(p.openModel(folder->pathOf("fuzz.mdl")->string()));
  }
};

}  // namespace zov::fuzz
