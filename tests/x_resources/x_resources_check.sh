#!/usr/bin/env bash
# What the program holds in the X server stays what it held after its first frames: windowed, on
# both X paths, through 20 resizes and an Expose (another window over it and away), the counts of
# its windows, pixmaps, GCs, shared-memory segments and Present event selections (X-Resource, read
# by x_resources), and the segments it has attached itself, are those it had at the start. After Present fell back to shared memory (an X
# proxy hiding Present's events), it holds what a run on shared memory from the start holds: the
# Present pixmaps are gone. Skipped (exit 77) where Xvfb, xdotool or xmessage is missing.
set -uo pipefail
program="$1" counter="$2"
here="$(cd "$(dirname "$0")" && pwd)"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xmessage >/dev/null ||
  { echo "SKIP: Xvfb, xdotool or xmessage missing"; exit 77; }
source "$here/../xvfb.sh"
work="$(mktemp -d)"
hider=""
trap 'vh_kill; [ -z "$hider" ] || kill "$hider" 2>/dev/null; vh_stop_xvfb; rm -rf "$work"' EXIT
vh_start_xvfb 1024x768x24 || { echo "SKIP: Xvfb could not start"; exit 77; }
unset SDL_VIDEODRIVER
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # see xvfb_window.sh
server="$DISPLAY"
fail() { echo "FAIL: $*"; echo "--- the program's output:"; cat "$work/out"; exit 1; }

# held CLIENT [PID]: the counts that matter of the X client process CLIENT, and the shared-memory segments the
# program PID (CLIENT by default) has attached, one line.
held() {
  { DISPLAY="$server" timeout -k 5 30 "$counter" "$1" | grep -E '^(WINDOW|PIXMAP|GC|ShmSeg|PresentEvent) '
    echo "attached $(grep -c ' /SYSV' "/proc/${2:-$1}/maps")"; } | paste -sd' '
}
window=""
found() { window="$(xdotool search --name '^Vornhollow Test Program$' 2>/dev/null | head -1)" && [ -n "$window" ]; }
# start ARGS...: a checked windowed run that goes on until ended, once its window shows and has
# had a second of frames.
start() {
  rm -f "$work/trace"
  vh_start 300 "$work/out" "$work/out" "$program" --windowed --verify --frames 1000000000 --trace "$work/trace" "$@"
  vh_wait_for 60 found || fail "no window within 60 s"
  sleep 1
}
# settle: waits until 120 more frames have been shown, so that the window has been read back at its
# last size (its read image remade for it) however loaded the machine is.
settle() {
  local n
  n="$(grep -o '"type":"present","n":[0-9]*' "$work/trace" | tail -1 | grep -o '[0-9]*$')"
  vh_wait_for 120 grep -q "\"type\":\"present\",\"n\":$((n + 120))," "$work/trace" ||
    fail "no 120 frames within 120 s after frame $n"
}
stop() { kill -TERM "$vh_pid"; vh_finish >/dev/null; }

for path in present xshm; do
  start --present "$path"
  before="$(held "$vh_pid")"
  [ -n "$before" ] || fail "$path: nothing counted for the program"
  for i in $(seq 1 20); do
    xdotool windowsize "$window" $((400 + i * 17)) $((300 + i * 11))
    sleep 0.1
  done
  timeout 60 xmessage -geometry 300x200+0+0 -title cover "over the program's window" >/dev/null 2>&1 &
  cover=$!
  sleep 1
  kill "$cover"
  wait "$cover" 2>/dev/null
  settle
  after="$(held "$vh_pid")"
  stop
  [ "$after" = "$before" ] || fail "$path: held $before after the first frames, $after after 20 resizes and an Expose"
  echo "ok: $path: $after, the same after 20 resizes and an Expose"
  [ "$path" = xshm ] && shm="$before"
done

# Present without its events: the proxy is the server's client, so its own count is the program's.
timeout -k 10 300 python3 "$here/../x_hide_extension.py" --present-silent >"$work/display" &
hider=$!
vh_wait_for 60 test -s "$work/display" || fail "the proxy gave no display"
DISPLAY=":$(cat "$work/display")" start --present present
fell() { grep -q "from frame [0-9]* on, paced by a clock" "$work/out"; }
vh_wait_for 60 fell || fail "shared memory did not take over within 60 s"
sleep 1
after="$(held "$(pgrep -P "$hider" | head -1)" "$vh_pid")"  # the proxy itself, not its timeout
stop
[ "$after" = "$shm" ] || fail "after the fall-back: held $after, not $shm as on shared memory from the start"
echo "ok: after Present fell back to shared memory: $after, as on shared memory from the start"
