#!/usr/bin/env bash
# usage: tests/mutants.sh [--list] [--all] [--timeout SECONDS] [--exclude REGEX] [PATTERN]
#   PATTERN          only the mutants whose file or description matches (ERE, case ignored)
#   --list           lists the mutants and whether each is found; builds nothing
#   --all            names every fast test that kills each mutant, not just the first
#   --timeout S      one mutant's test time (default: 3 times the run without mutants + 30 s)
#   --exclude REGEX  leaves out the fast tests matching this too (e.g. '^Bench\.')
# Each mutant of tests/mutants.txt changes one line of the engine in a copy of the checkout (edits included; under
# build-mutants/ or MUTANTS_DIR, where results.txt and the logs stay), is built, and faces the fast tests (all but
# SLOW_TESTS, two at a time): killed when one fails or the run times out, survived when all pass; invalid (does not
# compile), stale (its text is gone) and ambiguous (on several lines) are not tried. Tests that fail run again alone,
# and if they pass then, the whole run is repeated once: a mutant whose tests fail only beside others both times is
# killed, and says so.
set -euo pipefail
export LC_ALL=C  # one collation for sort and comm, bytes for grep

SLOW_TESTS=(xboard_match xboard_knight_mate uci_xboard_match uci_xboard_ponder_match uci_xboard_knight_mate
            uci_xboard_chess960 protocol_fuzz uci_protocol_fuzz package)
TARGET=vexmoth_tests  # the test program, which depends on the engines and the tool it drives
root=$(cd "$(dirname "$0")/.." && pwd)
table=$root/tests/mutants.txt
work=$(realpath -m "${MUTANTS_DIR:-$root/build-mutants}")
src=$work/src build=$work/build

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

# The table: FILE @@ ORIGINAL @@ REPLACEMENT @@ DESCRIPTION, each trimmed.
files=() originals=() replacements=() descriptions=()
while IFS=$'\037' read -r file original replacement description; do
  [ -n "$original" ] && [ "$original" != "$replacement" ] ||
    { echo "mutants: $table: not four fields separated by ' @@ ', or a row that changes nothing: $file" >&2; exit 2; }
  files+=("$file") originals+=("$original") replacements+=("$replacement") descriptions+=("$description")
done < <(awk -F ' @@ ' '!/^(#|$)/ { for (i = 1; i <= NF; i++) gsub(/^[[:space:]]+|[[:space:]]+$/, "", $i)
                                    print NF == 4 ? $1 "\037" $2 "\037" $3 "\037" $4 : $0 }' "$table")

selected() { [ -z "$pattern" ] || grep -Eiq -- "$pattern" <<< "${files[$1]} ${descriptions[$1]}"; }
locate() {  # locate TREE I: "ok", "stale" or "ambiguous" for mutant I in TREE
  case $(grep -cF -- "${originals[$2]}" "$1/${files[$2]}" 2>/dev/null) in 0|'') echo stale ;; 1) echo ok ;; *) echo ambiguous ;; esac
}
if [ "$list_only" = 1 ]; then
  for i in "${!files[@]}"; do
    ! selected "$i" || printf '%3d %-9s %-24s %s\n' $((i + 1)) "$(locate "$root" "$i")" "${files[$i]}" "${descriptions[$i]}"
  done
  exit 0
fi

mkdir -p "$work" "$src"
exec 9> "$work/lock"
flock -n 9 || { echo "mutants: another run is using $work" >&2; exit 2; }
applied= test_group=  # the file holding the mutant now; the process group of the running tests
cleanup() {
  [ -z "$test_group" ] || kill -KILL -- "-$test_group" 2>/dev/null || true
  [ -z "$applied" ] || cat "$work/original" > "$src/$applied"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The copy brought up to date: only files whose text differs are written, so the build compiles just what changed.
(cd "$root" && git ls-files -co --exclude-standard | sort -u) > "$work/files"
while IFS= read -r f; do
  [ ! -f "$root/$f" ] || cmp -s "$root/$f" "$src/$f" || (cd "$root" && cp --parents -- "$f" "$src/")
done < "$work/files"
(cd "$src" && find . -type f -printf '%P\n' | sort) | comm -23 - "$work/files" | (cd "$src" && xargs -d '\n' rm -f --)

slow_regex="^($(IFS='|'; echo "${SLOW_TESTS[*]}"))\$${exclude:+|$exclude}"
failed=()
# run_tests LOG [REGEX]: the fast tests (or, one at a time, those matching REGEX) within the limit, in a process group
# of their own that is killed after them (an engine a mutant left searching for ever). Returns 0, 124 on a timeout,
# else 1; failed holds the names of the tests that failed.
run_tests() {
  local log=$1 status=0 selection=(-j2 -E "$slow_regex")
  [ $# -lt 2 ] || selection=(-j1 -R "$2")
  timeout --kill-after=5 "${limit:-3600}" \
    ctest --test-dir "$build" "${stop_at_failure[@]}" --output-on-failure "${selection[@]}" > "$log" 2>&1 &
  test_group=$!  # timeout leads a process group of its own
  wait "$test_group" || status=$?
  kill -KILL -- "-$test_group" 2>/dev/null || true
  test_group=
  mapfile -t failed < <(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*/\1/p' "$log")
  case $status in 0) return 0 ;; 124|137) return 124 ;; *) return 1 ;; esac
}
failed_list() { sed 's/ /, /g' <<< "${failed[*]}"; }
# judge LOG: sets status (as run_tests) and detail (the tests that failed, alone or only beside others).
judge() {
  local attempt names again
  for attempt in 1 2; do
    status=0 detail=
    run_tests "$1.$attempt" || status=$?
    [ "$status" = 1 ] && [ ${#failed[@]} -gt 0 ] || return 0
    names=$(IFS='|'; echo "${failed[*]}") detail="$(failed_list) only beside other tests" again=0
    run_tests "$1.$attempt-alone" "^(${names//./\\.})\$" || again=$?
    [ "$again" = 0 ] || { detail=$(failed_list); return 0; }
  done
}

start=$(date +%s)
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXMOTH_LTO=OFF > "$work/configure.log" 2>&1 ||
  { cat "$work/configure.log" >&2; exit 1; }
echo "mutants: building the copy in $src without mutants"
cmake --build "$build" -j2 --target "$TARGET" > "$work/build.log" 2>&1 || { tail -n 30 "$work/build.log" >&2; exit 1; }
rm -f "$work"/baseline.log* "$work"/mutant-*.log*
judge "$work/baseline.log"
if [ "$status" != 0 ] && [[ $detail != *"only beside other tests" ]]; then
  echo "mutants: the fast tests fail without mutants (${detail:-timeout}; logs $work/baseline.log.*); nothing tried" >&2
  exit 1
fi
[ "$status" = 0 ] || echo "mutants: without mutants $detail failed, under the load of the machine"
baseline=$(sed -n 's/^Total Test time (real) = *\([0-9]*\).*/\1/p' "$work/baseline.log.1")
limit=${limit:-$((3 * ${baseline:-$(( $(date +%s) - start ))} + 30))}
echo "mutants: ${baseline:-?} s without mutants; each mutant's tests get $limit s"

declare -A count=()
: > "$work/results.txt"
for i in "${!files[@]}"; do
  selected "$i" || continue
  file=${files[$i]} log=$work/mutant-$((i + 1)).log mutant_start=$(date +%s) detail=
  verdict=$(locate "$src" "$i")
  if [ "$verdict" = ok ]; then
    cp -p "$src/$file" "$work/original"
    applied=$file
    # The first occurrence on the one matching line; ENVIRON keeps awk from reading escapes.
    ORIGINAL=${originals[$i]} REPLACEMENT=${replacements[$i]} awk '
      !done && (at = index($0, ENVIRON["ORIGINAL"])) {
        $0 = substr($0, 1, at - 1) ENVIRON["REPLACEMENT"] substr($0, at + length(ENVIRON["ORIGINAL"])); done = 1 }
      { print }' "$work/original" > "$src/$file"
    if ! cmake --build "$build" -j2 --target "$TARGET" > "$log" 2>&1; then
      verdict=invalid detail="does not compile; $log"
    else
      judge "$log"
      case $status in
        0) verdict=survived detail= ;;
        124) verdict=killed detail="timeout${failed[*]:+ after $(failed_list) failed}" ;;
        *) verdict=killed detail=${detail:-$(failed_list)} ;;
      esac
    fi
    cat "$work/original" > "$src/$file"  # a new time stamp: compiled again next build
    applied=
    detail="${detail:+$detail; }$(( $(date +%s) - mutant_start )) s"
  fi
  count[$verdict]=$(( ${count[$verdict]:-0} + 1 ))
  printf '%3d %-9s %-24s %s%s\n' $((i + 1)) "$verdict" "$file" "${descriptions[$i]}" "${detail:+  ($detail)}" |
    tee -a "$work/results.txt"
done

killed=${count[killed]:-0} survived=${count[survived]:-0}
echo "mutants: $((killed + survived + ${count[invalid]:-0})) tried: killed $killed, survived $survived," \
     "invalid ${count[invalid]:-0}; stale ${count[stale]:-0}, ambiguous ${count[ambiguous]:-0}"
[ $((killed + survived)) = 0 ] ||
  echo "mutants: $((100 * killed / (killed + survived)))% of the valid mutants killed, in $(( $(date +%s) - start )) s"
echo "mutants: results in $work/results.txt"
