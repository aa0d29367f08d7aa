#!/bin/sh
# Processor time of the real editor in a real window while an arrow is held
# in pitch mode (smooth scrolling at 70 frames a second), against the same
# editor idle in pitch mode and in sprite mode. Runs under Xvfb and sends the
# keys with xdotool; screenshots of the window (scrolled, edit grid with
# numbers, another pitch type, pattern mode zoomed) go to OUT if given.
#
#   bench/pitch_scroll_cpu.sh [BUILD_DIR] [SECONDS] [OUT]
set -eu
build=$(cd "${1:-build}" && pwd)
secs=${2:-10}
out=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/tavu-demo-data" "$work/demo" >/dev/null

cat >"$work/run.sh" <<'EOF'
set -eu
build=$1 secs=$2 out=$3 work=$4
cd "$work/demo"
"$build/tavu-editor" --dir "$work/demo" &
pid=$!
sleep 2
win=$(xdotool search --sync --pid "$pid" | head -n 1)
xdotool windowfocus --sync "$win" 2>/dev/null || true
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
measure() {  # label, then the command that keeps the editor busy for $secs
  label=$1; shift
  t0=$(ticks); s0=$(date +%s.%N)
  "$@"
  t1=$(ticks); s1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" -v s="$s0" -v e="$s1" -v hz="$hz" -v l="$label" \
    'BEGIN { printf "%-40s %5.1f%% of a core\n", l, 100 * (b - a) / hz / (e - s) }'
}
shot() {
  [ -n "$out" ] || return 0
  xwd -id "$win" -silent >"$out/$1.xwd"
  if command -v convert >/dev/null; then convert "$out/$1.xwd" "$out/$1.png" && rm "$out/$1.xwd"; fi
}
hold() {  # key, seconds
  xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"
}
back_and_forth() {
  half=$(awk -v s="$secs" 'BEGIN { print s / 4 }')
  hold Right "$half"; hold Down "$half"; hold Left "$half"; hold Up "$half"
}
measure "sprite mode, idle" sleep "$secs"
xdotool key F7; sleep 1
measure "pitch mode, no key held" sleep "$secs"
measure "pitch mode, arrows held (smooth scroll)" back_and_forth
xdotool keydown Right; sleep 0.4; shot scrolling; xdotool keyup Right
xdotool key ctrl+n ctrl+e; sleep 0.5; shot edit
xdotool key KP_Add KP_Add; sleep 0.3; shot wet
xdotool key F8 Down Down KP_Add KP_Add KP_Add KP_Add; sleep 0.3; shot pattern
xdotool key Escape 2>/dev/null || true
wait "$pid" || true
EOF
SDL_RENDER_DRIVER=${SDL_RENDER_DRIVER:-software} xvfb-run -a -s "-screen 0 1920x1080x24" \
  sh "$work/run.sh" "$build" "$secs" "$out" "$work"
