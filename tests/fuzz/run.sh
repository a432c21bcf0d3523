#!/usr/bin/env bash
# usage: tests/fuzz/run.sh TARGET SECONDS   (fuzz_fen, fuzz_user_move, fuzz_options or fuzz_level)
# A long fuzzing campaign, at the lowest priority, in build-fuzz (BUILD_DIR;
# configured when missing): from the committed corpus, new inputs in a
# scratch directory, then merged into the corpus when they reach edges it
# does not. A crash stops the script before the merge and names the input.
set -euo pipefail
[ $# = 2 ] && [[ $1 =~ ^fuzz_(fen|user_move|options|level)$ ]] || { echo "usage: $0 TARGET SECONDS" >&2; exit 2; }
target=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-fuzz}
corpus=$root/tests/fuzz/corpus/$target
[ -f "$build/CMakeCache.txt" ] ||
  CC=clang CXX=clang++ nice -n 19 cmake -S "$root" -B "$build" -DVEXMOTH_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug
nice -n 19 cmake --build "$build" --target "$target" -j2
fuzzer=$build/tests/fuzz/$target
scratch=$build/tests/fuzz/campaign/$target-$(date +%Y%m%d-%H%M%S)
mkdir -p "$scratch/new" "$scratch/artifacts" "$corpus"
before=$(ls "$corpus" | wc -l)
nice -n 19 "$fuzzer" -max_total_time="$2" -timeout=30 -print_final_stats=1 -artifact_prefix="$scratch/artifacts/" \
  "$scratch/new" "$corpus" || { echo "$0: $target failed; the input is in $scratch/artifacts: $(ls "$scratch/artifacts")" >&2; exit 1; }
nice -n 19 "$fuzzer" -merge=1 -use_counters=0 "$corpus" "$scratch/new"
echo "$target: corpus $before -> $(ls "$corpus" | wc -l) files"
[ "$(ls "$corpus" | wc -l)" -le 200 ] || echo "$0: the corpus of $target has more than 200 files; minimise it" >&2
