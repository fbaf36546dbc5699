#!/usr/bin/env python3
"""`make package` gives the same bytes whoever builds it, wherever and whenever.

  test_reproducible.py SOURCE_DIR PACKAGE_DIR

PACKAGE_DIR holds the package that test_package.py made from the build
folder of `make test` (umask 022, time zone UTC, in the sources' own
folder). The source tree is copied into a folder of another name and depth,
later, so that its files bear other dates, and packaged there by `make
package` under umask 077 and the time zone of Tokyo, with no
SOURCE_DATE_EPOCH in the environment. The two .deb files must be equal byte
for byte, and every file in them must bear the date of the newest entry of
debian/changelog. On a difference the test prints what differs: the archive's
members, and each file of the control and data parts with its type, mode,
owner, date, size and checksum.

The copy's game is built once by hand beforehand, with no date given, as a
developer's build folder may hold it: `make package` must compile the images
again with its own date.

To save time the copy builds the game without its unit tests: its build
folder is configured with BUILD_TESTING off before `make package` runs, and
the Makefile's own configuration keeps that setting.
"""

import difflib
import glob
import hashlib
import io
import os
import shutil
import subprocess
import sys
import tarfile
import tempfile
import time

from pyoko import check, run

BUILD_TIMEOUT = 1800  # one package, on a busy machine of two cores


def tool(*argv, timeout=120):
    done = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)
    return done.returncode, done.stdout.decode(errors="replace")


def not_sources(source):
    """What copytree leaves behind: the version control data and the build folders."""
    def ignore(folder, names):
        if os.path.abspath(folder) != source:
            return []
        return [name for name in names if name == ".git" or name == "build" or name.startswith("build-")]
    return ignore


def package(source, copy, umask, zone, game_first=False):
    """Copies the sources to copy and runs `make package` there; returns the .deb's path.
    game_first: build the game beforehand, outside the Makefile."""
    environment = {name: value for name, value in os.environ.items()
                   if name not in ("SOURCE_DATE_EPOCH", "MAKEFLAGS", "MFLAGS", "MAKELEVEL", "MAKEOVERRIDES")}
    environment["TZ"] = zone
    previous = os.umask(umask)
    try:
        # shutil.copy keeps the modes and gives every file the time of the copy.
        shutil.copytree(source, copy, ignore=not_sources(source), copy_function=shutil.copy)
        started = time.monotonic()
        steps = [["cmake", "-S", copy, "-B", os.path.join(copy, "build"), "-DBUILD_TESTING=OFF"]]
        if game_first:
            steps.append(["cmake", "--build", os.path.join(copy, "build"), "-j2", "--target", "pyokopon"])
        steps.append(["make", "-C", copy, "--no-print-directory", "package", "JOBS=2"])
        for argv in steps:
            done = subprocess.run(argv, env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  timeout=BUILD_TIMEOUT)
            check(done.returncode == 0, f"{' '.join(argv)} (umask {umask:03o}) failed:\n"
                                        f"{done.stdout.decode(errors='replace')[-6000:]}")
    finally:
        os.umask(previous)
    debs = glob.glob(os.path.join(copy, "build", "*.deb"))
    check(len(debs) == 1, f"make package in {copy} made {debs}")
    print(f"umask {umask:03o}, TZ {zone}: {debs[0]} in {time.monotonic() - started:.0f} s")
    return debs[0]


def members(deb):
    """Each file of the package's control and data parts: (part, name, type, mode, owner, date, size, sha256)."""
    found = []
    for part, option in (("control", "--ctrl-tarfile"), ("data", "--fsys-tarfile")):
        done = subprocess.run(["dpkg-deb", option, deb], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        check(done.returncode == 0, f"dpkg-deb {option} {deb}: {done.stderr.decode(errors='replace')}")
        with tarfile.open(fileobj=io.BytesIO(done.stdout)) as tar:
            for entry in tar.getmembers():
                kind = "d" if entry.isdir() else "-" if entry.isfile() else entry.type.decode()
                digest = hashlib.sha256(tar.extractfile(entry).read()).hexdigest()[:16] if entry.isfile() else "-"
                found.append((part, entry.name, kind, f"{entry.mode:04o}", f"{entry.uname}:{entry.gname}",
                              entry.mtime, entry.size, digest))
    return found


def describe(deb):
    code, archive = tool("ar", "tv", deb)
    check(code == 0, f"ar cannot read {deb}: {archive}")
    return [f"ar {line}" for line in archive.splitlines()] + [" ".join(map(str, m)) for m in members(deb)]


def test(source, package_dir):
    source = os.path.abspath(source)
    debs = glob.glob(os.path.join(package_dir, "*.deb"))
    check(len(debs) == 1, f"{package_dir} holds {debs}, not the one package test_package.py makes")
    first = debs[0]
    scratch = tempfile.mkdtemp(prefix="pyokopon-reproducible-")
    try:
        second = package(source, os.path.join(scratch, "a", "second", "folder", "pyokopon"), 0o077, "Asia/Tokyo",
                         game_first=True)

        with open(first, "rb") as a, open(second, "rb") as b:
            same = a.read() == b.read()
        if not same:
            _, where = tool("cmp", first, second)
            diff = difflib.unified_diff(describe(first), describe(second), "build folder", "copy", lineterm="", n=1)
            check(False, f"the two packages differ: {where.strip()}\n" + "\n".join(diff))

        code, epoch = tool("dpkg-parsechangelog", "-l", os.path.join(source, "debian", "changelog"), "-STimestamp")
        check(code == 0 and epoch.strip().isdigit(), f"dpkg-parsechangelog: {epoch}")
        dates = {m[1]: m[5] for m in members(first)}
        check(set(dates.values()) == {int(epoch)},
              f"file dates other than the changelog's {epoch.strip()}: "
              f"{ {name: date for name, date in dates.items() if date != int(epoch)} }")
        with open(first, "rb") as deb:
            digest = hashlib.sha256(deb.read()).hexdigest()
        print(f"{os.path.basename(first)}: {os.path.getsize(first)} bytes, sha256 {digest}, the same from both folders")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    check(len(sys.argv) == 3, "usage: test_reproducible.py SOURCE_DIR PACKAGE_DIR")
    run(test, *sys.argv[1:])
