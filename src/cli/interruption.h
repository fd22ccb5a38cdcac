// What a run of zov leaves behind when Ctrl-C (SIGINT) or SIGTERM ends it:
// nothing. The folders a run writes into while it works (its private
// working folder, the staging folder of a plan) are flat folders of its own;
// the handler empties and removes them, removes the plan's lock and a
// folder the run made, and ends the process as the signal would have.
#pragma once

#include <csignal>
#include <filesystem>

namespace zov::cli {

class Interruption {
 public:
  // Two folders removed on a signal (with what is in them), a lock file
  // removed, and a folder removed when that leaves it empty; any may be empty.
  Interruption(const std::filesystem::path& work, const std::filesystem::path& staging,
               const std::filesystem::path& lock, const std::filesystem::path& madeFolder);
  ~Interruption();
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;

  // Holds the signals back while the results move into place, so that the
  // folder ends up with the whole plan or none of it.
  class Held {
   public:
    Held();
    ~Held();
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

   private:
    sigset_t old_;
  };
};

}  // namespace zov::cli
