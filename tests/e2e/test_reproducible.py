#!/usr/bin/env python3
"""`make package` gives the same bytes whoever builds it, wherever and whenever.

  test_reproducible.py SOURCE_DIR REFERENCE_DIR

REFERENCE_DIR holds what the package test built from a copy of the sources,
under umask 022 in UTC. The sources are copied once more, later, so that
their files bear other dates, into a folder of another name and depth, and
packaged by `make package` under umask 077 in another time zone, with no
SOURCE_DATE_EPOCH in the environment. The source package, the game's
package and its -dbgsym package must be the same bytes as the reference's,
and every file in the game's package must bear the date of the newest entry
of debian/changelog. On a difference the test prints what differs in a
package: the archive's members, and each file of the control and data parts
with its type, mode, owner, date, size and checksum.
"""

import difflib
import glob
import hashlib
import os
import shutil
import sys
import tempfile
import time

from packaging import make_package, members, tool
from pyoko import check, run

COMPARED = ("dsc", "tar", "deb", "dbgsym")  # .buildinfo and .changes name the build's environment


def describe(package):
    if not package.endswith(".deb"):
        return []
    code, archive = tool("ar", "tv", package)
    check(code == 0, f"ar cannot read {package}: {archive}")
    return [f"ar {line}" for line in archive.splitlines()] + [" ".join(map(str, m)) for m in members(package)]


def test(source, reference):
    made = glob.glob(os.path.join(reference, "pyokopon", "build", "package", "*"))
    check(made, f"no packages in {reference}: the package test makes them")
    scratch = tempfile.mkdtemp(prefix="pyokopon-reproducible-")
    try:
        # The copy's files must bear other dates than the reference's.
        time.sleep(max(0.0, min(os.stat(path).st_mtime for path in made) + 2 - time.time()))
        second = make_package(source, os.path.join(scratch, "a-second-folder", "one-level-deeper", "pyokopon"),
                              0o077, "Asia/Tokyo")
        for kind in COMPARED:
            first = os.path.join(os.path.dirname(made[0]), os.path.basename(second[kind]))
            with open(first, "rb") as a, open(second[kind], "rb") as b:
                same = a.read() == b.read()
            if not same:
                _, where = tool("cmp", first, second[kind])
                diff = difflib.unified_diff(describe(first), describe(second[kind]), "umask 022", "umask 077",
                                            lineterm="", n=1)
                check(False, f"{os.path.basename(first)} differs: {where.strip()}\n" + "\n".join(diff))

        code, epoch = tool("dpkg-parsechangelog", "-l", os.path.join(source, "debian", "changelog"), "-STimestamp")
        check(code == 0 and epoch.strip().isdigit(), f"dpkg-parsechangelog: {epoch}")
        dates = {m[1]: m[5] for m in members(second["deb"])}
        check(set(dates.values()) == {int(epoch)},
              f"file dates other than the changelog's {epoch.strip()}: "
              f"{ {name: date for name, date in dates.items() if date != int(epoch)} }")
        with open(second["deb"], "rb") as deb:
            digest = hashlib.sha256(deb.read()).hexdigest()
        print(f"{os.path.basename(second['deb'])}: sha256 {digest}; it, its -dbgsym package and the source "
              f"package are the same from both folders")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    check(len(sys.argv) == 3, "usage: test_reproducible.py SOURCE_DIR REFERENCE_DIR")
    run(test, *sys.argv[1:])
