#!/usr/bin/env python3
"""Holds every #include of src/ to the folder table of CMakeLists.txt.

A folder's files may include their own folder, the folders it USES (mivo_folder lines)
and the platform layer's own headers (os.h and the scoped handles beside it); the
backends' folders are the platform's alone, so only the headless backend itself includes
the headless desktop's test API. Prints each include that crosses the table and fails.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "src")
FOLDER = re.compile(r"^mivo_folder\((\w+)\s+USES\s+([\w\s]+)\)", re.M)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def table():
    text = open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8").read()
    uses = {name: set(used.split()) for name, used in FOLDER.findall(text)}
    uses["platform"] = set()
    return uses


def allowed(folder, path, header, uses):
    target = header.split("/")[0]
    if target == folder:
        return True
    if header.startswith("platform/") and header.count("/") == 1:
        return True  # the port's interface, above every backend
    if header.startswith("platform/"):
        return False  # backends and the headless test API are the platform's own
    return target in uses[folder]


def main():
    uses = table()
    crossings, files = [], 0
    for folder in sorted(os.listdir(SRC)):
        base = os.path.join(SRC, folder)
        if not os.path.isdir(base):
            continue
        for directory, _, names in os.walk(base):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp", ".rc")):
                    continue
                path = os.path.join(directory, name)
                files += 1
                text = open(path, encoding="utf-8", errors="replace").read()
                for header in INCLUDE.findall(text):
                    if "/" not in header:
                        continue  # a file beside it, or a generated one
                    if folder not in uses:
                        crossings.append(f"{os.path.relpath(path, ROOT)}: folder {folder} "
                                         f"is not in the table of CMakeLists.txt")
                        break
                    if not allowed(folder, path, header, uses):
                        crossings.append(f"{os.path.relpath(path, ROOT)}: includes {header}, "
                                         f"but {folder} uses only "
                                         f"{', '.join(sorted(uses[folder])) or 'itself'}")
    for crossing in crossings:
        print("layer crossed: " + crossing)
    print(f"layers: {files} files of src/, {len(crossings)} includes across the table")
    return 1 if crossings else 0


if __name__ == "__main__":
    sys.exit(main())
