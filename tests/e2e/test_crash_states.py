#!/usr/bin/env python3
"""Every state a crash can leave of one save, for each way a save writes.

  test_crash_states.py SAVE_ROWS rename|inplace|inplace_crashed

SAVE_ROWS (tests/save_rows.cpp) saves one new row onto a date.dat of ten
rows, under strace, as an ordinary user: in a folder the user may write to
(rename: a new file renamed over the old), or in one the user may not, with
date.dat writable (inplace: rewritten in place, the new table kept in the
file's tail until the rewrite is done), or so over a file that an earlier
rewrite in place left with its new table in the tail and its start half
written (inplace_crashed). The recorded writes, truncations, syncs, renames
and removals are replayed into the same folders: after every prefix, with
the operations not yet synced persisted in any subset, and each write not
yet synced cut at every byte or missing any one byte. Each distinct state
must load, through the program's own store run as another copy with
another HOME, as the table before the save or the table after it, never as
a damaged file.
"""

import itertools
import os
import pwd
import re
import shutil
import subprocess
import sys
import tempfile

from pyoko import check, give_to_player, player, player_copy, run

CHUNK = 1
LINE = re.compile(r"^\d+\s+(\w+)\((.*)\) = (-?\d+)(?:<(.*?)>)?")
HEX = re.compile(r'"((?:\\x[0-9a-f]{2})*)"')
FD = re.compile(r"^(\d+)<((?:\\x[0-9a-f]{2})*)>")


def unhex(text):
    return bytes.fromhex(text.replace("\\x", ""))


def record(program, folder, data, env, name="newcomer", score="950"):
    """The operations of one save on files under folder and data, in order."""
    trace = os.path.join(os.path.dirname(folder), "trace")
    user = ["-u", pwd.getpwuid(player()[0]).pw_name] if os.geteuid() == 0 else []
    subprocess.run(["strace", "-f", *user, "-o", trace, "-xx", "-s", "100000000", "-y", "-e",
                    "trace=openat,write,pwrite64,lseek,ftruncate,fallocate,fsync,fdatasync,rename,unlink,close",
                    program, os.path.join(folder, "date.dat"), name, score], env=env, cwd=folder, check=True)
    ops, offsets, roots = [], {}, (folder.encode() + b"/", data.encode() + b"/")
    for line in open(trace):
        match = LINE.match(line)
        if not match or int(match.group(3)) < 0:
            continue
        call, args = match.group(1), match.group(2)
        if call in ("openat", "rename", "unlink"):
            names = [unhex(n) for n in HEX.findall(args)]
            if not all(n.startswith(roots) for n in names):
                continue
            if call == "openat":
                offsets[int(match.group(3))] = 0
                if "O_CREAT" in args:
                    ops.append(("create", names[0]))
                if "O_TRUNC" in args:
                    ops.append(("truncate", names[0], 0))
            else:
                ops.append((call, *names))
            continue
        fd_match = FD.match(args)
        if not fd_match:
            continue
        fd, path = int(fd_match.group(1)), unhex(fd_match.group(2))
        if not (path.startswith(roots) or path in (folder.encode(), data.encode())):
            continue
        rest = args[fd_match.end():].split(", ")[1:]
        if call == "write":
            written = unhex(HEX.findall(args)[0])[:int(match.group(3))]
            ops.append(("write", path, offsets[fd], written))
            offsets[fd] += len(written)
        elif call == "pwrite64":
            ops.append(("write", path, int(rest[-1]), unhex(HEX.findall(args)[0])[:int(match.group(3))]))
        elif call == "lseek":
            offsets[fd] = int(match.group(3))
        elif call == "ftruncate":
            ops.append(("truncate", path, int(rest[0])))
        elif call == "fallocate":
            ops.append(("reserve", path, int(rest[1]) + int(rest[2])))
        elif call in ("fsync", "fdatasync"):
            ops.append(("sync", path))
    return ops


class Disk:
    """Names and the files they lead to; a file is a bytearray."""

    def __init__(self, names):
        self.names = dict(names)

    def copy(self):
        disk = Disk({})
        files = {id(f): bytearray(f) for f in self.names.values()}
        disk.names = {n: files[id(f)] for n, f in self.names.items()}
        return disk

    def apply(self, op, part=None):
        kind, path = op[0], op[1]
        if kind == "create":
            self.names.setdefault(path, bytearray())
        elif kind == "rename":
            self.names[op[2]] = self.names.pop(path)
        elif kind == "unlink":
            self.names.pop(path, None)
        elif path in self.names:
            data = self.names[path]
            if kind == "write":
                offset, written = op[2], op[3]
                pieces = part if part is not None else [(0, len(written))]
                for start, end in pieces:
                    if len(data) < offset + end:
                        data.extend(bytes(offset + end - len(data)))
                    data[offset + start:offset + end] = written[start:end]
            elif kind == "truncate":
                del data[op[2]:]
                data.extend(bytes(op[2] - len(data)))
            elif kind == "reserve" and len(data) < op[2]:
                data.extend(bytes(op[2] - len(data)))


def write_parts(written):
    """How much of a write a crash may keep: none, every prefix, all but any one piece."""
    cuts = list(range(0, len(written), CHUNK)) + [len(written)]
    parts = [[(0, end)] for end in cuts]
    parts += [[(0, start), (min(start + CHUNK, len(written)), len(written))] for start in cuts[:-1]]
    return parts


def crash_states(initial, ops, folder, data):
    """Every state a crash after each prefix of ops may leave."""
    names_of = {}
    for k in range(len(ops) + 1):
        done = ops[:k]
        synced = set()
        for i, op in enumerate(done):
            if op[0] == "sync":
                synced.add((op[1], i))
        def durable(i, op):
            folder_of = os.path.dirname(op[1])
            target = folder_of if op[0] in ("create", "rename", "unlink") else names_of.get(i, op[1])
            return any(path == target and j > i for path, j in synced)
        # The name each data operation's file had when it ran.
        volatile = Disk(initial).copy()
        for i, op in enumerate(done):
            names_of[i] = op[1]
            volatile.apply(op)
        pending = [i for i, op in enumerate(done) if op[0] != "sync" and not durable(i, op)]
        meta = [i for i in pending if done[i][0] in ("create", "rename", "unlink")]
        data_ops = [i for i in pending if i not in meta]
        choices = [[None] + (write_parts(done[i][3]) if done[i][0] == "write" else [[]]) for i in data_ops]
        for meta_kept in range(len(meta) + 1):
            for choice in itertools.product(*choices):
                disk = Disk(initial).copy()
                parts = dict(zip(data_ops, choice))
                for i, op in enumerate(done):
                    if op[0] == "sync" or (i in meta and meta.index(i) >= meta_kept):
                        continue
                    if i in parts:
                        if parts[i] is None:
                            continue
                        disk.apply(op, parts[i] if op[0] == "write" else None)
                    else:
                        disk.apply(op)
                yield disk


def materialize(disk, folder, data):
    for where in (folder, data):
        for name in os.listdir(where):
            os.remove(os.path.join(where, name))
    for name, contents in disk.names.items():
        with open(name, "wb") as f:
            f.write(contents)


def left_by_crash(program, folder, data, env):
    """Saves a row in place and replaces date.dat by what a crash could have
    left of that save: the new table whole in the tail, half of it written
    at the start."""
    date = os.path.join(folder, "date.dat")
    initial = {date.encode(): bytearray(open(date, "rb").read())}
    ops = record(program, folder, data, env, "earlier", "940")
    synced = next(i for i, op in enumerate(ops) if op[0] == "sync")
    head = ops[synced + 1]
    check(head[0] == "write" and head[2] == 0, f"the table is not written at the start after its tail: {head!r}")
    disk = Disk(initial).copy()
    for op in ops[:synced]:
        disk.apply(op)
    disk.apply(head, [(0, len(head[3]) // 2)])
    with open(date, "wb") as f:
        f.write(disk.names[date.encode()])


def show(program, folder, env):
    return subprocess.run([program, "--show", os.path.join(folder, "date.dat")], env=env, check=True,
                          capture_output=True).stdout


def test(program, path_kind):
    check(path_kind in ("rename", "inplace", "inplace_crashed"), f"unknown save path {path_kind}")
    work = tempfile.mkdtemp(prefix="pyoko-crash-")
    try:
        os.chmod(work, 0o755)
        program = player_copy(program, work)
        folder, data = os.path.join(work, "shared"), os.path.join(work, "data")
        os.makedirs(folder)
        os.makedirs(data)
        env = dict(os.environ, XDG_DATA_HOME=data, HOME=work)
        other = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "other", "data"), HOME=os.path.join(work, "other"))
        date = os.path.join(folder, "date.dat")
        subprocess.run([program, date, "o"] + [str(n) for n in range(1, 11)], env=env, check=True)
        os.chmod(date, 0o666)
        give_to_player(data)
        os.chmod(folder, 0o777 if path_kind == "rename" else 0o555)
        if path_kind == "inplace_crashed":
            left_by_crash(program, folder, data, env)
        before = show(program, folder, other)
        initial = {os.path.join(folder, "date.dat").encode(): bytearray(open(date, "rb").read())}
        ops = record(program, folder, data, env)
        after = show(program, folder, other)
        check(b"newcomer-950" in after and before != after and b"damaged" not in before + after,
              f"the save did not write the new row: {after!r}")
        check(not os.listdir(data), f"a save of the shared file wrote to the player's own folder: {os.listdir(data)}")
        kinds = {op[0] for op in ops}
        expected = {"rename", "sync"} if path_kind == "rename" else {"write", "truncate", "sync"}
        check(expected <= kinds, f"the {path_kind} save was not recorded as such: {sorted(kinds)}")
        os.chmod(folder, 0o755)
        seen, enumerated, outcomes = set(), 0, {"before": 0, "after": 0}
        for disk in crash_states(initial, ops, folder, data):
            enumerated += 1
            key = tuple(sorted((n, bytes(f)) for n, f in disk.names.items()))
            if key in seen:
                continue
            seen.add(key)
            materialize(disk, folder, data)
            shown = show(program, folder, other)
            check(shown in (before, after), f"crash state {len(seen)} loads as {shown!r}; files {key!r}")
            outcomes["before" if shown == before else "after"] += 1
        print(f"{path_kind}: {len(ops)} operations, {enumerated} crash states, {len(seen)} distinct, "
              f"{outcomes['before']} read as before, {outcomes['after']} as after")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    check(len(sys.argv) == 3, "usage: test_crash_states.py SAVE_ROWS rename|inplace|inplace_crashed")
    run(test, *sys.argv[1:])
