#!/usr/bin/env bash
# The installed launcher games/vexmoth, as a front end starts it: in a
# directory without vexmo.ini it plays from the per-user data directory and
# leaves the directory it was started in untouched; in a directory with a
# vexmo.ini it works there; when no per-user directory can be made it says
# so and plays where it stands. A per-user directory without vexmo.ini gets
# the engine's default one first, so the first run already has a table.
#
# usage: tests/launcher_test.sh BUILD_DIR
set -euo pipefail

build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/usr" >/dev/null
launcher=$work/usr/games/vexmoth
failures=0
# The options file the engine itself writes in a bare directory.
mkdir "$work/bare"
(cd "$work/bare" && echo quit | "$build/vexmoth" >/dev/null)
defaults=$work/bare/vexmo.ini
twenty='Hash Size 20\.00 mb, record size 10, records 2097152$'

fail() {
  echo "launcher_test: $*" >&2
  failures=$((failures + 1))
}

# play DIR ENV...: starts the launcher in DIR with the environment given
# (on top of an empty one but PATH), asks it for a move and quits. The
# engine's output lands in $work/out, its standard error in $work/err. The
# lines are written from subshells: a launcher that ended without starting
# the engine breaks the pipe, which must fail the case, not end this script.
play() {
  local dir=$1
  shift
  rm -f "$work/in" "$work/out" "$work/err"
  mkfifo "$work/in"
  (cd "$dir" && exec env -i PATH=/usr/bin:/bin "$@" "$launcher" <"$work/in" >"$work/out" 2>"$work/err") &
  local pid=$!
  exec 3>"$work/in"
  (printf 'new\nlevel 40 5 0\ntime 1000\notim 1000\ngo\n' >&3) || true
  local waited=0
  while ! grep -q '^move ' "$work/out" 2>/dev/null && [ $waited -lt 300 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  (printf 'quit\n' >&3) || true
  exec 3>&-
  wait "$pid" || fail "the engine exited with status $? ($*)"
  grep -q '^move [a-h][1-8][a-h][1-8]' "$work/out" || fail "no move played ($*): $(cat "$work/out")"
}

# A log the engine wrote in DIR: its table line (matching the pattern TABLE)
# and a line for its move.
check_log() {
  local dir=$1 table=$2
  [ -f "$dir/vexmo.ini" ] || fail "no vexmo.ini in $dir"
  head -n 1 "$dir/vexmolog.txt" 2>/dev/null | grep -Eq "^$table" ||
    fail "$dir/vexmolog.txt does not start with '$table'"
  grep -Eq '^   0  [a-h][1-8][a-h][1-8] score\(' "$dir/vexmolog.txt" 2>/dev/null ||
    fail "$dir/vexmolog.txt has no line for the engine's move"
}

# An empty directory and no XDG_DATA_HOME: ~/.local/share/vexmoth, made on
# first use and private to the user, given the engine's default options
# file, which the first run reads: a 20 MB table.
mkdir -p "$work/empty" "$work/home"
play "$work/empty" HOME="$work/home"
[ -z "$(ls -A "$work/empty")" ] || fail "files left in the starting directory: $(ls -A "$work/empty")"
check_log "$work/home/.local/share/vexmoth" "$twenty"
cmp -s "$defaults" "$work/home/.local/share/vexmoth/vexmo.ini" ||
  fail "the per-user vexmo.ini is not the engine's default file"
[ "$(stat -c %a "$work/home/.local/share/vexmoth")" = 700 ] || fail "the per-user directory is not private"
[ -s "$work/err" ] && fail "unexpected standard error: $(cat "$work/err")"
# The user's own options file is kept as it is, and read.
printf 'hash 8\n' > "$work/home/.local/share/vexmoth/vexmo.ini"
play "$work/empty" HOME="$work/home"
check_log "$work/home/.local/share/vexmoth" "Hash Size 8\\."
printf 'hash 8\n' | cmp -s - "$work/home/.local/share/vexmoth/vexmo.ini" || fail "the per-user vexmo.ini was rewritten"

# XDG_DATA_HOME names the base when it is an absolute path, and is ignored
# when it is not.
play "$work/empty" HOME="$work/home" XDG_DATA_HOME="$work/xdg"
check_log "$work/xdg/vexmoth" "$twenty"
rm -rf "$work/home/.local"
play "$work/empty" HOME="$work/home" XDG_DATA_HOME=relative/path
check_log "$work/home/.local/share/vexmoth" "$twenty"
[ -z "$(ls -A "$work/empty")" ] || fail "files left in the starting directory: $(ls -A "$work/empty")"

# A directory with a vexmo.ini is used as it is, options and log; the
# per-user directory is not touched.
mkdir -p "$work/setup"
printf 'hash 8\n' > "$work/setup/vexmo.ini"
before=$(cat "$work/home/.local/share/vexmoth/vexmolog.txt")
play "$work/setup" HOME="$work/home"
check_log "$work/setup" "Hash Size 8\\."
[ "$(cat "$work/setup/vexmo.ini")" = "hash 8" ] || fail "the set-up vexmo.ini was rewritten"
[ "$(cat "$work/home/.local/share/vexmoth/vexmolog.txt")" = "$before" ] || fail "the per-user log was written"

# No per-user directory to be had (HOME is a file; HOME unset): one line on
# standard error, and the engine plays where it was started, which the
# launcher does not give an options file: the engine writes its own.
touch "$work/not-a-directory"
mkdir -p "$work/stand1" "$work/stand2"
play "$work/stand1" HOME="$work/not-a-directory"
[ "$(wc -l < "$work/err")" = 1 ] && grep -q "^vexmoth: cannot make $work/not-a-directory/.local/share/vexmoth" "$work/err" ||
  fail "no one-line error for an unusable HOME: $(cat "$work/err")"
check_log "$work/stand1" "No Hash Table used"
play "$work/stand2"
[ "$(wc -l < "$work/err")" = 1 ] && grep -q "^vexmoth: HOME is not set" "$work/err" ||
  fail "no one-line error without HOME: $(cat "$work/err")"
check_log "$work/stand2" "No Hash Table used"

# A per-user directory where vexmo.ini cannot be written (the name is taken
# by a directory): one line on standard error, and the engine plays.
mkdir -p "$work/home2/.local/share/vexmoth/vexmo.ini"
play "$work/empty" HOME="$work/home2"
[ "$(wc -l < "$work/err")" = 1 ] && grep -q "^vexmoth: cannot write $work/home2/.local/share/vexmoth/vexmo.ini" "$work/err" ||
  fail "no one-line error for an unwritable vexmo.ini: $(cat "$work/err")"

if [ $failures -gt 0 ]; then
  echo "launcher_test: $failures failures" >&2
  exit 1
fi
echo "launcher_test: all cases passed"
