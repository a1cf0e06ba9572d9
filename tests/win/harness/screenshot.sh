#!/usr/bin/env bash
# Saves the session's whole screen as $SCREENSHOT_DIR/NAME.png and prints the path.
# usage: screenshot.sh NAME
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
mkdir -p "$SCREENSHOT_DIR"
out=$SCREENSHOT_DIR/$1.png
import -display "$DISPLAY" -window root "$out"
echo "$out"
