#!/usr/bin/env bash
# Fails when a source file includes a header from a layer above its own.
# Layers, bottom up: board <- eval <- search <- the front ends (xboard and
# uci), which stand side by side and never include each other.
set -u
cd "$(dirname "$0")/.."
allowed() {
  case $1 in
    board) echo "board" ;;
    eval) echo "board eval" ;;
    search) echo "board eval search" ;;
    xboard) echo "board eval search xboard" ;;
    uci) echo "board eval search uci" ;;
  esac
}
status=0
for layer in board eval search xboard uci; do
  [ -d "$layer" ] || continue
  ok=$(allowed "$layer")
  for file in "$layer"/*.h "$layer"/*.cpp; do
    [ -e "$file" ] || continue
    while IFS= read -r line; do
      target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z_]+)\/.*/\1/' <<< "${line#*:}")
      case " $ok " in
        *" $target "*) ;;
        *) echo "$file:$line: $layer may include only: $ok"; status=1 ;;
      esac
    done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]+/' "$file")
  done
done
exit $status
