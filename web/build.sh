#!/usr/bin/env bash
# Builds the WebAssembly engine, the developer tool for node and the page into BUILD_DIR (default build-web),
# with Debian's emscripten; the page is then BUILD_DIR/page, to be served by any static file server.
# Usage: web/build.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-web}
[ -d web/node_modules/cm-chessboard ] || (cd web && npm ci --no-audit --no-fund)
emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j2
