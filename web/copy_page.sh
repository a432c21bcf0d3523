#!/usr/bin/env bash
# Lays out the page in BUILD_DIR/page, the folder a static file server serves: the page's own files
# (web/page), the engine built in BUILD_DIR, the parts of the npm packages the page loads (web/node_modules,
# from `npm ci` in web/) and the licences of everything in it. Nothing is fetched when the page runs.
# Usage: copy_page.sh BUILD_DIR
set -euo pipefail
web=$(cd "$(dirname "$0")" && pwd)
build=$1
modules=$web/node_modules
if [ ! -d "$modules/cm-chessboard" ] || [ ! -d "$modules/chess.js" ]; then
  echo "copy_page: $modules lacks cm-chessboard or chess.js: run 'npm ci' in $web first" >&2
  exit 1
fi
page=$build/page
rm -rf "$page"
mkdir -p "$page/engine" "$page/lib/chess.js" "$page/lib/cm-chessboard" "$page/licenses" \
         "$page/assets/pieces" "$page/assets/extensions/markers" "$page/assets/extensions/promotion-dialog"
cp "$web"/page/*.html "$web"/page/*.js "$web"/page/*.css "$page/"
cp "$build/vexmoth-uci.js" "$build/vexmoth-uci.wasm" "$page/engine/"
cp "$modules/chess.js/dist/esm/chess.js" "$page/lib/chess.js/"
cp -r "$modules/cm-chessboard/src" "$page/lib/cm-chessboard/"
board_assets=$modules/cm-chessboard/assets
cp "$board_assets/chessboard.css" "$page/assets/"
cp "$board_assets/pieces/standard.svg" "$page/assets/pieces/"
cp "$board_assets"/extensions/markers/markers.{css,svg} "$page/assets/extensions/markers/"
cp "$board_assets/extensions/promotion-dialog/promotion-dialog.css" "$page/assets/extensions/promotion-dialog/"
cp "$web/../LICENSE" "$page/licenses/vexmoth.txt"
cp "$modules/cm-chessboard/LICENSE" "$page/licenses/cm-chessboard.txt"
cp "$modules/chess.js/LICENSE" "$page/licenses/chess.js.txt"
