#!/usr/bin/env python3
"""One game of the real program on a Wayland compositor, as on a GNOME desktop.

  test_wayland.py PROGRAM

Under a headless sway, with keys only: Yes to the display question, H and V
open and close the table and version windows, Alt+D and S start a difficult
game, left alone to its end on the 81st tick (-400). The name window takes
a Japanese name, the table window opens, Q, Yes and OK close the board, and
OK on the table window ends the program. date.dat then holds the name in
Shift_JIS on the new first row.

Every window shown modally, and every message box, names the board as its
parent, so the compositor keeps it over the board; the table window of the
game's end names none. Only the display question comes before the board is
on the screen, with no board to belong to.
"""

import os
import sys

from pyoko import (BOARD_TITLE, DEFAULT_ROW, check, choose_difficulty, give_to_player, open_board, quit_game,
                   read_scores, run)
from wayland import Session

NAME = "ぴょこ太郎"
TICKS, TICK = 81, 0.5  # a difficult game

PARENTS = [
    (" ", None),               # the display question, before the board is shown
    (BOARD_TITLE, None),
    ("Form3", BOARD_TITLE),    # H
    ("Form2", BOARD_TITLE),    # V
    ("Form4", BOARD_TITLE),    # the name
    ("Form3", None),           # the table after the game: it may go behind the board
    ("終了", BOARD_TITLE),     # やめちゃうの?
    ("終了", BOARD_TITLE),     # バイバイ!
]


def test(program):
    with Session("wayland", program) as session:
        give_to_player(session.folder)  # date.dat beside the program
        session.start()
        board, _ = open_board(session, save_as="board.png")
        for key, title in (("h", "Form3"), ("v", "Form2")):
            session.key(key, to=board)
            session.wait_gone(session.answer("Return", names=(title,)))

        choose_difficulty(session, board, "alt+d", 2)
        session.key("s", to=board)
        entry = session.wait_window("Form4", timeout=TICKS * TICK * 2 + 30)
        session.type(NAME, to=entry)
        session.key("Return", to=entry)
        table = session.wait_window("Form3")
        check(session.find(BOARD_TITLE), "the board went away when the table window opened")

        session.focus(board)
        quit_game(session, board)
        check(session.running(), "the program ended while the table window was still open")
        session.focus(table)
        session.key("Return", to=table)
        check(session.wait_exit() == 0, "the program did not end normally")

        rows = read_scores(os.path.join(session.folder, "date.dat"))
        check(rows == [(-400, "難しい", NAME)] + [DEFAULT_ROW] * 9, f"date.dat after the game: {rows}")
        parents = session.parents()
        check(parents == PARENTS, f"windows and the parents they named: {parents}")
        print("windows and the parents they named:", parents)


if __name__ == "__main__":
    check(len(sys.argv) == 2, "usage: test_wayland.py PROGRAM")
    run(test, sys.argv[1])
