#!/usr/bin/env python3
"""Copies of the real program that share one date.dat, and an end by SIGTERM.

  test_copies.py PROGRAM

Five copies play at once, each on its own X server. Nobody hits anything,
so each score follows from the difficulty alone (-5 for every target left
up: easy -200, normal -265, difficult -400) and is placed on the default
table. The test only waits for windows, never for a tick.

  folder 1  A (easy) and B (normal) take names and then quit one after the
            other, A first; E (difficult) gets SIGTERM while its name window
            is still empty: it must save its row, with the empty name, and
            end normally although its table window was about to open.
  folder 2  C (easy) and D (normal) take names and quit at the same moment.

Every copy saves at its game end and again when it quits, each time from a
table it loaded long before: once the names are in, and again at the end,
every folder holds the rows of all its copies, in 30 lines, and the lock file
that is made once and never removed.
"""

import os
import signal
import sys
import threading

from pyoko import (BOARD_TITLE, DEFAULT_ROW, Game, check, choose_difficulty, open_board, quit_game, read_scores,
                   run)

EASY, NORMAL, DIFFICULT = ("alt+e", 0, -200, "易しい"), ("alt+n", 1, -265, "普通"), ("alt+d", 2, -400, "難しい")


class Copy:
    def __init__(self, label, program, difficulty, name, beside=None):
        self.label, self.difficulty, self.name = label, difficulty, name
        # Copies started beside another one run its executable, from its folder.
        self.game = Game(f"copies-{label}", beside.game.program if beside else program, installed=bool(beside))
        self.board = None

    @property
    def row(self):
        return (self.difficulty[2], self.difficulty[3], self.name)

    def start_game(self):
        self.game.start()
        self.board, _ = open_board(self.game)
        key, index = self.difficulty[:2]
        choose_difficulty(self.game, self.board, key, index)
        self.game.key("s", to=self.board)

    def enter_name(self):
        entry = self.game.wait_window("Form4", timeout=120)
        self.game.type(self.name, to=entry)
        self.game.key("Return", to=entry)
        self.table = self.game.wait_window("Form3")
        check(self.game.find(BOARD_TITLE), f"{self.label}: the board went away at the game end")
        # A click on the board's bare green gives it the keyboard again.
        self.game.click(self.board.x + 5, self.board.y + 5)

    def close_table(self):
        """OK on the table window that outlives the board; the program then ends."""
        self.game.wait_gone(self.board)
        self.game.click(self.table.x + 10, self.table.y + 10)
        self.game.key("Return", to=self.table)
        check(self.game.wait_exit() == 0, f"{self.label} did not end normally")


def check_folder(folder, copies):
    rows = read_scores(os.path.join(folder, "date.dat"))
    expected = sorted((c.row for c in copies), key=lambda row: -row[0]) + [DEFAULT_ROW] * (10 - len(copies))
    check(rows == expected, f"date.dat of {', '.join(c.label for c in copies)}: {rows}, expected {expected}")
    check(sorted(os.listdir(folder)) == ["date.dat", "date.dat.lock", "pyokopon"], f"{folder} holds {sorted(os.listdir(folder))}")


def test(program):
    copies = []
    try:
        a = Copy("a", program, EASY, "Alpha")
        copies.append(a)
        b = Copy("b", program, NORMAL, "Bravo", beside=a)
        e = Copy("e", program, DIFFICULT, "", beside=a)
        c = Copy("c", program, EASY, "Charlie")
        copies += [b, e, c]
        d = Copy("d", program, NORMAL, "Delta", beside=c)
        copies.append(d)
        for copy in copies:
            copy.start_game()

        e.game.wait_window("Form4", timeout=120)
        e.game.shot("name-window-at-sigterm.png")
        e.game.process.send_signal(signal.SIGTERM)
        check(e.game.wait_exit(30) == 0, "the copy that got SIGTERM did not end normally")
        for copy in (a, b, c, d):
            copy.enter_name()
        # Each name was saved before its table window opened.
        check_folder(a.game.folder, [a, b, e])
        check_folder(c.game.folder, [c, d])

        # Folder 1: A quits, then B.
        for copy in (a, b):
            quit_game(copy.game, copy.board)
            copy.close_table()
        check_folder(a.game.folder, [a, b, e])

        # Folder 2: both goodbye boxes answered at once.
        for copy in (c, d):
            copy.game.key("q", to=copy.board)
            first = copy.game.answer("Return", names=("終了",))
            goodbye = copy.game.wait_window("終了", other_than=(first.id,))
            copy.game.wait_active(goodbye)
        other = threading.Thread(target=c.game.key, args=("Return",))
        other.start()
        d.game.key("Return")
        other.join()
        for copy in (c, d):
            copy.close_table()
        check_folder(c.game.folder, [c, d])
    finally:
        # The copies that run beside another go first: the first one's folder holds their program.
        failed = sys.exc_info()[0] is not None
        for copy in reversed(copies):
            copy.game.close(failed=failed)


if __name__ == "__main__":
    check(len(sys.argv) == 2, "usage: test_copies.py PROGRAM")
    run(test, sys.argv[1])
