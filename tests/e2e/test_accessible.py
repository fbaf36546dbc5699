#!/usr/bin/env python3
"""The board as an assistive tool reads and works it, through AT-SPI.

  dbus-run-session -- /usr/bin/python3 test_accessible.py PROGRAM

Runs on the private session bus that dbus-run-session starts; the first
program that asks it for the accessibility bus (org.a11y.Bus) starts
at-spi-bus-launcher, and that bus starts at-spi2-registryd the same way.
The program runs with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1, as it does under
a screen reader, and pyatspi (Debian's python3-pyatspi) reads its tree.

The board offers the four commands as push buttons with a press action,
their Japanese names and their keys, the nine holes by name with what each
shows, and the three difficulty buttons; nothing is named Command1 or
Form2/3/4. The version window, opened by pressing its command through
AT-SPI, is named in Japanese and its focused button is OK. Then the easy
difficulty is chosen with Alt+E and スタート!!! pressed through AT-SPI: the
status line and a hole then tell of the running game.
"""

import os
import re
import sys

from pyoko import Game, check, choose_difficulty, open_board, run, wait_until

COMMANDS = {"スタート!!!": "S", "終了": "Q", "ハイスコア": "H", "バージョン情報": "V"}
HOLE_NAMES = {f"穴 {number}" for number in range(1, 10)}
FORBIDDEN = {"Command1", "Form2", "Form3", "Form4"}


def tree(node):
    """node and everything under it, depth first."""
    found = [node]
    for child in node:
        if child is not None:
            found += tree(child)
    return found


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def press(node):
    """Runs the node's press action; the answer must come at once, before
    whatever the command opens is closed."""
    action = node.queryAction()
    index = [action.getName(i) for i in range(action.nActions)].index("Press")
    check(action.doAction(index), f"{node.name!r} refused its press action")


def test(program):
    check("DBUS_SESSION_BUS_ADDRESS" in os.environ, "run this under dbus-run-session: it needs a private bus")
    with Game("accessible", program) as game:
        game.start(extra_env={"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                              "DBUS_SESSION_BUS_ADDRESS": os.environ["DBUS_SESSION_BUS_ADDRESS"]})
        board, _ = open_board(game)
        # The private X server's root window names no accessibility bus, so
        # pyatspi asks the private session bus for it.
        os.environ["DISPLAY"] = game.display
        import pyatspi

        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            apps = [app for app in desktop if app is not None and app.name == "pyokopon"]
            return apps[0] if len(apps) == 1 else None

        def named(role, names):
            return [n for n in tree(app) if n.getRole() == role and n.name in names]

        def board_ready():
            return len(named(pyatspi.ROLE_PUSH_BUTTON, HOLE_NAMES)) == 9
        app = wait_until("the program on the accessibility bus", application, 30)
        wait_until("the board's controls in its accessible tree", board_ready, 30)

        everything = tree(app)
        listing = [(n.getRoleName(), n.name, n.description, actions(n)) for n in everything]
        check(not FORBIDDEN & {n.name for n in everything}, f"internal names in the tree: {listing}")
        commands = named(pyatspi.ROLE_PUSH_BUTTON, COMMANDS)
        check(sorted(n.name for n in commands) == sorted(COMMANDS), f"commands: {listing}")
        for command in commands:
            check("Press" in actions(command), f"{command.name} cannot be pressed: {listing}")
            check(COMMANDS[command.name] in command.description, f"{command.name} names no key: {listing}")
        for hole in named(pyatspi.ROLE_PUSH_BUTTON, HOLE_NAMES):
            check(hole.description == "何もいません", f"{hole.name} before a game: {hole.description!r}")
        radios = [n for n in everything if n.getRole() == pyatspi.ROLE_RADIO_BUTTON]
        check(len(radios) == 3 and all(n.name for n in radios), f"difficulty buttons: {listing}")

        # A command that opens a modal window still answers the press at once.
        press(next(n for n in commands if n.name == "バージョン情報"))
        about = game.wait_window("Form2")
        dialog = wait_until("the version window in the tree",
                            lambda: named(pyatspi.ROLE_DIALOG, {"バージョン情報"}), 30)[0]
        inside = tree(dialog)
        focused = [n for n in inside if n.getState().contains(pyatspi.STATE_FOCUSED)]
        check([(n.getRole(), n.name) for n in focused] == [(pyatspi.ROLE_PUSH_BUTTON, "OK")],
              f"focus in the version window: {[(n.getRoleName(), n.name) for n in focused]}")
        check(not FORBIDDEN & {n.name for n in tree(app)}, "internal names with the version window up")
        game.key("Return", to=about)
        game.wait_gone(about)

        choose_difficulty(game, board, "alt+e", 0)
        press(next(n for n in commands if n.name == "スタート!!!"))
        status = re.compile(r"スタート!!|あと +\d+秒|終了!!")
        wait_until("the status line to tell of the game",
                   lambda: [n for n in tree(app) if n.getRole() == pyatspi.ROLE_LABEL
                            and status.fullmatch(n.name)], 30)
        # The target stays a whole tick in its hole: a hole says so, however slow the machine.
        wait_until("a hole to tell of the target",
                   lambda: [n for n in named(pyatspi.ROLE_PUSH_BUTTON, HOLE_NAMES)
                            if n.description in ("的が出ています", "当たりました")], 30)
        game.shot("started.png")


if __name__ == "__main__":
    check(len(sys.argv) == 2, "usage: test_accessible.py PROGRAM")
    run(test, sys.argv[1])
