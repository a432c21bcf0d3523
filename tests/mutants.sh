#!/usr/bin/env bash
# Mutation test of the test suite: each mutant of tests/mutants.txt changes
# one line of the engine (a comparison flipped, a bound off by one, a line
# taken out), is built, and faces the fast tests. A mutant is "killed" when
# a test fails or the run times out (a search that never ends), "survived"
# when every test passes: a fault the suite would let through. Some
# survivors are expected; the list says where the tests are thin.
#
# usage: tests/mutants.sh [--list] [--all] [--timeout SECONDS] [--exclude REGEX] [PATTERN]
#   PATTERN          only the mutants whose file or description matches this
#                    extended regular expression (case ignored)
#   --list           lists the mutants and whether each is found, builds nothing
#   --all            runs every fast test on each mutant instead of stopping at
#                    the first failure, and names all the tests that kill it:
#                    which faults each test catches (slower)
#   --timeout S      the limit of one mutant's test run (default: three times
#                    the run without mutants, plus 30 s)
#   --exclude REGEX  leaves out the fast tests whose names match too, to see
#                    which faults only they catch (e.g. '^Bench\.' for the
#                    bench signature, which notices any change of the search)
#
# The work happens in a copy of the checkout (its tracked files and the
# untracked ones git does not ignore, as they are now, edits included) under
# build-mutants/ (MUTANTS_DIR overrides), never in the checkout itself. An
# interrupted run restores the copy on its way out (a run killed outright
# leaves a mutated copy, which the next run puts right). The copy is built
# once as Release without link-time optimisation (VEXMOTH_LTO=OFF) and then
# per mutant, so that only the mutated file is compiled again; the copy and
# its build are kept for the next run, with results.txt (the lines printed)
# and each mutant's logs beside them.
#
# The fast tests are the GoogleTest suites (the protocol tests among them
# drive the real engine binaries) and the layers test: every CTest test but
# those in SLOW_TESTS. They must pass without mutants, or nothing is tried.
# They run two at a time, and a test with a time bound can fail for the
# load beside it: the tests that failed on a mutant run again one at a time,
# and when all of them pass then, the whole run is repeated once. A mutant
# whose tests fail only beside others both times is counted killed and its
# line says so.
#
# Each mutant prints one line: killed, survived, invalid (does not compile;
# not counted), stale (its text is no longer in the file: update the row)
# or ambiguous (its text is on more than one line: lengthen it). Not part
# of CI; a full run takes about 20 minutes on two cores.
set -euo pipefail
export LC_ALL=C  # one collation for sort and comm, bytes for grep

# Tests left out of the mutant runs (CTest names, matched whole): the games
# in xboard, the protocol fuzzers (60 s and 30 s), the launcher and package.
SLOW_TESTS=(xboard_match xboard_knight_mate uci_xboard_match uci_xboard_knight_mate
            protocol_fuzz uci_protocol_fuzz launcher package)
# What each mutant builds: the test program, which depends on the engines
# and the tool it drives.
BUILD_TARGET=vexmoth_tests
SEPARATOR=' @@ '

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
table=$here/mutants.txt
work=$(realpath -m "${MUTANTS_DIR:-$root/build-mutants}")
src=$work/src
build=$work/build

list_only=0 limit= pattern= exclude= stop_at_failure=(--stop-on-failure)
while [ $# -gt 0 ]; do
  case $1 in
    --list) list_only=1 ;;
    --all) stop_at_failure=() ;;
    --timeout) limit=${2:?--timeout needs seconds}; shift ;;
    --exclude) exclude=${2:?--exclude needs a regular expression}; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "mutants: unknown option $1" >&2; exit 2 ;;
    *) pattern=$1 ;;
  esac
  shift
done

# ---------------------------------------------------------------- the table
files=() originals=() replacements=() descriptions=()
trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; echo "${s%"${s##*[![:space:]]}"}"; }
while IFS= read -r row || [ -n "$row" ]; do
  case $row in ''|'#'*) continue ;; esac
  rest=$row fields=()
  while [[ $rest == *"$SEPARATOR"* ]]; do
    fields+=("${rest%%"$SEPARATOR"*}")
    rest=${rest#*"$SEPARATOR"}
  done
  fields+=("$rest")
  if [ ${#fields[@]} -ne 4 ]; then
    echo "mutants: $table: not four fields separated by '$SEPARATOR': $row" >&2
    exit 2
  fi
  files+=("$(trim "${fields[0]}")")
  originals+=("$(trim "${fields[1]}")")
  replacements+=("$(trim "${fields[2]}")")
  descriptions+=("$(trim "${fields[3]}")")
  if [ -z "${originals[-1]}" ] || [ "${originals[-1]}" = "${replacements[-1]}" ]; then
    echo "mutants: $table: a row that changes nothing: $row" >&2
    exit 2
  fi
done < "$table"
count=${#files[@]}

selected() {  # selected I: mutant I matches the pattern
  [ -z "$pattern" ] || grep -Eiq -- "$pattern" <<< "${files[$1]} ${descriptions[$1]}"
}

# locate TREE I: prints "ok", "stale" or "ambiguous" for mutant I in TREE.
locate() {
  local path=$1/${files[$2]} n
  [ -f "$path" ] || { echo stale; return; }
  n=$(grep -cF -- "${originals[$2]}" "$path" || true)
  case $n in 0) echo stale ;; 1) echo ok ;; *) echo ambiguous ;; esac
}

if [ "$list_only" = 1 ]; then
  for ((i = 0; i < count; ++i)); do
    selected "$i" || continue
    printf '%3d %-9s %-24s %s\n' $((i + 1)) "$(locate "$root" "$i")" "${files[$i]}" "${descriptions[$i]}"
  done
  exit 0
fi

# ---------------------------------------------------------------- the copy and its build
mkdir -p "$work"
exec 9> "$work/lock"
flock -n 9 || { echo "mutants: another run is using $work" >&2; exit 2; }

applied=      # the file holding the mutant now, restored on any exit
test_group=   # process group of the running tests
cleanup() {
  if [ -n "$test_group" ]; then kill -KILL -- "-$test_group" 2>/dev/null || true; fi
  if [ -n "$applied" ]; then cat "$work/original" > "$src/$applied"; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Brings the copy up to date with the checkout. Only files whose text
# differs are written (with a new time stamp), so the build compiles just
# what changed, the file of the last run's last mutant included.
sync_copy() {
  mkdir -p "$src"
  (cd "$root" && git ls-files -co --exclude-standard | sort -u) > "$work/files"
  while IFS= read -r f; do
    [ -f "$root/$f" ] || continue  # deleted, not yet staged
    if ! cmp -s "$root/$f" "$src/$f"; then
      mkdir -p "$(dirname "$src/$f")"
      cp "$root/$f" "$src/$f"
    fi
  done < "$work/files"
  (cd "$src" && find . -type f -printf '%P\n' | sort) | comm -23 - "$work/files" |
    while IFS= read -r f; do rm -f "$src/$f"; done
}

build_copy() {  # build_copy LOG: false when the copy does not compile
  cmake --build "$build" -j2 --target "$BUILD_TARGET" > "$1" 2>&1
}

slow_regex="^($(IFS='|'; echo "${SLOW_TESTS[*]}"))\$${exclude:+|$exclude}"
failed=()

# run_tests LOG [REGEX]: the fast tests (or, one at a time, those matching
# REGEX) within the time limit, in a process group of their own, so that
# nothing a mutant leaves running (an engine searching for ever) outlives
# the run. Returns 0 when all pass, 124 on a timeout, else 1; failed holds
# the names of the tests that failed.
run_tests() {
  local log=$1 status=0
  local selection=(-j2 -E "$slow_regex")
  [ $# -lt 2 ] || selection=(-j1 -R "$2")
  # timeout makes itself the leader of a new process group.
  timeout --kill-after=5 "${limit:-3600}" \
    ctest --test-dir "$build" "${stop_at_failure[@]}" --output-on-failure "${selection[@]}" > "$log" 2>&1 &
  test_group=$!
  wait "$test_group" || status=$?
  kill -KILL -- "-$test_group" 2>/dev/null || true
  test_group=
  mapfile -t failed < <(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*/\1/p' "$log")
  case $status in
    0) return 0 ;;
    124|137) return 124 ;;
    *) return 1 ;;
  esac
}

join_names() { local IFS=' '; echo "${failed[*]}" | sed 's/ /, /g'; }

# judge LOG: runs the fast tests as the header says (a failed test again
# alone, the whole run once more when it then passes). Sets status (0, 1 or
# 124 as run_tests) and detail (the tests that failed, and whether they
# failed only beside other tests).
judge() {
  local log=$1 attempt names again
  for attempt in 1 2; do
    status=0 detail=
    run_tests "$log.$attempt" || status=$?
    [ "$status" = 1 ] && [ ${#failed[@]} -gt 0 ] || return 0
    names=$(IFS='|'; echo "${failed[*]}")
    detail="$(join_names) only beside other tests"
    again=0
    run_tests "$log.$attempt-alone" "^(${names//./\\.})\$" || again=$?
    if [ "$again" != 0 ]; then
      detail=$(join_names)  # those that failed alone
      return 0
    fi
  done
}

start=$(date +%s)
echo "mutants: copying the checkout to $src"
sync_copy
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXMOTH_LTO=OFF > "$work/configure.log" 2>&1 ||
  { cat "$work/configure.log" >&2; exit 1; }
echo "mutants: building the copy without mutants"
build_copy "$work/build.log" || { tail -n 30 "$work/build.log" >&2; exit 1; }
echo "mutants: the fast tests without mutants"
baseline_start=$(date +%s)
rm -f "$work"/baseline.log*
judge "$work/baseline.log"
if [ "$status" != 0 ] && [[ $detail != *"only beside other tests" ]]; then
  echo "mutants: the fast tests fail without mutants (${detail:-timeout}; logs $work/baseline.log.*); nothing tried" >&2
  exit 1
fi
[ "$status" = 0 ] || echo "mutants: without mutants $detail failed, under the load of the machine"
# The first run's own time (CTest's total), without the runs again.
baseline=$(sed -n 's/^Total Test time (real) = *\([0-9]*\).*/\1/p' "$work/baseline.log.1")
baseline=${baseline:-$(( $(date +%s) - baseline_start ))}
limit=${limit:-$((3 * baseline + 30))}
echo "mutants: $baseline s without mutants; each mutant's tests get $limit s"

# ---------------------------------------------------------------- the mutants
killed=0 survived=0 invalid=0 stale=0 ambiguous=0 tried=0
results=$work/results.txt
: > "$results"
rm -f "$work"/mutant-*.log*
report() {  # report NUMBER VERDICT DETAIL
  local line
  line=$(printf '%3d %-9s %-24s %s%s' "$1" "$2" "${files[$1 - 1]}" "${descriptions[$1 - 1]}" "${3:+  ($3)}")
  echo "$line"
  echo "$line" >> "$results"
}

for ((i = 0; i < count; ++i)); do
  selected "$i" || continue
  number=$((i + 1)) file=${files[$i]}
  where=$(locate "$src" "$i")
  if [ "$where" != ok ]; then
    report "$number" "$where" ""
    if [ "$where" = stale ]; then stale=$((stale + 1)); else ambiguous=$((ambiguous + 1)); fi
    continue
  fi
  tried=$((tried + 1))
  mutant_start=$(date +%s)
  cp -p "$src/$file" "$work/original"
  applied=$file
  # The first occurrence on the one matching line is replaced; ENVIRON
  # keeps awk from reading backslashes in the texts as escapes.
  ORIGINAL=${originals[$i]} REPLACEMENT=${replacements[$i]} awk '
    !done && (at = index($0, ENVIRON["ORIGINAL"])) {
      $0 = substr($0, 1, at - 1) ENVIRON["REPLACEMENT"] substr($0, at + length(ENVIRON["ORIGINAL"]))
      done = 1
    }
    { print }' "$work/original" > "$src/$file"
  log=$work/mutant-$number.log
  if ! build_copy "$log"; then
    verdict=invalid detail="does not compile; $log"
    invalid=$((invalid + 1))
  else
    judge "$log"
    case $status in
      0) verdict=survived detail= ; survived=$((survived + 1)) ;;
      124) verdict=killed detail="timeout${failed[*]:+ after $(join_names) failed}"
           killed=$((killed + 1)) ;;
      *) verdict=killed ; detail=${detail:-$(join_names)} ; killed=$((killed + 1)) ;;
    esac
  fi
  cat "$work/original" > "$src/$file"  # a new time stamp: compiled again next build
  applied=
  report "$number" "$verdict" "${detail:+$detail; }$(( $(date +%s) - mutant_start )) s"
done

counted=$((killed + survived))
echo
echo "mutants: $tried tried: killed $killed, survived $survived, invalid $invalid; stale $stale, ambiguous $ambiguous"
if [ "$counted" -gt 0 ]; then
  echo "mutants: $((100 * killed / counted)) per cent of the valid mutants killed, in $(( $(date +%s) - start )) s"
fi
echo "mutants: results in $results"
