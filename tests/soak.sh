#!/usr/bin/env bash
# Soak: many games of Vexmoth inside the real xboard, headless, against
# Fairy-Max and against itself, at fast time controls, every Vexmoth behind
# the timing proxy. Two matches run side by side (one per core; neither
# engine ponders, so a game keeps one core busy).
#
# usage: tests/soak.sh [--short] [BUILD_DIR]
#   BUILD_DIR  holds vexmoth and tests/vexmoth-timing-proxy; use a sanitizer
#              build (default build-san) so that any memory or undefined-
#              behaviour fault ends a game with a report
#   --short    a few games for CI instead of the full 100
# Prints one summary line per match and the totals; fails when any game
# had an illegal move, crash, sanitizer report, hang, time forfeit or a
# search past its clock by Vexmoth. Exit status 77 when xboard, Xvfb
# or Fairy-Max is missing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
short=0
if [ "${1:-}" = --short ]; then short=1; shift; fi
build=$(realpath "${1:-$here/../build-san}")
engine=$build/vexmoth
proxy=$build/tests/vexmoth-timing-proxy
export PATH="$PATH:/usr/games"
for program in xboard fairymax Xvfb; do
  command -v "$program" >/dev/null || { echo "soak: $program is not installed" >&2; exit 77; }
done
for program in "$engine" "$proxy"; do
  [ -x "$program" ] || { echo "soak: no $program" >&2; exit 2; }
done

# Matches: "opponent games clock-options time-control", each "opponent"
# alternating colours game by game.
if [ "$short" = 1 ]; then
  schedule=(
    "self 2 -m0 -i0.1 0:02"
    "fairymax 2 -m0 -i0.1 0:02"
    "fairymax 1 -m40 -i0 0:20"
  )
else
  schedule=()
  for opponent in fairymax self; do
    for i in 1 2 3 4 5 6; do schedule+=("$opponent 4 -m0 -i0.1 0:02"); done  # 2 s + 0.1 s a move
    for i in 1 2 3 4 5 6 7; do schedule+=("$opponent 2 -m40 -i0 0:20"); done # 40 moves in 20 s
    for i in 1 2 3 4 5 6; do schedule+=("$opponent 2 -m0 -i0 1"); done      # 1 minute sudden death
  done
fi

results=$(mktemp -d)
echo "soak: ${#schedule[@]} matches, results in $results"
number=0
for entry in "${schedule[@]}"; do
  number=$((number + 1))
  echo "$number $entry"
done | xargs -P 2 -L 1 bash -c '
  number=$1 opponent=$2 games=$3 mps=${4#-m} inc=${5#-i} tc=$6
  "'"$here"'/xboard_match.sh" -o "$opponent" -m "$mps" -i "$inc" -x "'"$proxy"'" \
    -p "'"$results"'/match-$number.pgn" "'"$engine"'" "$games" "$tc" > "'"$results"'/match-$number.txt" 2>&1 || true
  echo "match $number ($opponent, $games games, mps $mps inc $inc tc $tc): $(tail -n 1 "'"$results"'/match-$number.txt")"
' _

# Totals over every match's summary line.
cat "$results"/match-*.txt | grep -h '^summary ' | awk '
  { for (i = 2; i < NF; i += 2) {
      key = $i; value = $(i + 1)
      if (key ~ /^worst/) { if (value > worst[key]) worst[key] = value } else total[key] += value } }
  END {
    printf "soak total: games %d, white wins %d, black wins %d, draws %d\n", total["games"], total["white-wins"], total["black-wins"], total["draws"]
    printf "soak faults by Vexmoth: illegal moves %d, crashes %d, hangs %d, time forfeits %d, searches past the clock %d\n", total["illegal"], total["crashes"], total["hangs"], total["forfeits"], total["overruns"]
    printf "soak timing: %d moves past five budgets (allowed before a root move has a score), worst overshoot %d ms over the budget, worst time/budget %.2f\n", total["late"], worst["worst-overshoot"], worst["worst-ratio"]
    exit (total["illegal"] + total["crashes"] + total["hangs"] + total["forfeits"] + total["overruns"] > 0)
  }'
# What went wrong, match by match.
grep -H '^xboard_match: ' "$results"/match-*.txt >&2 || true
# Matches whose summary line is missing did not finish.
missing=$(for f in "$results"/match-*.txt; do grep -q '^summary ' "$f" || echo "$f"; done)
[ -z "$missing" ] || { echo "soak: unfinished matches: $missing" >&2; exit 1; }
