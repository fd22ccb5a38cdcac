#!/usr/bin/env python3
"""Runs one command-line check of zov, written as data (tests/cli/cases/NAME.case).

Usage: run_case.py CASE-FILE ZOV EXAMPLES-DIR DATA-DIR SHARED-DIR SOURCE-DIR [MODEL-MAKER]

A case is a list of steps, one a line, run in order in a fresh folder; lines
starting with "#" are comments. A failing step is named with its line, with
what the last run of zov printed.

  run ARGS...             run zov with ARGS (split as a shell splits words; no
                          other shell syntax); keeps its exit code and output
  run-in DIR ARGS...      the same, from the folder DIR
  exit N                  the last run exited with N
  out REGEX               some line of its standard output matches REGEX whole
  out-has REGEX           its standard output holds a match of REGEX
  out-lacks REGEX         ... holds none
  out-count N REGEX       ... holds N matches
  out-empty               it printed nothing on standard output
  err, err-has, err-lacks, err-count   the same for standard error
  exists PATH / absent PATH / link PATH / empty-folder PATH
  file-has PATH REGEX     the file holds a match of REGEX (PATH in double
                          quotes when it holds blanks)
  same PATH PATH          two files or folders have the same content
  sh COMMAND              a shell command that must succeed
  needs-shared            the shared real models are needed (skip without them,
                          unless ZOV_REQUIRE_SHARED=1 makes that a failure)
  needs COMMAND           a shell command that must succeed for the case to run
                          at all (the case is skipped, and says why, when it fails)
  cleanup COMMAND         a shell command run when the case ends, however it ends

In every argument $ZOV, $EXAMPLES, $DATA, $SHARED, $SOURCE and $MAKER stand
for the paths given, and \\t for a tab.
"""
import filecmp
import os
import re
import shlex
import subprocess
import sys
import tempfile

SKIP = 77


class Failed(Exception):
    pass


class Skipped(Exception):
    pass


def first_word(text):
    """The first word of text (in double quotes when it holds blanks) and the rest."""
    if text.startswith('"'):
        end = text.index('"', 1)
        return text[1:end], text[end + 1:].strip()
    word, _, rest = text.partition(" ")
    return word, rest.strip()


class Case:
    def __init__(self, names, work):
        self.names = names
        self.work = work
        self.env = dict(os.environ, LC_ALL="C")
        self.code = None
        self.out = self.err = ""
        self.cleanups = []

    def expand(self, text):
        for k, v in self.names.items():
            text = text.replace("$" + k, v)
        return text.replace("\\t", "\t")

    def path(self, p):
        return os.path.join(self.work, self.expand(p))

    def shell(self, command, timeout=300):
        return subprocess.run(["sh", "-c", self.expand(command)], cwd=self.work, env=self.env,
                              capture_output=True, timeout=timeout)

    def step(self, word, rest):
        if word == "needs-shared":
            if not os.path.isdir(self.names["SHARED"]):
                if os.environ.get("ZOV_REQUIRE_SHARED") == "1":
                    raise Failed(f"the shared models folder {self.names['SHARED']} is missing; "
                                 "ZOV_REQUIRE_SHARED=1 makes that a failure")
                raise Skipped(f"the shared models folder {self.names['SHARED']} is missing")
        elif word == "needs":
            if self.shell(rest).returncode != 0:
                raise Skipped(f"cannot run here ({rest})")
        elif word == "cleanup":
            self.cleanups.append(rest)
        elif word in ("run", "run-in"):
            args = [self.expand(a) for a in shlex.split(rest)]
            cwd = os.path.join(self.work, args.pop(0)) if word == "run-in" else self.work
            try:
                p = subprocess.run([self.names["ZOV"]] + args, cwd=cwd, env=self.env, capture_output=True,
                                   timeout=120)
            except subprocess.TimeoutExpired:
                raise Failed("timed out")
            self.code = p.returncode
            self.out = p.stdout.decode("utf-8", "replace")
            self.err = p.stderr.decode("utf-8", "replace")
        elif word == "exit":
            if self.code != int(rest):
                raise Failed(f"expected exit {rest}")
        elif word in ("out", "err", "out-has", "err-has", "out-lacks", "err-lacks"):
            stream, _, how = word.partition("-")
            pattern = re.compile(self.expand(rest))
            text = self.out if stream == "out" else self.err
            if how == "":
                found = any(pattern.fullmatch(line) for line in text.splitlines())
            else:
                found = pattern.search(text) is not None
            if found == (how == "lacks"):
                raise Failed()
        elif word in ("out-count", "err-count"):
            n, _, pattern = rest.partition(" ")
            found = len(re.findall(self.expand(pattern), self.out if word == "out-count" else self.err))
            if found != int(n):
                raise Failed(f"found {found} times")
        elif word == "out-empty":
            if self.out:
                raise Failed()
        elif word == "exists":
            if not os.path.lexists(self.path(rest)):
                raise Failed()
        elif word == "absent":
            if os.path.lexists(self.path(rest)):
                raise Failed()
        elif word == "link":
            if not os.path.islink(self.path(rest)):
                raise Failed()
        elif word == "empty-folder":
            where = self.path(rest)
            if not os.path.isdir(where) or os.listdir(where):
                raise Failed(f"holds {os.listdir(where) if os.path.isdir(where) else 'no folder'}")
        elif word == "file-has":
            name, pattern = first_word(rest)
            try:
                with open(self.path(name), encoding="utf-8", errors="replace") as f:
                    text = f.read()
            except OSError as e:
                raise Failed(str(e))
            if re.search(self.expand(pattern), text, re.M) is None:
                raise Failed()
        elif word == "same":
            a, b = (self.path(p) for p in shlex.split(rest))
            if os.path.isdir(a):
                cmp = filecmp.dircmp(a, b)
                if cmp.left_only or cmp.right_only or cmp.diff_files or cmp.funny_files:
                    raise Failed(f"differ: {cmp.left_only} {cmp.right_only} {cmp.diff_files}")
            elif not filecmp.cmp(a, b, shallow=False):
                raise Failed("the files differ")
        elif word == "sh":
            p = self.shell(rest)
            if p.returncode != 0:
                raise Failed((p.stdout + p.stderr).decode("utf-8", "replace").strip()[:2000])
        else:
            raise Failed(f"unknown step '{word}'")


def main():
    case_file, zov, examples, data, shared, source = sys.argv[1:7]
    maker = sys.argv[7] if len(sys.argv) > 7 else ""
    names = {"ZOV": zov, "EXAMPLES": examples, "DATA": data, "SHARED": shared, "SOURCE": source, "MAKER": maker}
    name = os.path.basename(case_file)
    with open(case_file, encoding="utf-8") as f:
        lines = f.read().splitlines()
    with tempfile.TemporaryDirectory(prefix="zov-case-") as work:
        case = Case(names, work)
        try:
            for number, raw in enumerate(lines, 1):
                line = raw.strip()
                if not line or line.startswith("#"):
                    continue
                word, _, rest = line.partition(" ")
                try:
                    case.step(word, rest.strip())
                except Failed as e:
                    print(f"FAILED {name}:{number}: {line}")
                    if str(e):
                        print(f"  {e}")
                    if case.code is not None:
                        print(f"  the last run exited {case.code}")
                        for stream, text in (("out", case.out), ("err", case.err)):
                            for out_line in text.splitlines()[:20]:
                                print(f"  {stream}: {out_line}")
                    return 1
                except subprocess.TimeoutExpired:
                    print(f"FAILED {name}:{number}: {line}\n  timed out")
                    return 1
        except Skipped as e:
            print(f"{name}: {e}: skipped")
            return SKIP
        finally:
            for command in case.cleanups:
                case.shell(command)
    print(f"{name}: every step passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
