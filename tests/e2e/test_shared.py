#!/usr/bin/env python3
"""Copies that save one shared date.dat at once, some able to write its
folder and some not.

  test_shared.py SAVE_ROWS [COPIES GAMES ROUNDS]

The folder is the caller's and date.dat writable by all, as an
administrator shares one table. The first two copies run as the caller, who
can write the folder: they lock date.dat.lock and date.dat and rename a new
file over it. The others run as the player (pyoko.player()), who under root
cannot: they rewrite date.dat in place,
under the lock file where they can open it and under the lock on date.dat
itself where they cannot (every other round the lock file is root's own,
0600). Each copy (tests/save_rows.cpp) loads once, then saves GAMES rows of
distinct scores one after the other, all copies at the same time. At the
end the file holds the ten best of every row saved and of the default rows:
none lost, none twice. Run by an ordinary user, the player is the caller
and every copy can write the folder: the rows are checked the same, but
the two kinds of copy are mixed only under root.
"""

import os
import random
import shutil
import subprocess
import sys
import tempfile

from pyoko import as_player_argv, check, give_to_player, player_copy, run

WRITERS = 2


def rows_of(lines):
    return [(int(line.split("\t")[0]), line.split("\t")[1]) for line in lines]


def one_round(program, work, copies, games, private_lock):
    saver = player_copy(program, work)
    folder = os.path.join(work, "shared")
    os.makedirs(folder, mode=0o755)
    date = os.path.join(folder, "date.dat")
    show = [program, "--show", date]
    defaults = rows_of(subprocess.run(show, check=True, capture_output=True, text=True).stdout.splitlines())
    subprocess.run([program, date, "start", "-9999"], check=True)
    os.chmod(date, 0o666)
    os.chmod(date + ".lock", 0o600 if private_lock else 0o644)
    scores = random.sample(range(-9000, 9000), copies * games)
    rows, processes = [], []
    for copy in range(copies):
        home = os.path.join(work, f"home{copy}")
        os.makedirs(home)
        give_to_player(home)
        mine = scores[copy * games:(copy + 1) * games]
        rows += [(score, f"c{copy}-{score}") for score in mine]
        env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"))
        argv = [saver, date, f"c{copy}"] + [str(s) for s in mine]
        processes.append(subprocess.Popen(argv if copy < WRITERS else as_player_argv(argv), env=env, cwd=work,
                                          stderr=subprocess.PIPE, text=True))
    for process in processes:
        _, error = process.communicate(timeout=240)
        check(process.returncode == 0, f"a copy failed to save: {error}")
    got = rows_of(subprocess.run(show, check=True, capture_output=True, text=True).stdout.splitlines())
    expected = sorted(rows + [(-9999, "start--9999")] + defaults[:9], key=lambda row: -row[0])[:10]
    lost = len(set(expected) - set(got))
    check(got == expected, f"{lost} rows lost: {got}, expected {expected}")
    check(sorted(os.listdir(folder)) == ["date.dat", "date.dat.lock"], f"{folder} holds {os.listdir(folder)}")


def test(program, copies="5", games="2", rounds="40"):
    copies, games, rounds = int(copies), int(games), int(rounds)
    for round_number in range(rounds):
        work = tempfile.mkdtemp(prefix="pyoko-shared-")
        try:
            os.chmod(work, 0o755)
            one_round(program, work, copies, games, private_lock=round_number % 2 == 1)
        except AssertionError as error:
            raise AssertionError(f"round {round_number + 1}: {error}") from None
        finally:
            shutil.rmtree(work, ignore_errors=True)
    print(f"{WRITERS} copies writing the folder and {copies - WRITERS} not, {copies * games * rounds} games in "
          f"{rounds} rounds, rows lost: 0, doubled: 0")


if __name__ == "__main__":
    check(len(sys.argv) in (2, 5), "usage: test_shared.py SAVE_ROWS [COPIES GAMES ROUNDS]")
    run(test, *sys.argv[1:])
