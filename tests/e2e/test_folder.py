#!/usr/bin/env python3
"""date.dat beside the program, whatever the bytes of its folder's name.

  test_folder.py PROGRAM

The program runs from a folder named in Shift_JIS ("ゲーム" in cp932, which
is no UTF-8), beside a date.dat written with LF line ends (a form the
program reads but never writes). Quitting rewrites that date.dat in the
program's own form with the same rows, and no per-user data folder is made.
"""

import os
import shutil
import sys

from pyoko import Game, check, encode_rows, quit_game, read_scores, run

ROWS = [(900 - 100 * r, "普通", f"Player {r}") for r in range(10)]
SHIFT_JIS_NAME = b"\x83\x51\x81\x5b\x83\x80"


def test(program):
    with Game("folder-shift-jis", program) as game:
        folder = os.path.join(os.fsencode(game.work), SHIFT_JIS_NAME)
        os.rename(os.fsencode(game.folder), folder)
        shutil.rmtree(game.folder, ignore_errors=True)
        game.program = os.path.join(folder, b"pyokopon")
        path = os.path.join(folder, b"date.dat")
        with open(path, "wb") as f:
            f.write(encode_rows(ROWS, line_end=b"\n"))

        game.start()
        game.answer("Return")  # the display question: no message about the file came before it
        quit_game(game, game.wait_board())
        check(game.wait_exit() == 0, "the program did not end normally")
        check(read_scores(path) == ROWS, f"date.dat beside the program after the run: {read_scores(path)}")
        check(sorted(os.listdir(folder)) == [b"date.dat", b"date.dat.lock", b"pyokopon"],
              f"the program's folder holds {sorted(os.listdir(folder))}")
        per_user = os.path.join(game.player_home, ".local", "share", "pyokopon")
        check(not os.path.exists(per_user), f"{per_user} was made although the program's folder was writable")


if __name__ == "__main__":
    check(len(sys.argv) == 2, "usage: test_folder.py PROGRAM")
    run(test, sys.argv[1])
