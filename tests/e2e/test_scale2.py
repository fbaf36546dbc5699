#!/usr/bin/env python3
"""The game at a device pixel ratio of 2 (QT_SCALE_FACTOR=2).

  test_scale2.py PROGRAM clicks   the board is 1280 x 960 device pixels in
                                  the middle of the screen, its holes at
                                  twice their places, and clicks in a
                                  hole's green margin hit the target there
  test_scale2.py PROGRAM sharp    text and pixel art are drawn for the
                                  device pixels: no art pixel blurred into
                                  its neighbours, text no softer than at 1
"""

import sys
import time

from pyoko import (ART_COLOURS, BOARD_SIZE, DIFFICULTY_MARKS, GREEN, HOLES, START_LABEL, Game, check,
                   choose_difficulty, click_hole, holes, open_board, quit_game, run, tick_of, watch_hit)

SCALE = 2
SCREEN = (1600, 1200)
# Big labels: "スタート!!!", "終了", "ハイスコア".
TEXT_LABELS = [START_LABEL, (464, 408, 161, 41), (472, 208, 153, 33)]


def start(game, scale):
    game.start(extra_env={"QT_SCALE_FACTOR": str(scale)})
    return open_board(game, scale, save_as=f"board-scale{scale}.png")


def test_clicks(program):
    with Game("scale2-clicks", program, screen=SCREEN) as game:
        board, _ = start(game, SCALE)
        size = (board.width, board.height)
        check(size == (BOARD_SIZE[0] * SCALE, BOARD_SIZE[1] * SCALE), f"the board is {size} device pixels")
        check(board.centred_on(game.screen), f"the board is not centred: {board}")

        choose_difficulty(game, board, "alt+e", 0, SCALE)
        game.key("s", to=board)
        # Three targets, each in a hole of its own, clicked in the margin. A
        # click not seen to hit before the next tick proves nothing either
        # way: its hole is left alone, lest it meet a later click, until a
        # later click is seen to hit (clicks are handled in order).
        hit, unseen, clicks = [], [], 0
        acted_tick = None
        deadline = time.monotonic() + 35  # well inside the 41 s of an easy game
        while len(hit) < 3:
            check(time.monotonic() < deadline,
                  f"only holes {hit} of {clicks} clicks in a hole's margin were seen to hit their targets")
            shot = game.shot()
            state = holes(shot, board, SCALE)
            targets = [h for h, image in state.items() if image == "target"]
            tick = tick_of(shot, board, SCALE)
            if (None in state.values() or len(targets) != 1 or targets[0] in hit + unseen
                    or tick == acted_tick):
                continue
            acted_tick, hole = tick, targets[0]
            click_hole(game, board, hole, SCALE)
            clicks += 1
            confirmed = watch_hit(game, board, hole, tick, SCALE)
            if confirmed is None:
                unseen.append(hole)
                continue
            unseen = []
            if tick_of(confirmed, board, SCALE) == tick:
                others = {h: image for h, image in holes(confirmed, board, SCALE).items() if h != hole}
                check(not {"target", "hit"} & set(others.values()),
                      f"after the hit on hole {hole} the others show {others}")
            confirmed.save(f"{game.shots}/hit-scale2-{hole}.png")
            hit.append(hole)

        quit_game(game, board)
        check(game.wait_exit() == 0, "the program did not end normally")


def text_softness(shot, board, scale):
    """Of the text pixels of the big labels, the share that are neither the
    green field nor near black: the anti-aliased edges. Drawn for the device
    pixels, text at 2 has half as much edge for its ink as text at 1; text
    drawn at 1 and enlarged has as much or more."""
    ink = edge = 0
    for x, y, w, h in TEXT_LABELS:
        for p in shot.region(board.x + x * scale, board.y + y * scale, w * scale, h * scale):
            if max(p) < 48:
                ink += 1
            elif p != GREEN:
                edge += 1
    check(ink > 0, "no text found in the big labels")
    return edge / (ink + edge)


def doubled_blocks(shot, board):
    """The share of 2 x 2 blocks of the big labels that are not one colour
    (0 when text drawn at 1 is simply doubled), among blocks that hold text."""
    mixed = inked = 0
    for x, y, w, h in TEXT_LABELS:
        for by in range(h):
            for bx in range(w):
                px, py = board.x + (x + bx) * SCALE, board.y + (y + by) * SCALE
                block = {shot.pixel(px, py), shot.pixel(px + 1, py), shot.pixel(px, py + 1),
                         shot.pixel(px + 1, py + 1)}
                if block != {GREEN}:
                    inked += 1
                    mixed += len(block) > 1
    return mixed / max(inked, 1)


def art_problems(shot, board, what, x, y, w, h):
    """Checks a piece of pixel art drawn at 2: every pixel one of the art's
    colours, every 2 x 2 block of one colour."""
    off = set()
    blurred = 0
    for dy in range(0, h * SCALE, 2):
        for dx in range(0, w * SCALE, 2):
            px, py = board.x + x * SCALE + dx, board.y + y * SCALE + dy
            block = [shot.pixel(px, py), shot.pixel(px + 1, py), shot.pixel(px, py + 1), shot.pixel(px + 1, py + 1)]
            off.update(c for c in block if c not in ART_COLOURS)
            blurred += len(set(block)) > 1
    if off or blurred:
        return [f"{what}: {len(off)} colours that are not the art's (e.g. {sorted(off)[:3]}), "
                f"{blurred} blocks of 2 x 2 device pixels not of one colour"]
    return []


def test_sharp(program):
    with Game("scale2-sharp-1", program) as game:
        board, shot = start(game, 1)
        softness_1 = text_softness(shot, board, 1)
        quit_game(game, board)
        check(game.wait_exit() == 0, "the program at scale 1 did not end normally")

    with Game("scale2-sharp", program, screen=SCREEN) as game:
        board, shot = start(game, SCALE)
        problems = []
        for hole, (x, y) in HOLES.items():
            problems += art_problems(shot, board, f"the image of hole {hole}", x, y, 60, 60)
        for index, (x, y, w, h) in enumerate(DIFFICULTY_MARKS):
            problems += art_problems(shot, board, f"the mark of difficulty {index}", x, y, w, h)
        softness_2 = text_softness(shot, board, SCALE)
        if softness_2 > 0.85 * softness_1:
            problems.append(f"text is soft: {softness_2:.2f} of its pixels are edge at 2, "
                            f"{softness_1:.2f} at 1")
        mixed = doubled_blocks(shot, board)
        if mixed < 0.3:
            problems.append(f"text looks drawn at 1 and doubled: only {mixed:.2f} of its 2 x 2 blocks vary")
        print(f"text edge share {softness_1:.2f} at 1, {softness_2:.2f} at 2; varied blocks {mixed:.2f}")
        check(not problems, "not sharp at a device pixel ratio of 2:\n  " + "\n  ".join(problems))
        quit_game(game, board)
        check(game.wait_exit() == 0, "the program did not end normally")


if __name__ == "__main__":
    check(len(sys.argv) == 3 and sys.argv[2] in ("clicks", "sharp"), "usage: test_scale2.py PROGRAM clicks|sharp")
    run(test_clicks if sys.argv[2] == "clicks" else test_sharp, sys.argv[1])
