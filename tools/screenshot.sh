#!/usr/bin/env bash
# Starts the window under Xvfb on a screen of the given size, types a few commands into the
# console (results, a job, a dump) and saves two screenshots of the whole screen, before the
# dump (OUTPUT-main.png) and with the binary display open (OUTPUT.png):
#   tools/screenshot.sh [BUILD_DIR] [OUTPUT.png] [WIDTHxHEIGHT]
# The main window takes the left part of the screen as a user would place it; the binary
# display then opens beside it or cascaded over it. Needs Xvfb, xdotool and ImageMagick's
# import (see dev.sh).
set -euo pipefail
BUILD=$(realpath "${1:-build}")
OUT=$(realpath -m "${2:-vorpex-window.png}")
SCREEN=${3:-1366x768}
WIDTH=${SCREEN%x*}
HEIGHT=${SCREEN#*x}
DISPLAY_NUM=:97

Xvfb "$DISPLAY_NUM" -screen 0 "${SCREEN}x24" -nolisten tcp &
XVFB=$!
VORPEX=""
WORK=$(mktemp -d)
cleanup() {
  [ -n "$VORPEX" ] && kill "$VORPEX" 2>/dev/null || true
  kill "$XVFB" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
export DISPLAY=$DISPLAY_NUM
unset QT_QPA_PLATFORM
sleep 1

cd "$WORK"
printf 'Vorpex binary display sample\n' > sample.bin
"$BUILD/vorpex" --trace "$WORK/DataTrace.txt" &
VORPEX=$!
WIN=""
for _ in $(seq 50); do
  WIN=$(xdotool search --name "Vorpex Version 0.9" 2>/dev/null | head -n 1 || true)
  [ -n "$WIN" ] && break
  sleep 0.2
done
[ -n "$WIN" ] || { echo "window did not open" >&2; exit 1; }
xdotool windowmove "$WIN" 0 0 windowsize "$WIN" $((WIDTH * 55 / 100)) $((HEIGHT * 9 / 10))
sleep 0.5
xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus "$WIN"
enter() {
  xdotool type --delay 20 "$1"
  xdotool key Return
  sleep 0.6
}
for line in 'AddInt(1, 2)' 'GetNapier(60)' 'SetString("abc")' 'Foo(1)' \
  'ListUpFunc("Get*Size")' 'MakeFileCRC("sample.bin")'; do
  enter "$line"
done
xdotool key Num_Lock  # the status bar's indicator shows it
sleep 1
import -window root "${OUT%.png}-main.png"
xdotool key Num_Lock
enter 'DumpFile("sample.bin")'
sleep 1
import -window root "$OUT"
echo "saved ${OUT%.png}-main.png and $OUT"
