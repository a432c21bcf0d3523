#!/usr/bin/env bash
# usage: tests/package_test.sh BUILD_DIR VERSION
# The Debian package as CPack makes it: control fields, files with owners and modes, the files xboard and man
# read, lintian's errors when lintian is installed, and the launcher run as a front end runs it. Exit status
# 77 (a skip for CTest) without dpkg-deb.
set -euo pipefail

build=$(realpath "$1")
version=$2
command -v dpkg-deb >/dev/null || { echo "package_test: dpkg-deb is not installed" >&2; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "package_test: $*" >&2
  failures=$((failures + 1))
}

arch=$(dpkg --print-architecture)
deb=$work/out/vexmoth_${version}_${arch}.deb
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 && [ -f "$deb" ] ||
  { cat "$work/cpack.log" >&2; echo "package_test: cpack made no $deb" >&2; exit 1; }
field() { dpkg-deb -f "$deb" "$1"; }
for wanted in Package=vexmoth Version="$version" Architecture="$arch" Section=games Priority=optional; do
  [ "$(field "${wanted%%=*}")" = "${wanted#*=}" ] || fail "${wanted%%=*} is '$(field "${wanted%%=*}")'"
done
field Maintainer | grep -Eq '^[^<]+ <[^@> ]+@[^> ]+>$' || fail "Maintainer '$(field Maintainer)' is no name and address"
# Depends comes from the binaries' shared libraries.
[[ $(field Depends) == *"libc6 (>= "*"libstdc++6 (>= "* ]] || fail "Depends '$(field Depends)' lacks a library"
# The endgame tables' library, when the build found it.
if grep -q '^FATHOM_LIBRARY:FILEPATH=/' "$build/CMakeCache.txt" && grep -q '^VEXMOTH_SYZYGY:BOOL=ON' "$build/CMakeCache.txt"; then
  [[ $(field Depends) == *libfathom1* ]] || fail "Depends '$(field Depends)' lacks libfathom1"
fi
[ "$(field Description | head -n 1 | wc -c)" -le 81 ] || fail "the synopsis is longer than 80 characters"
[ "$(field Description | wc -l)" -ge 3 ] || fail "no long description"

# Every entry root's, directories and programs rwxr-xr-x, the rest rw-r--r--; these files.
dpkg-deb -c "$deb" | tee "$work/contents"
awk '$2 != "root/root" { print "owner " $2 " of " $6 }
  /^d/ && $1 != "drwxr-xr-x" || /^-/ && $1 != "-rwxr-xr-x" && $1 != "-rw-r--r--" { print "mode " $1 " of " $6 }' \
  "$work/contents" > "$work/bad-entries"
[ ! -s "$work/bad-entries" ] || fail "entries with a wrong owner or mode: $(cat "$work/bad-entries")"
awk '/^-/ { print substr($1, 4, 1) " " substr($6, 2) }' "$work/contents" | sort > "$work/files"
{
  printf 'x /usr/games/%s\n' vexmoth vexmoth-tool
  echo "x /usr/lib/games/vexmoth/vexmoth"
  printf -- '- /usr/share/doc/vexmoth/%s\n' README.md changelog.gz copyright
  printf -- '- /usr/share/games/%s\n' plugins/logos/vexmoth.png plugins/xboard/vexmoth.eng vexmoth/vexmo.ini
  printf -- '- /usr/share/man/man6/%s.6.gz\n' vexmoth vexmoth-tool
  [ ! -x "$build/vexmoth-uci" ] || printf 'x /usr/games/vexmoth-uci\n- /usr/share/man/man6/vexmoth-uci.6.gz\n'
} | sort | diff - "$work/files" > "$work/difference" || fail "file list differs: $(cat "$work/difference")"

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/ctl"
share=$work/root/usr/share
# xboard's plugin file and logo; the launcher, an sh script; the postinst that gives the plugin file the time
# of installation, so that xboard lists the engine for users whose settings are newer than the package.
printf 'plugin spec 0.0\nvexmoth\nchess\n' | cmp -s - "$share/games/plugins/xboard/vexmoth.eng" ||
  fail "vexmoth.eng is not 'plugin spec 0.0' / 'vexmoth' / 'chess'"
[ "$(od -An -tx1 -N8 "$share/games/plugins/logos/vexmoth.png" | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "the logo is not a PNG"
grep -q '^#!/bin/sh' "$work/root/usr/games/vexmoth" && sh -n "$work/root/usr/games/vexmoth" ||
  fail "the launcher is not a valid sh script"
sh -n "$work/ctl/postinst" && grep -q 'touch "/usr/share/games/plugins/xboard/vexmoth.eng"' "$work/ctl/postinst" ||
  fail "the postinst does not give the plugin file the time of installation"
# Compressed documents store no name or time; the changelog's latest entry is this version; no man warnings.
for gz in "$share"/man/man6/*.gz "$share/doc/vexmoth/changelog.gz"; do
  [ "$(od -An -tx1 -j3 -N5 "$gz" | tr -d ' \n')" = 0000000000 ] || fail "$(basename "$gz") stores a name or a time"
done
head -n 1 <(gzip -dc "$share/doc/vexmoth/changelog.gz") | grep -q "^vexmoth ($version) " ||
  fail "the changelog's latest entry is not version $version"
command -v man >/dev/null && for page in "$share"/man/man6/*.6.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

if command -v lintian >/dev/null; then  # errors fail; warnings and notes are shown for the record
  lintian --fail-on error --display-info "$deb" > "$work/lintian" 2>&1 || fail "lintian reports errors"
  grep -v 'running with root privileges' "$work/lintian" || true
fi

# The launcher usr/games/vexmoth, as a front end starts it (README: where it plays, and what it says).
launcher=$work/root/usr/games/vexmoth
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
  rm -f "$work/answer"
  {
    printf 'new\nlevel 40 5 0\ntime 1000\notim 1000\ngo\n'
    for _ in $(seq 300); do
      ! grep -q '^move ' "$work/answer" 2>/dev/null || break
      sleep 0.1
    done
    echo quit
  } | (cd "$start" && exec env -i PATH=/usr/bin:/bin "$@" "$launcher" >"$work/answer" 2>"$work/errors") ||
    fail "the launcher or the engine ended with status $? ($*)"
  grep -q '^move [a-h][1-8][a-h][1-8]' "$work/answer" || fail "no move played ($*): $(cat "$work/answer")"
  if [ -z "$error" ]; then
    [ ! -s "$work/errors" ] || fail "unexpected standard error ($*): $(cat "$work/errors")"
  elif [ "$(wc -l < "$work/errors")" != 1 ] || ! grep -q "^vexmoth: $error" "$work/errors"; then
    fail "no one-line error '$error' ($*): $(cat "$work/errors")"
  fi
  [ "$dir" != - ] || return 0
  [ -f "$dir/vexmo.ini" ] || fail "no vexmo.ini in $dir"
  head -n 1 "$dir/vexmolog.txt" 2>/dev/null | grep -Eq "^$table" || fail "the log in $dir does not open with '$table'"
}

# ~/.local/share/vexmoth, made private and given the engine's default options file: the first run has a 20 MB
# table. The user's own file is kept and read.
try "$work/empty" "$home" "$twenty" "" HOME="$work/home"
cmp -s "$work/bare/vexmo.ini" "$home/vexmo.ini" || fail "the per-user vexmo.ini is not the one the engine writes"
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

[ $failures = 0 ] || { echo "package_test: $failures failures" >&2; exit 1; }
echo "package_test: vexmoth_${version}_${arch}.deb passed"
