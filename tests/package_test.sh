#!/usr/bin/env bash
# The Debian package as CPack makes it from a build: its control fields, its
# file list with owners and modes, the files xboard and man read, and
# lintian's verdict when lintian is installed. Exit status 77 (a skip for
# CTest) on a machine without dpkg-deb.
#
# usage: tests/package_test.sh BUILD_DIR VERSION
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
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; echo "package_test: cpack failed" >&2; exit 1; }
deb=$work/out/vexmoth_${version}_${arch}.deb
[ -f "$deb" ] || { echo "package_test: no $deb; cpack wrote: $(ls "$work/out")" >&2; exit 1; }

echo "== dpkg-deb -I"
dpkg-deb -I "$deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vexmoth ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = games ] || fail "Section is '$(field Section)'"
[ "$(field Priority)" = optional ] || fail "Priority is '$(field Priority)'"
field Maintainer | grep -Eq '^[^<]+ <[^@> ]+@[^> ]+>$' || fail "Maintainer '$(field Maintainer)' is no name and address"
# Depends comes from the binaries' shared libraries.
for library in libc6 libstdc++6; do
  case ", $(field Depends)" in
    *", $library (>= "[0-9]*) ;;
    *) fail "Depends '$(field Depends)' lacks $library" ;;
  esac
done
description=$(field Description)
[ "$(printf '%s\n' "$description" | head -n 1 | wc -c)" -le 81 ] || fail "the synopsis is longer than 80 characters"
[ "$(printf '%s\n' "$description" | wc -l)" -ge 3 ] || fail "no long description"

echo "== dpkg-deb -c"
dpkg-deb -c "$deb" | tee "$work/contents"
# Every entry is root's, directories and programs rwxr-xr-x, the rest rw-r--r--.
awk '
  $2 != "root/root" { print "owner " $2 " of " $6 }
  /^d/ && $1 != "drwxr-xr-x" { print "mode " $1 " of " $6 }
  /^-/ && $1 != "-rwxr-xr-x" && $1 != "-rw-r--r--" { print "mode " $1 " of " $6 }
' "$work/contents" > "$work/bad-entries"
[ -s "$work/bad-entries" ] && fail "entries with a wrong owner or mode: $(cat "$work/bad-entries")"
awk '/^-/ { print substr($1, 4, 1) " " $6 }' "$work/contents" | sed 's|\./|/|' | sort > "$work/files"
{
  echo "x /usr/games/vexmoth"
  echo "x /usr/games/vexmoth-tool"
  echo "x /usr/lib/games/vexmoth/vexmoth"
  echo "- /usr/share/doc/vexmoth/README.md"
  echo "- /usr/share/doc/vexmoth/changelog.gz"
  echo "- /usr/share/doc/vexmoth/copyright"
  echo "- /usr/share/games/plugins/logos/vexmoth.png"
  echo "- /usr/share/games/plugins/xboard/vexmoth.eng"
  echo "- /usr/share/games/vexmoth/vexmo.ini"
  echo "- /usr/share/man/man6/vexmoth-tool.6.gz"
  echo "- /usr/share/man/man6/vexmoth.6.gz"
  if [ -x "$build/vexmoth-uci" ]; then
    echo "x /usr/games/vexmoth-uci"
    echo "- /usr/share/man/man6/vexmoth-uci.6.gz"
  fi
} | sort > "$work/expected"
diff "$work/expected" "$work/files" > "$work/difference" || fail "file list differs from the expected one:
$(cat "$work/difference")"

dpkg-deb -x "$deb" "$work/root"
# xboard's plugin file: the format line, the command, the variants.
printf 'plugin spec 0.0\nvexmoth\nchess\n' | cmp -s - "$work/root/usr/share/games/plugins/xboard/vexmoth.eng" ||
  fail "vexmoth.eng is not 'plugin spec 0.0' / 'vexmoth' / 'chess'"
[ "$(head -c 8 "$work/root/usr/share/games/plugins/logos/vexmoth.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "the logo is not a PNG"
# The launcher starts the engine installed beside it, under /usr/lib/games.
grep -q '^#!/bin/sh' "$work/root/usr/games/vexmoth" && sh -n "$work/root/usr/games/vexmoth" ||
  fail "the launcher is not a valid sh script"
# After installation the plugin file carries the time of installation, so
# that xboard lists the engine for users whose settings are newer than the
# package build.
dpkg-deb -e "$deb" "$work/control"
sh -n "$work/control/postinst" && grep -q 'touch "/usr/share/games/plugins/xboard/vexmoth.eng"' "$work/control/postinst" ||
  fail "the postinst does not give the plugin file the time of installation"
# Compressed documents carry no file name or time (reproducible), and the
# changelog's latest entry is this version.
for gz in "$work"/root/usr/share/man/man6/*.gz "$work/root/usr/share/doc/vexmoth/changelog.gz"; do
  [ "$(od -An -tx1 -j3 -N5 "$gz" | tr -d ' \n')" = 0000000000 ] || fail "$(basename "$gz") stores a name or a time"
done
head -n 1 <(gzip -dc "$work/root/usr/share/doc/vexmoth/changelog.gz") | grep -q "^vexmoth ($version) " ||
  fail "the changelog's latest entry is not version $version"
command -v man >/dev/null && for page in "$work"/root/usr/share/man/man6/*.6.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

if command -v lintian >/dev/null; then
  echo "== lintian"
  # Errors fail; warnings and notes are shown for the record.
  lintian --fail-on error --display-info "$deb" > "$work/lintian" 2>&1 && verdict=0 || verdict=$?
  grep -v 'running with root privileges' "$work/lintian" || true
  [ "$verdict" = 0 ] || fail "lintian reports errors"
else
  echo "package_test: lintian is not installed: not run"
fi

if [ $failures -gt 0 ]; then
  echo "package_test: $failures failures" >&2
  exit 1
fi
echo "package_test: vexmoth_${version}_${arch}.deb passed"
