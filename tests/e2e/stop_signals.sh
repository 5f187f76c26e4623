#!/usr/bin/env bash
# Stop signals end a run in order in every mode, as Escape does (screenshot, summary after a bounded
# run, exit 0); a second signal ends it at once; an X server that goes away ends it with our own
# message and exit 1; a signal while a message box is up closes the box as its OK button would,
# and the program goes on from there (a failed start-up: exit 0). Nothing may hang, and what was
# written stays valid. The rows under X are skipped (exit 77 at the end) where Xvfb cannot start.
# (The runs go through timeout, which lets them take SIGINT as a foreground run does: a background
# run of a shell without job control would ignore it.) An X server that stops answering but keeps
# the connection (the proxy x_hide_extension.py told to stall) ends the run the same way, within
# seconds, through either X path.
set -uo pipefail
program="$1"
check="$(cd "$(dirname "$0")" && pwd)/check_outputs.py"
work="$(mktemp -d)"
xvfb="" proxy=""
trap 'vh_kill; kill $proxy 2>/dev/null; vh_stop_xvfb; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" # X and GL libraries keep allocations at exit
unset SDL_VIDEODRIVER
# Mesa's software GL races inside itself under ThreadSanitizer; SDL's software renderer on a plain
# window framebuffer keeps GL out of these runs. Signals and a lost X server do not depend on it.
export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0

source "$(dirname "$0")/../xvfb.sh"
start_x() { command -v Xvfb >/dev/null && command -v xdpyinfo >/dev/null && vh_start_xvfb 800x600x24 && xvfb=1; }

# Through the proxy: sets display to the display it gives.
start_proxy() {
  rm -f "$work/proxy"
  timeout -k 10 300 python3 "$(dirname "$check")/../x_hide_extension.py" >"$work/proxy" &
  proxy=$!
  vh_wait_for 60 test -s "$work/proxy" || fail "the proxy gave no display"
  display=":$(cat "$work/proxy")"
}
stalled="^vornhollow: the display stopped answering \(no reply to [A-Za-z]+ within 1 s\)$"

# mode (x: under Xvfb, xproxy: through the proxy) | what ends the run | exit code | the stderr line
# expected (regex) | arguments
cases=(
  "--offscreen|INT|0||--frames 100000 --screenshot s.png"
  "--offscreen|TERM|0||--screenshot s.png"
  "--offscreen|HUP|0||--frames 100000"
  "--offscreen|TERM INT|130 143||"
  "x|INT|0||--frames 100000 --screenshot s.png"
  "x|TERM|0||"
  "x --windowed|HUP|0||--frames 100000 --screenshot s.png"
  "x|the X server dies|1|^vornhollow: the display went away$|--frames 100000 --screenshot s.png"
  "xproxy|the X server stops answering|1|$stalled|--frames 100000 --screenshot s.png"
  "xproxy --windowed --present xshm|the X server stops answering|1|$stalled|--frames 100000 --screenshot s.png"
  "x|box TERM|0|^Fatal Error: Error!$|--vram-kb 1000"
  "x --windowed|box INT|0|^Fatal Error: Error!$|--vram-kb 1000"
  "x|box HUP|0|^Fatal Error: Error!$|--vram-kb 1000"
)
# How long a run may take to end after its signal: a hang guard for a loaded machine. The closing
# note reports how long it really took.
end_within=30
skipped=""
for row in "${cases[@]}"; do
  IFS='|' read -r mode ending codes message args <<<"$row"
  rm -rf "$work/run" && mkdir "$work/run" && cd "$work/run" || fail "no work folder"
  if [[ "$mode" == x* ]]; then
    [ -n "$xvfb" ] || start_x || { skipped="x"; continue; }
    mode="${mode#x}"
  fi
  display="${DISPLAY:-}"
  [[ "$mode" != proxy* ]] || { start_proxy; mode="${mode#proxy}"; }
  expects_box=""
  [[ "$ending" != box* ]] || expects_box=--box
  # shellcheck disable=SC2086
  DISPLAY="$display" vh_start $expects_box 180 out err "$program" $mode --trace t.jsonl $args
  pid=$vh_pid
  if [[ "$ending" == box* ]]; then
    # SDL shows its box from a child process: the box is up once that child exists.
    box_up() { pgrep -P "$pid" >/dev/null; }
    vh_wait_for 60 box_up || fail "$ending: no box within 60 s: $(cat err)"
    sleep 0.5
    ending="${ending#box }"
  else
    presented() { grep -q '"present"' t.jsonl 2>/dev/null; }
    vh_wait_for 60 presented || fail "$ending: no frame presented within 60 s: $(cat err)"
  fi
  signalled=$SECONDS
  if [ "$ending" = "the X server dies" ]; then
    kill -9 "$vh_xvfb_pid" && vh_stop_xvfb && xvfb=""
  elif [ "$ending" = "the X server stops answering" ]; then
    kill -s USR1 "$(pgrep -P "$proxy")"
  else
    # Two signals arrive together: the run is held while both are sent, so the first cannot end it
    # before the second comes.
    [[ "$ending" != *" "* ]] || kill -s STOP "$pid"
    for signal in $ending; do kill -s "$signal" "$pid"; done
    [[ "$ending" != *" "* ]] || kill -s CONT "$pid"
  fi
  ended() { ! vh_running; }
  vh_wait_for "$end_within" ended || fail "$mode $ending: still running $end_within s later: $(cat err)"
  echo "$mode $ending $args: ended within $((SECONDS - signalled)) s"
  vh_finish
  code=$?
  [[ " $codes " == *" $code "* ]] || fail "$mode $ending: exit code $code, not $codes: $(cat err)"
  # Notes the run gives on every start: the vsync bound, the timer's priority, the present path;
  # and the rest of the box's text.
  grep -vE "frame rate is bounded|the timer thread runs at|^vornhollow: frames go |^$|^Out of Video Memory.$|^CreateSurface failed for DirectDraw.$" err |
    grep -qvE "${message:-^$}" && fail "$mode $ending: stderr: $(cat err)"
  [ -z "$message" ] || grep -qE "$message" err || fail "$mode $ending: no '$message' in: $(cat err)"
  if [[ "$args" == *--frames* ]]; then
    grep -Eq '^vornhollow: [0-9]+ frames in .* vsync on$' out || fail "$mode $ending: summary: $(cat out)"
  else
    [ ! -s out ] || fail "$mode $ending: a summary without --frames: $(cat out)"
  fi
  [[ "$args" != *--screenshot* ]] || [ -s s.png ] || fail "$mode $ending: no screenshot"
  python3 "$check" . || fail "$mode $ending: what was written is not valid"
  [ -z "$proxy" ] || { kill "$proxy"; wait "$proxy"; proxy=""; }
done
[ -z "$skipped" ] || { echo "SKIP: Xvfb cannot start here; the offscreen cases passed"; exit 77; }
echo "stop signals end-to-end: passed"
