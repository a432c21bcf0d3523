#!/usr/bin/env bash
# A long fuzzing campaign for one target, merged into its committed corpus.
#
#   tests/fuzz/run.sh TARGET SECONDS
#
# TARGET is fuzz_fen, fuzz_user_move, fuzz_options or fuzz_level. The script
# configures build-fuzz (clang, VEXMOTH_FUZZ=ON, Debug) when it is missing and
# builds the target, all at the lowest priority; BUILD_DIR overrides the build
# directory. It then fuzzes for SECONDS from the committed corpus
# tests/fuzz/corpus/TARGET, writing new inputs to a scratch directory in the
# build tree, and finally merges (-merge=1) into the corpus only the scratch
# inputs that reach code edges the corpus does not reach yet (hit counts are
# not counted as new coverage there, which keeps the corpus small). A crash or
# sanitizer report stops the script before the merge and names the input.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SECONDS" >&2
  exit 2
fi
target=$1
seconds=$2
case $target in
  fuzz_fen|fuzz_user_move|fuzz_options|fuzz_level) ;;
  *) echo "$0: unknown target $target" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-fuzz}
corpus=$root/tests/fuzz/corpus/$target

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ nice -n 19 cmake -S "$root" -B "$build" -DVEXMOTH_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug
fi
nice -n 19 cmake --build "$build" --target "$target" -j2
fuzzer=$build/tests/fuzz/$target

scratch=$build/tests/fuzz/campaign/$target-$(date +%Y%m%d-%H%M%S)
mkdir -p "$scratch/new" "$scratch/artifacts" "$corpus"
before=$(ls "$corpus" | wc -l)

if ! nice -n 19 "$fuzzer" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
       -artifact_prefix="$scratch/artifacts/" "$scratch/new" "$corpus"; then
  echo "$0: $target failed; the input is in $scratch/artifacts:" >&2
  ls "$scratch/artifacts" >&2
  exit 1
fi

nice -n 19 "$fuzzer" -merge=1 -use_counters=0 "$corpus" "$scratch/new"
after=$(ls "$corpus" | wc -l)
echo "$target: corpus $before -> $after files"
if [ "$after" -gt 200 ]; then
  echo "$0: the corpus of $target has more than 200 files; minimise it" >&2
fi
