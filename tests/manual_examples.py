#!/usr/bin/python3
"""The manual page's examples, run as a reader runs them, in sandbox.sh.
Usage: manual_examples.py PROGRAM SOURCE_DIR BUILD_DIR

Every .EX block of doc/Quorvane.1 is taken in page order (the page's top
comment says how it is marked): a file is written where it says, or, for a
file of the source tree, must equal it without its comment lines; a
session's commands run as root ("# ") or as nobody ("$ "), with PROGRAM as
/usr/bin/Quorvane, and what each prints, standard output and error
together, must be the lines shown after it. Then the units the page writes
must pass systemd-analyze verify, its YAML files must parse and name only
metrics that its --metrics files declare, every example line must be what
man shows, man --warnings must be silent, and the built page's footer must
name the program's version and the changelog's date.
"""
import datetime
import os
import re
import shutil
import subprocess
import sys

import yaml

PROGRAM, SOURCE, BUILD = sys.argv[1:4]
SCRATCH = os.environ["QUORVANE_SANDBOX"]
PAGE = open(os.path.join(SOURCE, "doc/Quorvane.1"), encoding="utf-8").read()
BUILT = os.path.join(BUILD, "Quorvane.1")
UNITS = "/etc/systemd/system"
ENV = {"PATH": "/usr/bin:/bin:/usr/sbin:/sbin", "LC_ALL": "C", "HOME": "/"}
AS_NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
failed = []


def check(ok, what):
    if not ok:
        failed.append(what)
        print("FAIL: " + what)


# The page's strings as a UTF-8 terminal shows them (the first definition
# of each), and the escapes its examples use.
STRINGS = {}
for name, value in re.findall(r'^\.\s*ds (\S+) "?(.*)$', PAGE, re.M):
    STRINGS.setdefault(name, value)
ESCAPES = {r"\-": "-", r"\e": "\\", r"\(aq": "'", r"\(dq": '"', r"\&": ""}


def shown(line):
    line = re.sub(r"\\\*\[([^]]+)\]", lambda m: STRINGS[m.group(1)], line)
    return re.sub(r"\\(\(..|.)", lambda m: ESCAPES[m.group(0)], line)


def sessions(lines):
    """(user, command, the lines it prints): a command goes on while its
    line ends in a backslash or a pipe."""
    steps = []
    for line in lines:
        if steps and steps[-1][1].endswith(("\\", "|")):
            steps[-1][1] += "\n" + line
        elif line[:2] in ("# ", "$ "):
            steps.append([line[0], line[2:], []])
        else:
            check(steps, "output before any command: " + line)
            steps and steps[-1][2].append(line)
    return steps


# The program where the units name it, and the package's units.
upper, work = SCRATCH + "/bin", SCRATCH + "/bin-work"
os.makedirs(upper)
os.makedirs(work)
shutil.copy(PROGRAM, upper + "/Quorvane")
subprocess.run(["mount", "-t", "overlay", "quorvane-bin", "-o", "lowerdir=/usr/bin,"
                f"upperdir={upper},workdir={work}", "/usr/bin"], check=True)
os.makedirs(UNITS, exist_ok=True)
for unit in os.listdir(os.path.join(SOURCE, "contrib/systemd")):
    shutil.copy(os.path.join(SOURCE, "contrib/systemd", unit), UNITS)


def run_session(lines):
    for user, command, out in sessions(lines):
        commands.append(command)
        run = subprocess.run((AS_NOBODY if user == "$" else []) + ["sh", "-c", command],
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, env=ENV, cwd="/", timeout=60)
        got, want = run.stdout.decode("utf-8", "replace"), "".join(l + "\n" for l in out)
        check(got == want, f"{user} {command}\n--- the page shows\n{want}--- it printed\n{got}")


written, commands, example_lines = [], [], []
for path, body in re.findall(r'^(?:\.\\" file (\S+)\n)?\.EX\n(.*?)^\.EE$', PAGE, re.M | re.S):
    lines = [shown(line) for line in body.splitlines()]
    example_lines += lines
    if not path:
        run_session(lines)
    elif path.startswith("/"):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as file:
            file.write("".join(line + "\n" for line in lines))
        written.append(path)
    else:
        kept = [line for line in open(os.path.join(SOURCE, path)) if not line.startswith("#")]
        check("".join(kept).lstrip("\n") == "".join(line + "\n" for line in lines),
              f"{path} is not as the page shows it")

units = {path for path in written if path.endswith((".service", ".timer"))}
units |= {os.path.join(UNITS, os.path.basename(os.path.dirname(path))[:-2])
          for path in written if os.path.dirname(path).endswith(".d")}
verify = subprocess.run(["systemd-analyze", "verify", "--man=no"] + sorted(units),
                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
check(units and verify.returncode == 0 and not verify.stdout,
      f"systemd-analyze verify {sorted(units)}:\n{verify.stdout}")

declared = set()
for metrics in re.findall(r"--metrics[ =](\S+)", "\n".join(commands)):
    text = open(metrics).read() if os.path.exists(metrics) else ""
    declared |= set(re.findall(r"^# TYPE (\S+) ", text, re.M))
for path in written:
    if path.endswith((".yml", ".yaml")):
        rules = open(path).read()
        check(yaml.safe_load(rules), f"{path}: no YAML")
        for metric in sorted(set(re.findall(r"\bquorvane_\w+", rules))):
            check(metric in declared, f"{path}: {metric} is in no --metrics file")

env = dict(ENV, LC_ALL="C.UTF-8", MANWIDTH="200")
man = subprocess.run(["man", "--warnings", "-l", BUILT], env=env, capture_output=True, text=True)
check(not man.stderr, "man --warnings:\n" + man.stderr)
on_screen = {" ".join(line.split()) for line in man.stdout.splitlines()}
for line in example_lines:
    check(" ".join(line.split()) in on_screen | {""}, "man shows otherwise: " + line)

version = subprocess.run([PROGRAM, "--version"], capture_output=True, text=True).stdout.strip()
signed = re.search(r"^ -- .*?, (\d\d \w\w\w \d{4}) ", open(BUILD + "/changelog").read(), re.M)
date = datetime.datetime.strptime(signed.group(1), "%d %b %Y").date().isoformat()
footer = re.search(r"^\.TH .*$", open(BUILT).read(), re.M).group(0)
check(footer == f'.TH Quorvane 1 {date} "{version}" "User Commands"', "footer: " + footer)

print(f"{len(commands)} commands, {len(written)} files: {len(failed)} failed")
sys.exit(1 if failed else 0)
