#!/usr/bin/env bash
# Line coverage of the engine by the Release test suite: a build with gcov
# counters (VEXMOTH_COVERAGE: -O0 so that every line keeps its code, no
# link-time optimisation), the CTest suite run on it, and a table with one
# row per source folder (lines executed, lines in all, per cent) and the
# total.
#
# usage: tests/coverage.sh [BUILD_DIR]     (default build-coverage)
#
# Every test of the Release suite runs, one after another as in
# tests/run_all.sh (CTEST_PARALLEL_LEVEL=2 runs two at a time), except those
# in SKIPPED_TESTS: the package test makes and inspects a .deb and runs no
# engine code. The games inside xboard and the protocol fuzzers do run the
# engine binaries, as child processes of the tests, of xboard or of
# polyglot: a program writes its counts (.gcda files beside its objects)
# when it exits normally, so an engine that a test or front end kills adds
# nothing. The fuzzers run for a fixed time, so the lines they reach can
# vary by a few from run to run.
#
# The counts of an earlier run are deleted first. The table is printed even
# when tests fail (their lines still count); the exit status is then 1.
set -euo pipefail

# The folders measured, one row each: the engine core (board, eval, search)
# and the two front ends (xboard, uci).
FOLDERS=(board eval search xboard uci)
# Tests that cannot add coverage (CTest names, matched whole). COVERAGE_SKIP
# replaces the list, to measure a part of the suite, e.g.
# COVERAGE_SKIP="package protocol_fuzz uci_protocol_fuzz".
read -ra SKIPPED_TESTS <<< "${COVERAGE_SKIP:-package}"

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-coverage}")
for folder in "${FOLDERS[@]}"; do
  [ -d "$root/$folder" ] || { echo "coverage: no folder $folder/: update FOLDERS at the top of $0" >&2; exit 2; }
done
command -v gcovr >/dev/null || { echo "coverage: gcovr is not installed" >&2; exit 2; }
export PATH="$PATH:/usr/games"

start=$(date +%s)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXMOTH_COVERAGE=ON >/dev/null
cmake --build "$build" -j2
find "$build" -name '*.gcda' -delete

skip_regex="^($(IFS='|'; echo "${SKIPPED_TESTS[*]}"))\$"
tests_status=0
ctest --test-dir "$build" --output-on-failure -E "$skip_regex" || tests_status=$?

# One gcovr run over the folders, as CSV (file, lines, lines executed, ...),
# summed per folder: the first component of each file's path names it.
folder_regex="($(IFS='|'; echo "${FOLDERS[*]}"))/"
csv=$build/coverage.csv
(cd "$root" && gcovr -j 2 --root . --filter "$folder_regex" --csv "$csv" "$build")
echo
echo "Line coverage by the Release tests (build $build, $(( $(date +%s) - start )) s)"
awk -F, -v folders="${FOLDERS[*]}" '
  NR == 1 { next }  # the header
  {
    folder = $1
    sub(/\/.*/, "", folder)
    total[folder] += $2
    covered[folder] += $3
  }
  function row(name, c, t) {
    printf "%-8s %7d %7d %6.1f%%\n", name, c, t, t ? 100 * c / t : 0
  }
  END {
    printf "%-8s %7s %7s %7s\n", "folder", "covered", "lines", "cover"
    n = split(folders, list, " ")
    for (i = 1; i <= n; ++i) {
      row(list[i] "/", covered[list[i]], total[list[i]])
      all_covered += covered[list[i]]
      all_total += total[list[i]]
    }
    row("total", all_covered, all_total)
  }' "$csv"
echo "(per file: $csv)"
if [ "$tests_status" -ne 0 ]; then
  echo "coverage: some tests failed; the lines they ran are counted all the same" >&2
  exit 1
fi
