#!/usr/bin/env bash
# The WebAssembly build searches the same tree as the native one: the developer tool under node gives the
# native bench signatures and passes the perft suite. Usage: wasm_tool_test.sh BUILD_DIR (skipped, 77,
# without node).
set -uo pipefail
build=$1
data=$(cd "$(dirname "$0")/../../tests/data" && pwd)
command -v node >/dev/null || { echo "wasm_tool_test: node is not installed: skipped"; exit 77; }
tool=(node "$build/vexmoth-tool.js")
status=0
for bench in "1 11474" "6 7203610"; do
  depth=${bench% *} nodes=${bench#* }
  got=$("${tool[@]}" bench "$depth" | sed -n 's/^Nodes searched: //p')
  [ "$got" = "$nodes" ] && echo "ok   bench $depth: $got nodes" ||
    { echo "FAIL bench $depth: $got nodes, the native build's signature is $nodes"; status=1; }
done
"${tool[@]}" perft-suite "$data/perft.epd" | tail -1
[ "${PIPESTATUS[0]}" = 0 ] || { echo "FAIL perft-suite"; status=1; }
exit $status
