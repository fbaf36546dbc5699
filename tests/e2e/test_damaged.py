#!/usr/bin/env python3
"""A damaged date.dat beside the program.

  test_damaged.py PROGRAM

Its rows 1 and 2 are sound and row 3 has a score that is no number. At
start-up, before the display question, a message says so, and a copy
date.dat.damaged with the very bytes of the file is already there. The run
ends normally, and the new date.dat keeps the two rows that could be read,
with default rows below them.
"""

import os
import sys

from pyoko import BOARD_TITLE, DEFAULT_ROW, Game, check, encode_rows, quit_game, read_scores, run

SOUND = [(480, "普通", "Hanako, Y."), (125, "難しい", "名無しの権兵衛")]


def test(program):
    with Game("damaged", program) as game:
        damaged = (encode_rows(SOUND) + '\r\n'.join(["abc", '"易しい"', '"x"', ""]).encode("cp932")
                   + encode_rows([(7, "易しい", "y")] * 7))
        path = os.path.join(game.folder, "date.dat")
        with open(path, "wb") as f:
            f.write(damaged)

        game.start()
        notice = game.wait_window(" ")
        game.shot("damaged-notice.png")
        copy = os.path.join(game.folder, "date.dat.damaged")
        check(os.path.exists(copy), "no date.dat.damaged while the message shows")
        with open(copy, "rb") as f:
            check(f.read() == damaged, "date.dat.damaged is not a copy of the damaged file")
        check(not game.find(BOARD_TITLE), "the board is shown before the message is answered")
        game.key("Return", to=notice)

        game.answer("Return", other_than=(notice.id,))  # the display question comes next
        board = game.wait_board()
        quit_game(game, board)
        check(game.wait_exit() == 0, "the program did not end normally")

        rows = read_scores(path)
        check(rows == SOUND + [DEFAULT_ROW] * 8, f"date.dat after the run: {rows}")
        with open(copy, "rb") as f:
            check(f.read() == damaged, "date.dat.damaged changed during the run")
        check(sorted(os.listdir(game.folder)) == ["date.dat", "date.dat.damaged", "pyokopon"],
              f"the program's folder holds {sorted(os.listdir(game.folder))}")


if __name__ == "__main__":
    check(len(sys.argv) == 2, "usage: test_damaged.py PROGRAM")
    run(test, sys.argv[1])
