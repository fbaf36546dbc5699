#!/usr/bin/env python3
"""What stands at date.dat is not a sound table.

  test_damaged.py PROGRAM [CASE]

  score  (the default) rows 1 and 2 are sound and row 3 has a score that is
         no number; the file is private (0600). At start-up, before the
         display question, a message says so, and the file is already kept
         as date.dat.damaged: the very file (same inode), still 0600, with
         the very bytes. The run ends normally, and the new date.dat keeps
         the two rows that could be read, with default rows below them.
  huge   the two sound rows, then 1 GB of blank lines: the same, and the
         message comes while the program has used little time and memory,
         since it reads only the first MiB.
  fifo   a FIFO with no writer: the message comes (start-up does not wait on
         it), no copy is made, and quitting leaves a date.dat of default rows.
  link   a link to a sound table outside the folder: no message; quitting
         turns date.dat into a file of its own and leaves the table the link
         pointed to exactly as it was.
"""

import os
import sys

from pyoko import BOARD_TITLE, DEFAULT_ROW, Game, check, encode_rows, quit_game, read_scores, run

SOUND = [(480, "普通", "Hanako, Y."), (125, "難しい", "名無しの権兵衛")]
GIGABYTE = 1 << 30


def write_damaged(path):
    damaged = (encode_rows(SOUND) + '\r\n'.join(["abc", '"易しい"', '"x"', ""]).encode("cp932")
               + encode_rows([(7, "易しい", "y")] * 7))
    with open(path, "wb") as f:
        f.write(damaged)
    return damaged


def write_huge(path):
    """SOUND, then blank lines up to 1 GB, then the rest of a table."""
    block = b"\n" * (1 << 20)
    with open(path, "wb") as f:
        f.write(encode_rows(SOUND))
        for _ in range(GIGABYTE // len(block)):
            f.write(block)
        f.write(encode_rows([(7, "易しい", "y")] * 8))
    return None


def cpu_seconds_and_peak_mib(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime + stime
    with open(f"/proc/{pid}/status") as f:
        peak = next(int(line.split()[1]) for line in f if line.startswith("VmHWM:"))
    return cpu, peak / 1024


def test(program, case):
    with Game(f"damaged-{case}", program) as game:
        path = os.path.join(game.folder, "date.dat")
        copy = os.path.join(game.folder, "date.dat.damaged")
        elsewhere = os.path.join(game.work, "elsewhere.dat")
        kept = None
        if case == "score":
            kept = write_damaged(path)
        elif case == "huge":
            write_huge(path)
        elif case == "fifo":
            os.mkfifo(path)
        elif case == "link":
            target = encode_rows(SOUND * 5, line_end=b"\n")  # a form the program never writes
            with open(elsewhere, "wb") as f:
                f.write(target)
            os.symlink(elsewhere, path)

        before = os.stat(path) if case in ("score", "huge") else None
        if case == "score":
            os.chmod(path, 0o600)
            before = os.stat(path)

        game.start()
        notice = game.wait_window(" ")
        if case != "link":
            game.shot("damaged-notice.png")
            # Reading the whole huge file would take seconds and a GB; the
            # program's own use does not depend on how busy the machine is.
            cpu, peak = cpu_seconds_and_peak_mib(game.process.pid)
            print(f"before the message: {cpu:.2f} s of processor time, {peak:.0f} MiB of memory at most")
            if case == "huge":
                check(cpu < 2, f"{cpu:.2f} s of processor time before the message")
                check(peak < 200, f"{peak:.0f} MiB of memory at most before the message")
            if before is not None:
                check(os.path.exists(copy), "no date.dat.damaged while the message shows")
                check(not os.path.lexists(path), "date.dat was not moved aside while the message shows")
                now = os.stat(copy)
                check((now.st_ino, now.st_mode, now.st_uid) == (before.st_ino, before.st_mode, before.st_uid),
                      f"date.dat.damaged is not the damaged file itself: mode {now.st_mode:o}, was {before.st_mode:o}")
            if kept is not None:
                with open(copy, "rb") as f:
                    check(f.read() == kept, "date.dat.damaged is not a copy of the damaged file")
            elif case == "huge":
                check(os.path.exists(copy) and os.path.getsize(copy) == before.st_size,
                      "no date.dat.damaged of the huge file's size while the message shows")
            else:
                check(not os.path.exists(copy), "a copy was made of a FIFO")
            check(not game.find(BOARD_TITLE), "the board is shown before the message is answered")
            game.key("Return", to=notice)
            game.answer("Return", other_than=(notice.id,))  # the display question comes next
        else:
            game.key("Return", to=notice)  # the display question: no message came before it
        board = game.wait_board()
        quit_game(game, board)
        check(game.wait_exit() == 0, "the program did not end normally")

        rows = read_scores(path)
        check(os.path.isfile(path) and not os.path.islink(path), "date.dat is no file of its own after the run")
        expected = {"score": SOUND + [DEFAULT_ROW] * 8, "huge": SOUND + [DEFAULT_ROW] * 8,
                    "fifo": [DEFAULT_ROW] * 10, "link": SOUND * 5}[case]
        check(rows == expected, f"date.dat after the run: {rows}")
        listing = ["date.dat", "date.dat.lock", "pyokopon"] + (["date.dat.damaged"] if case in ("score", "huge") else [])
        check(sorted(os.listdir(game.folder)) == sorted(listing),
              f"the program's folder holds {sorted(os.listdir(game.folder))}")
        if kept is not None:
            with open(copy, "rb") as f:
                check(f.read() == kept, "date.dat.damaged changed during the run")
        if case == "huge":
            check(os.path.getsize(copy) > GIGABYTE, "date.dat.damaged is not the whole huge file")
        if case == "link":
            with open(elsewhere, "rb") as f:
                check(f.read() == target, "the file the link pointed to was changed")


if __name__ == "__main__":
    check(len(sys.argv) in (2, 3), "usage: test_damaged.py PROGRAM [score|huge|fifo|link]")
    run(test, sys.argv[1], sys.argv[2] if len(sys.argv) == 3 else "score")
