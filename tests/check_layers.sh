#!/usr/bin/env bash
# Fails when a source file includes a header from a layer above its own. Layers, bottom up: board <- eval <-
# search <- the front ends (xboard and uci), which stand side by side and never include each other.
cd "$(dirname "$0")/.."
status=0
for rule in "board:board" "eval:board eval" "search:board eval search" "xboard:board eval search xboard" \
            "uci:board eval search uci"; do
  layer=${rule%%:*} allowed=${rule#*:}
  while IFS=: read -r file line target; do
    [[ " $allowed " == *" $target "* ]] || { echo "$file:$line: $layer may include only: $allowed"; status=1; }
  done < <(grep -HnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]+/' "$layer"/*.h "$layer"/*.cpp 2>/dev/null |
           sed -E 's/:[^:]*"([a-z_]+)\/$/:\1/')
done
exit $status
