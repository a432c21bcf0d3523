#!/usr/bin/env bash
# Soak: many games of Vexmoth inside the real xboard, headless, against Fairy-Max and against itself at fast time
# controls, every move of Vexmoth timed against its clock; two matches at a time (one per core: nobody ponders).
# usage: tests/soak.sh [--short] [BUILD_DIR]
#   BUILD_DIR  holds vexmoth; a sanitizer build (the default, build-san) ends a game with any fault it finds
#   --short    five games for CI instead of 100
# Prints each match's summary line, what went wrong and the results in all; fails when any match failed: an illegal
# move, crash, sanitizer report, hang, time forfeit or a search past its clock by Vexmoth. Exit status 77 when xboard,
# Xvfb or Fairy-Max is missing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
short=0
if [ "${1:-}" = --short ]; then short=1; shift; fi
build=$(realpath "${1:-$here/../build-san}")
export PATH="$PATH:/usr/games"
for program in xboard fairymax Xvfb; do
  command -v "$program" >/dev/null || { echo "soak: $program is not installed" >&2; exit 77; }
done
[ -x "$build/vexmoth" ] || { echo "soak: no $build/vexmoth" >&2; exit 2; }

# Matches: "opponent games moves-per-session increment time-control".
if [ "$short" = 1 ]; then
  schedule=("self 2 0 0.1 0:02" "fairymax 2 0 0.1 0:02" "fairymax 1 40 0 0:20")
else
  for opponent in fairymax self; do
    for i in 1 2 3 4 5 6; do schedule+=("$opponent 4 0 0.1 0:02" "$opponent 2 0 0 1"); done  # 2 s + 0.1 s; 1 min
    for i in 1 2 3 4 5 6 7; do schedule+=("$opponent 2 40 0 0:20"); done                     # 40 moves in 20 s
  done
fi
export match=$here/xboard_match.sh build results=$(mktemp -d)
echo "soak: ${#schedule[@]} matches, results in $results"
status=0
for i in "${!schedule[@]}"; do echo "$i ${schedule[$i]}"; done | xargs -P 2 -L 1 bash -c '
  "$match" -o "$1" -m "$3" -i "$4" -x -p "$results/match-$0.pgn" "$build/vexmoth" "$2" "$5" \
    > "$results/match-$0.txt" 2>&1 && verdict=passed || verdict=FAILED
  echo "match $0 ($1, $2 games, mps $3 inc $4 tc $5) $verdict: $(tail -n 1 "$results/match-$0.txt")"
  [ "$verdict" = passed ]' || status=1
grep -H '^xboard_match: ' "$results"/match-*.txt >&2 || true  # what went wrong, match by match
grep -h '^summary ' "$results"/match-*.txt | awk '{ for (i = 2; i < NF; i += 2) t[$i] += $(i + 1) }
  END { printf "soak total: games %d, white wins %d, black wins %d, draws %d\n", t["games"], t["white-wins"],
          t["black-wins"], t["draws"] }'
exit $status
