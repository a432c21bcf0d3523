#!/usr/bin/env python3
"""Draws the calibration of the strength limit: the rating asked (UCI_Elo) against the rating measured in
matches, each point with its 95 % interval as an error bar, over the diagonal where the two agree. Reads the
table TSV (docs/strength_calibration.tsv: asked, measured, low, high, games, opponent; lines starting with
'#' are comments) and writes the SVG picture.

usage: tools/strength_plot.py TABLE.tsv OUT.svg
"""
import sys

WIDTH, HEIGHT, LEFT, RIGHT, TOP, BOTTOM = 640, 480, 70, 20, 40, 60
LOW, HIGH, STEP = 200, 2200, 200  # the ratings on both axes


def read_rows(path):
    rows = []
    with open(path, encoding="utf-8") as table:
        for line in table:
            if not line.strip() or line.startswith("#"):
                continue
            asked, measured, low, high, games, opponent = line.rstrip("\n").split("\t")
            rows.append((int(asked), float(measured), float(low), float(high), int(games), opponent))
    return rows


def x_of(elo):
    return LEFT + (elo - LOW) * (WIDTH - LEFT - RIGHT) / (HIGH - LOW)


def y_of(elo):
    elo = min(max(elo, LOW), HIGH)
    return HEIGHT - BOTTOM - (elo - LOW) * (HEIGHT - TOP - BOTTOM) / (HIGH - LOW)


def picture(rows):
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
           f'viewBox="0 0 {WIDTH} {HEIGHT}" font-family="sans-serif" font-size="12">',
           f'<rect width="{WIDTH}" height="{HEIGHT}" fill="white"/>',
           f'<text x="{WIDTH / 2}" y="22" text-anchor="middle" font-size="14">'
           'Vexmoth: rating asked against rating measured (95 % intervals)</text>']
    for elo in range(LOW, HIGH + 1, STEP):
        x, y = x_of(elo), y_of(elo)
        out.append(f'<line x1="{x:.1f}" y1="{TOP}" x2="{x:.1f}" y2="{HEIGHT - BOTTOM}" stroke="#e4e4e4"/>')
        out.append(f'<line x1="{LEFT}" y1="{y:.1f}" x2="{WIDTH - RIGHT}" y2="{y:.1f}" stroke="#e4e4e4"/>')
        out.append(f'<text x="{x:.1f}" y="{HEIGHT - BOTTOM + 16}" text-anchor="middle">{elo}</text>')
        out.append(f'<text x="{LEFT - 6}" y="{y + 4:.1f}" text-anchor="end">{elo}</text>')
    out.append(f'<line x1="{x_of(LOW):.1f}" y1="{y_of(LOW):.1f}" x2="{x_of(HIGH):.1f}" y2="{y_of(HIGH):.1f}" '
               'stroke="#888" stroke-dasharray="5,4"/>')
    out.append(f'<text x="{WIDTH / 2}" y="{HEIGHT - 20}" text-anchor="middle">UCI_Elo asked</text>')
    out.append(f'<text x="18" y="{HEIGHT / 2}" text-anchor="middle" '
               f'transform="rotate(-90 18 {HEIGHT / 2})">rating measured (Stockfish 15.1 UCI_Elo scale)</text>')
    for asked, measured, low, high, games, opponent in rows:
        x = x_of(asked)
        colour = "#1f5fa8" if opponent.startswith("sf") else "#c0262d"
        out.append(f'<g><title>asked {asked}: measured {measured:.0f} [{low:.0f}, {high:.0f}], '
                   f'{games} games against {opponent}</title>')
        out.append(f'<line x1="{x:.1f}" y1="{y_of(low):.1f}" x2="{x:.1f}" y2="{y_of(high):.1f}" '
                   f'stroke="{colour}" stroke-width="2"/>')
        for end in (low, high):
            out.append(f'<line x1="{x - 5:.1f}" y1="{y_of(end):.1f}" x2="{x + 5:.1f}" y2="{y_of(end):.1f}" '
                       f'stroke="{colour}" stroke-width="2"/>')
        out.append(f'<circle cx="{x:.1f}" cy="{y_of(measured):.1f}" r="4" fill="{colour}"/></g>')
    legend_y = TOP + 14
    out.append(f'<circle cx="{LEFT + 14}" cy="{legend_y - 4}" r="4" fill="#1f5fa8"/>'
               f'<text x="{LEFT + 24}" y="{legend_y}">against Stockfish 15.1 at its UCI_Elo</text>')
    out.append(f'<circle cx="{LEFT + 14}" cy="{legend_y + 14}" r="4" fill="#c0262d"/>'
               f'<text x="{LEFT + 24}" y="{legend_y + 18}">against a higher Vexmoth level (the ladder)</text>')
    out.append('</svg>')
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.split("\n\n")[1])
    rows = read_rows(sys.argv[1])
    with open(sys.argv[2], "w", encoding="utf-8") as svg:
        svg.write(picture(rows))


if __name__ == "__main__":
    main()
