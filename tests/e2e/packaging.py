"""`make package` in a copy of the sources, for the package tests.

The copy holds the sources without their version control data and build
folders, and every file bears the time of the copy. `make package` runs
there with no SOURCE_DATE_EPOCH and none of the caller's make settings, so
that only the sources decide what it builds.
"""

import glob
import hashlib
import io
import os
import shutil
import subprocess
import tarfile
import time

from pyoko import check

BUILD_TIMEOUT = 1800  # one package, on a busy machine of two cores


def tool(*argv, cwd=None, timeout=300):
    done = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout, cwd=cwd)
    return done.returncode, done.stdout.decode(errors="replace")


def _not_sources(source):
    def ignore(folder, names):
        if os.path.abspath(folder) != source:
            return []
        return [name for name in names if name == ".git" or name == "build" or name.startswith("build-")]
    return ignore


def make_package(source, copy, umask, zone):
    """Copies the sources to copy and runs `make package` there under umask
    and time zone. Returns {kind: path} of what it left in build/package/:
    "dsc", "tar", "deb", "dbgsym", "buildinfo" and "changes"."""
    source = os.path.abspath(source)
    environment = {name: value for name, value in os.environ.items()
                   if name not in ("SOURCE_DATE_EPOCH", "MAKEFLAGS", "MFLAGS", "MAKELEVEL", "MAKEOVERRIDES")}
    environment["TZ"] = zone
    previous = os.umask(umask)
    try:
        # shutil.copy keeps the modes and gives every file the time of the copy.
        shutil.copytree(source, copy, ignore=_not_sources(source), copy_function=shutil.copy)
        started = time.monotonic()
        argv = ["make", "-C", copy, "--no-print-directory", "package", "JOBS=2"]
        done = subprocess.run(argv, env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=BUILD_TIMEOUT)
        check(done.returncode == 0, f"make package in {copy} (umask {umask:03o}) failed:\n"
                                    f"{done.stdout.decode(errors='replace')[-6000:]}")
    finally:
        os.umask(previous)
    output = os.path.join(copy, "build", "package")
    patterns = {"dsc": "*.dsc", "tar": "*.tar.xz", "deb": "pyokopon_*.deb", "dbgsym": "pyokopon-dbgsym_*.deb",
                "buildinfo": "*.buildinfo", "changes": "*.changes"}
    made = {}
    for kind, pattern in patterns.items():
        found = glob.glob(os.path.join(output, pattern))
        check(len(found) == 1, f"make package left {found} for {pattern} in {output}")
        made[kind] = found[0]
    print(f"umask {umask:03o}, TZ {zone}: packaged in {time.monotonic() - started:.0f} s")
    return made


def members(deb):
    """Each file of a package's control and data parts: (part, name, type,
    mode, owner, date, size, sha256)."""
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
