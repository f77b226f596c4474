#!/usr/bin/env python3
"""Checks that every include of the layered folders points down a layer:
text/ <- exchange/ <- tool/ <- view/ <- win32/ and batch/, which never
include each other. Tests (and perf tests) may also include the shared test
helpers in tests/.

   layer_check.py ROOT            exit 1 and each bad include listed
   layer_check.py --planted ROOT  proves the check: an upward include and a
                                  cross include planted into a copy fail it
"""
import os
import re
import shutil
import sys
import tempfile

BELOW = {
    "text": {"text"},
    "exchange": {"text", "exchange"},
    "tool": {"text", "exchange", "tool"},
    "view": {"text", "exchange", "tool", "view"},
    "win32": {"text", "exchange", "tool", "view", "win32"},
    "batch": {"text", "exchange", "tool", "view", "batch"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/', re.M)


def bad_includes(root):
    found = []
    for layer, allowed in BELOW.items():
        for folder, _, names in os.walk(os.path.join(root, layer)):
            for name in sorted(names):
                if not name.endswith((".cc", ".h", ".rc")):
                    continue
                path = os.path.join(folder, name)
                is_test = name.endswith(("_test.cc", "_perftest.cc"))
                with open(path, encoding="utf-8") as f:
                    for target in INCLUDE.findall(f.read()):
                        if target in allowed or (is_test and target == "tests"):
                            continue
                        found.append(f"{os.path.relpath(path, root)} includes {target}/")
    return found


def main():
    planted = sys.argv[1] == "--planted"
    root = sys.argv[-1]
    if not planted:
        found = bad_includes(root)
        for line in found:
            print(f"layers: {line}")
        print("layers: every include points down" if not found else "layers: wrong includes")
        return 1 if found else 0
    with tempfile.TemporaryDirectory() as copy:
        for layer in BELOW:
            shutil.copytree(os.path.join(root, layer), os.path.join(copy, layer))
        if bad_includes(copy):
            print("layers: the copy fails before anything is planted")
            return 1
        for path, include in (("tool/form1.cc", "view/view_model.h"),
                              ("win32/dialog-win32.cc", "batch/x.h"),
                              ("exchange/reader.cc", "tool/form1.h")):
            with open(os.path.join(copy, path), "a", encoding="utf-8") as f:
                f.write(f'#include "{include}"\n')
            found = bad_includes(copy)
            if len(found) != 1 or include.split("/")[0] not in found[0]:
                print(f"layers: a planted include of {include} in {path} gave {found}")
                return 1
            with open(os.path.join(copy, path), encoding="utf-8") as f:
                text = f.read()
            with open(os.path.join(copy, path), "w", encoding="utf-8") as f:
                f.write(text.replace(f'#include "{include}"\n', ""))
        print("layers: planted upward and cross includes are found")
        return 0


if __name__ == "__main__":
    sys.exit(main())
