#!/usr/bin/env python3
"""Writes the files of a release the size of a real assistant's, the same on
every machine (seeded), for bench/wan.sh:

    wan_release.py FOLDER GENERATION PROGRAM...

300 files, about 40 MB: three binaries of 5-8 MiB, the assistant's programs
(the PROGRAM files, copied), Config.ini and 292 files of 10-200 KiB in Data,
Plugins, Script and Tools, their sizes spread evenly on a logarithmic scale as
in an install folder: many small files, a few larger ones. Plugins holds
Edition811.dll, which demo/edition.list puts in the edition manifest.

GENERATION 1 or 2: the same names and sizes, every file's bytes different
between the two, so an update from 1 to 2 changes all 300 files. A program
gets bytes appended (Windows ignores data past a program's image).
"""
import math
import os
import random
import shutil
import sys

SEED = 811
BINARIES = ["LumaroCore.dll", "LumaroRender.dll", "LumaroMedia.dll"]
# Folder, number of files, file name pattern.
SMALL_FILES = [("Data", 120, "d{:03}.dat"), ("Plugins", 80, "p{:03}.dll"), ("Script", 50, "s{:03}.js"),
               ("Tools", 42, "t{:03}.bin")]
MIB = 1024 * 1024
KIB = 1024


def layout():
    """(relative path, size) of every generated file; the same in both generations."""
    sizes = random.Random(SEED)
    files = [(name, sizes.randint(5 * MIB, 8 * MIB)) for name in BINARIES]
    for folder, count, pattern in SMALL_FILES:
        for number in range(count):
            name = "Edition811.dll" if (folder, number) == ("Plugins", 0) else pattern.format(number)
            size = round(math.exp(sizes.uniform(math.log(10 * KIB), math.log(200 * KIB))))
            files.append((f"{folder}/{name}", size))
    return files


def main():
    if len(sys.argv) < 4 or sys.argv[2] not in ("1", "2"):
        sys.exit("usage: wan_release.py FOLDER 1|2 PROGRAM...")
    folder, generation, programs = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    content = random.Random(f"{SEED}-{generation}")
    for relative, size in layout():
        path = os.path.join(folder, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content.randbytes(size))
    for program in programs:
        target = os.path.join(folder, os.path.basename(program))
        shutil.copyfile(program, target)
        with open(target, "ab") as f:
            f.write(f"\0generation {generation}\0".encode())
    with open(os.path.join(folder, "Config.ini"), "wb") as f:
        f.write(f"[Assistant]\r\nGeneration={generation}\r\n".encode())


if __name__ == "__main__":
    main()
