#!/usr/bin/env bash
# What reaches the X screen is the composed frame: on Xvfb screens of 16 and 24 bits at 640x480, and at 1280x1024 (the
# picture scaled twice, black bars above and below), and with 5-5-5 frames on the 5-6-5 screen and 5-6-5 frames on a
# 5-5-5 one (converted, never shown as they are), the program runs with --capture while the root window is read back
# with xwd; the screen must equal one of the frames captured around that moment, exactly in the screen's own pixel
# values, and the trace says how many pixels each frame wrote. Frames go through Present (the default with vsync),
# through the shared-memory images and, without MIT-SHM, through SDL's software renderer. Skipped (exit 77) where Xvfb
# cannot start.
set -uo pipefail
program="$1"
checker="$(dirname "$0")/screen_matches_frame.py"
command -v Xvfb >/dev/null && command -v xwd >/dev/null || { echo "SKIP: Xvfb or xwd missing"; exit 77; }
work="$(mktemp -d)"
trap 'vh_kill; vh_stop_xvfb; rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # see xvfb_window.sh

frame_file() { printf '%s/frames/frame-%06d.png' "$work" "$1"; }
captured() { ls "$work/frames" 2>/dev/null | wc -l; }

source "$(dirname "$0")/../xvfb.sh"
start_xvfb() { vh_start_xvfb "$@" || { echo "SKIP: Xvfb could not start"; exit 77; }; }

# Without MIT-SHM the run goes on through SDL's renderer, and says why when xshm was asked for.
# (SDL's software renderer: Mesa's threads would trip ThreadSanitizer in the sanitizer builds.)
export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0
# screen | the server's arguments | the program's | the path's line on stderr
for row in "640x480x16|||(Present)" "640x480x24|||(Present)" "1280x1024x24|||(Present)" \
           "640x480x16||--present xshm|shared memory (MIT-SHM)" "640x480x15||--present xshm|shared memory (MIT-SHM)" \
           "640x480x16||--pixel-format 555|(Present)" "640x480x16||--present xshm --pixel-format 555|shared memory (MIT-SHM)" \
           "640x480x16|-extension MIT-SHM|--present xshm|SDL's software renderer"; do
  IFS='|' read -r screen server args path <<<"$row"
  # shellcheck disable=SC2086
  start_xvfb "$screen" $server

  rm -rf "$work/frames" "$work/trace"
  # The run goes on until the screen has been read, then a stop signal ends it in order.
  # shellcheck disable=SC2086
  vh_start 120 "$work/out" "$work/out" "$program" $args --capture "$work/frames" --trace "$work/trace"
  five_captured() { [ "$(captured)" -ge 5 ] || ! vh_running; }
  vh_wait_for 60 five_captured && vh_running ||
    { echo "FAIL: $screen: no 5 frames within 60 s, or the program ended first"; vh_kill; cat "$work/out"; exit 1; }
  before=$(captured)
  xwd -root -silent >"$work/screen.xwd"
  after=$(captured)
  kill -TERM "$vh_pid"
  vh_finish || { echo "FAIL: $screen: the program failed"; cat "$work/out"; exit 1; }
  grep -qF "$path" "$work/out" || { echo "FAIL: $screen: frames did not go through $path"; cat "$work/out"; exit 1; }
  [ -z "$server" ] || grep -q "xshm is not possible here: the X display has no MIT-SHM" "$work/out" ||
    { echo "FAIL: without MIT-SHM, no word of why:"; cat "$work/out"; exit 1; }
  grep -q '"damage_px":' "$work/trace" || { echo "FAIL: $screen ($path): frames wrote no pixels"; cat "$work/out"; exit 1; }
  # A frame is captured once it is shown or queued: the screen shows one from before-1 to
  # after+1, most likely the last one captured when it was read.
  candidates=()
  for n in $before $(seq $((before + 1)) $((after + 1))) $((before - 1)); do
    [ -f "$(frame_file $n)" ] && candidates+=("$(frame_file $n)")
  done
  python3 "$checker" "$work/screen.xwd" "${candidates[@]}" || { echo "FAIL: $screen ($path): the screen is not a presented frame"; exit 1; }
  vh_stop_xvfb
done
echo "xvfb screen readback: passed"
