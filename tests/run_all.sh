#!/usr/bin/env bash
# The whole test suite: the Release build and its tests; the same tests, the
# protocol fuzzer and a short soak in xboard on a build with the address and
# undefined-behaviour sanitizers (any report fails); the threaded tests on a
# clang build with the thread sanitizer; the libFuzzer targets for a short
# fixed time on a clang build. Steps whose tools the machine lacks (xboard,
# Fairy-Max, clang with libFuzzer) say so and are skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
ctest --test-dir build --output-on-failure

cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DVEXMOTH_SANITIZE=ON
cmake --build build-san -j2
ctest --test-dir build-san --output-on-failure

if command -v clang++ >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DVEXMOTH_THREAD_SANITIZE=ON
  cmake --build build-tsan -j2
  TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
    ctest --test-dir build-tsan --output-on-failure -R Threads
else
  echo "run_all: clang++ is not installed: the thread sanitizer build is skipped" >&2
fi

fuzzer_runtime=$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null | head -n 1 || true)
if command -v clang++ >/dev/null && [ -n "$fuzzer_runtime" ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVEXMOTH_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug
  cmake --build build-fuzz -j2
  ctest --test-dir build-fuzz --output-on-failure
else
  echo "run_all: clang++ with libFuzzer is not installed: fuzz targets skipped" >&2
fi
