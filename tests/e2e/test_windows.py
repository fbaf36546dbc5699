#!/usr/bin/env python3
"""The board's other keys, and its drag.

  test_windows.py PROGRAM        the keys
  test_windows.py PROGRAM drag   the drag

H opens the high-score window and V the version window, each in the middle
of the screen over the board, and Enter closes each. Space minimises the
board and Space restores it, with its holes as they were.

The board has no title bar: a drag that starts on its green field moves it
by exactly as much as the mouse went from the press, and it stays there
when the button is released. A click there changes nothing. The quit
question then opens over the board where it now is, not in the middle of
the screen.
"""

import sys

from pyoko import (BLACK, BOARD_TITLE, GREEN, PINK, Game, check, holes, open_board, quit_game, run,
                   wait_until)

FIELD = (20, 460)  # bare green, left of hole 1
DRAG = (50, 30)  # how far the mouse goes with the button held


def small_window(game, board, key, title, size, face):
    """Opens a small window with key, checks its place and look, closes it with Enter."""
    game.key(key, to=board)
    window = game.wait_window(title)
    check((window.width, window.height) == size, f"{title} is {window.width} x {window.height}, not {size}")
    check(window.centred_on(game.screen), f"{title} is not centred: {window}")
    fx, fy = face
    game.wait_screen(f"{title} drawn: black frame, green field, pink OK face",
                     lambda s: s.pixel(window.x, window.y) == BLACK
                     and s.pixel(window.x + size[0] - 1, window.y + 1) == BLACK
                     and s.pixel(window.x + 5, window.y + 5) == GREEN
                     and s.pixel(window.x + fx, window.y + fy) == PINK,
                     save_as=f"{title}.png")
    game.key("Return", to=window)
    game.wait_gone(window)
    check([w.name for w in game.windows()] == [BOARD_TITLE], f"windows after {title} closed: {game.windows()}")


def test(program):
    with Game("windows", program) as game:
        game.start()
        board, _ = open_board(game)

        # The pink faces: 8 pixels inside the red border of each window's OK face.
        small_window(game, board, "h", "Form3", (585, 377), (16 + 8, 216 + 8))
        small_window(game, board, "v", "Form2", (305, 225), (96 + 8, 144 + 8))

        game.key("space", to=board)
        game.wait_gone(board)
        game.wait_screen("the screen empty where the board was",
                         lambda s: s.pixel(board.x + 320, board.y + 240) == BLACK
                         and s.pixel(board.x + 5, board.y + 5) == BLACK, save_as="minimised.png")
        check(game.running(), "the program ended when its board was minimised")
        # A minimised window holds no keyboard focus on X: the key is sent to it.
        game.key_to_window(board, "space")
        restored = game.wait_board()
        check((restored.x, restored.y, restored.width, restored.height) == (board.x, board.y, 640, 480),
              f"the board came back elsewhere: {restored}")
        game.wait_screen("the board back with its nine empty holes",
                         lambda s: set(holes(s, board).values()) == {"empty"}
                         and s.pixel(board.x + 5, board.y + 5) == GREEN, save_as="restored.png")

        quit_game(game, board)
        check(game.wait_exit() == 0, "the program did not end normally")


def board_at(game, x, y):
    board = game.wait_board()
    return board if (board.x, board.y) == (x, y) else None


def test_drag(program):
    with Game("windows-drag", program) as game:
        game.start()
        board, _ = open_board(game)
        x, y = board.x + FIELD[0], board.y + FIELD[1]

        # A click on the field starts no move: the mouse goes on, a key is
        # handled after it, and the board stays where it was.
        game.click(x, y)
        game.pointer("mousemove", x + 50, y - 50)
        small_window(game, board, "h", "Form3", (585, 377), (16 + 8, 216 + 8))
        check(board_at(game, board.x, board.y), f"a click on the field moved the board: {game.windows()}")

        # A first step short of the drag distance, then the rest at once: the
        # board moves in one go, and only where the mouse went.
        game.pointer("mousemove", x, y, "mousedown", 1, "mousemove", x + 3, y + 2,
                     "mousemove", x + DRAG[0], y + DRAG[1])

        def moved_board():
            now = game.wait_board()
            return now if (now.x, now.y) != (board.x, board.y) else None
        moved = wait_until("the board to follow the mouse", moved_board, 30)
        check((moved.x - board.x, moved.y - board.y) == DRAG,
              f"a drag of {DRAG} moved the board by {(moved.x - board.x, moved.y - board.y)}")
        game.pointer("mouseup", 1, "mousemove", 10, 10)
        check(board_at(game, moved.x, moved.y), f"the board left its place on release: {game.windows()}")
        game.wait_screen("the moved board with its nine empty holes",
                         lambda s: set(holes(s, moved).values()) == {"empty"}, save_as="moved.png")

        # The question belongs to the board: it opens over it.
        game.key("q", to=moved)
        box = game.wait_window("終了")
        centre = (box.x + box.width / 2 - moved.x - 320, box.y + box.height / 2 - moved.y - 240)
        check(max(map(abs, centre)) <= 40, f"the quit question {box} is not over the board {moved}")
        game.key("Return", to=box)
        game.answer("Return", names=("終了",), other_than=(box.id,))
        game.wait_gone(moved)
        check(game.wait_exit() == 0, "the program did not end normally")


if __name__ == "__main__":
    check(len(sys.argv) == 2 or (len(sys.argv) == 3 and sys.argv[2] == "drag"),
          "usage: test_windows.py PROGRAM [drag]")
    run(test_drag if len(sys.argv) == 3 else test, sys.argv[1])
