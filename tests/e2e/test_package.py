#!/usr/bin/env python3
"""The .deb that `make package` builds, installed and played.

  test_package.py BUILD_DIR CPACK OUT_DIR

CPack builds the package afresh from BUILD_DIR into OUT_DIR, as `make
package` does (the changelog's date, umask 022), and leaves it there for
test_reproducible.py to compare with. lintian finds nothing
to warn about in it, not even a pedantic note, its dependencies are the
libraries dpkg-shlibdeps found and the font, it recommends Qt's Wayland
plugin, and apt accepts it on this machine. It is unpacked into a
scratch root, and the installed game is started from /usr/games there by an
ordinary user: the program's folder belongs to root, so the scores go to that
user's data folder, ~/.local/share/pyokopon/date.dat.
"""

import glob
import os
import shutil
import subprocess
import sys
import tempfile

from pyoko import DEFAULT_ROW, Game, check, player, quit_game, read_scores, run

PROGRAM = "usr/games/pyokopon"  # where the package puts the game
DESKTOP_ENTRY = "usr/share/applications/org.pyokopon.pyokopon.desktop"


def tool(*argv, cwd=None):
    done = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300, cwd=cwd)
    return done.returncode, done.stdout.decode(errors="replace")


def field(deb, name):
    code, value = tool("dpkg-deb", "--field", deb, name)
    check(code == 0, f"dpkg-deb cannot read {deb}: {value}")
    return value.strip()


def startup_wm_class(root):
    with open(os.path.join(root, DESKTOP_ENTRY), encoding="utf-8") as entry:
        for line in entry:
            if line.startswith("StartupWMClass="):
                return line.split("=", 1)[1].strip()
    return None


def make_package(build, cpack, out_dir):
    """The package of build in out_dir, made as `make package` makes it."""
    shutil.rmtree(out_dir, ignore_errors=True)
    source = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    code, epoch = tool("dpkg-parsechangelog", "-l", os.path.join(source, "debian", "changelog"), "-STimestamp")
    check(code == 0, f"dpkg-parsechangelog failed: {epoch}")
    previous = os.umask(0o022)
    try:
        done = subprocess.run([cpack, "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out_dir],
                              env=dict(os.environ, SOURCE_DATE_EPOCH=epoch.strip(), TZ="UTC"),
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    finally:
        os.umask(previous)
    check(done.returncode == 0, f"cpack failed:\n{done.stdout.decode(errors='replace')}")


def test(build, cpack, out_dir):
    scratch = tempfile.mkdtemp(prefix="pyokopon-package-")
    os.chmod(scratch, 0o755)
    try:
        make_package(build, cpack, out_dir)
        debs = glob.glob(os.path.join(out_dir, "*.deb"))
        check(len(debs) == 1, f"cpack made {debs}")
        deb = debs[0]

        check(field(deb, "Package") == "pyokopon", f"package name {field(deb, 'Package')!r}")
        # Errors, warnings and pedantic notes fail the test; lintian's info does not.
        code, out = tool("lintian", "--pedantic", "--fail-on", "error,warning,pedantic", deb)
        tags = [line for line in out.splitlines() if line[:2] in ("E:", "W:", "P:")]
        check(code == 0 and not tags, f"lintian (exit {code}):\n{out}")
        depends = [d.strip().split()[0] for d in field(deb, "Depends").split(",")]
        for needed in ("libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "fonts-ipafont-gothic"):
            check(needed in depends, f"Depends lacks {needed}: {field(deb, 'Depends')}")
        # Debian's GNOME session is Wayland, where Qt runs natively only with this plugin.
        check("qt6-wayland" in field(deb, "Recommends").replace(" ", "").split(","),
              f"Recommends: {field(deb, 'Recommends')!r} lacks qt6-wayland")
        code, out = tool("apt-get", "install", "--simulate", "--no-install-recommends", "./" + os.path.basename(deb),
                         cwd=out_dir)
        check(code == 0 and "Inst pyokopon" in out, f"apt would not install the package:\n{out}")
        print(f"{os.path.basename(deb)}: {os.path.getsize(deb)} bytes; Depends: {field(deb, 'Depends')}")

        root = os.path.join(scratch, "root")
        code, out = tool("dpkg-deb", "--extract", deb, root)
        check(code == 0, f"dpkg-deb --extract failed: {out}")
        os.chmod(root, 0o755)
        # Installed by root, the program's folder is root's; unpacked by
        # anyone else it is theirs, so it is made read-only as well.
        os.chmod(os.path.join(root, os.path.dirname(PROGRAM)), 0o555)
        installed = os.path.join(root, PROGRAM)
        check(os.access(installed, os.X_OK), f"the package holds no program at /{PROGRAM}")

        with Game("package", installed, installed=True) as game:
            game.start(as_player=True)
            game.answer("Return")
            board = game.wait_board()
            game.shot("installed-board.png")
            # A desktop groups the running window under the installed entry by its class.
            check(game.wm_class(board) == startup_wm_class(root),
                  f"the board's window class {game.wm_class(board)!r} is not the desktop entry's "
                  f"StartupWMClass {startup_wm_class(root)!r}")
            quit_game(game, board)
            check(game.wait_exit() == 0, "the installed game did not end normally")
            check(not os.path.exists(os.path.join(game.folder, "date.dat")),
                  "date.dat was written into the install folder")
            data = os.path.join(game.player_home, ".local", "share", "pyokopon", "date.dat")
            check(os.path.exists(data), f"no date.dat in the user's data folder; it holds "
                                        f"{[os.path.join(d, n) for d, _, ns in os.walk(game.player_home) for n in ns]}")
            check(os.stat(data).st_uid == player()[0], "date.dat does not belong to the player")
            check(read_scores(data) == [DEFAULT_ROW] * 10, f"date.dat in the data folder: {read_scores(data)}")
    finally:
        if os.path.isdir(os.path.join(scratch, "root", os.path.dirname(PROGRAM))):
            os.chmod(os.path.join(scratch, "root", os.path.dirname(PROGRAM)), 0o755)
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    check(len(sys.argv) == 4, "usage: test_package.py BUILD_DIR CPACK OUT_DIR")
    run(test, *sys.argv[1:])
