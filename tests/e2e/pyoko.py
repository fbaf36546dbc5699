"""Plays the real pyokopon as a person would, for the end-to-end tests.

Every test gets a private X server (Xvfb, its display number chosen by the
server itself, so tests may run side by side) with openbox as the window
manager: without one, windows are never activated and keys go nowhere.
The program is driven only through xdotool keys and clicks and is read only
through screenshots and the files it leaves behind.

Two helpers carry the tests:
  Game  starts the X server, the window manager and the program, and finds
        the program's windows;
  Shot  is one screenshot of the whole screen, read pixel by pixel.
"""

import ctypes
import os
import pwd
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import zlib

GREEN = (0, 255, 0)     # every window's background
MOUTH = (128, 0, 0)     # the hole's mouth, in all three hole images
SHADOW = (80, 0, 0)     # the far wall of an empty hole
BODY = (128, 64, 0)     # the target's body
BLACK = (0, 0, 0)
PINK = (255, 192, 192)  # the OK face of the small windows
# Every colour of the board's pixel art.
ART_COLOURS = {GREEN, MOUTH, SHADOW, BODY, (0x50, 0x28, 0), (0xB0, 0x78, 0x3C), (0xD8, 0xA0, 0x60),
               (255, 255, 255), BLACK, (0xFF, 0x80, 0x40), (0xFF, 0x9C, 0x9C), (0xC8, 0xC8, 0xC8)}

# The board, in pixels of its client area at a device pixel ratio of 1.
BOARD_SIZE = (640, 480)
# Top-left corner of each hole (a box of 121 x 113 that shows a 60 x 60
# image at its corner), numbered like the keypad.
HOLES = {
    7: (40, 120), 8: (168, 120), 9: (296, 120),
    4: (40, 240), 5: (168, 240), 6: (296, 240),
    1: (40, 360), 2: (168, 360), 3: (296, 360),
}
# A point of a hole's own green, outside its image: clicking there must
# still count as a click on that hole.
HOLE_MARGIN = (100, 95)
SCORE_LABEL = (488, 96, 129, 41)   # the current score
# "あと N秒": its text changes on every tick of a game, so two screenshots
# that show it alike show the same tick.
COUNTDOWN_LABEL = (64, 0, 377, 89)
START_LABEL = (456, 352, 169, 41)  # "スタート!!!"
# The 15 x 15 marks of the three difficulty buttons: the empty-hole
# miniature, or the target miniature once the button is chosen.
DIFFICULTY_MARKS = [(488, 268 + 24 * index, 15, 15) for index in range(3)]

BOARD_TITLE = "ぴょこぽん"
MESSAGE_TITLES = (" ", "終了")     # the program's message boxes

DEFAULT_ROW = (-9999, "易しい", "名無しの権兵衛")


# --- the player -------------------------------------------------------------------
# A test that needs a folder the program may not write runs the program as
# an ordinary user, "the player". Root may write anywhere, so under root the
# player is the user "nobody"; any other caller is an ordinary user already
# and is the player itself, for whom a read-only folder already is read-only.

def player():
    """The player's (uid, gid)."""
    if os.geteuid() == 0:
        entry = pwd.getpwnam("nobody")
        return entry.pw_uid, entry.pw_gid
    return os.geteuid(), os.getegid()


def as_player_argv(argv, *options):
    """argv run as the player: through setpriv under root (options are
    setpriv's own, such as "--pdeathsig", "TERM"), as it stands otherwise."""
    if os.geteuid() != 0:
        return list(argv)
    uid, gid = player()
    return ["setpriv", f"--reuid={uid}", f"--regid={gid}", "--clear-groups", *options, "--"] + list(argv)


def give_to_player(path):
    """Makes a file or folder the player's own, writable by the player."""
    if os.geteuid() == 0:
        os.chown(path, *player())
    os.chmod(path, os.stat(path).st_mode | 0o200)


def player_copy(program, folder):
    """A copy of program in folder, a folder of the test's own that the
    player can reach: the build folder may lie in a private (0700) one."""
    copy = os.path.join(folder, os.path.basename(program))
    shutil.copy2(program, copy)
    os.chmod(copy, 0o755)
    return copy


# How long to wait for the program to show, close or end something. Far
# more than it needs on a quiet machine: while every core is busy and the
# disk writes back a build, one fsync of a save may take many seconds.
PATIENCE = 60


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(what, probe, timeout, interval=0.05):
    """Calls probe until it returns something true and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def die_with_parent():
    # A helper process must not outlive a test that is killed on its timeout.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def write_png(path, width, height, rgb):
    rows = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(rows, 6)))
        out.write(chunk(b"IEND", b""))


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR", f"{path} is not a PNG file")
    return struct.unpack(">II", head[16:24])


class Shot:
    """One screenshot of the whole screen."""

    def __init__(self, width, height, rgb, started, taken):
        self.width, self.height, self.rgb = width, height, rgb
        self.started = started  # monotonic time before the capture began
        self.taken = taken      # monotonic time once it was complete

    def pixel(self, x, y):
        check(0 <= x < self.width and 0 <= y < self.height, f"pixel ({x}, {y}) lies off the screen")
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def pixels(self, x, y, width, height):
        """The raw bytes of a rectangle: cheap to compare with another shot's."""
        return b"".join(self.rgb[((y + dy) * self.width + x) * 3:((y + dy) * self.width + x + width) * 3]
                        for dy in range(height))

    def region(self, x, y, width, height):
        """The pixels of a rectangle, row by row, as a list of (r, g, b)."""
        return [self.pixel(x + dx, y + dy) for dy in range(height) for dx in range(width)]

    def save(self, path):
        write_png(path, self.width, self.height, self.rgb)


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, as far as the masks.
    _fields_ = [(name, ctypes.c_int) for name in ("width", "height", "xoffset", "format")] + [
        ("data", ctypes.c_void_p)] + [
        (name, ctypes.c_int) for name in ("byte_order", "bitmap_unit", "bitmap_bit_order", "bitmap_pad", "depth",
                                          "bytes_per_line", "bits_per_pixel")] + [
        (name, ctypes.c_ulong) for name in ("red_mask", "green_mask", "blue_mask")]


class ScreenReader:
    """Reads the screen straight from the X server through Xlib. A screenshot
    then starts no process, so a busy machine delays it little: the tests see
    a tick's board well within the tick."""

    def __init__(self, display):
        x = self.x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.POINTER(_XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = x.XOpenDisplay(display.encode())
        check(self.display, f"cannot open the X display {display}")
        self.root = x.XDefaultRootWindow(self.display)

    def read(self, width, height):
        """The screen's pixels as bytes of R, G, B, row by row."""
        all_planes, z_pixmap = ctypes.c_ulong(-1).value, 2
        image = self.x.XGetImage(self.display, self.root, 0, 0, width, height, all_planes, z_pixmap)
        check(bool(image), "the X server gave no screenshot")
        try:
            im = image.contents
            check(im.bits_per_pixel == 32 and im.byte_order == 0 and (im.red_mask, im.blue_mask) == (0xFF0000, 0xFF),
                  f"the screen is not 32 bit BGRX: {im.bits_per_pixel} bits, masks {im.red_mask:x} {im.blue_mask:x}")
            raw = ctypes.string_at(im.data, im.bytes_per_line * height)
            if im.bytes_per_line != width * 4:
                raw = b"".join(raw[y * im.bytes_per_line:y * im.bytes_per_line + width * 4] for y in range(height))
        finally:
            self.x.XFree(image.contents.data)
            self.x.XFree(image)
        rgb = bytearray(width * height * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = raw[2::4], raw[1::4], raw[0::4]
        return bytes(rgb)

    def close(self):
        self.x.XCloseDisplay(self.display)


class Window:
    def __init__(self, wid, name, x, y, width, height):
        self.id, self.name = wid, name
        self.x, self.y, self.width, self.height = x, y, width, height

    def __repr__(self):
        return f"<window {self.id} {self.name!r} {self.width}x{self.height}+{self.x}+{self.y}>"

    def centred_on(self, screen):
        # Qt centres on integer pixels: its rounding may leave one pixel either way.
        return (abs(self.x - (screen[0] - self.width) / 2) <= 1
                and abs(self.y - (screen[1] - self.height) / 2) <= 1)


# The server's key repeat starts after this many milliseconds (the most it
# takes). xdotool holds each key down for a moment, and a test process that
# waits its turn for a core between a press and its release would otherwise
# type one letter many times.
AUTOREPEAT_NEVER = 65535


class Game:
    """A private X server with a window manager, a folder for the program,
    and the program itself once start() has run.

    program: the executable. Unless installed is true it is copied alone
    into a fresh temporary folder (self.folder) and run from there, as a
    player who unpacked it would; date.dat then appears beside it.
    """

    def __init__(self, test_name, program, *, screen=(1024, 768), installed=False):
        self.test_name = test_name
        self.screen = screen
        self.work = tempfile.mkdtemp(prefix=f"pyokopon-{test_name}-")
        os.chmod(self.work, 0o755)  # an ordinary user must reach the program
        # Screenshots and logs; kept in shots/<test>/ of the folder the test
        # runs in only when the test fails.
        self.shots = os.path.join(self.work, "shots")
        self.kept_shots = os.path.join(os.getcwd(), "shots", test_name)
        shutil.rmtree(self.kept_shots, ignore_errors=True)
        os.makedirs(self.shots)
        if installed:
            self.folder = os.path.dirname(os.path.abspath(program))
            self.program = os.path.abspath(program)
        else:
            self.folder = os.path.join(self.work, "game")
            os.makedirs(self.folder)
            self.program = os.path.join(self.folder, "pyokopon")
            shutil.copy2(program, self.program)
        self.home = os.path.join(self.work, "home")
        os.makedirs(self.home)
        self.process = None
        self.last_shot = None
        self._screen = None
        self._helpers = []
        self._log = None
        try:
            self._start_display()
        except BaseException:
            self.close()
            raise

    # --- the X server and the window manager -----------------------------------

    def _start_display(self):
        reader, writer = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(writer), "-screen", "0", f"{self.screen[0]}x{self.screen[1]}x24",
             "-dpi", "96", "-nolisten", "tcp", "-noreset", "-ardelay", str(AUTOREPEAT_NEVER)],
            pass_fds=[writer], stdout=subprocess.DEVNULL, stderr=open(self._path("xvfb.log"), "w"),
            preexec_fn=die_with_parent)
        self._helpers.append(self.xvfb)
        os.close(writer)
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([reader], [], [], max(0.0, deadline - time.monotonic()))
            check(ready, "Xvfb did not report its display within 30 s")
            more = os.read(reader, 16)
            check(more, "Xvfb ended before it reported its display; see xvfb.log")
            number += more
        os.close(reader)
        self.display = ":" + number.decode().strip()
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "DISPLAY": self.display,
            "HOME": self.home,
            "LANG": "C.UTF-8",
        }
        self._screen = ScreenReader(self.display)
        runtime = os.path.join(self.work, "runtime")
        os.makedirs(runtime, mode=0o700)
        openbox_env = dict(self.env, XDG_RUNTIME_DIR=runtime)
        self._helpers.append(subprocess.Popen(
            ["openbox", "--sm-disable"], env=openbox_env, stdout=subprocess.DEVNULL,
            stderr=open(self._path("openbox.log"), "w"), preexec_fn=die_with_parent))
        # The window manager is ready once it has announced itself on the root window.
        wait_until("openbox to manage the screen",
                   lambda: "window id" in self._run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check_rc=False),
                   30)

    def _path(self, name):
        return os.path.join(self.shots, name)

    def _run(self, argv, check_rc=True):
        done = subprocess.run(argv, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
        if check_rc and done.returncode != 0:
            raise Failure(f"{' '.join(argv)} failed: {done.stderr.decode(errors='replace').strip()}")
        return done.stdout.decode(errors="replace")

    # --- the program --------------------------------------------------------------

    def start(self, *, as_player=False, extra_env=None):
        """Starts the program. as_player: run it as the player (see player())
        with a home of its own (self.player_home)."""
        check(self.process is None or self.process.poll() is not None, "the program is still running")
        env = dict(self.env, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=os.path.join(self.work, "runtime"))
        env.update(extra_env or {})
        argv = [self.program]
        if as_player and os.geteuid() == 0:
            home = os.path.join(self.work, "home-player")
            runtime = os.path.join(home, "runtime")
            os.makedirs(runtime, mode=0o700, exist_ok=True)
            for mine in (home, runtime):
                give_to_player(mine)
            name = pwd.getpwuid(player()[0]).pw_name
            env.update(HOME=home, XDG_RUNTIME_DIR=runtime, USER=name, LOGNAME=name)
            argv = as_player_argv(argv)
        self.player_home = env["HOME"]
        self._log = open(self._path("program.log"), "a")
        self.process = subprocess.Popen(argv, cwd=self.work, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self._log, stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        return self.process

    def running(self):
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout=PATIENCE):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program was still running {timeout} s later; windows: {self.windows()}")

    def windows(self):
        """The program's windows that are mapped and viewable, in no particular order."""
        if not self.running():
            return []
        ids = self._run(["xdotool", "search", "--onlyvisible", "--pid", str(self.process.pid)],
                        check_rc=False).split()
        found = []
        for wid in ids:
            name = self._run(["xdotool", "getwindowname", wid], check_rc=False).rstrip("\n")
            geometry = self._run(["xdotool", "getwindowgeometry", "--shell", wid], check_rc=False)
            values = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
            if {"X", "Y", "WIDTH", "HEIGHT"} <= values.keys():
                found.append(Window(wid, name, int(values["X"]), int(values["Y"]),
                                    int(values["WIDTH"]), int(values["HEIGHT"])))
        return found

    def wm_class(self, window):
        """The class half of a window's WM_CLASS, by which desktops match it to its menu entry."""
        names = re.findall(r'"([^"]*)"', self._run(["xprop", "-id", window.id, "WM_CLASS"]))
        return names[-1] if names else None

    def find(self, *names):
        """The visible windows whose titles are among names."""
        return [w for w in self.windows() if w.name in names]

    def wait_window(self, *names, timeout=PATIENCE, other_than=()):
        """Waits for one visible window with one of the titles and returns it.
        other_than: ids of windows that do not count (a box already answered)."""
        def probe():
            found = [w for w in self.find(*names) if w.id not in other_than]
            return found[0] if len(found) == 1 else None
        return wait_until(f"a window titled {' or '.join(map(repr, names))}", probe, timeout)

    def wait_gone(self, window, timeout=PATIENCE):
        wait_until(f"{window} to close",
                   lambda: all(w.id != window.id for w in self.windows()), timeout)

    def wait_board(self, timeout=PATIENCE):
        return self.wait_window(BOARD_TITLE, timeout=timeout)

    def active(self):
        return self._run(["xdotool", "getactivewindow"], check_rc=False).strip()

    def wait_active(self, window, timeout=PATIENCE):
        wait_until(f"{window} to become the active window", lambda: self.active() == window.id, timeout)

    def key(self, *keys, to=None):
        """Presses keys on the keyboard. to: the window that must be active first."""
        if to is not None:
            self.wait_active(to)
        self._run(["xdotool", "key", "--delay", "40"] + list(keys))

    def key_to_window(self, window, *keys):
        """Sends keys to a window that holds no keyboard focus, such as a
        minimised one: X gives it no key presses of its own."""
        self._run(["xdotool", "key", "--window", window.id, "--delay", "40"] + list(keys))

    def type(self, text, to=None):
        if to is not None:
            self.wait_active(to)
        self._run(["xdotool", "type", "--delay", "60", text])

    def paste(self, text, to=None):
        """Puts text on the clipboard and pastes it with Ctrl+V. xclip stays
        in the background to serve the clipboard until the X server ends."""
        subprocess.run(["xclip", "-selection", "clipboard", "-t", "UTF8_STRING"], input=text.encode(),
                       env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30, check=True)
        self.key("ctrl+v", to=to)

    def click(self, x, y):
        """A left click at a screen position."""
        self._run(["xdotool", "mousemove", str(x), str(y), "click", "1"])

    def pointer(self, *steps):
        """Mouse steps in one go, as xdotool takes them: "mousemove", x, y,
        "mousedown", 1, "mouseup", 1."""
        self._run(["xdotool"] + [str(step) for step in steps])

    def answer(self, key, names=MESSAGE_TITLES, timeout=PATIENCE, other_than=()):
        """Waits for a message box, makes sure it has the focus, presses key.
        Returns the box."""
        box = self.wait_window(*names, timeout=timeout, other_than=other_than)
        self.key(key, to=box)
        return box

    # --- the screen ------------------------------------------------------------------

    def shot(self, save_as=None):
        """Takes a screenshot; save_as keeps it as a PNG among the shots."""
        started = time.monotonic()
        rgb = self._screen.read(*self.screen)
        self.last_shot = Shot(self.screen[0], self.screen[1], rgb, started, time.monotonic())
        if save_as:
            self.last_shot.save(self._path(save_as))
        return self.last_shot

    def wait_screen(self, what, probe, timeout=30, save_as=None):
        """Takes screenshots until probe(shot) is true; returns that shot."""
        def attempt():
            shot = self.shot()
            return shot if probe(shot) else None
        shot = wait_until(what, attempt, timeout, interval=0.05)
        if save_as:
            shot.save(self._path(save_as))
        return shot

    # --- the end ---------------------------------------------------------------------

    def __enter__(self):
        return self

    def __exit__(self, kind, error, trace):
        self.close(failed=error is not None)

    def close(self, failed=False):
        if failed and self.last_shot is not None:
            self.last_shot.save(self._path("failure.png"))
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self._screen is not None:
            self._screen.close()
            self._screen = None
        for helper in reversed(self._helpers):
            if helper.poll() is None:
                helper.terminate()
                try:
                    helper.wait(5)
                except subprocess.TimeoutExpired:
                    helper.kill()
                    helper.wait()
        if self._log:
            self._log.close()
        if failed:
            try:
                with open(self._path("program.log")) as log:
                    text = log.read().strip()
                if text:
                    print("--- what the program printed ---\n" + text)
            except OSError:
                pass
            shutil.copytree(self.shots, self.kept_shots)
            print(f"screenshots and logs: {self.kept_shots}")
        shutil.rmtree(self.work, ignore_errors=True)


# --- the board --------------------------------------------------------------------

def hole_point(board, hole, x, y, scale=1):
    """Screen position of a point given in a hole's own coordinates."""
    cx, cy = HOLES[hole]
    return board.x + (cx + x) * scale + scale // 2, board.y + (cy + y) * scale + scale // 2


def hole_image(shot, board, hole, scale=1):
    """'empty', 'target' or 'hit' by what the hole shows, or None when it
    shows none of the three at its place."""
    def at(x, y):
        return shot.pixel(*hole_point(board, hole, x, y, scale))
    # Rows 44 to 46 of every hole image begin and end with three pixels of
    # mouth, with the board's green right beside them: the image sits
    # exactly at the corner. Scaled up, the outermost image pixels may blend
    # with the green (the sharpness test judges that), so the place is then
    # judged one pixel in.
    inset = 0 if scale == 1 else 1
    if not (at(inset, 45) == MOUTH and at(59 - inset, 45) == MOUTH
            and at(-1 - inset, 45) == GREEN and at(60 + inset, 45) == GREEN):
        return None
    head, chest = at(30, 10), at(30, 32)
    if head == GREEN and chest == SHADOW:
        return "empty"
    if head == BODY and chest == BODY:
        return "target"
    if head == GREEN and chest == BODY:
        return "hit"
    return None


def holes(shot, board, scale=1):
    return {hole: hole_image(shot, board, hole, scale) for hole in HOLES}


def open_board(game, scale=1, save_as=None):
    """Answers Yes to the display question and waits for the board with its
    nine empty holes. Returns the board window and that screenshot."""
    game.answer("Return")
    board = game.wait_board()
    shot = game.wait_screen("nine empty holes", lambda s: set(holes(s, board, scale).values()) == {"empty"},
                            save_as=save_as)
    return board, shot


def board_pixels(shot, board, rect, scale=1):
    """The raw pixels of a rectangle of the board, such as a label's."""
    x, y, w, h = rect
    return shot.pixels(board.x + x * scale, board.y + y * scale, w * scale, h * scale)


def tick_of(shot, board, scale=1):
    """What identifies the tick a screenshot shows: the countdown's pixels."""
    return board_pixels(shot, board, COUNTDOWN_LABEL, scale)


def watch_hit(game, board, hole, tick, scale=1):
    """After a key or click meant for the target in hole, shown at tick:
    takes screenshots until the hole shows the hit target (returns that
    shot) or the next tick is on the screen first (returns None: the input
    may still land, later, on whatever is there then). No clock is raced:
    a slow machine only makes the wait longer."""
    deadline = time.monotonic() + 60
    while True:
        check(time.monotonic() < deadline, "the board did not change for 60 s after an input")
        shot = game.shot()
        if hole_image(shot, board, hole, scale) == "hit":
            return shot
        if tick_of(shot, board, scale) != tick:
            return None


def difficulty_chosen(shot, board, index, scale=1):
    """Whether the mark of difficulty button index shows the target miniature."""
    x, y, w, h = DIFFICULTY_MARKS[index]
    return BODY in shot.region(board.x + x * scale, board.y + y * scale, w * scale, h * scale)


def choose_difficulty(game, board, key, index, scale=1):
    """Alt+E / Alt+N / Alt+D, then waits until the button's mark shows it is
    chosen, so that the next key finds the screen up to date."""
    game.key(key, to=board)
    game.wait_screen(f"difficulty {index} to be chosen", lambda s: difficulty_chosen(s, board, index, scale))


def click_hole(game, board, hole, scale=1):
    """Clicks a hole in its green margin, away from its image."""
    game.click(*hole_point(board, hole, *HOLE_MARGIN, scale))


def keypad(hole):
    return f"KP_{hole}"


def box_still_answers(game, box):
    """Proves that every key sent before has been handled while box stayed:
    Tab must move the focus to the box's other button and Shift+Tab back,
    each seen on the screen, with no other window of the program coming up
    (keys are handled in order, so a key sent earlier was handled by then)."""
    def look(shot):
        return shot.pixels(box.x, box.y, box.width, box.height)

    def drawn():
        check(any(w.id == box.id for w in game.find(box.name)), f"{box} went away")
        # Painted (its text makes many colours) and the same in two shots running.
        first, second = look(game.shot()), look(game.shot())
        return first if first == second and len({first[i:i + 3] for i in range(0, len(first), 3)}) > 8 else None
    before = wait_until(f"{box} drawn", drawn, 30)
    game.key("Tab", to=box)
    game.wait_screen(f"Tab to move the focus in {box}", lambda s: look(s) != before)
    game.key("shift+Tab", to=box)
    game.wait_screen(f"Shift+Tab to move the focus back in {box}", lambda s: look(s) == before)
    others = [w for w in game.windows() if w.id != box.id and w.name != BOARD_TITLE]
    check(not others, f"windows beside {box}: {others}")


def quit_game(game, board, closes=True):
    """Q, then Yes to "やめちゃうの?" and OK to "バイバイ!": the board closes
    (closes=False: the test looks after what comes next)."""
    game.key("q", to=board)
    first = game.answer("Return", names=("終了",))
    second = game.answer("Return", names=("終了",), other_than=(first.id,))
    if closes:
        game.wait_gone(board)
    return second


# --- date.dat ---------------------------------------------------------------------

def read_scores(path):
    """The ten rows of a date.dat written by the program: (score, label, name).
    Fails unless the file is 30 lines in cp932, each ending CR LF."""
    with open(path, "rb") as f:
        data = f.read()
    lines = data.split(b"\r\n")
    check(len(lines) == 31 and lines[-1] == b"", f"{path} is not 30 lines ending CR LF: {data!r}")
    lines = lines[:-1]
    check(all(b"\r" not in line and b"\n" not in line for line in lines), f"{path} has a stray line end: {data!r}")
    rows = []
    for r in range(10):
        score, label, name = (line.decode("cp932") for line in lines[3 * r:3 * r + 3])
        check(score.lstrip("-").isdigit() and not score.startswith("+"), f"row {r + 1}: score {score!r}")
        for text in (label, name):
            check(len(text) >= 2 and text[0] == '"' and text[-1] == '"', f"row {r + 1}: unquoted {text!r}")
        rows.append((int(score), label[1:-1], name[1:-1]))
    return rows


def encode_rows(rows, line_end=b"\r\n"):
    """A date.dat as the program writes it, for tests that prepare one."""
    out = b""
    for score, label, name in rows:
        for field in (str(score), f'"{label}"', f'"{name}"'):
            out += field.encode("cp932") + line_end
    return out


# --- running a test ---------------------------------------------------------------

def run(test, *args):
    """Runs test(*args) and turns its outcome into the process's exit code."""
    started = time.monotonic()
    try:
        test(*args)
    except Failure as failure:
        steps = [f for f in traceback.extract_tb(failure.__traceback__) if f.filename != __file__]
        where = f" (at {os.path.basename(steps[-1].filename)}:{steps[-1].lineno})" if steps else ""
        print(f"FAILED{where}: {failure}", file=sys.stderr)
        sys.exit(1)
    except Exception:
        traceback.print_exc()
        sys.exit(1)
    print(f"passed in {time.monotonic() - started:.1f} s")
