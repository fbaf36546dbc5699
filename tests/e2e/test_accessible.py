#!/usr/bin/env python3
"""The program as an assistive tool reads and works it, through AT-SPI alone.

  dbus-run-session -- /usr/bin/python3 test_accessible.py PROGRAM

Runs on the private session bus that dbus-run-session starts; the first
program that asks it for the accessibility bus (org.a11y.Bus) starts
at-spi-bus-launcher, and that bus starts at-spi2-registryd the same way.
The program runs with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1, as it does under
a screen reader, and pyatspi (Debian's python3-pyatspi) reads its tree.

No key is pressed and nothing is clicked: every answer is an accessible
action. Each message box is an alert named by its title, else by its text,
which it tells once, as its description. The board offers the commands
as push buttons with a press action, their names and keys, the nine holes
with what each shows, and the difficulty buttons; no internal name shows.
Each window shows one OK. Easy, chosen by Toggle, is taken by スタート!!!;
a notification says the status and the score at the start and the end.
The name window tells its message and takes a name; the table window
reads as ten rows of rank, score, difficulty and name, and tells them.
"""

import os
import re
import sys

from pyoko import PATIENCE, Game, check, run, wait_until

COMMANDS = {"スタート!!!": "S", "終了": "Q", "ハイスコア": "H", "バージョン情報": "V"}
HOLE_NAMES = {f"穴 {number}" for number in range(1, 10)}
FORBIDDEN = {"Command1", "Form2", "Form3", "Form4"}
QUESTION = "ディスプレイの解像度は640×480ですか?"
NO_DIFFICULTY = "難易度を指定してください"
NAME_MESSAGE = "ハイスコアです！！下のボックスに名前を入力してください"
NAME = "ぴょこ太郎"
SCORE = -200  # an easy game left alone: 40 targets charged 5 each
DEFAULT_ROW = "{} 位　-9999 点　易しい　名無しの権兵衛"


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


def act(node, name):
    """Runs one of the node's actions; the answer must come at once, before
    whatever the command opens is closed."""
    names = actions(node)
    check(name in names, f"{node.name!r} offers {names}, not {name}")
    check(node.queryAction().doAction(names.index(name)), f"{node.name!r} refused its {name} action")


def test(program):
    check("DBUS_SESSION_BUS_ADDRESS" in os.environ, "run this under dbus-run-session: it needs a private bus")
    with Game("accessible", program) as game:
        game.start(extra_env={"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                              "DBUS_SESSION_BUS_ADDRESS": os.environ["DBUS_SESSION_BUS_ADDRESS"]})
        # The private X server's root window names no accessibility bus, so
        # pyatspi asks the private session bus for it.
        os.environ["DISPLAY"] = game.display
        import pyatspi
        from gi.repository import GLib

        def settled(probe):
            """probe(), or None while a window that is closing takes its
            objects away under the walk; wait_until asks again."""
            def attempt():
                try:
                    return probe()
                except GLib.GError:
                    return None
            return attempt

        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            apps = [app for app in desktop if app is not None and app.name == "pyokopon"]
            return apps[0] if len(apps) == 1 else None

        def named(role, names, within=None):
            return [n for n in tree(within or app) if n.getRole() == role and n.name in names]

        def one(what, role, names, within=None, timeout=PATIENCE):
            return wait_until(what, settled(lambda: (lambda found: found[0] if len(found) == 1 else None)(
                named(role, names, within))), timeout)

        def listing(node):
            return [(n.getRoleName(), n.name, n.description, actions(n)) for n in tree(node)]

        def box(text, title=None):
            """A message box: an alert named by its title, else by its text,
            which it tells as its description and not once more as a label."""
            alert = wait_until(f"a box named {title or text!r} that tells {text!r}", settled(lambda: next(
                (n for n in app if n is not None and n.getRole() == pyatspi.ROLE_ALERT
                 and (n.name, n.description) == (title or text, text)), None)), PATIENCE)
            check(not named(pyatspi.ROLE_LABEL, {text}, within=alert), f"{text!r} twice: {listing(alert)}")
            return alert

        def press_in(window, name):
            act(one(f"{name} in {window.name!r}", pyatspi.ROLE_PUSH_BUTTON, {name}, within=window), "Press")

        def only_ok(window, focused=True):
            """The window's one button is OK; focused: it holds the focus."""
            buttons = [(n.name, n.getState().contains(pyatspi.STATE_FOCUSED)) for n in tree(window)
                       if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
            check(buttons == [("OK", focused)], f"buttons of {window.name!r}: {listing(window)}")

        def spoken(text):
            """What a screen reader speaks whatever has the focus: a notification, shown."""
            wait_until(f"a notification that says {text!r}",
                       settled(lambda: [n for n in tree(app) if n.getRole() == pyatspi.ROLE_NOTIFICATION
                                        and n.name == text and n.getState().contains(pyatspi.STATE_SHOWING)]),
                       PATIENCE)

        def gone(node):
            return wait_until(f"{node.name!r} to close",
                              settled(lambda: all(n.name != node.name for n in app if n is not None)), PATIENCE)

        app = wait_until("the program on the accessibility bus", settled(application), PATIENCE)
        question = box(QUESTION)
        press_in(question, "はい(Y)")
        gone(question)
        wait_until("the board's controls in its accessible tree",
                   settled(lambda: len(named(pyatspi.ROLE_PUSH_BUTTON, HOLE_NAMES)) == 9), PATIENCE)

        everything = tree(app)
        check(not FORBIDDEN & {n.name for n in everything}, f"internal names in the tree: {listing(app)}")
        commands = {n.name: n for n in named(pyatspi.ROLE_PUSH_BUTTON, COMMANDS)}
        check(sorted(commands) == sorted(COMMANDS), f"commands: {listing(app)}")
        for name, command in commands.items():
            check("Press" in actions(command), f"{name} cannot be pressed: {listing(app)}")
            check(COMMANDS[name] in command.description, f"{name} names no key: {listing(app)}")
        for hole in named(pyatspi.ROLE_PUSH_BUTTON, HOLE_NAMES):
            check(hole.description == "何もいません", f"{hole.name} before a game: {hole.description!r}")
        radios = [n for n in everything if n.getRole() == pyatspi.ROLE_RADIO_BUTTON]
        check(len(radios) == 3 and all(n.name for n in radios), f"difficulty buttons: {listing(app)}")

        # A command that opens a modal window still answers the press at once.
        act(commands["バージョン情報"], "Press")
        about = one("the version window", pyatspi.ROLE_DIALOG, {"バージョン情報"})
        only_ok(about)
        check(not FORBIDDEN & {n.name for n in tree(app)}, "internal names with the version window up")
        press_in(about, "OK")
        gone(about)

        act(commands["スタート!!!"], "Press")
        refusal = box(NO_DIFFICULTY)
        press_in(refusal, "OK")
        gone(refusal)

        easy = next(n for n in radios if n.name.startswith("易しい"))
        act(easy, "Toggle")
        wait_until("easy to be checked", settled(lambda: easy.getState().contains(pyatspi.STATE_CHECKED)), PATIENCE)
        act(commands["スタート!!!"], "Press")
        # Chosen by Toggle, the difficulty is taken: no box asks for one.
        status = re.compile(r"スタート!!|あと +\d+秒")
        wait_until("the status line to tell of the game",
                   settled(lambda: [n for n in tree(app)
                                    if n.getRole() == pyatspi.ROLE_LABEL and status.fullmatch(n.name)]), PATIENCE)
        check(not named(pyatspi.ROLE_ALERT, {NO_DIFFICULTY}), "a difficulty chosen by Toggle was not taken")
        spoken("スタート!!　0 点")
        # The target stays a whole tick in its hole: a hole says so, however slow the machine.
        wait_until("a hole to tell of the target",
                   settled(lambda: [n for n in named(pyatspi.ROLE_PUSH_BUTTON, HOLE_NAMES)
                                    if n.description in ("的が出ています", "当たりました")]), PATIENCE)
        game.shot("started.png")

        # 41 ticks of a second: the game ends and its score is placed.
        entry = one("the name window at the game's end", pyatspi.ROLE_DIALOG, {"名前の入力"}, timeout=150)
        check(entry.description == NAME_MESSAGE, f"the name window tells {entry.description!r}")
        spoken(f"終了!!　{SCORE} 点")
        only_ok(entry, focused=False)  # the name box has the focus
        name_box = one("the name box", pyatspi.ROLE_TEXT, {"名前"}, within=entry)
        check(name_box.queryEditableText().setTextContents(NAME), "the name box refused the name")
        press_in(entry, "OK")

        table = one("the table window", pyatspi.ROLE_DIALOG, {"ハイスコア"})
        only_ok(table)
        rows = [n.name for n in tree(table) if n.getRole() == pyatspi.ROLE_LIST_ITEM]
        expected = [f"1 位　{SCORE} 点　易しい　{NAME}"] + [DEFAULT_ROW.format(rank) for rank in range(2, 11)]
        check(rows == expected, f"the table reads {rows}")
        check(table.description.split("\n") == expected, f"the table tells {table.description!r}")
        game.shot("table.png")
        press_in(table, "OK")
        gone(table)

        act(commands["終了"], "Press")
        press_in(box("やめちゃうの?", title="終了"), "はい(Y)")
        press_in(box("バイバイ!", title="終了"), "OK")
        check(game.wait_exit() == 0, "the program did not end normally")


if __name__ == "__main__":
    check(len(sys.argv) == 2, "usage: test_accessible.py PROGRAM")
    run(test, sys.argv[1])
