#!/usr/bin/env python3
"""Copies that save one shared date.dat at once, as an ordinary user.

  test_shared.py SAVE_ROWS [COPIES GAMES ROUNDS]

The folder is read-only and date.dat writable, as an administrator shares
one table: no lock file can be made, so the copies take turns by the lock
on date.dat itself and rewrite it in place. Each copy (tests/save_rows.cpp)
loads once, then saves GAMES rows of distinct scores one after the other,
all copies at the same time. At the end the file holds the ten best of
every row saved and of the default rows: none lost, none twice.
"""

import os
import random
import shutil
import subprocess
import sys
import tempfile

from pyoko import as_player_argv, check, give_to_player, player_copy, run


def test(program, copies="8", games="15", rounds="3"):
    copies, games, rounds = int(copies), int(games), int(rounds)
    for round_number in range(rounds):
        work = tempfile.mkdtemp(prefix="pyoko-shared-")
        try:
            os.chmod(work, 0o755)
            saver = player_copy(program, work)
            folder = os.path.join(work, "shared")
            os.makedirs(folder)
            date = os.path.join(folder, "date.dat")
            show = [program, "--show", date]
            defaults = subprocess.run(show, check=True, capture_output=True, text=True).stdout.splitlines()
            subprocess.run([program, date, "start", "-9999"], check=True)
            os.chmod(date, 0o666)
            os.chmod(folder, 0o555)
            scores = random.sample(range(-9000, 9000), copies * games)
            rows = []
            processes = []
            for copy in range(copies):
                home = os.path.join(work, f"home{copy}")
                os.makedirs(home)
                give_to_player(home)
                mine = scores[copy * games:(copy + 1) * games]
                rows += [(score, f"c{copy}-{score}") for score in mine]
                env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"))
                processes.append(subprocess.Popen(as_player_argv([saver, date, f"c{copy}"] + [str(s) for s in mine]),
                                                  env=env, cwd=work, stderr=subprocess.PIPE, text=True))
            for process in processes:
                _, error = process.communicate(timeout=240)
                check(process.returncode == 0, f"a copy failed to save: {error}")
            shown = subprocess.run(show, check=True, capture_output=True, text=True).stdout.splitlines()
            start = [(int(line.split("\t")[0]), line.split("\t")[1]) for line in defaults]
            start = [(-9999, "start--9999")] + start[:9]
            expected = sorted(rows + start, key=lambda row: -row[0])[:10]
            got = [(int(line.split("\t")[0]), line.split("\t")[1]) for line in shown]
            check(got == expected, f"round {round_number + 1}: {got}, expected {expected}")
            check(os.listdir(folder) == ["date.dat"], f"{folder} holds {os.listdir(folder)}")
        finally:
            if os.path.isdir(os.path.join(work, "shared")):
                os.chmod(os.path.join(work, "shared"), 0o755)
            shutil.rmtree(work, ignore_errors=True)
    print(f"{copies} copies, {copies * games * rounds} games in {rounds} rounds, rows lost: 0, doubled: 0")


if __name__ == "__main__":
    check(len(sys.argv) in (2, 5), "usage: test_shared.py SAVE_ROWS [COPIES GAMES ROUNDS]")
    run(test, *sys.argv[1:])
