#!/usr/bin/env bash
# An X server whose Present never says when a frame was shown or a pixmap is free (its Complete and
# Idle events dropped by x_hide_extension.py --present-silent): a vsync'd run of 120 frames does
# not wait out each frame, but goes over to shared-memory images paced by a clock, says so once,
# and ends within seconds (it took 2 s a frame when every wait ran its full bound). Each frame
# presented before counts as missed in the summary and the trace. Shared memory taking over a window
# already shown still reads it back: a windowed lockstep check ends exact, and, with another window
# raised over it, incomplete for the window being covered. The frames shown before the change were
# never read from the window: they count as not read, so the checked run is long enough for them
# to stay under the 1% allowed. Skipped (exit 77) where Xvfb, xdotool
# or xmessage is missing.
set -uo pipefail
program="$1"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xmessage >/dev/null ||
  { echo "SKIP: Xvfb, xdotool or xmessage missing"; exit 77; }
work="$(mktemp -d)"
hider="" cover=""
trap 'vh_kill; kill $hider $cover 2>/dev/null; vh_stop_xvfb; rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # see xvfb_window.sh
fail() { echo "FAIL: $*"; cat "$work/out" "$work/err" 2>/dev/null; exit 1; }

source "$(dirname "$0")/../xvfb.sh"
vh_start_xvfb 640x480x24 || { echo "SKIP: Xvfb could not start"; exit 77; }
timeout -k 10 300 python3 "$(dirname "$0")/../x_hide_extension.py" --present-silent >"$work/display" &
hider=$!
vh_wait_for 60 test -s "$work/display" || fail "the proxy gave no display"

DISPLAY=":$(cat "$work/display")" vh_run 60 "$work/out" "$work/err" "$program" --frames 120 --trace "$work/trace" ||
  fail "the run failed or did not end within 60 s"
said=$(grep -c "paced by a clock, may tear (60 Hz; the X server did not say when any of the last" "$work/err")
[ "$said" = 1 ] || fail "the change of path was said $said times, not once"
from=$(sed -n 's/.*through shared memory (MIT-SHM) from frame \([0-9]*\) on, paced by a clock.*/\1/p' "$work/err")
[ -n "$from" ] || fail "no frame from which shared memory took over"
seconds=$(sed -n 's/^vornhollow: 120 frames in \([0-9.]*\) s = .*, 0 frames on 0 blanks, \([0-9]*\) missed, .*/\1 \2/p' \
  "$work/out")
[ -n "$seconds" ] || fail "the summary does not count 120 frames, none seen at a blank"
set -- $seconds
# Those presented before the change, and only those, went unseen.
unseen=$(grep -c '"type":"unseen"' "$work/trace")
[ "$2" = $((from - 1)) ] && [ "$unseen" = "$2" ] || fail "$2 missed and $unseen unseen, not the $((from - 1)) before frame $from"
# The frames before the change take some 2 s; the rest go at 60 Hz.
awk -v s="$1" 'BEGIN { exit !(s <= 20) }' || fail "120 frames took $1 s"

proxied=":$(cat "$work/display")"
DISPLAY="$proxied" vh_run 600 "$work/out" "$work/err" "$program" --windowed --verify --lockstep --frames 2400 ||
  fail "checked run: exit $?"
grep -q "from frame [0-9]* on, paced by a clock" "$work/err" || fail "checked run: shared memory did not take over"
grep -Eq "verified: all 2400 frames exact; screen: 2400 frames checked on the primary surface, [1-9][0-9]* in the window, [1-9][0-9]? not read there \(shown, but never read\)$" \
  "$work/out" || fail "checked run: not exact in the window"

# The same with another window raised over the checked one before shared memory takes over.
# The cover is a plain X client (not this program, whose renderer path a sanitizer build may end).
shown() { xdotool search --name "^$1\$" 2>/dev/null | head -1; }
timeout -k 10 120 xmessage -geometry 700x540+0+0 -title cover "over the checked window" >/dev/null 2>&1 &
cover=$!
has() { [ -n "$(shown "$1")" ]; }
vh_wait_for 60 has cover || fail "no covering window within 60 s"
over="$(shown cover)"
DISPLAY="$proxied" vh_start 60 "$work/out" "$work/err" "$program" --windowed --verify --lockstep
vh_wait_for 60 has 'Vornhollow Test Program' || fail "no checked window within 60 s"
# Raised again and again: the checked window may come up over it once more while it starts.
( while kill -0 "$vh_pid" 2>/dev/null; do xdotool windowraise "$over" 2>/dev/null; sleep 0.5; done ) &
raiser=$!
vh_finish
code=$?
kill "$raiser" 2>/dev/null
[ "$code" = 4 ] && grep -Eq "(the window not read back|not read there) \(the window is covered or not mapped\)" "$work/out" ||
  fail "covered run: exit $code, not 4 for a covered window"
echo "xvfb present without events: 120 frames in $1 s, shared memory from frame $from on; the window read back after," \
  "and not while covered: passed"
