#!/usr/bin/env bash
# The engine, inside the real xboard, plays the only mate of a position where
# it is a knight promotion (f8=N), and xboard must record it as mate: proof
# that xboard reads the engine's under-promotion as the engine meant it.
#
# usage: tests/xboard_knight_mate.sh [-u] ENGINE
#   -u  ENGINE speaks UCI and runs through xboard's adapter polyglot
# Exit status 77 (a skip for CTest) when xboard, Xvfb, Fairy-Max or, with -u,
# polyglot is missing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
uci=()
if [ "${1:-}" = -u ]; then uci=(-u); shift; fi
engine=$1
pgn=$(mktemp)
trap 'rm -f "$pgn"' EXIT

status=0
"$here/xboard_match.sh" "${uci[@]}" -f "6br/5Ppk/6pp/8/8/8/8/K7 w - - 0 1" -p "$pgn" "$engine" 1 0:20 || status=$?
[ "$status" = 77 ] && exit 77
cat "$pgn"
if [ "$status" != 0 ]; then
  echo "xboard_knight_mate: the game did not end normally" >&2
  exit 1
fi
# xboard's own record: the knight promotion with its mate sign, a white win,
# and a closing comment that says checkmate.
if ! grep -q '^1\. f8=N#' "$pgn" || ! grep -q '^\[Result "1-0"\]' "$pgn" || ! grep -Eqi '\{[^}]*(checkmate|mates)[^}]*\}' "$pgn"; then
  echo "xboard_knight_mate: xboard did not record the knight promotion f8=N as mate" >&2
  exit 1
fi
echo "xboard_knight_mate: xboard recorded 1. f8=N# and the mate"
