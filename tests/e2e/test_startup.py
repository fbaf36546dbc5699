#!/usr/bin/env python3
"""Start-up as a player sees it.

  test_startup.py PROGRAM yes   the display question answered Yes (Enter)
  test_startup.py PROGRAM no    answered No (Alt+N), then the OK box

Escape answers neither Yes nor No: the question stays, nothing else comes
up, and Yes still works.

Either way the board then appears: 640 x 480, borderless, in the middle of
the screen, with the nine empty holes at their places. Q, Yes, OK ends the
program, which leaves the default table in date.dat beside itself.

After No, an easy game is started and Q asks "やめちゃうの?": the game stands
still while it asks, Escape answers nothing there either, and No lets the
game go on. A game quit before its end is not ranked: the table stays the
default one.
"""

import os
import sys
import time

from pyoko import (BOARD_SIZE, BOARD_TITLE, BLACK, DEFAULT_ROW, GREEN, HOLES, Game, box_still_answers, check,
                   choose_difficulty, holes, quit_game, read_scores, run, tick_of)


def quit_question_while_playing(game, board):
    """Q during an easy game, Escape, then No: the game waits for the answer
    and goes on after it."""
    choose_difficulty(game, board, "alt+e", 0)
    game.key("s", to=board)
    game.wait_screen("the first target", lambda s: "target" in holes(s, board).values())
    game.key("q", to=board)
    ask = game.wait_window("終了")
    game.key("Escape", to=ask)
    box_still_answers(game, ask)
    check(game.find(BOARD_TITLE), "the board went away on Escape")
    # Every earlier tick is drawn by now; three ticks' time must change nothing.
    paused = tick_of(game.shot(), board)
    time.sleep(3.0)
    check(tick_of(game.shot("quit-question.png"), board) == paused, "the game went on while Q asked")
    game.key("alt+n", to=ask)  # いいえ(&N)
    game.wait_gone(ask)
    game.wait_screen("the game to go on after No", lambda s: tick_of(s, board) != paused)


def test(program, answer):
    with Game(f"startup-{answer}", program) as game:
        game.start()
        question = game.wait_window(" ")
        game.shot("question.png")
        check(not game.find(BOARD_TITLE), "the board is shown before the display question is answered")

        if answer == "yes":
            game.key("Escape", to=question)
            box_still_answers(game, question)
            check(not game.find(BOARD_TITLE), "the board is shown after Escape on the display question")
            game.key("Return", to=question)  # Yes is the default button
        else:
            game.key("alt+n", to=question)   # いいえ(&N)
            notice = game.wait_window(" ", other_than=(question.id,))
            game.shot("notice.png")
            check(not game.find(BOARD_TITLE), "the board is shown before the OK box is answered")
            game.key("Return", to=notice)

        board = game.wait_board()
        boxes = [w for w in game.windows() if w.id != board.id]
        check(not boxes, f"more windows than the board after start-up: {boxes}")
        check((board.width, board.height) == BOARD_SIZE, f"the board is {board.width} x {board.height}")
        check(board.centred_on(game.screen),
              f"the board at ({board.x}, {board.y}) is not centred on the {game.screen} screen")

        shot = game.wait_screen("nine empty holes on the board",
                                lambda s: set(holes(s, board).values()) == {"empty"}, save_as="board.png")
        # Green to its very corners, with the bare screen right outside: no frame, no title bar.
        for x, y in ((0, 0), (639, 0), (0, 479), (639, 479), (620, 460)):
            check(shot.pixel(board.x + x, board.y + y) == GREEN, f"board pixel ({x}, {y}) is not green")
        for x, y in ((-1, 0), (0, -1), (640, 479), (639, 480)):
            check(shot.pixel(board.x + x, board.y + y) == BLACK,
                  f"something is drawn at ({x}, {y}) outside the board: {shot.pixel(board.x + x, board.y + y)}")
        # Between and beside the holes the board stays green.
        for hole, (cx, cy) in HOLES.items():
            for x, y in ((61, 30), (120, 112), (30, 70)):
                check(shot.pixel(board.x + cx + x, board.y + cy + y) == GREEN,
                      f"hole {hole}: ({x}, {y}) of its box is not green")

        if answer == "no":
            quit_question_while_playing(game, board)
        quit_game(game, board)
        check(game.wait_exit() == 0, "the program did not end normally")
        check(sorted(os.listdir(game.folder)) == ["date.dat", "date.dat.lock", "pyokopon"],
              f"the program's folder holds {sorted(os.listdir(game.folder))}")
        path = os.path.join(game.folder, "date.dat")
        check(read_scores(path) == [DEFAULT_ROW] * 10, f"date.dat is not the default table: {read_scores(path)}")
        check(os.path.getsize(path) == 350, f"the default date.dat is {os.path.getsize(path)} bytes, not 350")


if __name__ == "__main__":
    check(len(sys.argv) == 3 and sys.argv[2] in ("yes", "no"), "usage: test_startup.py PROGRAM yes|no")
    run(test, sys.argv[1], sys.argv[2])
