// What a plan run leaves behind when Ctrl-C (SIGINT), SIGTERM, SIGHUP (a
// closed terminal) or SIGQUIT (Ctrl+\\) ends it: nothing. The staging folder
// a plan writes into while it works is a flat folder of its own; the
// handler empties and removes it, removes the lock file and the folder the
// run made, and ends the process as the signal would have.
#pragma once

#include <csignal>
#include <filesystem>

namespace zov {

class Interruption {
 public:
  // A folder removed on a signal (with what is in it), a lock file removed,
  // and a folder removed when that leaves it empty; any may be empty.
  Interruption(const std::filesystem::path& staging, const std::filesystem::path& lock,
               const std::filesystem::path& madeFolder);
  ~Interruption();
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;

  // The lock file stays, whatever signal comes.
  void keepLock() const;

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

}  // namespace zov
