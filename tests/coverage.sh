#!/usr/bin/env bash
# Line coverage of the engine by the Release test suite (all but the tests named in COVERAGE_SKIP, default
# "package") on a build with gcov counters, per source folder and in all. Engines count only when they exit
# normally; the fuzzers run for a fixed time, so their lines vary a little. The table is printed even when
# tests fail, and the exit status is then 1.
#
# usage: tests/coverage.sh [BUILD_DIR]     (default build-coverage)
set -euo pipefail

FOLDERS=(board eval search xboard uci)  # the engine core and the two front ends
read -ra skipped <<< "${COVERAGE_SKIP:-package}"
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-coverage}")
command -v gcovr >/dev/null || { echo "coverage: gcovr is not installed" >&2; exit 2; }
export PATH="$PATH:/usr/games"

start=$(date +%s)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXMOTH_COVERAGE=ON >/dev/null
cmake --build "$build" -j2
find "$build" -name '*.gcda' -delete
tests_status=0
ctest --test-dir "$build" --output-on-failure -E "^($(IFS='|'; echo "${skipped[*]}"))\$" || tests_status=$?

# One gcovr run as CSV (file, lines, lines executed, ...), summed per folder.
csv=$build/coverage.csv
(cd "$root" && gcovr -j 2 --root . --filter "($(IFS='|'; echo "${FOLDERS[*]}"))/" --csv "$csv" "$build")
echo
echo "Line coverage by the Release tests (build $build, $(( $(date +%s) - start )) s; per file: $csv)"
awk -F, -v folders="${FOLDERS[*]}" '
  NR > 1 { folder = $1; sub(/\/.*/, "", folder); total[folder] += $2; covered[folder] += $3 }
  function row(name, c, t) { printf "%-8s %7d %7d %6.1f%%\n", name, c, t, t ? 100 * c / t : 0 }
  END {
    printf "%-8s %7s %7s %7s\n", "folder", "covered", "lines", "cover"
    for (i = 1; i <= split(folders, list, " "); ++i) {
      row(list[i] "/", covered[list[i]], total[list[i]])
      covered["total"] += covered[list[i]]
      total["total"] += total[list[i]]
    }
    row("total", covered["total"], total["total"])
  }' "$csv"
[ "$tests_status" = 0 ] || { echo "coverage: some tests failed; the lines they ran count all the same" >&2; exit 1; }
