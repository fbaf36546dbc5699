#!/usr/bin/env python3
"""A whole game on the easy difficulty, played by reading the screen.

  test_game.py PROGRAM

The player finds each new target by its colour and hits most of them: with
the keypad key of its hole, or with a click in the green margin of its hole.
Twice the player clicks another hole instead, and some targets are left
alone. Each action is confirmed on the screen (the hit-target image, or the
score changing while the target stays), so the score the game must reach
follows from what was seen:

  30 a hit, -30 a click on another hole, -5 for each of the first 40 targets
  left unhit (the 41st target ends the game and is never charged).

On a busy machine a key or a click may land after the next tick, or the
screen may be read too late to tell: such an action was either a hit or a
miss, and the score must be one of those that follow.

At the end the name window takes a name with a comma and a space, the table
window opens beside the board, Q, Yes, OK closes the board, and the table
window keeps the program alive until its own OK. date.dat then holds the
new first row above the nine default rows.
"""

import os
import sys
import time

from pyoko import (BLACK, BOARD_TITLE, DEFAULT_ROW, GREEN, PINK, SCORE_LABEL, Game, check, choose_difficulty,
                   click_hole, difficulty_chosen, hole_image, holes, keypad, open_board, quit_game, read_scores, run)

TICK = 1.0            # seconds between ticks on the easy difficulty
TICKS = 41            # the tick that takes the elapsed time past 40 s ends the game
SAFE_GAP = 0.35       # a target counts as new only if the shot before it is this recent
CONFIRM_WITHIN = 2.5  # after the tick, how long an action's effect is looked for
NAME = "Taro, Jr. 2"


def plan(n):
    """What to do with the n-th new target seen (1-based)."""
    if n % 5 == 0:
        return "leave"
    if n in (3, 14):
        return "miss"
    if n % 5 == 2:
        return "click"
    return "key"


def score_region(shot, board):
    x, y, w, h = SCORE_LABEL
    return shot.region(board.x + x, board.y + y, w, h)


def play(game, board):
    """Plays until the name window appears. Returns (hits, misses, actions
    whose effect was not seen, first tick time, end time, how the hits were
    made)."""
    hits = misses = unknown = 0
    seen = 0
    used = {"key": set(), "click": set()}
    first_tick = None
    previous = None  # (shot, holes) of the last screenshot
    doubled = False  # the last screenshot showed two targets
    saved_target = saved_hit = False
    deadline = time.monotonic() + 60

    while True:
        check(time.monotonic() < deadline, "the game did not end within 60 s")
        if game.find("Form4"):
            return hits, misses, unknown, first_tick, time.monotonic(), used
        shot = game.shot()
        state = holes(shot, board)
        if None in state.values():
            previous = None  # the board was caught mid-change; look again
            continue
        targets = [h for h, image in state.items() if image == "target"]
        if len(targets) > 1:
            # A screenshot may catch the board between two parts of one repaint, never twice running.
            check(not doubled, f"more than one target on the board: {state}")
            doubled, previous = True, None
            continue
        doubled = False
        if targets and first_tick is None:
            first_tick = previous[0].started if previous else shot.started
        fresh = (targets and previous is not None and previous[1][targets[0]] != "target"
                 and shot.started - previous[0].started < SAFE_GAP)
        tick_at = previous[0].started if previous else None  # the tick came after this
        previous = (shot, state)
        if not fresh:
            continue

        target = targets[0]
        if not saved_target:
            shot.save(os.path.join(game.shots, "target.png"))
            saved_target = True
        # Stay clear of the 41st tick: a key pressed then would go to the name window.
        if tick_at - first_tick > (TICKS - 3) * TICK:
            continue
        seen += 1
        action = plan(seen)
        if action == "leave":
            continue
        confirm_by = tick_at + CONFIRM_WITHIN

        if action == "miss":
            other = next(h for h in ((5, 1) if misses == 0 else (9, 3)) if h != target)
            before = score_region(shot, board)
            click_hole(game, board, other)

            def missed(s):
                # The score changed while the target stayed where it was: no tick came between.
                now = holes(s, board)
                return score_region(s, board) != before and now[target] == "target" and now[other] == "empty"
            if confirm(game, missed, confirm_by):
                misses += 1
            else:
                unknown += 1
                previous = None
            continue

        if action == "key":
            game.key(keypad(target))
        else:
            click_hole(game, board, target)

        def hit(s):
            return hole_image(s, board, target) == "hit"
        # Only a hit shows the hit image, whenever the screen is read.
        confirmed = confirm(game, hit, confirm_by)
        if not confirmed:
            unknown += 1
            previous = None
            continue
        others = {h: image for h, image in holes(confirmed, board).items() if h != target}
        check("hit" not in others.values(), f"after the hit on hole {target} the other holes show {others}")
        hits += 1
        used[action].add(target)
        if not saved_hit:
            confirmed.save(os.path.join(game.shots, "hit.png"))
            saved_hit = True
        previous = (confirmed, holes(confirmed, board))


def confirm(game, probe, by):
    while time.monotonic() < by:
        shot = game.shot()
        if probe(shot):
            return shot
    return None


def test(program):
    with Game("game", program) as game:
        game.start()
        board, _ = open_board(game)

        check(not any(difficulty_chosen(game.shot(), board, i) for i in range(3)), "a difficulty is chosen at start")
        choose_difficulty(game, board, "alt+e", 0)  # 易しい設定 (&E)
        game.key("s", to=board)
        started = time.monotonic()
        hits, misses, unknown, first_tick, ended, used = play(game, board)

        check(first_tick is not None and first_tick - started < 1.5, "no target appeared within the first tick")
        length = ended - first_tick
        check((TICKS - 1) * TICK - 0.5 < length < (TICKS - 1) * TICK + 2.5,
              f"the game ended {length:.1f} s after the first target instead of {TICKS - 1} s")
        check(hits >= 10 and used["key"] and used["click"],
              f"too few actions to judge the game: {hits} hits ({used}), {misses} misses, {unknown} unseen")

        entry = game.wait_window("Form4")
        check((entry.width, entry.height) == (305, 226), f"the name window is {entry.width} x {entry.height}")
        check(entry.centred_on(game.screen), f"the name window is not centred: {entry}")
        game.type(NAME, to=entry)
        game.shot("name-entry.png")
        game.key("Return", to=entry)

        table = game.wait_window("Form3")
        check((table.width, table.height) == (585, 377), f"the table window is {table.width} x {table.height}")
        check(table.centred_on(game.screen), f"the table window is not centred: {table}")
        check(game.find(BOARD_TITLE), "the board went away when the table window opened")
        check(not game.find("Form4"), "the name window is still open")
        game.wait_screen("the table window beside the board",
                         lambda s: s.pixel(table.x + 1, table.y + 1) == BLACK
                         and s.pixel(table.x + 30, table.y + 230) == PINK
                         and s.pixel(board.x + 5, board.y + 5) == GREEN,
                         save_as="table-and-board.png")

        # A click on the board's bare green gives it the keyboard again.
        game.click(board.x + 5, board.y + 5)
        quit_game(game, board)

        # An unseen action is a hit (30 instead of -5) or a miss (-30).
        expected = 30 * hits - 30 * misses - 5 * (TICKS - 1 - hits)
        possible = [expected + 35 * hit - 30 * (unknown - hit) for hit in range(unknown + 1)]
        rows = read_scores(os.path.join(game.folder, "date.dat"))
        check(rows[0][1:] == ("易しい", NAME) and rows[0][0] in possible,
              f"first row {rows[0]}, expected one of {possible} with '易しい', {NAME!r} "
              f"from {hits} hits, {misses} misses and {unknown} actions not seen")
        check(rows[1:] == [DEFAULT_ROW] * 9, f"the rows below the new one changed: {rows[1:]}")

        time.sleep(1.0)
        check(game.running(), "the program ended while the table window was still open")
        check([w.name for w in game.windows()] == ["Form3"], f"open windows: {game.windows()}")
        game.shot("table-alone.png")
        game.click(table.x + 10, table.y + 10)
        game.key("Return", to=table)
        check(game.wait_exit() == 0, "the program did not end normally")
        print(f"{hits} hits (keypad on holes {sorted(used['key'])}, clicks on holes {sorted(used['click'])}), "
              f"{misses} misses, {unknown} actions not seen, score {rows[0][0]}")


if __name__ == "__main__":
    check(len(sys.argv) == 2, "usage: test_game.py PROGRAM")
    run(test, sys.argv[1])
