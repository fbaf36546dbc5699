#!/usr/bin/env python3
"""The board's other keys.

  test_windows.py PROGRAM

H opens the high-score window and V the version window, each in the middle
of the screen over the board, and Enter closes each. Space minimises the
board and Space restores it, with its holes as they were.
"""

import sys

from pyoko import BLACK, BOARD_TITLE, GREEN, PINK, Game, check, holes, open_board, quit_game, run


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


if __name__ == "__main__":
    check(len(sys.argv) == 2, "usage: test_windows.py PROGRAM")
    run(test, sys.argv[1])
