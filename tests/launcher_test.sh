#!/usr/bin/env bash
# usage: tests/launcher_test.sh BUILD_DIR
# The installed launcher games/vexmoth, as a front end starts it: without a vexmo.ini where it starts, it
# plays from the per-user data directory, given the engine's default vexmo.ini first; with one, it works
# there; when it can have no per-user directory or options file, it says so in one line and plays all the same.
set -euo pipefail

build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/usr" >/dev/null
failures=0
fail() {
  echo "launcher_test: $*" >&2
  failures=$((failures + 1))
}
mkdir "$work/bare" "$work/empty" "$work/home" "$work/setup" "$work/stand1" "$work/stand2"
(cd "$work/bare" && echo quit | "$build/vexmoth" >/dev/null)  # the options file the engine writes itself
home=$work/home/.local/share/vexmoth
twenty='Hash Size 20\.00 mb, record size 10, records 2097152$'

# try START LOG_DIR TABLE ERROR ENV...: starts the launcher in START with PATH and ENV only, asks it for a
# move and quits. It must play, exit 0, write on standard error the one line "vexmoth: ERROR..." (nothing when
# ERROR is empty), and, unless LOG_DIR is -, leave in LOG_DIR a vexmo.ini and a log opening with TABLE.
try() {
  local start=$1 dir=$2 table=$3 error=$4
  shift 4
  rm -f "$work/out"
  {
    printf 'new\nlevel 40 5 0\ntime 1000\notim 1000\ngo\n'
    for _ in $(seq 300); do
      ! grep -q '^move ' "$work/out" 2>/dev/null || break
      sleep 0.1
    done
    echo quit
  } | (cd "$start" && exec env -i PATH=/usr/bin:/bin "$@" "$work/usr/games/vexmoth" >"$work/out" 2>"$work/err") ||
    fail "the launcher or the engine ended with status $? ($*)"
  grep -q '^move [a-h][1-8][a-h][1-8]' "$work/out" || fail "no move played ($*): $(cat "$work/out")"
  if [ -z "$error" ]; then
    [ ! -s "$work/err" ] || fail "unexpected standard error ($*): $(cat "$work/err")"
  elif [ "$(wc -l < "$work/err")" != 1 ] || ! grep -q "^vexmoth: $error" "$work/err"; then
    fail "no one-line error '$error' ($*): $(cat "$work/err")"
  fi
  [ "$dir" != - ] || return 0
  [ -f "$dir/vexmo.ini" ] || fail "no vexmo.ini in $dir"
  head -n 1 "$dir/vexmolog.txt" 2>/dev/null | grep -Eq "^$table" || fail "$dir/vexmolog.txt does not start with '$table'"
}

# ~/.local/share/vexmoth, made private and given the engine's default options file: the first run has a 20 MB
# table. The user's own file is kept and read.
try "$work/empty" "$home" "$twenty" "" HOME="$work/home"
cmp -s "$work/bare/vexmo.ini" "$home/vexmo.ini" || fail "the per-user vexmo.ini is not the engine's default file"
[ "$(stat -c %a "$home")" = 700 ] || fail "the per-user directory is not private"
printf 'hash 8\n' > "$home/vexmo.ini"
try "$work/empty" "$home" "Hash Size 8\\." "" HOME="$work/home"
[ "$(cat "$home/vexmo.ini")" = "hash 8" ] || fail "the per-user vexmo.ini was rewritten"
# XDG_DATA_HOME names the base when it is an absolute path.
try "$work/empty" "$work/xdg/vexmoth" "$twenty" "" HOME="$work/home" XDG_DATA_HOME="$work/xdg"
[ -z "$(ls -A "$work/empty")" ] || fail "files left in the starting directory: $(ls -A "$work/empty")"

# A directory with a vexmo.ini is used as it is.
printf 'hash 8\n' > "$work/setup/vexmo.ini"
try "$work/setup" "$work/setup" "Hash Size 8\\." "" HOME="$work/home"
[ "$(cat "$work/setup/vexmo.ini")" = "hash 8" ] || fail "the set-up vexmo.ini was rewritten"

# No per-user directory to be had (HOME is a file; HOME unset): the engine plays where it was started, which
# the launcher gives no options file (the engine writes its own, after a first run without a table). A
# per-user vexmo.ini that cannot be written (a directory has its name): it plays.
touch "$work/not-a-directory"
try "$work/stand1" "$work/stand1" "No Hash Table used" "cannot make $work/not-a-directory/.local/share/vexmoth" \
  HOME="$work/not-a-directory"
try "$work/stand2" "$work/stand2" "No Hash Table used" "HOME is not set"
mkdir -p "$work/home2/.local/share/vexmoth/vexmo.ini"
try "$work/empty" - "" "cannot write $work/home2/.local/share/vexmoth/vexmo.ini" HOME="$work/home2"

[ $failures = 0 ] || { echo "launcher_test: $failures failures" >&2; exit 1; }
echo "launcher_test: all cases passed"
