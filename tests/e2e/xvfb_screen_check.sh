#!/usr/bin/env bash
# The screen check under an X server, through both X paths (Present pixmaps and shared-memory
# images), full screen at 1280x1024 (the picture scaled, with bars) and in a window resized to
# 800x500 once it shows (bars at the sides): a clean lockstep run has its frames read back from the
# window and exact; each presenter fault planted (a flip not taken, 5-6-5 widened without its low
# bits, red and blue swapped, a column map off by one, bars not black) makes the run end with 3,
# naming the window. Skipped (exit 77) where Xvfb or xdotool is missing.
set -uo pipefail
program="$1" planted="$2"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "SKIP: Xvfb or xdotool missing"; exit 77; }
source "$(dirname "$0")/../xvfb.sh"
work="$(mktemp -d)"
trap 'vh_kill; vh_stop_xvfb; rm -rf "$work"' EXIT
vh_start_xvfb 1280x1024x24 || { echo "SKIP: Xvfb could not start"; exit 77; }
unset SDL_VIDEODRIVER
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # see xvfb_window.sh
cd "$work"  # the images of a difference are written here
fail() { echo "FAIL: $*"; echo "--- the program's output:"; cat "$work/out"; exit 1; }

# run MODE PROGRAM ARGS...: full screen, or windowed with the window resized as soon as it shows.
# A clean cycle reads back 297 frames of 1280x1024: a minute under a sanitizer, so a longer bound.
run() {
  local mode="$1" window=""
  shift
  if [ "$mode" = full ]; then
    vh_run 300 "$work/out" "$work/out" "$@"
    return
  fi
  vh_start 300 "$work/out" "$work/out" "$@" --windowed
  found() { window="$(xdotool search --name '^Vornhollow Test Program$' 2>/dev/null | head -1)" && [ -n "$window" ]; }
  vh_wait_for 60 found || fail "no window within 60 s"
  xdotool windowsize "$window" 800 500
  vh_finish
}

for mode in full windowed; do
  for path in present xshm; do
    run "$mode" "$program" --verify --lockstep --present "$path"
    code=$?
    [ "$code" -eq 0 ] || fail "clean $mode run through $path: exit code $code"
    # A resize may leave a frame or two unread (at most 1% may be).
    grep -Eq "verified: all 297 frames exact; screen: 297 frames checked on the primary surface, [0-9]+ in the window(, [0-9]+ not read there \([^)]*\))?$" \
      "$work/out" || fail "clean $mode run through $path: not exact in the window"
  done
  for fault in flip-not-taken low-bits-lost red-blue-swapped columns-off-by-one bars-not-black; do
    for path in present xshm; do
      # Full screen, the fault shows from frame 1 (every tenth frame for a flip not taken); a window
      # shows the bars only once resized.
      frames=20
      [ "$mode" = full ] || frames=120
      VH_PLANTED_FAULT="$fault" run "$mode" "$planted" --verify --lockstep --frames "$frames" --present "$path"
      code=$?
      [ "$code" -eq 3 ] || fail "$fault, $mode, through $path: exit code $code, not 3"
      grep -Eq "verified: [0-9]+ of $frames frames differ \(first: frame [0-9]+, the screen, .* in the window(, [0-9]+ not read there \([^)]*\))?, [0-9]+ differ$" \
        "$work/out" || fail "$fault, $mode, through $path: the window's difference not named"
    done
  done
done
echo "xvfb screen check: clean runs exact in the window, full screen and windowed, through Present and shared memory;" \
  "5 planted faults caught in each of the four"
