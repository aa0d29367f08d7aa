#!/usr/bin/env bash
# The Windows build in a real Win32 window, under Wine on Xvfb: the window
# opens at 1280x800 and shows the picture, a second copy ends at once with 0,
# F5 to F10 each switch to a mode that looks different, and Escape quits
# with exit code 0.
# Usage: win32_window_smoke.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(realpath -m "$2")
wine=${WINE:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=-all WINEPREFIX="$build/wineprefix"
rm -rf "$work" && mkdir -p "$work"
"$wine" "$build/tools/tavu-demo-data.exe" "$work/demo" >/dev/null
# A Wine session started without a display (the headless runs) would lend
# the window its idea of the screen: wait for it to end, start afresh.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true

display=:$((50 + RANDOM % 50))
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
editor=
cleanup() {
  [ -n "$editor" ] && kill "$editor" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1

fail() { echo "FAIL: $*"; exit 1; }
# xdotool itself sometimes reports X_SendEvent errors and exits 1.
key() { xdotool key "$@" 2>/dev/null || true; sleep 0.7; }
# The window's pixels as a digest, and how many colours they have.
shot() { import -window root -crop 1280x800+160+100 +repage "$work/$1.png"; }
digest() { convert "$work/$1.png" rgb:- | md5sum | cut -d' ' -f1; }
colours() { convert "$work/$1.png" -format '%k' info:; }

"$wine" "$build/tavu-editor.exe" --dir "$work/demo" &
editor=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --name '^TAVU Picture Editor$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window"
sleep 1.5
geometry=$(xdotool getwindowgeometry "$window")
echo "$geometry" | grep -q 'Geometry: 1280x800' || fail "window is not 1280x800: $geometry"
echo "$geometry" | grep -q 'Position: 160,100' || fail "window is not centred: $geometry"
second=0
timeout 20 "$wine" "$build/tavu-editor.exe" --dir "$work/demo" || second=$?
[ "$second" -eq 0 ] || fail "a second copy ended with $second"
[ "$(xdotool search --name '^TAVU Picture Editor$' 2>/dev/null | wc -l)" -eq 1 ] ||
  fail "a second window opened"
xdotool windowactivate "$window" 2>/dev/null || true
sleep 0.3

shot start
[ "$(colours start)" -gt 2 ] || fail "the window shows no picture"
previous=$(digest start)
for f in F6 F7 F8 F9 F10 F5; do
  key "$f"
  shot "$f"
  now=$(digest "$f")
  [ "$now" != "$previous" ] || fail "$f changed nothing on screen"
  [ "$(colours "$f")" -gt 1 ] || fail "$f shows a blank window"
  previous=$now
done

key Escape
for _ in $(seq 50); do kill -0 "$editor" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$editor" || status=$?
editor=
[ "$status" -eq 0 ] || fail "exit code $status after Escape"
echo "Win32 window smoke test: 1 passed, 0 failed"
