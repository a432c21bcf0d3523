#!/usr/bin/env python3
"""Writes positions.txt: random legal positions of every 3- and 4-man ending with fathom's verdict.

Run once by hand, from the repository's root, with the full set of 3-4-man tables:
    tests/data/syzygy/make_positions.py ../shared/data/syzygy build/vexmoth-tool > tests/data/syzygy/positions.txt
Each line: FEN;WDL;DTZ as /usr/games/fathom prints them (WDL one of Win, Draw, Loss, ...; DTZ unsigned).
The engine's tool only refuses illegal placements (the side not to move in check)."""
import os, random, re, subprocess, sys

tables, tool = sys.argv[1], sys.argv[2]
random.seed(31)
endings = sorted(f[:-5] for f in os.listdir(tables) if f.endswith(".rtbw"))
for ending in endings:
    strong, weak = ending.split("v")
    for n in range(4):
        while True:
            board = {}
            white_is_strong = n % 2 == 0
            for side, men in ((strong, white_is_strong), (weak, not white_is_strong)):
                for man in side:
                    while True:
                        sq = random.randrange(64)
                        rank = 8 - sq // 8
                        if sq not in board and not (man == "P" and rank in (1, 8)):
                            break
                    board[sq] = man.upper() if men else man.lower()
            rows = []
            for r in range(8):
                row, empty = "", 0
                for f in range(8):
                    man = board.get(8 * r + f)
                    if man:
                        row += (str(empty) if empty else "") + man
                        empty = 0
                    else:
                        empty += 1
                rows.append(row + (str(empty) if empty else ""))
            fen = "/".join(rows) + (" w" if n < 2 else " b") + " - - 0 1"
            if subprocess.run([tool, "eval", fen], capture_output=True).returncode != 0:
                continue
            out = subprocess.run(["/usr/games/fathom", "--path=" + tables, fen], capture_output=True, text=True).stdout
            wdl = re.search(r'\[WDL "([^"]*)"\]', out)
            dtz = re.search(r'\[DTZ "(-?\d+)"\]', out)
            if wdl and dtz:
                print(f"{fen};{wdl.group(1)};{dtz.group(1)}")
                break
