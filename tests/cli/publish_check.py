#!/usr/bin/env python3
"""The output folder of zov plan under a hostile world.

Usage: publish_check.py killed|concurrent ZOV EXAMPLES-DIR MODEL-MAKER

killed: an earlier plan lies in the folder; a new plan is killed (SIGKILL,
injected by strace at an exact system call) at every rename of its run,
before and right after it takes the lock, and at the calls that make its
files durable. Each time the same plan is run again into the folder: it must
succeed and leave the folder file for file as a clean run of the same seed
leaves a fresh one, with nothing else but the manifest and the lock file.

concurrent: two different plans started into one folder at once, twenty
times, every other time over the lock file a run that is gone left: each
publishes or says the folder is busy, and the folder always holds one of the
two plans whole, never a mix. Meanwhile a reader takes the shared lock the
README tells scripts to take, again and again: under it the manifest and the
files always agree.
"""
import fcntl
import os
import shutil
import subprocess
import sys
import tempfile
import threading

SKIP = 77
FORMATS = "text,csv,json,testrail-xml,xray-csv,testlink-xml,feature,html"


def files_of(folder):
    """Every file of the folder by name, with its content; the lock file aside."""
    out = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if name == ".zov-lock":
            continue
        if not os.path.isfile(path) or os.path.islink(path):
            out[name] = "(not a regular file)"
            continue
        with open(path, "rb") as f:
            out[name] = f.read()
    return out


def said(err):
    """What a run said, without its plan report."""
    return [line for line in err.splitlines() if not line.startswith("zov:  ") and "Plan report" not in line]


def differences(got, want):
    lines = []
    for name in sorted(set(got) | set(want)):
        if name not in want:
            lines.append("  left over: " + name)
        elif name not in got:
            lines.append("  missing: " + name)
        elif got[name] != want[name]:
            lines.append("  differs: " + name)
    return lines


class Check:
    def __init__(self, zov, examples, maker, work):
        self.zov, self.examples, self.maker, self.work = zov, examples, maker, work
        self.failures = []

    def run(self, args, prefix=()):
        # LeakSanitizer cannot stop a traced process to look for leaks.
        env = None
        if prefix:
            env = dict(os.environ, ASAN_OPTIONS=(os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":"))
        return subprocess.run(list(prefix) + [self.zov] + args, cwd=self.work, capture_output=True, text=True,
                              timeout=300, env=env)

    def plan_args(self, which, folder):
        if which == "earlier":
            return ["plan", "m50.mdl", "--out", folder, "--seed", "1"]
        if which == "other":
            return ["plan", os.path.join(self.examples, "Lending.mdl"), "--out", folder, "--seed", "3",
                    "--format", FORMATS]
        return ["plan", os.path.join(self.examples, "ATM.mdl"), "--out", folder, "--seed", "2", "--format", FORMATS]

    def clean(self, which):
        folder = "clean-" + which
        r = self.run(self.plan_args(which, folder))
        if r.returncode != 0:
            raise SystemExit("a clean run of the %s plan failed:\n%s" % (which, r.stderr))
        return files_of(os.path.join(self.work, folder))

    def fail(self, what, lines):
        self.failures.append(what + "\n" + "\n".join(lines))


def killed(c):
    if shutil.which("strace") is None:
        print("strace is not installed: the kills cannot be injected (scripts/deps.sh installs it)")
        return SKIP
    subprocess.run([c.maker, "50", os.path.join(c.work, "m50.mdl")], check=True)
    want = c.clean("new")
    pristine = os.path.join(c.work, "pristine")
    if c.run(c.plan_args("earlier", pristine)).returncode != 0:
        raise SystemExit("the earlier plan failed")
    # Kill points: each rename of the run (counted until a run outlives its
    # injection), the lock, and the syncs that make the move durable.
    points = [("flock", 1), ("ftruncate", 1), ("write", 1), ("pwrite64", 1), ("syncfs", 1), ("fsync", 1),
              ("fsync", 2), ("fsync", 3), ("unlink", 1)]
    n = 1
    tried = 0
    while True:
        point = ("rename", n) if n > 0 else points.pop(0) if points else None
        if point is None:
            break
        folder = os.path.join(c.work, "F")
        shutil.rmtree(folder, ignore_errors=True)
        shutil.copytree(pristine, folder, symlinks=True)
        syscall, when = point
        r = c.run(c.plan_args("new", "F"),
                  prefix=["strace", "-f", "-o", "/dev/null", "-e", "trace=" + syscall,
                          "-e", "inject=%s:signal=KILL:when=%d" % (syscall, when)])
        tried += 1
        # strace ends as its tracee did: killed, or not reached by the kill.
        outlived = r.returncode not in (-9, 137)
        if outlived and r.returncode != 0:
            c.fail("killed at %s #%d: the traced run failed (exit %d)" % (point + (r.returncode,)), said(r.stderr))
        again = c.run(c.plan_args("new", "F"))
        where = "killed at %s #%d" % point
        if again.returncode != 0:
            c.fail(where + ": the next run failed (exit %d)" % again.returncode, said(again.stderr))
        else:
            lines = differences(files_of(folder), want)
            if lines:
                c.fail(where + ": the folder is not the clean plan", lines)
        if syscall == "rename":
            n = n + 1 if not outlived and n < 1000 else 0
    print("%d runs killed (every rename up to %d, then the lock and the syncs), each followed by a run into the folder"
          % (tried, tried - 9))
    return 0


def fnv1a64(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def read_under_lock(folder):
    """The manifest's disagreements with the files, read under a shared lock."""
    lock = os.path.join(folder, ".zov-lock")
    if not os.path.exists(lock):
        return None
    with open(lock, "rb") as held:
        fcntl.flock(held, fcntl.LOCK_SH)
        try:
            with open(os.path.join(folder, ".zov-plan"), "rb") as f:
                manifest = f.read().decode()
        except FileNotFoundError:
            return None
        wrong = []
        for line in manifest.splitlines()[1:]:
            if line.startswith("# "):
                continue
            size, digest, name = line.split(" ", 2)
            try:
                with open(os.path.join(folder, name), "rb") as f:
                    data = f.read()
            except FileNotFoundError:
                wrong.append("missing " + name)
                continue
            if str(len(data)) != size or fnv1a64(data) != digest:
                wrong.append("differs " + name)
        return wrong


def concurrent(c):
    subprocess.run([c.maker, "50", os.path.join(c.work, "m50.mdl")], check=True)
    plans = {"new": c.clean("new"), "other": c.clean("other")}
    folder = os.path.join(c.work, "F")
    busy = 0
    gone = subprocess.Popen(["true"])
    gone.wait()
    stop = threading.Event()
    reads = []

    def reader():
        while not stop.is_set():
            wrong = read_under_lock(folder)
            if wrong is not None:
                reads.append(wrong)
            stop.wait(0.02)

    watching = threading.Thread(target=reader)
    watching.start()
    for round_ in range(20):
        # Every other round starts from the lock file of a run that is gone.
        if round_ % 2 == 1:
            with open(os.path.join(folder, ".zov-lock"), "w") as f:
                f.write("%d\n" % gone.pid)
        started = [subprocess.Popen([c.zov] + c.plan_args(w, "F"), cwd=c.work, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, text=True) for w in ("new", "other")]
        results = [(p.wait(timeout=300), p.stderr.read()) for p in started]
        for p in started:
            p.stdout.close()
            p.stderr.close()
        for code, err in results:
            if code == 1 and "another Zov Suite run is writing here" in err:
                busy += 1
            elif code != 0:
                c.fail("round %d: a run failed (exit %d)" % (round_ + 1, code), said(err))
        if all(code != 0 for code, _ in results):
            c.fail("round %d: neither run published" % (round_ + 1), [])
        got = files_of(folder)
        if all(differences(got, want) for want in plans.values()):
            c.fail("round %d: the folder holds neither plan whole" % (round_ + 1),
                   min((differences(got, want) for want in plans.values()), key=len))
    stop.set()
    watching.join()
    torn = [w for w in reads if w]
    if torn:
        c.fail("%d of %d reads under the shared lock found the manifest and the files disagreeing"
               % (len(torn), len(reads)), torn[0][:5])
    print("20 rounds of two runs at once; %d runs found the folder busy; %d reads under the shared lock, all whole"
          % (busy, len(reads)))
    return 0


def main():
    mode, zov, examples, maker = sys.argv[1:5]
    with tempfile.TemporaryDirectory(prefix="zov-publish-") as work:
        c = Check(os.path.abspath(zov), os.path.abspath(examples), os.path.abspath(maker), work)
        code = {"killed": killed, "concurrent": concurrent}[mode](c)
    for f in c.failures:
        print("FAILED: " + f)
    return 1 if c.failures else code


if __name__ == "__main__":
    sys.exit(main())
