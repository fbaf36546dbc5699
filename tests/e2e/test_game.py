#!/usr/bin/env python3
"""Whole games of the real program, played by reading the screen.

  test_game.py PROGRAM         an easy game, played
  test_game.py PROGRAM twice   a difficult and a normal game, left alone
  test_game.py PROGRAM long    a difficult game left alone, a pasted long name

An easy game, played: the player finds each new target by its colour and hits
most of them, with the keypad key of its hole or with a click in the green
margin of its hole. Now and then, until two are seen, the player clicks
another hole instead, and some targets are left alone. Each of the 40 targets before the last costs 5 unless
it is hit (the 41st ends the game and is never charged), so

  score = -5 * 40 + 35 * (inputs that hit) - 30 * (inputs on another hole)

(a hit is worth 30 and saves the 5). Each input is judged by what the screen
shows next: its hole showing the hit target, or the score changing under the
same countdown. The player never races the clock: when the next tick is on
the screen before an input is seen to take effect, the input may have landed
before that tick or after it, on whatever target was up then: a hit or a
click on another hole, 65 apart, so the score must be one of those sums. It
is exact when every input was seen. The hole of an input not yet handled is
left alone until a later input is seen to take effect (the program handles
them in order), so no two inputs can ever meet the same target.

At the end the name window takes a name with a comma and a space, the table
window opens beside the board, Q, Yes, OK closes the board, and the table
window keeps the program alive until its own OK. date.dat then holds the
new first row above the nine default rows.

Two games left alone: any game is placed on the default table, so each ends
by asking for a name. The difficult one ends on its 81st tick of 500 ms with
80 targets charged, -400; the normal one on its 54th tick of 750 ms with 53
charged, -265, which goes above it. A click on the board between the games
covers the table window the first game opened; after the second name the
refreshed table window must come to the front and take the keyboard.

A pasted long name: the difficult game left alone, then a name longer than
a name may be (1,000 characters) pasted into the name window. It is saved
cut there; the table reads back whole at the next two starts, which save it
unchanged as they quit.
"""

import os
import sys
import time

from pyoko import (BLACK, BOARD_TITLE, DEFAULT_ROW, GREEN, PINK, SCORE_LABEL, Game, board_pixels, check,
                   choose_difficulty, click_hole, difficulty_chosen, holes, keypad, open_board, quit_game,
                   read_scores, run, tick_of, wait_until, watch_hit)

TICK = 1.0          # seconds between ticks on the easy difficulty
TICKS = 41          # the tick that takes the elapsed time past 40 s ends the game
LAST_ACTION = 35.0  # seconds after S: later targets are left alone, so that every
                    # input is handled well before the name window can take keys
HIT, MISS, TOO_LATE = 35, -30, 0  # what one input adds; TOO_LATE: after the game
NAME = "Taro, Jr. 2"
NAME_LIMIT = 1000
LONG_NAME = "長" * NAME_LIMIT + "名前"


def plan(n, misses, all_handled):
    """What to do with the n-th new target (1-based)."""
    if n % 5 == 0:
        return "leave"
    # A click on another hole is judged by the score, so no earlier input may still change it.
    if misses < 2 and n % 4 == 3 and all_handled:
        return "miss"
    if n % 5 == 2:
        return "click"
    return "key"


class Input:
    """A key or a click sent to a hole."""

    def __init__(self, aim, hole, how):
        self.aim, self.hole, self.how = aim, hole, how  # aim: "hit" or "miss"
        self.seen = None       # "hit" or "miss", once seen to take effect
        self.handled = False   # known to have reached the program


class Inputs(list):
    def pending(self):
        return [i for i in self if not i.handled]

    def seen(self, done, outcome):
        """done took effect, so the program has handled every input before it too."""
        done.seen = outcome
        for earlier in self[:self.index(done) + 1]:
            earlier.handled = True

    def look(self, state):
        # The holes of pending inputs are left alone, and each showed no hit
        # when its input was sent: a hit there now is that input's doing.
        for pending in self.pending():
            if state[pending.hole] == "hit":
                self.seen(pending, "hit")

    def possible_scores(self):
        """Every final score the inputs can have made."""
        scores = {-5 * (TICKS - 1) + sum(HIT if i.seen == "hit" else MISS for i in self if i.seen)}
        for unseen in (i for i in self if not i.seen):
            outcomes = (HIT, MISS) if unseen.handled else (HIT, MISS, TOO_LATE)
            scores = {score + outcome for score in scores for outcome in outcomes}
        return scores


def play(game, board, started):
    """Plays until the name window appears. Returns the inputs and the time
    the name window was found."""
    inputs = Inputs()
    misses = n = 0
    acted_tick = None  # the countdown of the last target acted on or left alone
    doubled = False    # the last screenshot showed two targets
    saved_target = saved_hit = False

    while True:
        check(time.monotonic() < started + 120, "the game did not end within 120 s")
        shot = game.shot()
        state = holes(shot, board)
        if None in state.values():
            # Something covers the board (the name window), or a repaint was caught half done.
            if game.find("Form4"):
                return inputs, time.monotonic()
            continue
        inputs.look(state)
        targets = [h for h, image in state.items() if image == "target"]
        if len(targets) > 1:
            # A screenshot may catch the board between two parts of one repaint, never twice running.
            check(not doubled, f"more than one target on the board: {state}")
            doubled = True
            continue
        doubled = False
        tick = tick_of(shot, board)
        if not targets or tick == acted_tick:
            continue
        acted_tick = tick
        target = targets[0]
        if not saved_target:
            shot.save(os.path.join(game.shots, "target.png"))
            saved_target = True
        busy = {i.hole for i in inputs.pending()}
        if time.monotonic() - started > LAST_ACTION or target in busy:
            continue
        n += 1
        action = plan(n, misses, not busy)
        if action == "leave":
            continue

        if action == "miss":
            other = next(h for h in (5, 1, 9, 3) if h != target)
            score = board_pixels(shot, board, SCORE_LABEL)
            click_hole(game, board, other)
            sent = Input("miss", other, "click")
            inputs.append(sent)
            while True:
                check(time.monotonic() < started + 120, "the board did not change after a click")
                now = game.shot()
                if tick_of(now, board) != tick:
                    break  # the next tick came first: judged at the end
                seen = holes(now, board)
                if None in seen.values():
                    continue
                inputs.look(seen)
                if sent.seen:
                    break
                # The score changed while the target stayed: the click came before the next tick.
                if board_pixels(now, board, SCORE_LABEL) != score and seen[target] == "target":
                    inputs.seen(sent, "miss")
                    misses += 1
                    break
            continue

        if action == "key":
            game.key(keypad(target))
        else:
            click_hole(game, board, target)
        sent = Input("hit", target, action)
        inputs.append(sent)
        hit = watch_hit(game, board, target, tick)
        if hit is None:
            continue  # the next tick came first: judged at the end
        inputs.seen(sent, "hit")
        if tick_of(hit, board) == tick:
            others = {h: image for h, image in holes(hit, board).items() if h != target}
            check(not {"target", "hit"} & set(others.values()),
                  f"after the hit on hole {target} the other holes show {others}")
        if not saved_hit:
            hit.save(os.path.join(game.shots, "hit.png"))
            saved_hit = True


def start_game(game, board):
    """S on the board; returns a time before the program can have seen it."""
    game.wait_active(board)
    started = time.monotonic()
    game.key("s")
    return started


def check_length(started, ended, ticks, tick):
    # Qt's timers never fire early; under load they fire late and then catch
    # up, so only a gross delay counts against the program. The number of
    # ticks is judged exactly by the score.
    length = ended - started
    check(ticks * tick - 0.05 <= length < ticks * tick * 1.25 + 5,
          f"the name window came {length:.1f} s after S, not {ticks * tick:g} s")


def name_and_table(game, name, clear=False):
    """Gives name to the name window; returns the table window that follows."""
    entry = game.wait_window("Form4")
    check((entry.width, entry.height) == (305, 226), f"the name window is {entry.width} x {entry.height}")
    check(entry.centred_on(game.screen), f"the name window is not centred: {entry}")
    if clear:
        game.key("ctrl+a", to=entry)  # a key sent during the game may have gone here
    game.type(name, to=entry)
    game.shot("name-entry.png")
    game.key("Return", to=entry)
    table = game.wait_window("Form3")
    check((table.width, table.height) == (585, 377), f"the table window is {table.width} x {table.height}")
    check(table.centred_on(game.screen), f"the table window is not centred: {table}")
    check(game.find(BOARD_TITLE), "the board went away when the table window opened")
    check(not game.find("Form4"), "the name window is still open")
    return table


def table_shown(shot, table):
    """The table window's black frame and pink OK face are on the screen."""
    return shot.pixel(table.x + 1, table.y + 1) == BLACK and shot.pixel(table.x + 30, table.y + 230) == PINK


def test_played(program):
    with Game("game", program) as game:
        game.start()
        board, _ = open_board(game)

        check(not any(difficulty_chosen(game.shot(), board, i) for i in range(3)), "a difficulty is chosen at start")
        choose_difficulty(game, board, "alt+e", 0)  # 易しい設定 (&E)
        started = start_game(game, board)
        inputs, ended = play(game, board, started)
        check_length(started, ended, TICKS, TICK)

        hits = [i for i in inputs if i.seen == "hit"]
        misses = [i for i in inputs if i.seen == "miss"]
        unseen = [i for i in inputs if not i.seen]
        hows = {how: sorted({i.hole for i in hits if i.how == how}) for how in ("key", "click")}
        check(len(hits) >= 10 and misses and hows["key"] and hows["click"],
              f"too few inputs seen to judge the game: {len(hits)} hits ({hows}), {len(misses)} misses, "
              f"{len(unseen)} not seen")

        table = name_and_table(game, NAME, clear=bool(inputs.pending()))
        game.wait_screen("the table window beside the board",
                         lambda s: table_shown(s, table) and s.pixel(board.x + 5, board.y + 5) == GREEN,
                         save_as="table-and-board.png")

        # A click on the board's bare green gives it the keyboard again.
        game.click(board.x + 5, board.y + 5)
        quit_game(game, board)

        possible = inputs.possible_scores()
        rows = read_scores(os.path.join(game.folder, "date.dat"))
        check(rows[0][0] in possible and rows[0][1:] == ("易しい", NAME),
              f"first row {rows[0]}, expected a score in {sorted(possible)} with ('易しい', {NAME!r}) from "
              f"{len(hits)} hits and {len(misses)} misses seen and {len(unseen)} inputs not seen")
        check(rows[1:] == [DEFAULT_ROW] * 9, f"the rows below the new one changed: {rows[1:]}")

        time.sleep(1.0)
        check(game.running(), "the program ended while the table window was still open")
        check([w.name for w in game.windows()] == ["Form3"], f"open windows: {game.windows()}")
        game.shot("table-alone.png")
        game.click(table.x + 10, table.y + 10)
        game.key("Return", to=table)
        check(game.wait_exit() == 0, "the program did not end normally")
        print(f"{len(hits)} hits seen (keypad on holes {hows['key']}, clicks on holes {hows['click']}), "
              f"{len(misses)} misses seen, {len(unseen)} inputs not seen; score {rows[0][0]}")


def idle_game(game, board, key, index, ticks, tick, name):
    """A game of one difficulty with no input at all, up to its name."""
    choose_difficulty(game, board, key, index)
    started = start_game(game, board)
    game.wait_window("Form4", timeout=ticks * tick * 2 + 30)
    check_length(started, time.monotonic(), ticks, tick)
    return name_and_table(game, name)


def test_twice(program):
    with Game("two-games", program) as game:
        game.start()
        board, _ = open_board(game)

        table = idle_game(game, board, "alt+d", 2, 81, 0.5, "First")
        game.wait_active(table)
        game.wait_screen("the table window in front after the first game", lambda s: table_shown(s, table))
        game.click(board.x + 5, board.y + 5)
        game.wait_active(board)
        game.wait_screen("the board over the table window",
                         lambda s: s.pixel(table.x + 1, table.y + 1) == GREEN
                         and s.pixel(table.x + 30, table.y + 230) != PINK, save_as="table-covered.png")
        check(game.find("Form3"), "the table window closed when the board was clicked")

        again = idle_game(game, board, "alt+n", 1, 54, 0.75, "Second")
        check(again.id == table.id, f"a second table window {again} beside {table}")
        wait_until("the table window to take the keyboard", lambda: game.active() == table.id, 30)
        game.wait_screen("the table window in front after the second game", lambda s: table_shown(s, table),
                         save_as="table-in-front.png")

        game.key("Return", to=table)
        game.wait_gone(table)
        quit_game(game, board)
        check(game.wait_exit() == 0, "the program did not end normally")
        rows = read_scores(os.path.join(game.folder, "date.dat"))
        check(rows == [(-265, "普通", "Second"), (-400, "難しい", "First")] + [DEFAULT_ROW] * 8,
              f"date.dat after two games left alone: {rows}")


def test_long_name(program):
    with Game("long-name", program) as game:
        game.start()
        board, _ = open_board(game)
        choose_difficulty(game, board, "alt+d", 2)
        start_game(game, board)
        entry = game.wait_window("Form4", timeout=81 * 0.5 * 2 + 30)
        game.paste(LONG_NAME, to=entry)
        game.key("Return", to=entry)
        table = game.wait_window("Form3")
        game.key("Return", to=table)
        game.wait_gone(table)
        path = os.path.join(game.folder, "date.dat")
        expected = [(-400, "難しい", LONG_NAME[:NAME_LIMIT])] + [DEFAULT_ROW] * 9
        # Saved cut as soon as it is entered, not only once read back.
        check(read_scores(path) == expected, f"a name of {len(read_scores(path)[0][2])} characters was saved")
        for restart in range(3):
            quit_game(game, board)
            check(game.wait_exit() == 0, "the program did not end normally")
            rows = read_scores(path)
            check(rows == expected,
                  f"after {restart} restarts: name of {len(rows[0][2])} characters, rows {rows[0][:2]}, "
                  f"{rows[1:]}")
            check(not os.path.exists(path + ".damaged"), "date.dat was found damaged")
            if restart < 2:
                game.start()
                board, _ = open_board(game)


if __name__ == "__main__":
    modes = {None: test_played, "twice": test_twice, "long": test_long_name}
    mode = sys.argv[2] if len(sys.argv) == 3 else None
    check(len(sys.argv) in (2, 3) and mode in modes, "usage: test_game.py PROGRAM [twice|long]")
    run(modes[mode], sys.argv[1])
