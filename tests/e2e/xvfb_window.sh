#!/usr/bin/env bash
# The real program under an X server: a full-screen window with the right title, in the screen's own
# visual (the one X draws fastest), and F12 ends it with exit code 0. Skipped (exit 77) where Xvfb cannot start.
set -uo pipefail
program="$1"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "SKIP: Xvfb or xdotool missing"; exit 77; }
source "$(dirname "$0")/../xvfb.sh"
out="$(mktemp)" trace="$(mktemp)"
trap 'vh_kill; vh_stop_xvfb; rm -f "$out" "$trace"' EXIT
vh_start_xvfb 1024x768x24 || { echo "SKIP: Xvfb could not start"; exit 77; }
fail() { echo "FAIL: $*"; echo "--- the program's output:"; cat "$out"; exit 1; }

unset SDL_VIDEODRIVER
# The X display path loads libraries (D-Bus, GL drivers) that keep allocations at exit; leaks of
# our own code are checked by the unit tests and the offscreen run.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
vh_start 120 "$out" "$out" "$program"
window=""
find_window() { window="$(xdotool search --name '^Vornhollow Test Program$' 2>/dev/null | head -1)" && [ -n "$window" ]; }
vh_wait_for 60 find_window || fail "no window titled 'Vornhollow Test Program' within 60 s"
geometry="$(xdotool getwindowgeometry "$window")"
echo "$geometry" | grep -q "1024x768" || fail "not full screen: $geometry"
visual="$(xwininfo -id "$window" | sed -n 's/.*Visual: //p')" screen="$(xdpyinfo | sed -n 's/.*default visual id: *//p')"
[ -n "$visual" ] && [ "$visual" = "$screen" ] || fail "the window's visual $visual is not the screen's default $screen"
sleep 1
vh_running || fail "the program ended by itself"
xdotool key F12
ended() { ! vh_running; }
vh_wait_for 60 ended || fail "F12 did not end the program within 60 s"
vh_finish; code=$?
[ "$code" -eq 0 ] || fail "exit code $code"

# A windowed lockstep run, 640x480: one cycle of the scene, every frame compared with the
# program's own re-drawing, on the primary surface and as read back from the window.
vh_start 120 "$out" "$out" "$program" --windowed --verify --lockstep --trace "$trace"
vh_wait_for 60 find_window || fail "no window for the windowed run within 60 s"
windowed="$(xdotool getwindowgeometry "$window")"
echo "$windowed" | grep -q "Geometry: 640x480" || fail "the windowed run's window is not 640x480: $windowed"
vh_finish; code=$?
[ "$code" -eq 0 ] || fail "verified windowed run: exit code $code"
grep -q "verified: all 297 frames exact; screen: 297 frames checked on the primary surface, 297 in the window$" "$out" ||
  fail "verified windowed run"
echo "xvfb window end-to-end: passed ($geometry; a verified windowed 640x480 lockstep cycle exact in the window)"
