#!/usr/bin/env bash
# Starts the window under Xvfb, types a few commands into the console and saves a
# screenshot of the screen: tools/screenshot.sh [BUILD_DIR] [OUTPUT.png]
# Needs Xvfb, xdotool and ImageMagick's import (apt-get install xvfb xdotool imagemagick).
set -euo pipefail
BUILD=$(realpath "${1:-build}")
OUT=$(realpath -m "${2:-vorpex-window.png}")
DISPLAY_NUM=:97

Xvfb "$DISPLAY_NUM" -screen 0 1280x800x24 -nolisten tcp &
XVFB=$!
VORPEX=""
cleanup() {
  [ -n "$VORPEX" ] && kill "$VORPEX" 2>/dev/null || true
  kill "$XVFB" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$DISPLAY_NUM
unset QT_QPA_PLATFORM
sleep 1

WORK=$(mktemp -d)
cd "$WORK"
printf 'Vorpex binary display sample\n' > sample.bin
"$BUILD/vorpex" --trace "$WORK/DataTrace.txt" &
VORPEX=$!
for _ in $(seq 50); do
  WIN=$(xdotool search --name "Vorpex Version 0.9" 2>/dev/null | head -n 1 || true)
  [ -n "$WIN" ] && break
  sleep 0.2
done
[ -n "$WIN" ] || { echo "window did not open" >&2; exit 1; }
xdotool windowmove "$WIN" 0 0 windowsize "$WIN" 800 600
sleep 0.5
xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus "$WIN"
for line in 'AddInt(1, 2)' 'GetResultData()' 'SetString("abc")' 'Foo(1)' \
  'ListUpFunc("Get*Size")' 'DumpFile("sample.bin")'; do
  xdotool type --delay 20 "$line"
  xdotool key Return
  sleep 0.4
done
sleep 1
import -window root "$OUT"
echo "saved $OUT"
