#!/usr/bin/env bash
# A match that measures the strength limit: Vexmoth's UCI engine at UCI_Elo ELO against Stockfish 15.1 at its
# own UCI_Elo, or against Vexmoth at another UCI_Elo (the ladder below Stockfish's 1350), inside the real
# xboard in match mode, headless, both engines through polyglot with their options in polyglot's [Engine]
# section. The games start from the openings of a PGN file, each twice with the colours reversed.
#
# usage: tests/strength_match.sh [-g GAMES] [-t TIME] [-i INC] [-b OPENINGS] [-p PGN] [-e ENGINE] ELO OPPONENT
#   ELO        Vexmoth's UCI_Elo; 0 plays at full strength (UCI_LimitStrength false)
#   OPPONENT   sf:N  Stockfish at UCI_Elo N (1350 to 2850);  sf  Stockfish at full strength;
#              vex:N Vexmoth at UCI_Elo N (0: full strength)
#   -g GAMES   games (default 10; even, so that each opening is played from both sides)
#   -t TIME    minutes:seconds a side (default 0:10);  -i INC  seconds added a move (default 0.1)
#   -b OPENINGS  the openings (default tests/data/openings.pgn, 50 of four moves)
#   -p PGN     where the games are kept (default a scratch directory, named on the output)
#   -e ENGINE  the vexmoth-uci to measure (default build/vexmoth-uci)
# Prints a line per game, then
#   result vexmoth ELO vs OPPONENT games G wins W draws D losses L score S% elo-diff D [LOW, HIGH] rating R [LOW, HIGH]
# the Elo difference from the score with its 95 % interval (Wilson's, of the score), and Vexmoth's
# rating on the opponent's scale (the opponent's rating plus the difference; none against a full-strength
# one). Faults (an illegal move, a crash, a loss on time) are counted on a line of their own. Exit status
# 77 when xboard, Xvfb, polyglot or Stockfish is missing.
set -euo pipefail

here=$(dirname "$0")
games=10 tc=0:10 inc=0.1 openings=$here/data/openings.pgn pgn= engine=$here/../build/vexmoth-uci
while getopts "g:t:i:b:p:e:" flag; do
  case $flag in
    g) games=$OPTARG ;; t) tc=$OPTARG ;; i) inc=$OPTARG ;; b) openings=$OPTARG ;; p) pgn=$OPTARG ;;
    e) engine=$OPTARG ;; *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# = 2 ] || { sed -n '7,15p' "$0" >&2; exit 2; }
elo=$1 opponent=$2
engine=$(realpath "$engine") openings=$(realpath "$openings")
export PATH="$PATH:/usr/games"
for program in xboard Xvfb polyglot $([[ $opponent == sf* ]] && echo stockfish); do
  command -v "$program" >/dev/null || { echo "strength_match: $program is not installed" >&2; exit 77; }
done
[ -x "$engine" ] || { echo "strength_match: no engine at $engine" >&2; exit 2; }

work=$(mktemp -d)
pgn=${pgn:-$work/match.pgn}
rm -f "$pgn"

# One engine's polyglot file: its command, its log, and its UCI options; its name in the PGN.
engine_ini() {  # SLOT COMMAND RATING(0: full strength)
  mkdir -p "$work/$1"
  { printf '[PolyGlot]\nEngineCommand = %s\nEngineDir = %s\nLog = true\nLogFile = %s\n\n[Engine]\n' \
      "$2" "$work/$1" "$work/$1/polyglot.log"
    printf 'Hash = 16\nThreads = 1\n'
    if [ "$3" = 0 ]; then printf 'UCI_LimitStrength = false\n'; else printf 'UCI_LimitStrength = true\nUCI_Elo = %s\n' "$3"; fi
  } > "$work/$1.ini"
}
engine_ini first "$engine" "$elo"
first_name="Vexmoth $([ "$elo" = 0 ] && echo full || echo "$elo")"
case $opponent in
  sf) engine_ini second "$(command -v stockfish)" 0; second_name="Stockfish full" anchor= ;;
  sf:*) engine_ini second "$(command -v stockfish)" "${opponent#sf:}"; second_name="Stockfish ${opponent#sf:}" anchor=${opponent#sf:} ;;
  vex:*) engine_ini second "$engine" "${opponent#vex:}"
         second_name="Vexmoth $([ "${opponent#vex:}" = 0 ] && echo full || echo "${opponent#vex:}")" anchor=${opponent#vex:}
         [ "$anchor" != 0 ] || anchor= ;;
  *) echo "strength_match: OPPONENT is sf, sf:N or vex:N, not $opponent" >&2; exit 2 ;;
esac
[ "$second_name" != "$first_name" ] || second_name="$second_name (2)"

Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3> "$work/display" 2> "$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "strength_match: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
timeout $((games * 600 + 60)) xboard -fcp "polyglot $work/first.ini" -fd "$work/first" -fn "$first_name" \
  -scp "polyglot $work/second.ini" -sd "$work/second" -sn "$second_name" \
  -mg "$games" -tc "$tc" -inc "$inc" -defaultHashSize 16 -lgf "$openings" -lgi -2 -td 0 \
  -rewindIndex "$(grep -c '^\[Event' "$openings")" -xponder -autoCallFlag true -sgf "$pgn" -xexit -noGUI \
  > "$work/xboard.out" 2>&1 || echo "strength_match: xboard ended with status $? (see $work)" >&2
echo "PGN: $pgn; polyglot's logs: $work/first/polyglot.log $work/second/polyglot.log"

# Each game from Vexmoth's side (the first engine's name): 1, 1/2 or 0, and the faults of the loser.
awk -v RS= -v me="$first_name" -v elo="$elo" -v opponent="$opponent" -v anchor="$anchor" '
  function tag(name,   t) { t = $0; if (!sub(".*\\[" name " \"", "", t)) return ""; sub(/".*/, "", t); return t }
  function elo_of(s) { return -400 * log(1 / s - 1) / log(10) }
  function bound(s) { return s < 0.5 / n ? 0.5 / n : s > 1 - 0.5 / n ? 1 - 0.5 / n : s }
  function shown(s, base) { return s <= 0.0001 ? "-inf" : s >= 0.9999 ? "+inf" : sprintf(base == 0 ? "%+.0f" : "%.0f", base + elo_of(s)) }
  /^\[/ { white = tag("White"); black = tag("Black"); result = tag("Result"); next }
  {
    k = split($0, part, "{"); comment = k > 1 ? part[k] : ""; sub(/}.*/, "", comment)
    if (result == "1-0") x = white == me ? 1 : 0; else if (result == "0-1") x = black == me ? 1 : 0
    else if (result == "1/2-1/2") x = 0.5; else { unfinished++; next }
    n++; sum += x; squares += x * x; wins += x == 1; draws += x == 0.5
    if (comment ~ /[Ii]llegal|on time|forfeit|[Cc]rash|disconnect|stalled/) faults = faults "\n  " white " - " black ": " comment
    printf "game %d: %s - %s %s {%s}\n", n, white, black, result, comment
  }
  END {
    if (!n) { print "strength_match: no game finished"; exit 1 }
    # The Wilson interval of the score (draws as half a point), which stays honest at 0 or 100 per cent;
    # an end at 0 or 1 is unbounded in Elo.
    s = sum / n; z = 1.96; centre = (s + z * z / (2 * n)) / (1 + z * z / n)
    half = z * sqrt(s * (1 - s) / n + z * z / (4 * n * n)) / (1 + z * z / n)
    d = elo_of(bound(s)); low = centre - half; high = centre + half
    line = sprintf("result vexmoth %s vs %s games %d wins %d draws %d losses %d score %.1f%% elo-diff %+.0f [%s, %s]",
                   elo, opponent, n, wins, draws, n - wins - draws, 100 * s, d, shown(low, 0), shown(high, 0))
    if (anchor != "") line = line sprintf(" rating %.0f [%s, %s]", anchor + d, shown(low, anchor), shown(high, anchor))
    print line
    if (faults != "" || unfinished) printf "faults: %d unfinished%s\n", unfinished, faults
  }' "$pgn"
