#!/usr/bin/env python3
"""The Debian packages that `make package` builds, checked, installed and played.

  test_package.py SOURCE_DIR OUTPUT_DIR

`make package` runs in a copy of the sources in OUTPUT_DIR (umask 022, UTC),
where the packages stay for the reproducibility test to compare with. It
must leave a source package, the game's package and its -dbgsym package.
lintian, pedantic, finds nothing in them but its information. The game's
package holds the files a Debian game does, root's, with Debian's modes;
its dependencies are the libraries dpkg-shlibdeps found and the font; it
recommends Qt's Wayland plugin and Qt's Japanese texts, and apt accepts it
on this machine. The -dbgsym package holds the debug information of that
very program, by its build ID.

The package is unpacked into a scratch root and the autopkgtest scripts of
the sources (debian/tests) run on its program there: the command line, and
a first game by an ordinary user, whose scores go to that user's data folder
since the program's folder cannot be written.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

from packaging import make_package, members, tool
from pyoko import check, run

PROGRAM = "usr/games/pyokopon"  # where the package puts the game
APP_ID = "org.pyokopon.pyokopon"
# Every file of the game's package, with its mode; every folder is 0755.
FILES = {
    f"./{PROGRAM}": "0755",
    f"./usr/share/applications/{APP_ID}.desktop": "0644",
    "./usr/share/doc/pyokopon/README.md.gz": "0644",
    "./usr/share/doc/pyokopon/changelog.gz": "0644",
    "./usr/share/doc/pyokopon/copyright": "0644",
    "./usr/share/man/man6/pyokopon.6.gz": "0644",
    f"./usr/share/metainfo/{APP_ID}.metainfo.xml": "0644",
    **{f"./usr/share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png": "0644" for size in (16, 32, 48, 64, 128, 256)},
}


def field(deb, name):
    code, value = tool("dpkg-deb", "--field", deb, name)
    check(code == 0, f"dpkg-deb cannot read {deb}: {value}")
    return value.strip()


def relations(deb, name):
    return [relation.strip().split()[0] for relation in field(deb, name).split(",")]


def check_files(deb):
    data = [m for m in members(deb) if m[0] == "data"]
    files = {name: mode for _, name, kind, mode, _, _, _, _ in data if kind == "-"}
    check(files == FILES, f"the package holds {files}, not {FILES}")
    odd = [m for m in data if m[4] != "root:root" or (m[2] == "d" and m[3] != "0755") or m[2] not in "d-"]
    check(not odd, f"not root's, not a 0755 folder or not a plain file: {odd}")


def check_debug_symbols(dbgsym, program):
    code, notes = tool("readelf", "--notes", program)
    build_id = re.search(r"Build ID: ([0-9a-f]+)", notes)
    check(code == 0 and build_id, f"the program has no build ID:\n{notes}")
    debug = f"./usr/lib/debug/.build-id/{build_id[1][:2]}/{build_id[1][2:]}.debug"
    files = [name for part, name, kind, *_ in members(dbgsym) if part == "data" and kind == "-"]
    check(files == [debug], f"the -dbgsym package holds {files}, not the program's {debug}")


def test(source, output):
    shutil.rmtree(output, ignore_errors=True)
    os.makedirs(output)
    copy = os.path.join(output, "pyokopon")
    made = make_package(source, copy, 0o022, "UTC")
    deb = made["deb"]

    # Errors, warnings and pedantic notes fail the test; lintian's information does not.
    # It is given the .changes by a name relative to its folder: it mangles
    # the names of the files listed there when their full path is not ASCII.
    code, out = tool("lintian", "--pedantic", "--fail-on", "error,warning,pedantic", os.path.basename(made["changes"]),
                     cwd=os.path.dirname(made["changes"]))
    tags = [line for line in out.splitlines() if line[:2] in ("E:", "W:", "P:")]
    check(code == 0 and not tags, f"lintian (exit {code}):\n{out}")
    check(field(deb, "Package") == "pyokopon", f"package name {field(deb, 'Package')!r}")
    for needed in ("libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "fonts-ipafont-gothic"):
        check(needed in relations(deb, "Depends"), f"Depends lacks {needed}: {field(deb, 'Depends')}")
    # Debian's GNOME session is Wayland, where Qt runs natively only with the
    # plugin; the translations give Qt's own texts in Japanese.
    check(relations(deb, "Recommends") == ["qt6-wayland", "qt6-translations-l10n"],
          f"Recommends: {field(deb, 'Recommends')!r}")
    check_files(deb)
    code, out = tool("apt-get", "install", "--simulate", "--no-install-recommends", "./" + os.path.basename(deb),
                     cwd=os.path.dirname(deb))
    check(code == 0 and "Inst pyokopon" in out, f"apt would not install the package:\n{out}")
    print(f"{os.path.basename(deb)}: {os.path.getsize(deb)} bytes; Depends: {field(deb, 'Depends')}")

    scratch = tempfile.mkdtemp(prefix="pyokopon-package-")
    root = os.path.join(scratch, "root")
    try:
        os.chmod(scratch, 0o755)
        code, out = tool("dpkg-deb", "--extract", deb, root)
        check(code == 0, f"dpkg-deb --extract failed: {out}")
        os.chmod(root, 0o755)
        program = os.path.join(root, PROGRAM)
        check_debug_symbols(made["dbgsym"], program)
        # Installed by root, the program's folder is root's; unpacked by
        # anyone else it is theirs, so it is made read-only as well.
        os.chmod(os.path.dirname(program), 0o555)
        for script in ("command-line", "first-game"):
            done = subprocess.run([os.path.join(copy, "debian", "tests", script), program], timeout=300)
            check(done.returncode == 0, f"debian/tests/{script} failed on the package's program")
    finally:
        if os.path.isdir(os.path.join(root, os.path.dirname(PROGRAM))):
            os.chmod(os.path.join(root, os.path.dirname(PROGRAM)), 0o755)
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    check(len(sys.argv) == 3, "usage: test_package.py SOURCE_DIR OUTPUT_DIR")
    run(test, *sys.argv[1:])
