#!/usr/bin/env python3
"""A save that fails, through the real program.

  test_save_failure.py PROGRAM

The program runs as an ordinary user from a folder that user cannot write,
beside a date.dat that user can read but not write (written with LF line
ends, which the program reads but never writes). Quitting then cannot save:

  1. Retry fails again and asks again; Cancel ends the program normally,
     and date.dat is left exactly as it was, with nothing else beside it.
  2. Once the folder and the file are the user's, Retry saves: date.dat
     holds the same rows, now written by the program in its own form, and
     the program ends normally.
"""

import os
import sys

from pyoko import Game, check, encode_rows, quit_game, read_scores, run

ROWS = [(900 - 100 * r, "普通", f"Player {r}") for r in range(10)]


def quit_until_save_fails(game):
    game.start(as_player=True)
    game.answer("Return")
    board = game.wait_board()
    goodbye = quit_game(game, board, closes=False)
    failure = game.wait_window(" ", other_than=(goodbye.id,))
    check(game.running(), "the program ended instead of asking what to do about the failed save")
    return failure


def test(program):
    with Game("save-failure", program) as game:
        path = os.path.join(game.folder, "date.dat")
        original = encode_rows(ROWS, line_end=b"\n")
        with open(path, "wb") as f:
            f.write(original)
        os.chmod(game.folder, 0o555)
        os.chmod(path, 0o444)

        failure = quit_until_save_fails(game)
        game.shot("save-failed.png")
        game.key("Return", to=failure)  # 再試行: still cannot save
        again = game.wait_window(" ", other_than=(failure.id,))
        game.key("Escape", to=again)    # キャンセル
        check(game.wait_exit() == 0, "the program did not end normally after Cancel")
        with open(path, "rb") as f:
            check(f.read() == original, "date.dat changed although it could not be saved")
        check(sorted(os.listdir(game.folder)) == ["date.dat", "pyokopon"],
              f"the failed save left {sorted(os.listdir(game.folder))}")

        failure = quit_until_save_fails(game)
        for mine in (game.folder, path):
            game.give_to_player(mine)
        game.key("Return", to=failure)  # 再試行, now that folder and file are the user's
        check(game.wait_exit() == 0, "the program did not end normally after a successful retry")
        check(read_scores(path) == ROWS, f"date.dat after the retry: {read_scores(path)}")
        check(sorted(os.listdir(game.folder)) == ["date.dat", "pyokopon"],
              f"the program's folder holds {sorted(os.listdir(game.folder))}")


if __name__ == "__main__":
    check(len(sys.argv) == 2, "usage: test_save_failure.py PROGRAM")
    run(test, sys.argv[1])
