// A synthetic model written to a temporary file and put through the whole
// load, with its own working folder; the files go when it does.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "files/work_folder.h"
#include "support/synthetic_model.h"
#include "window/generale.h"

namespace zov::test {

struct LoadedModel {
  explicit LoadedModel(const SyntheticModel& model) : LoadedModel(model.petal()) {}
  // A model written by hand as petal text.
  explicit LoadedModel(const std::string& petal) : work(*WorkFolder::CreatePrivate(nullptr)) {
    window.setBusyBox(&busy);
    static int serial = 0;
    path = std::filesystem::temp_directory_path() /
           ("zov-model-" + std::to_string(::getpid()) + "-" + std::to_string(++serial) + ".mdl");
    std::ofstream(path, std::ios::binary) << petal;
    g.setWorkFolder(&work);
    const Outcome loaded = g.openModel(path.string());
    if (!loaded) error = loaded.message;
  }
  ~LoadedModel() {
    RimuoveFileCreati(work);
    RimuoveFileCreatiUIT(work);
    std::filesystem::remove(path);
  }
  const Tree& main() const { return g.TV(kMainTree); }
  NodeId find(const std::string& key) const { return main().find(key); }
  // The Main Tree node keyed key (a failure, and the first node, when there is none).
  const Node& node(const std::string& key) const {
    const NodeId id = find(key);
    EXPECT_NE(id, kNoNode) << key;
    return main().node(id == kNoNode ? main().firstRoot() : id);
  }
  std::vector<std::string> childKeys(const std::string& key) const {
    std::vector<std::string> keys;
    for (NodeId c = node(key).child; c != kNoNode; c = main().node(c).next) keys.emplace_back(main().node(c).key);
    return keys;
  }

  std::filesystem::path path;
  QuietBusyBox busy;
  PlanningSession g;
  // The window on the session, following it from the load on.
  Generale window{g};
  WorkFolder work;
  std::string error;
};

}  // namespace zov::test
