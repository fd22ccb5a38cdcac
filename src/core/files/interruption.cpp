#include "files/interruption.h"

#include <cstring>
#include <iterator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "files/output_folder.h"

namespace zov {

namespace {

// Paths kept where the handler can read them without allocating.
constexpr std::size_t kPath = 4096;
char gStaging[kPath], gLock[kPath], gMade[kPath];
// The signals that end a run as Ctrl-C does: a closed terminal, Ctrl+\\.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction gOld[std::size(kSignals)];

void Copy(char* to, const std::filesystem::path& from) {
  const std::string& s = from.native();
  const std::size_t n = s.size() < kPath - 1 ? s.size() : 0;  // a path too long is not cleaned
  std::memcpy(to, s.data(), n);
  to[n] = '\0';
}

// Empties a flat folder and removes it, with async-signal-safe calls only;
// a staging folder holding the journal of a move under way stays, for the
// next run to finish the move.
void RemoveFlat(const char* dir) {
  if (dir[0] == '\0') return;
  const int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (::faccessat(fd, kJournalName, F_OK, AT_SYMLINK_NOFOLLOW) == 0) {
    ::close(fd);
    return;
  }
  struct Entry {
    ino64_t ino;
    off64_t off;
    unsigned short reclen;
    unsigned char type;
    char name[1];
  };
  alignas(8) char buffer[8192];
  for (int pass = 0; pass < 4; ++pass) {
    bool any = false;
    ::lseek(fd, 0, SEEK_SET);
    for (long n; (n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer)) > 0;)
      for (long at = 0; at < n;) {
        const auto* e = reinterpret_cast<const Entry*>(buffer + at);
        at += e->reclen;
        if (std::strcmp(e->name, ".") == 0 || std::strcmp(e->name, "..") == 0) continue;
        if (::unlinkat(fd, e->name, 0) == 0) any = true;
      }
    if (!any) break;
  }
  ::close(fd);
  ::rmdir(dir);
}

void OnSignal(int sig) {
  RemoveFlat(gStaging);
  // The kernel releases the lock; a lock file the run made goes, and a
  // folder it made when nothing else is left in it.
  if (gLock[0] != '\0') ::unlink(gLock);
  if (gMade[0] != '\0') ::rmdir(gMade);
  // End as the signal ends a process, so that the caller sees it.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

Interruption::Interruption(const std::filesystem::path& staging, const std::filesystem::path& lock,
                           const std::filesystem::path& madeFolder) {
  Copy(gStaging, staging);
  Copy(gLock, lock);
  Copy(gMade, madeFolder);
  struct sigaction on {};
  on.sa_handler = OnSignal;
  sigemptyset(&on.sa_mask);
  for (int sig : kSignals) sigaddset(&on.sa_mask, sig);
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &on, &gOld[i]);
}

Interruption::~Interruption() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &gOld[i], nullptr);
  gStaging[0] = gLock[0] = gMade[0] = '\0';
}

void Interruption::keepLock() const { gLock[0] = '\0'; }

Interruption::Held::Held() {
  sigset_t held;
  sigemptyset(&held);
  for (int sig : kSignals) sigaddset(&held, sig);
  ::sigprocmask(SIG_BLOCK, &held, &old_);
}

Interruption::Held::~Held() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }

}  // namespace zov
