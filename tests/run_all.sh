#!/usr/bin/env bash
# The whole test suite: the Release build and its tests; the same with the address and undefined-behaviour
# sanitizers (a short soak instead of the xboard games); the WebAssembly build with its page in a browser; the
# threaded tests under the thread sanitizer and the libFuzzer targets, on clang builds. Steps whose tools the
# machine lacks say so and are skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

suite() {  # suite BUILD_DIR [CMAKE_OPTIONS...]: configure, build, test
  cmake -S . -B "$1" "${@:2}"
  cmake --build "$1" -j2
  ctest --test-dir "$1" --output-on-failure ${tests:+-R "$tests"}
}
suite build -DCMAKE_BUILD_TYPE=Release
suite build-san -DCMAKE_BUILD_TYPE=Debug -DVEXMOTH_SANITIZE=ON
# The WebAssembly build (emscripten): the tool's signatures under node and the page in headless Chromium.
if command -v emcmake >/dev/null; then
  web/build.sh build-web
  ctest --test-dir build-web --output-on-failure
else
  echo "run_all: emscripten is not installed: the WebAssembly build and the browser test are skipped" >&2
fi
if ! command -v clang++ >/dev/null; then
  echo "run_all: clang++ is not installed: the thread sanitizer build and the fuzz targets are skipped" >&2
  exit 0
fi
export CC=clang CXX=clang++ TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp"
tests=Threads suite build-tsan -DCMAKE_BUILD_TYPE=Debug -DVEXMOTH_THREAD_SANITIZE=ON
if ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  suite build-fuzz -DVEXMOTH_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug
else
  echo "run_all: clang's libFuzzer is not installed: fuzz targets skipped" >&2
fi
