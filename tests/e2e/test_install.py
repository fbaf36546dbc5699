#!/usr/bin/env python3
"""`cmake --install` puts the game in place like any other desktop game.

  test_install.py BUILD_DIR SOURCE_DIR CMAKE

Into a scratch prefix: the executable in games/ (Debian's place for games),
its manual page in section 6, a menu entry that desktop-file-validate
accepts, AppStream metainfo that appstreamcli validate accepts with a release
for each entry of debian/changelog and that entry's items as its notes, and
the icon in the hicolor theme at 16 and 32 pixels (the very images of the
window icon, pyokopon.ico), at 64 pixels (the same art drawn larger) and at
48, 128 and 256 pixels. All of them name the game by one application id.
From the installed tree appstreamcli compose makes a software centre's entry
without a warning. The installed program looks for libraries in the system's
folders only: it carries no RPATH or RUNPATH. The copyright file, changelog
and README are the Debian package's to install (debian/, judged in the
package test).
"""

import configparser
import email.utils
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

from pyoko import check, png_size, run

APP_ID = "org.pyokopon.pyokopon"
EXPECTED = {
    "games/pyokopon",
    "share/man/man6/pyokopon.6",
    f"share/applications/{APP_ID}.desktop",
    f"share/metainfo/{APP_ID}.metainfo.xml",
    f"share/icons/hicolor/16x16/apps/{APP_ID}.png",
    f"share/icons/hicolor/32x32/apps/{APP_ID}.png",
    f"share/icons/hicolor/48x48/apps/{APP_ID}.png",
    f"share/icons/hicolor/64x64/apps/{APP_ID}.png",
    f"share/icons/hicolor/128x128/apps/{APP_ID}.png",
    f"share/icons/hicolor/256x256/apps/{APP_ID}.png",
}
ICON_SIZES = (16, 32, 48, 64, 128, 256)


def tool(*argv):
    done = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    return done.returncode, done.stdout.decode(errors="replace")


def rgba(image, *options):
    """An image's pixels as bytes of R, G, B, A, read by ImageMagick."""
    done = subprocess.run(["convert", image, *options, "-depth", "8", "rgba:-"], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=60)
    check(done.returncode == 0 and done.stdout, f"ImageMagick cannot read {image}: {done.stderr.decode()}")
    return done.stdout


def same_pixels(a, b):
    """Equal wherever either is not fully transparent; a transparent pixel's colour does not count."""
    if len(a) != len(b):
        return False
    for i in range(0, len(a), 4):
        if a[i + 3] == 0 and b[i + 3] == 0:
            continue
        if a[i:i + 4] != b[i:i + 4]:
            return False
    return True


def ico_frame(ico, size):
    code, listing = tool("identify", "-format", "%p %w\n", ico)
    check(code == 0, f"identify cannot read {ico}: {listing}")
    frames = [int(line.split()[0]) for line in listing.splitlines() if line.split()[1:] == [str(size)]]
    check(len(frames) == 1, f"{ico} has no single {size} pixel image: {listing}")
    return f"{ico}[{frames[0]}]"


def check_desktop_entry(path, prefix):
    code, out = tool("desktop-file-validate", path)
    check(code == 0 and not out.strip(), f"desktop-file-validate: {out}")
    entry = configparser.ConfigParser(interpolation=None, strict=True)
    entry.optionxform = str
    with open(path, encoding="utf-8") as f:
        entry.read_file(f)
    values = entry["Desktop Entry"]
    check(values.get("Type") == "Application", f"Type is {values.get('Type')!r}")
    check(values.get("Name") == "ぴょこぽん", f"Name is {values.get('Name')!r}")
    check(values.get("Categories") == "Game;ArcadeGame;", f"Categories is {values.get('Categories')!r}")
    check(values.get("Icon") == APP_ID, f"Icon is {values.get('Icon')!r}")
    command = values.get("Exec", "").split()
    check(command and os.access(os.path.join(prefix, "games", command[0]), os.X_OK),
          f"Exec {values.get('Exec')!r} does not start the installed program")


def changelog_releases(changelog):
    """(version, day, items) of every entry of a Debian changelog, newest
    first; an item's continuation lines are joined to it by single spaces."""
    with open(changelog, encoding="utf-8") as f:
        text = f.read()
    releases = []
    for version, body, date in re.findall(r"^\S+ \(([^)]+)\).*\n((?:\n|  .*\n)*) -- .*>  (.+)$", text, re.M):
        items = [" ".join(item.split()) for item in re.split(r"^  \* ", body, flags=re.M)[1:]]
        releases.append((version, email.utils.parsedate_to_datetime(date).date().isoformat(), items))
    return releases


def check_metainfo(path, source):
    code, out = tool("appstreamcli", "validate", "--no-net", "--pedantic", path)
    notes = [line for line in out.splitlines() if line[:2] in ("E:", "W:", "P:")]
    check(code == 0 and not notes, f"appstreamcli validate --pedantic:\n{out}")
    component = ElementTree.parse(path).getroot()
    check(component.tag == "component" and component.get("type") == "desktop-application",
          f"not a desktop-application component: {component.tag} {component.attrib}")
    check(component.findtext("id") == APP_ID, f"metainfo id {component.findtext('id')!r}")
    check(component.findtext("launchable") == f"{APP_ID}.desktop",
          f"metainfo launchable {component.findtext('launchable')!r}")
    check(component.findtext("provides/binary") == "pyokopon", "metainfo does not provide the binary pyokopon")
    releases = [(r.get("version"), r.get("date"), [item.text for item in r.iterfind("description/ul/li")])
                for r in component.iterfind("releases/release")]
    expected = changelog_releases(os.path.join(source, "debian", "changelog"))
    check(expected and releases == expected, f"metainfo releases {releases}, the changelog's {expected}")


def check_catalogue(prefix, result):
    """What a software centre gets: appstreamcli compose, on the installed
    tree, makes a catalogue entry of the game and warns of nothing, such as
    a translation named in the metainfo that it cannot find."""
    code, out = tool("appstreamcli", "compose", "--no-net", "--print-report=full", "--origin=pyokopon",
                     f"--result-root={result}", os.path.dirname(prefix))
    out = re.sub(r"\x1b\[[0-9;]*m", "", out)
    notes = [line for line in out.splitlines() if re.match(r"\s*[EW]:", line)]
    check(code == 0 and not notes, f"appstreamcli compose (exit {code}):\n{out}")
    catalogue = os.path.join(result, "usr", "share", "swcatalog", "xml", "pyokopon.xml.gz")
    check(os.path.exists(catalogue), f"appstreamcli compose wrote no catalogue:\n{out}")
    with gzip.open(catalogue) as f:
        ids = [c.findtext("id") for c in ElementTree.parse(f).getroot().iterfind("component")]
    check(ids == [APP_ID], f"the catalogue holds {ids}")


def check_icons(prefix, source):
    icons = os.path.join(prefix, "share", "icons", "hicolor")
    ico = os.path.join(source, "assets", "pyokopon.ico")
    for size in ICON_SIZES:
        png = os.path.join(icons, f"{size}x{size}", "apps", f"{APP_ID}.png")
        check(png_size(png) == (size, size), f"the {size} pixel icon is {png_size(png)}")
    for size in (16, 32):
        png = os.path.join(icons, f"{size}x{size}", "apps", f"{APP_ID}.png")
        check(same_pixels(rgba(png), rgba(ico_frame(ico, size))),
              f"the {size} pixel icon is not the {size} pixel image of pyokopon.ico")
    # The 64 pixel icon, halved, must be the 32 pixel art: the same outline
    # and much the same colours.
    small = rgba(os.path.join(icons, "32x32", "apps", f"{APP_ID}.png"))
    halved = rgba(os.path.join(icons, "64x64", "apps", f"{APP_ID}.png"), "-filter", "box", "-resize", "32x32")
    pixels = len(small) // 4
    outline = sum((small[4 * i + 3] > 127) == (halved[4 * i + 3] > 127) for i in range(pixels)) / pixels
    both = [i for i in range(pixels) if small[4 * i + 3] > 127 and halved[4 * i + 3] > 127]
    colour = sum(abs(small[4 * i + k] - halved[4 * i + k]) for i in both for k in range(3)) / (3 * max(len(both), 1))
    check(outline > 0.9 and colour < 40,
          f"the 64 pixel icon is not the 32 pixel art drawn larger: outline agrees on {outline:.0%}, "
          f"colours differ by {colour:.0f} on average")


def test(build, source, cmake):
    scratch = tempfile.mkdtemp(prefix="pyokopon-install-")
    try:
        prefix = os.path.join(scratch, "usr")
        code, out = tool(cmake, "--install", build, "--prefix", prefix)
        check(code == 0, f"cmake --install failed:\n{out}")
        installed = {os.path.relpath(os.path.join(folder, name), prefix)
                     for folder, _, names in os.walk(prefix) for name in names}
        check(installed == EXPECTED, f"installed {sorted(installed)}, expected {sorted(EXPECTED)}")
        program = os.path.join(prefix, "games", "pyokopon")
        check(os.access(program, os.X_OK), "the installed program cannot be run")
        with open(program, "rb") as f:
            check(f.read(4) == b"\x7fELF", "the installed program is not an executable")
        code, dynamic = tool("readelf", "--dynamic", program)
        check(code == 0 and "(NEEDED)" in dynamic, f"readelf cannot read the installed program:\n{dynamic}")
        check(not re.search(r"\((RPATH|RUNPATH)\)", dynamic),
              f"the installed program carries a library search path:\n{dynamic}")
        check_desktop_entry(os.path.join(prefix, "share", "applications", f"{APP_ID}.desktop"), prefix)
        check_metainfo(os.path.join(prefix, "share", "metainfo", f"{APP_ID}.metainfo.xml"), source)
        check_icons(prefix, source)
        check_catalogue(prefix, os.path.join(scratch, "catalogue"))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    check(len(sys.argv) == 4, "usage: test_install.py BUILD_DIR SOURCE_DIR CMAKE")
    run(test, *sys.argv[1:])
