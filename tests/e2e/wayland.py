"""Plays the real pyokopon natively on Wayland, for the end-to-end tests.

Session is pyoko's Game on a private sway compositor with its headless
backend (no screen, no input device, software rendering, no X server)
instead of an X server. The program runs on Qt's Wayland plugin and is
driven only through wtype keys; it is read through grim screenshots, sway's
window tree and the Wayland requests it logs (WAYLAND_DEBUG), which name
each window's parent.

sway refuses to run as root, so the compositor runs as the player, as a
program started with as_player does; the tools that drive and read them
need no user of their own.
"""

import glob
import json
import os
import re
import subprocess
import time

from pyoko import Game, Shot, Window, as_player_argv, check, die_with_parent, give_to_player, wait_until


class Session(Game):
    def _start_display(self):
        runtime = os.path.join(self.work, "runtime")
        os.makedirs(runtime, mode=0o700)
        give_to_player(runtime)
        config = os.path.join(self.work, "sway.conf")
        with open(config, "w") as out:
            out.write("xwayland disable\n")
        os.chmod(config, 0o644)
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home, "LANG": "C.UTF-8",
                    "XDG_RUNTIME_DIR": runtime}
        # setpriv's own --pdeathsig: a change of user clears the one set before it.
        sway = subprocess.Popen(
            as_player_argv(["sway", "--config", config], "--pdeathsig", "TERM"),
            env=dict(self.env, WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1"),
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=open(self._path("sway.log"), "w"),
            preexec_fn=die_with_parent)
        self._helpers.append(sway)

        def sockets():
            check(sway.poll() is None, "sway ended at start-up; see sway.log")
            display = [p for p in glob.glob(os.path.join(runtime, "wayland-*")) if not p.endswith(".lock")]
            ipc = glob.glob(os.path.join(runtime, "sway-ipc.*.sock"))
            return (display[0], ipc[0]) if display and ipc else None
        display, ipc = wait_until("sway's sockets", sockets, 30)
        # A full path: the program, as the player, has a runtime folder of its own.
        self.env.update(WAYLAND_DISPLAY=display, SWAYSOCK=ipc)
        wait_until("sway to answer", lambda: self._json("get_outputs"), 30)
        # The seat has a keyboard only while some keyboard exists, and each
        # wtype brings its own: a program that sees a keyboard come with the
        # first key's press misses that press. A wtype that waits on its
        # input keeps one keyboard for the whole session.
        self._keyboard = subprocess.Popen(["wtype", "-"], env=self.env, stdin=subprocess.PIPE,
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._helpers.append(self._keyboard)
        wait_until("the session's keyboard",
                   lambda: any(device["type"] == "keyboard" for device in self._json("get_inputs") or []), 30)

    def _json(self, kind):
        try:
            return json.loads(self._run(["swaymsg", "--raw", "--type", kind], check_rc=False))
        except ValueError:
            return None

    def start(self):
        """Starts the program as the player on Qt's Wayland plugin, logging its Wayland requests."""
        return super().start(as_player=True, extra_env={"QT_QPA_PLATFORM": "wayland", "WAYLAND_DEBUG": "client"})

    def _views(self):
        def walk(node):
            if node.get("pid") == self.process.pid and node.get("visible"):
                yield node
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                yield from walk(child)
        return list(walk(self._json("get_tree") or {})) if self.running() else []

    def windows(self):
        """The program's windows that sway shows, by their content's place."""
        return [Window(node["id"], node["name"], node["rect"]["x"] + node["window_rect"]["x"],
                       node["rect"]["y"] + node["window_rect"]["y"], node["window_rect"]["width"],
                       node["window_rect"]["height"]) for node in self._views()]

    def active(self):
        return next((node["id"] for node in self._views() if node["focused"]), None)

    def focus(self, window):
        self._run(["swaymsg", f"[con_id={window.id}]", "focus"])
        self.wait_active(window)

    def key(self, *keys, to=None):
        """Keys named as xdotool names them, such as "Return" or "alt+d"."""
        if to is not None:
            self.wait_active(to)
        steps = []
        for key in keys:
            *modifiers, name = key.split("+")
            for modifier in modifiers:
                steps += ["-M", modifier]
            steps += ["-k", name]
            for modifier in modifiers:
                steps += ["-m", modifier]
        self._run(["wtype"] + steps)

    def type(self, text, to=None):
        if to is not None:
            self.wait_active(to)
        self._run(["wtype", "--", text])

    def shot(self, save_as=None):
        started = time.monotonic()
        data = subprocess.run(["grim", "-t", "ppm", "-"], env=self.env, stdout=subprocess.PIPE, timeout=30).stdout
        check(re.match(rb"P6\s+\d+\s+\d+\s+255\s", data), f"grim gave no 8-bit PPM: {data[:20]!r}")
        _, width, height, _, rgb = data.split(maxsplit=4)
        self.last_shot = Shot(int(width), int(height), rgb, started, time.monotonic())
        if save_as:
            self.last_shot.save(self._path(save_as))
        return self.last_shot

    def parents(self):
        """Each toplevel window the program has shown, in order, as its last
        title and the last title of the window it named as its parent (None
        for none), read from the requests in the program's Wayland log."""
        with open(self._path("program.log"), encoding="utf-8", errors="replace") as log:
            text = log.read()
        shown, live = [], {}
        for line in text.splitlines():
            made = re.search(r"-> xdg_surface@\d+\.get_toplevel\(new id xdg_toplevel@(\d+)\)", line)
            titled = re.search(r"-> xdg_toplevel@(\d+)\.set_title\(\"(.*)\"\)$", line)
            parented = re.search(r"-> xdg_toplevel@(\d+)\.set_parent\((?:xdg_toplevel@(\d+)|nil)\)", line)
            if made:
                live[made[1]] = {"title": None, "parent": None}
                shown.append(live[made[1]])
            elif titled and titled[1] in live:
                live[titled[1]]["title"] = titled[2]
            elif parented and parented[1] in live:
                live[parented[1]]["parent"] = live.get(parented[2])
        return [(w["title"], w["parent"]["title"] if w["parent"] else None) for w in shown]

    def close(self, failed=False):
        if getattr(self, "_keyboard", None):
            self._keyboard.stdin.close()
        # On a failure only what the program printed itself is shown; its
        # Wayland requests stay in wayland-requests.log.
        log = self._path("program.log")
        if failed and os.path.exists(log):
            os.replace(log, self._path("wayland-requests.log"))
            with open(self._path("wayland-requests.log"), errors="replace") as full, open(log, "w") as own:
                own.writelines(line for line in full if not re.match(r"\[ *\d+\.\d+\] ", line))
        super().close(failed)
