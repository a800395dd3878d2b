#!/usr/bin/python3
"""Fails when a file of src/ includes a header of a layer above its own.
The layers, bottom up: report; store; names, resolve, hosts (the rules, in
that order); front and install on top. A static library would link a call
upwards all the same, so the includes are what keeps the direction.
Usage: layers_test.py SRC_DIR"""
import os
import re
import sys

# The folders each folder's files may include from (its own among them).
ALLOWED = {
    "report": {"report"},
    "store": {"report", "store"},
    "names": {"report", "store", "names"},
    "resolve": {"report", "store", "names", "resolve"},
    "hosts": {"report", "store", "names", "resolve", "hosts"},
    "front": {"report", "store", "names", "resolve", "hosts", "front"},
    "install": {"report", "store", "install"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/', re.M)


def main():
    src = sys.argv[1]
    wrong = []
    for folder in sorted(os.listdir(src)):
        if folder not in ALLOWED:
            wrong.append(f"{folder}: a folder of no known layer")
            continue
        for name in sorted(os.listdir(os.path.join(src, folder))):
            path = os.path.join(src, folder, name)
            text = open(path, encoding="utf-8", errors="replace").read()
            tests = {"support"} if name.endswith("_test.cpp") else set()
            for used in INCLUDE.findall(text):
                if used not in ALLOWED[folder] | tests:
                    wrong.append(f"{folder}/{name} includes {used}/, a layer above")
    for w in wrong:
        print("FAIL " + w)
    print(f"{0 if wrong else 1} passed, {1 if wrong else 0} failed")
    sys.exit(1 if wrong else 0)


if __name__ == "__main__":
    main()
