#!/usr/bin/env bash
# usage: tests/package_test.sh BUILD_DIR VERSION
# The Debian package as CPack makes it: control fields, files with owners and modes, the files xboard and man
# read, and lintian's errors when lintian is installed. Exit status 77 (a skip for CTest) without dpkg-deb.
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
dpkg-deb -I "$deb"
field() { dpkg-deb -f "$deb" "$1"; }
for wanted in Package=vexmoth Version="$version" Architecture="$arch" Section=games Priority=optional; do
  [ "$(field "${wanted%%=*}")" = "${wanted#*=}" ] || fail "${wanted%%=*} is '$(field "${wanted%%=*}")'"
done
field Maintainer | grep -Eq '^[^<]+ <[^@> ]+@[^> ]+>$' || fail "Maintainer '$(field Maintainer)' is no name and address"
# Depends comes from the binaries' shared libraries.
[[ $(field Depends) == *"libc6 (>= "*"libstdc++6 (>= "* ]] || fail "Depends '$(field Depends)' lacks a library"
[ "$(field Description | head -n 1 | wc -c)" -le 81 ] || fail "the synopsis is longer than 80 characters"
[ "$(field Description | wc -l)" -ge 3 ] || fail "no long description"

# Every entry root's, directories and programs rwxr-xr-x, the rest rw-r--r--; these files.
dpkg-deb -c "$deb" | tee "$work/contents"
awk '
  $2 != "root/root" { print "owner " $2 " of " $6 }
  /^d/ && $1 != "drwxr-xr-x" || /^-/ && $1 != "-rwxr-xr-x" && $1 != "-rw-r--r--" { print "mode " $1 " of " $6 }
' "$work/contents" > "$work/bad-entries"
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
[ $failures = 0 ] || { echo "package_test: $failures failures" >&2; exit 1; }
echo "package_test: vexmoth_${version}_${arch}.deb passed"
