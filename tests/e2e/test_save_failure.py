#!/usr/bin/env python3
"""A save that fails, through the real program.

  test_save_failure.py PROGRAM           quit by Q, then Retry and Cancel
  test_save_failure.py PROGRAM closed    closed by the window manager mid-game
  test_save_failure.py PROGRAM sigterm   ended by SIGTERM mid-game
  test_save_failure.py PROGRAM sigterm_damaged
  test_save_failure.py PROGRAM sigterm_retry

The program runs as an ordinary user from a folder that user cannot write,
beside a date.dat written with LF line ends (which the program reads but
never writes) that the user can write at start-up, so that it is the file
the program saves to, but no longer once the board is up. Quitting then
cannot save:

  1. Retry fails again and asks again; Cancel ends the program normally,
     and date.dat is left exactly as it was, with nothing else beside it.
  2. Once the folder and the file are the user's, Retry saves: date.dat
     holds the same rows, now written by the program in its own form, and
     the program ends normally.

closed: a difficult game (a tick every 500 ms) runs when the board is
closed by the window manager's close (Alt+F4 in openbox). The game must
stand still while the failed save asks Retry or Cancel: with the box up,
three seconds (six ticks) change neither the countdown nor the holes, and
no name window comes up. Cancel then ends the program normally.

sigterm: the same game ended by SIGTERM. No one is asked: the program ends
on its own with a non-zero status, saying on standard error once, with no
word of buttons, why the table was not saved; until it has ended no box and
no name window come up, and date.dat is left as it was.

sigterm_damaged: as sigterm, but with a damaged date.dat (a score that is
no number), and SIGTERM while the start-up message about it is up.

sigterm_retry: as sigterm, but SIGTERM while the failed save at quitting
asks Retry or Cancel.
"""

import os
import signal
import sys
import time

from pyoko import (Game, box_still_answers, check, choose_difficulty, encode_rows, give_to_player, holes, open_board,
                   quit_game, read_scores, run, tick_of)

ROWS = [(900 - 100 * r, "普通", f"Player {r}") for r in range(10)]


def quit_until_save_fails(game, path):
    game.start(as_player=True)
    game.answer("Return")
    board = game.wait_board()
    os.chmod(path, 0o444)
    goodbye = quit_game(game, board, closes=False)
    failure = game.wait_window(" ", other_than=(goodbye.id,))
    check(game.running(), "the program ended instead of asking what to do about the failed save")
    return failure


def unwritable_table(game):
    """date.dat in a folder the player cannot write, writable by the player
    until the test calls os.chmod(path, 0o444); returns its path and contents."""
    path = os.path.join(game.folder, "date.dat")
    original = encode_rows(ROWS, line_end=b"\n")
    with open(path, "wb") as f:
        f.write(original)
    os.chmod(game.folder, 0o555)
    os.chmod(path, 0o666)
    return path, original


def test(program):
    with Game("save-failure", program) as game:
        path, original = unwritable_table(game)

        failure = quit_until_save_fails(game, path)
        game.shot("save-failed.png")
        game.key("Return", to=failure)  # 再試行: still cannot save
        again = game.wait_window(" ", other_than=(failure.id,))
        game.key("Escape", to=again)    # キャンセル
        check(game.wait_exit() == 0, "the program did not end normally after Cancel")
        with open(path, "rb") as f:
            check(f.read() == original, "date.dat changed although it could not be saved")
        check(sorted(os.listdir(game.folder)) == ["date.dat", "pyokopon"],
              f"the failed save left {sorted(os.listdir(game.folder))}")

        os.chmod(path, 0o666)
        failure = quit_until_save_fails(game, path)
        for mine in (game.folder, path):
            give_to_player(mine)
        game.key("Return", to=failure)  # 再試行, now that folder and file are the user's
        check(game.wait_exit() == 0, "the program did not end normally after a successful retry")
        check(read_scores(path) == ROWS, f"date.dat after the retry: {read_scores(path)}")
        check(sorted(os.listdir(game.folder)) == ["date.dat", "date.dat.lock", "pyokopon"],
              f"the program's folder holds {sorted(os.listdir(game.folder))}")


def test_midgame(program, how):
    with Game(f"save-failure-{how}", program) as game:
        path, original = unwritable_table(game)
        game.start(as_player=True)
        board, _ = open_board(game)
        choose_difficulty(game, board, "alt+d", 2)
        game.key("s", to=board)
        game.wait_screen("the first tick's target", lambda s: "target" in holes(s, board).values())
        os.chmod(path, 0o444)
        if how == "sigterm":
            signal_ends_without_asking(game, path, original)
            return
        game.key("alt+F4", to=board)
        failure = game.wait_window(" ")
        # Every tick before the box is drawn once the box has answered keys.
        box_still_answers(game, failure)
        before = game.shot("save-failed.png")
        time.sleep(3.0)
        after = game.shot("three-seconds-later.png")
        check(tick_of(after, board) == tick_of(before, board), "the countdown went on behind the failed save's box")
        check(holes(after, board) == holes(before, board),
              f"the holes changed behind the failed save's box: {holes(before, board)}, then {holes(after, board)}")
        check(not game.find("Form4"), "the name window came up behind the failed save's box")
        game.key("Escape", to=failure)  # キャンセル
        check(game.wait_exit() == 0, "the program did not end normally after Cancel")


def sigterm_and_watch(game, other_than=()):
    """Sends SIGTERM and watches until the program ends on its own; returns
    its status and the boxes and name windows that came up meanwhile."""
    game.process.send_signal(signal.SIGTERM)
    seen = set()
    deadline = time.monotonic() + 15
    while game.running() and time.monotonic() < deadline:
        seen.update(w.name for w in game.find(" ", "Form4") if w.id not in other_than)
        time.sleep(0.05)
    check(not game.running(), "the program was still running 15 s after SIGTERM")
    check(not seen, f"windows came up after SIGTERM: {sorted(seen)}")
    return game.wait_exit()


def signal_ends_without_asking(game, path, original, other_than=()):
    check(sigterm_and_watch(game, other_than) != 0, "the program ended with status 0 although it could not save")
    with open(os.path.join(game.shots, "program.log"), encoding="utf-8", errors="replace") as f:
        said = f.read()
    check(said.count("ハイスコアを保存できないまま終了します") == 1 and path in said,
          f"standard error does not say once that the table was not saved: {said!r}")
    check("再試行" not in said, f"standard error speaks of buttons: {said!r}")
    with open(path, "rb") as f:
        check(f.read() == original, "date.dat changed although it could not be saved")


def test_damaged_sigterm(program):
    with Game("save-failure-sigterm-damaged", program) as game:
        path, original = unwritable_table(game)
        damaged = original.replace(b"700\n", b"7x0\n")
        with open(path, "wb") as f:
            f.write(damaged)
        game.start(as_player=True)
        notice = game.wait_window(" ")
        os.chmod(path, 0o444)
        signal_ends_without_asking(game, path, damaged, other_than=(notice.id,))


def test_retry_sigterm(program):
    with Game("save-failure-sigterm-retry", program) as game:
        path, original = unwritable_table(game)
        failure = quit_until_save_fails(game, path)
        signal_ends_without_asking(game, path, original, other_than=(failure.id,))


if __name__ == "__main__":
    check(len(sys.argv) == 2 or (len(sys.argv) == 3 and sys.argv[2] in ("closed", "sigterm", "sigterm_damaged", "sigterm_retry")),
          "usage: test_save_failure.py PROGRAM [closed|sigterm|sigterm_damaged|sigterm_retry]")
    if len(sys.argv) == 2:
        run(test, sys.argv[1])
    elif sys.argv[2] == "sigterm_damaged":
        run(test_damaged_sigterm, sys.argv[1])
    elif sys.argv[2] == "sigterm_retry":
        run(test_retry_sigterm, sys.argv[1])
    else:
        run(test_midgame, sys.argv[1], sys.argv[2])
