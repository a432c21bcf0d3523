#!/usr/bin/env bash
# Plays Vexmoth inside the real xboard, headless, against Fairy-Max, itself or another build, and fails
# unless every game ended normally (checkmate, resignation, a draw rule, or a claim xboard accepted) with no
# illegal move, crash, sanitizer report or time forfeit by Vexmoth, and (with -x) no search past its clock.
#
# usage: tests/xboard_match.sh [-o fairymax|self|OTHER] [-m MPS] [-i INC] [-p PGN] [-k] [-t THREADS] [-u]
#                              [-P] [-9] [-x] [-w SECONDS] [-b OPENINGS] [-v OVERHEAD] [ENGINE] [GAMES]
#                              [TIME_CONTROL]
#   TIME_CONTROL  minutes or minutes:seconds per session (default 0:30) of MPS moves (default 40; 0 for a
#                 whole-game clock with INC seconds a move, 0 for sudden death)
#   -o OTHER      the opponent is another engine of ENGINE's kind (a path; UCI too with -u), named "Other" in
#                 the PGN; its faults are counted apart (other-forfeits ...) and do not fail the match, and the
#                 summary adds the score from ENGINE's side with its Elo and 95 % interval
#   -b OPENINGS   games start from the games of this PGN file in turn, each twice with the colours reversed
#                 (tests/data/openings.pgn holds 50 openings of four moves)
#   -v OVERHEAD   with -u, ENGINE's Move Overhead in milliseconds (the engine's default without it)
#   -k            from 6br/5Ppk/6pp/8/8/8/8/K7 w, whose only mate f8=N xboard must record as 1. f8=N#, a mate
#   -t THREADS    Vexmoth's threads (vexmo.ini's threads line, the UCI option)
#   -u            ENGINE speaks UCI: xboard runs it through polyglot (its opponent too, unless Fairy-Max)
#   -9            Chess960: xboard's variant fischerandom from a random start position each game, which
#                 polyglot passes on with UCI_Chess960; needs -u (the xboard engine plays standard chess
#                 only), and every game must be recorded as fischerandom
#   -P            both engines ponder; with -u, polyglot's log must show "go ... ponder" and a "ponderhit"
#   -x            times every move of Vexmoth against its clock, from xboard's log
#   -w SECONDS    the match is given up as hung after SECONDS (default 7200); xboard's log's end is shown
# The last line sums up: "summary games G white-wins W black-wins B draws D illegal I crashes C hangs H
# forfeits F overruns O least-margin MS ponders P ponderhits PH". A line "time" before it gives, from xboard's
# record of each move's time, the mean seconds a move of ENGINE and of its opponent (after the opening), and
# the mean seconds of its clock each had used by move 40 and by move 60 (time spent less the increments got,
# over the games that reached that move). Exit status 77 (a skip for CTest) when xboard, Xvfb, Fairy-Max or
# (with -u) polyglot is missing. xboard calls the flag of an engine out of time, so one that stops answering
# loses on time.
set -euo pipefail

opponent=fairymax inc=0 mps=40 pgn= timed=0 knight=0 uci=0 threads=1 ponder=0 watchdog=7200 openings= overhead=
chess960=0
while getopts "o:i:m:p:xkt:uP9w:b:v:" flag; do
  case $flag in
    o) opponent=$OPTARG ;; i) inc=$OPTARG ;; m) mps=$OPTARG ;; p) pgn=$OPTARG ;;
    x) timed=1 ;; t) threads=$OPTARG ;; u) uci=1 ;; P) ponder=1 ;; 9) chess960=1 ;;
    w) watchdog=$OPTARG ;; k) knight=1 ;; b) openings=$(realpath "$OPTARG") ;; v) overhead=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
engine=$(realpath "${1:-$(dirname "$0")/../build/vexmoth}")
games=${2:-2}
other=
case $opponent in fairymax|self) ;; *) other=$(realpath "$opponent") opponent=other ;; esac
export PATH="$PATH:/usr/games"
for program in xboard Xvfb $([ "$opponent" = fairymax ] && echo fairymax) $([ "$uci" = 0 ] || echo polyglot); do
  command -v "$program" >/dev/null || { echo "xboard_match: $program is not installed" >&2; exit 77; }
done
[ -x "$engine" ] || { echo "xboard_match: no engine at $engine" >&2; exit 2; }
[ "$chess960" = 0 ] || [ "$uci" = 1 ] || { echo "xboard_match: -9 (Chess960) needs -u" >&2; exit 2; }
[ -z "$other" ] || [ -x "$other" ] || { echo "xboard_match: no engine at $other" >&2; exit 2; }

work=$(mktemp -d)
pgn=${pgn:-$work/match.pgn}
rm -f "$pgn"
mkdir -p "$work/first" "$work/second" "$work/sanitizer"
for slot in first second; do printf 'hash 20\nthreads %s\n' "$threads" > "$work/$slot/vexmo.ini"; done
# A sanitizer report ends the engine; its text lands in a file of its own.
export ASAN_OPTIONS="log_path=$work/sanitizer/report:detect_leaks=0"
export UBSAN_OPTIONS="log_path=$work/sanitizer/report:print_stacktrace=1"
options=(-fcp "$engine" -fd "$work/first" -sd "$work/second" -mg "$games" -tc "${3:-0:30}" -pgnExtendedInfo true)
case $opponent in
  self) options+=(-scp "$engine") ;;
  other) options+=(-scp "$other" -fn Vexmoth -sn Other) ;;
  *) options+=(-scp fairymax) ;;
esac
# xboard tells polyglot the cores to use, and polyglot sets the UCI option Threads; its log (in the engine's
# directory) keeps what it sends the engine. xboard sets Move Overhead through the option polyglot offers.
[ "$uci" = 0 ] || options+=(-fUCI -smpCores "$threads"
                            -adapterCommand "polyglot -noini -log true -lf \"%fd/polyglot.log\" -ec \"%fcp\" -ed \"%fd\"")
[ "$uci" = 0 ] || [ "$opponent" = fairymax ] || options+=(-sUCI)
[ "$chess960" = 0 ] || options+=(-variant fischerandom)
[ -z "$overhead" ] || options+=(-firstOptions "Move Overhead=$overhead")
[ -z "$openings" ] || options+=(-lgf "$openings" -lgi -2 -rewindIndex "$(grep -c '^\[Event' "$openings")" -td 0)
if [ "$mps" = 0 ]; then options+=(-inc "$inc"); else options+=(-mps "$mps" -inc -1); fi
[ "$knight" = 0 ] ||
  { echo "6br/5Ppk/6pp/8/8/8/8/K7 w - - 0 1" > "$work/start.fen"; options+=(-lpf "$work/start.fen"); }
if [ "$ponder" = 1 ]; then options+=(-ponder); else options+=(-xponder); fi

# A display of the match's own: Xvfb picks a free number and writes it to descriptor 3 once it accepts
# connections (xvfb-run can wait forever for a server that was ready too soon).
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3> "$work/display" 2> "$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "xboard_match: Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
timeout "$watchdog" xboard "${options[@]}" -autoCallFlag true -debug -nameOfDebugFile "$work/xboard.debug" \
  -sgf "$pgn" -xexit -noGUI > "$work/xboard.out" 2>&1 || hung=$?
hung=$((${hung:-0} == 124))  # 1 when the watchdog ended the match
echo "PGN: $pgn; Vexmoth's logs: $work/first/vexmolog.txt $work/second/vexmolog.txt"

played=0 white_wins=0 black_wins=0 draws=0 illegal=0 crashes=0 forfeits=0 unfinished=0 status=0
score_wins=0 score_losses=0 other_forfeits=0
while IFS='|' read -r result white black comment; do  # each game: result, players, closing comment
  played=$((played + 1))
  echo "game: $white - $black $result {$comment}"
  case "$result" in
    1-0) white_wins=$((white_wins + 1)) loser=$black ;;
    0-1) black_wins=$((black_wins + 1)) loser=$white ;;
    1/2-1/2) draws=$((draws + 1)) loser= ;;
    *) unfinished=$((unfinished + 1)) loser=Vexmoth ;;
  esac
  if [ "$opponent" = other ]; then  # the score from Vexmoth's side; the other build's faults apart
    case "$result" in 1-0|0-1) [ "$loser" = Other ] && score_wins=$((score_wins + 1)) || score_losses=$((score_losses + 1)) ;; esac
    if [ "$loser" = Other ]; then
      case "$comment" in *"on time"*|*forfeit*|*[Ff]lag*) other_forfeits=$((other_forfeits + 1)) ;; esac
      continue
    fi
  fi
  [[ $loser == *[Vv]exmoth* || $opponent == self ]] || continue  # Fairy-Max's faults are not Vexmoth's
  case "$comment" in
    *[Ii]llegal*|*[Ii]nvalid*|*[Ff]alse*) echo "xboard_match: illegal: $comment" >&2; illegal=$((illegal + 1)) ;;
    *"on time"*|*forfeit*|*[Ff]lag*) echo "xboard_match: time forfeit: $comment" >&2; forfeits=$((forfeits + 1)) ;;
    *[Cc]rash*|*disconnect*|*[Ee]xit*|*[Tt]erminated*|*stalled*)
      echo "xboard_match: engine failure: $comment" >&2; crashes=$((crashes + 1)) ;;
  esac
done < <(awk -v RS= '
  function tag(name,   t) { t = $0; if (!sub(".*\\[" name " \"", "", t)) return ""; sub(/".*/, "", t); return t }
  function flush() { if (header) print result "|" white "|" black "|" comment; header = 0 }
  /^\[/ { flush(); white = tag("White"); black = tag("Black"); result = tag("Result"); comment = ""; header = 1; next }
  { n = split($0, part, "{"); comment = n > 1 ? part[n] : ""; sub(/}.*/, "", comment); gsub(/[|\n]/, " ", comment) }
  END { flush() }' "$pgn" 2>/dev/null)

reports=$(find "$work/sanitizer" -type f | wc -l)
[ "$reports" = 0 ] || { echo "xboard_match: sanitizer reports:" >&2; cat "$work"/sanitizer/* >&2; }
[ "$played" -ge "$games" ] || echo "xboard_match: $played of $games games recorded" >&2
[ "$hung" = 0 ] ||
  { echo "xboard_match: no end in $watchdog s; xboard's log ends:" >&2; tail -n 40 "$work/xboard.debug" >&2 || true; }
crashes=$((crashes + reports)) hangs=$((hung + unfinished + (played < games ? games - played : 0)))
if [ "$knight" = 1 ]; then  # xboard's own record: the promotion with its mate sign, a win, a mate comment
  grep -q '^1\. f8=N#' "$pgn" && grep -q '^\[Result "1-0"\]' "$pgn" && grep -Eqi '\{[^}]*(checkmate|mates)' "$pgn" ||
    { cat "$pgn"; echo "xboard_match: xboard did not record the knight promotion f8=N as mate" >&2; status=1; }
fi

# Each move of Vexmoth in xboard's log, which stamps every line in ms: from the last line sent to the engine
# (which starts its clock when it reads it) to the move, against the clock xboard last gave it. A search stops
# at the clock less 500 ms, tested at clock polls; past that, with 250 ms for a poll, the pipe and the
# scheduler, the move is an overrun and fails the match. The least margin is the clock left less that 250 ms.
# The UCI engine (-u) keeps no such margin (its maximum keeps Move Overhead): a move is an overrun only when
# it took more than the clock, and the least margin is the clock left.
overruns=0 least_margin=
if [ "$timed" = 1 ]; then
  read -r overruns least_margin moves_timed < <(awk -F ' ?: ' -v opponent="$opponent" -v slack=$((uci ? 0 : 250)) '
    $1 !~ /^[0-9]+ [<>](first|second)$/ || ($1 ~ /second/ && opponent != "self") { next }
    { split($1, head, " "); slot = substr(head[2], 2) }
    head[2] ~ /^>/ { sent[slot] = head[1]; if ($2 ~ /^time /) clock[slot] = 10 * substr($2, 6) }
    head[2] ~ /^</ && $2 ~ /^move / { n++; margin = clock[slot] - (head[1] - sent[slot]) - slack
      if (margin < 0) { over++; print "xboard_match: overrun: " $0 ", clock " clock[slot] " ms" > "/dev/stderr" }
      if (n == 1 || margin < least) least = margin }
    END { printf "%d %d %d\n", over, least, n }' "$work/xboard.debug")
  [ "$moves_timed" -gt 0 ] || { echo "xboard_match: no move of Vexmoth in xboard's log to time" >&2; status=1; }
fi

# The time of every move of either engine in xboard's log, as -x takes it, with the move number counted from
# the moves each engine was sent and made since its last "new"; the increments got are taken off the clock used.
awk -F ' ?: ' -v inc_ms="$(awk -v i="$inc" -v m="$mps" 'BEGIN { print m == 0 ? int(i * 1000 + 0.5) : 0 }')" '
  $1 !~ /^[0-9]+ [<>](first|second)$/ { next }
  { split($1, head, " "); slot = substr(head[2], 2) }
  head[2] ~ /^>/ { sent[slot] = head[1]; if ($2 == "new") plies[slot] = spent[slot] = moves[slot] = 0
                   else if ($2 ~ /^usermove/) plies[slot]++ }
  head[2] ~ /^</ && $2 ~ /^move / { plies[slot]++; took = head[1] - sent[slot]; total[slot] += took; moves[slot]++
    count[slot]++; spent[slot] += took; n = int((plies[slot] + 1) / 2)
    if (n == 40 || n == 60) { used[slot n] += spent[slot] - inc_ms * moves[slot]; games[slot n]++ } }
  function mean(sum, n) { return n ? sprintf("%.3f", sum / n / 1000) : "-" }
  END { printf "time mean-move-s %s %s used-by-40-s %s %s (%d/%d games) used-by-60-s %s %s (%d/%d games)\n",
          mean(total["first"], count["first"]), mean(total["second"], count["second"]),
          mean(used["first40"], games["first40"]), mean(used["second40"], games["second40"]),
          games["first40"], games["second40"], mean(used["first60"], games["first60"]),
          mean(used["second60"], games["second60"]), games["first60"], games["second60"] }' "$work/xboard.debug"

# The score from Vexmoth's side against another build, with the Elo difference and its 95 % interval from the
# spread of the games' scores.
if [ "$opponent" = other ]; then
  awk -v w="$score_wins" -v l="$score_losses" -v d="$draws" '
    function elo(p) { return p <= 0 ? "-inf" : p >= 1 ? "+inf" : sprintf("%+.0f", -400 * log(1 / p - 1) / log(10)) }
    BEGIN { n = w + l + d; if (!n) exit; p = (w + d / 2) / n
            sd = sqrt((w * (1 - p) ^ 2 + l * p ^ 2 + d * (0.5 - p) ^ 2) / n / n)
            printf "score %d-%d-%d %.1f%% elo %s [%s, %s] other-forfeits '"$other_forfeits"'\n", w, l, d, 100 * p,
                   elo(p), elo(p - 1.96 * sd), elo(p + 1.96 * sd) }'
fi

ponders=0 ponderhits=0
if [ "$uci" = 1 ] && [ "$ponder" = 1 ]; then
  ponders=$(grep -c 'Engine: go .*ponder' "$work/first/polyglot.log" || true)
  ponderhits=$(grep -c 'Engine: ponderhit' "$work/first/polyglot.log" || true)
  [ "$ponders" -gt 0 ] && [ "$ponderhits" -gt 0 ] ||
    { echo "xboard_match: the UCI engine was not made to ponder, or no ponder move came true" >&2; status=1; }
fi

if [ "$chess960" = 1 ] && [ "$(grep -c '^\[Variant "fischerandom"\]' "$pgn" || true)" != "$played" ]; then
  echo "xboard_match: not every game was played as Chess960 (fischerandom)" >&2; status=1
fi

[ $((illegal + crashes + hangs + forfeits + overruns)) = 0 ] || status=1
echo "summary games $played white-wins $white_wins black-wins $black_wins draws $draws illegal $illegal" \
     "crashes $crashes hangs $hangs forfeits $forfeits overruns $overruns least-margin ${least_margin:--}" \
     "ponders $ponders ponderhits $ponderhits"
exit $status
