#!/usr/bin/env bash
# The real program under an X server: a full-screen window with the right title, and F12 ends it
# with exit code 0. Skipped (exit 77) where Xvfb cannot start.
set -uo pipefail
program="$1"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "SKIP: Xvfb or xdotool missing"; exit 77; }
source "$(dirname "$0")/../xvfb.sh"
trap vh_stop_xvfb EXIT
vh_start_xvfb 1024x768x24 || { echo "SKIP: Xvfb could not start"; exit 77; }

unset SDL_VIDEODRIVER
# The X display path loads libraries (D-Bus, GL drivers) that keep allocations at exit; leaks of
# our own code are checked by the unit tests and the offscreen run.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
"$program" >/tmp/vh-xvfb-out.$$ 2>&1 &
pid=$!
window=""
for _ in $(seq 100); do
  window="$(xdotool search --name '^Vornhollow Test Program$' 2>/dev/null | head -1)"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window titled 'Vornhollow Test Program'"; cat /tmp/vh-xvfb-out.$$; kill $pid; exit 1; }
geometry="$(xdotool getwindowgeometry "$window")"
echo "$geometry" | grep -q "1024x768" || { echo "FAIL: not full screen: $geometry"; kill $pid; exit 1; }
sleep 1
kill -0 $pid 2>/dev/null || { echo "FAIL: the program ended by itself"; cat /tmp/vh-xvfb-out.$$; exit 1; }
xdotool key F12
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then echo "FAIL: F12 did not end the program"; kill $pid; exit 1; fi
wait $pid
code=$?
rm -f /tmp/vh-xvfb-out.$$
[ "$code" -eq 0 ] || { echo "FAIL: exit code $code"; exit 1; }
echo "xvfb window end-to-end: passed ($geometry)"
