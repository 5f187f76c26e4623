#!/usr/bin/env bash
# With vsync, frames reach the X screen through Present, one per vertical blank: on Xvfb screens of
# 24 and 16 bits a 600-frame run shows every frame at a blank of its own, writing only part of the
# screen for most, and the trace and the summary say so (check_pacing.py), also across a resize,
# when the server's word on a frame comes after the wait for it ended, and without XFixes (frames
# then go whole). Without the Present extension (hidden by x_hide_extension.py: Xvfb cannot turn it
# off) the run says that it is paced by a clock and still runs. Skipped (exit 77) where Xvfb cannot start.
set -uo pipefail
program="$1"
checker="$(dirname "$0")/check_pacing.py"
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb missing"; exit 77; }
work="$(mktemp -d)"
hider=""
trap 'vh_kill; kill $hider 2>/dev/null; vh_stop_xvfb; rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # see xvfb_window.sh
fail() { echo "FAIL: $*"; cat "$work/out" "$work/err" 2>/dev/null; exit 1; }
load() { cut -d' ' -f1 /proc/loadavg; }

source "$(dirname "$0")/../xvfb.sh"
start_xvfb() { vh_start_xvfb "$@" || { echo "SKIP: Xvfb could not start"; exit 77; }; }

for screen in 640x480x24 640x480x16; do
  start_xvfb "$screen"
  before=$(load)
  vh_run 120 "$work/out" "$work/err" "$program" --frames 600 --trace "$work/trace" || fail "$screen: the run failed"
  grep -qF "(Present), each at a vertical blank: tear-free, sending what" "$work/err" || fail "$screen: not Present"
  highest=$(printf '%s\n' "$before" "$(load)" | sort -g | tail -1)
  python3 "$checker" "$work/trace" "$work/out" 600 "$highest" $((640 * 480)) || fail "$screen: the blanks were not met"
  vh_stop_xvfb
done

# Resized while frames are queued: the pixmaps are made anew and every frame is still shown, each
# at a blank of its own (the 1% bounds are not checked: the resize may cost a blank or two).
if command -v xdotool >/dev/null; then
  start_xvfb 1024x768x24
  rm -f "$work/trace"
  vh_start 120 "$work/out" "$work/err" "$program" --windowed --frames 240 --trace "$work/trace"
  vh_wait_for 60 grep -q '"shown"' "$work/trace" 2>/dev/null || fail "resized: no frame shown within 60 s"
  xdotool search --name '^Vornhollow Test Program$' windowsize 800 500 || fail "no window to resize"
  vh_finish || fail "resized: the run failed"
  python3 "$checker" "$work/trace" "$work/out" 240 - || fail "resized: not every frame was shown"
  vh_stop_xvfb
fi

# proxied WHAT ARG FRAMES: a traced run of FRAMES frames through x_hide_extension.py told ARG (the
# proxy before it ended first).
proxied() {
  [ -z "$hider" ] || { kill "$hider"; wait "$hider" 2>/dev/null; rm -f "$work/display"; }
  timeout -k 10 600 python3 "$(dirname "$0")/../x_hide_extension.py" "$2" >"$work/display" &
  hider=$!
  vh_wait_for 60 test -s "$work/display" || fail "$1: no display from the proxy"
  rm -f "$work/trace"
  DISPLAY=":$(cat "$work/display")" vh_run 120 "$work/out" "$work/err" "$program" --frames "$3" --trace "$work/trace" ||
    fail "$1: the run failed"
}

# Every 20th frame's word comes 0.5 s late, long after the wait for it ended: a late word is no lost
# frame, and every frame still counts as shown at the blank it was shown at.
start_xvfb 640x480x24
proxied "late words" --present-late 120
python3 "$checker" "$work/trace" "$work/out" 120 - || fail "late words: a frame was lost"

# Without XFixes there are no update regions: every frame goes whole, still through Present.
proxied "without XFixes" XFIXES 120
grep -qF "(Present), each at a vertical blank: tear-free, sending whole" "$work/err" || fail "without XFixes: not whole"
python3 "$checker" "$work/trace" "$work/out" 120 - || fail "without XFixes: a frame was lost"

proxied "without Present" Present 30
grep -qF "paced by a clock, may tear (60 Hz; the X display has no Present extension)" "$work/err" &&
  grep -q "^vornhollow: 30 frames in .*, 100 tiles, 5-6-5, vsync on$" "$work/out" || fail "without Present"
echo "xvfb present pacing: passed"
