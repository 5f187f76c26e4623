#!/usr/bin/env bash
# The screen check under an X server, full screen at 1280x1024 (the picture scaled, with bars),
# through both X paths (Present pixmaps and shared-memory images): a clean lockstep run has every
# frame read back from the window and exact; each presenter fault planted (a flip not taken, 5-6-5
# widened without its low bits, red and blue swapped, a column map off by one, bars not black)
# makes the run end with 3, naming the window. Skipped (exit 77) where Xvfb cannot start.
set -uo pipefail
program="$1" planted="$2"
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb missing"; exit 77; }
source "$(dirname "$0")/../xvfb.sh"
work="$(mktemp -d)"
trap 'vh_kill; vh_stop_xvfb; rm -rf "$work"' EXIT
vh_start_xvfb 1280x1024x24 || { echo "SKIP: Xvfb could not start"; exit 77; }
unset SDL_VIDEODRIVER
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # see xvfb_window.sh
cd "$work"  # the images of a difference are written here
fail() { echo "FAIL: $*"; echo "--- the program's output:"; cat "$work/out"; exit 1; }

for path in present xshm; do
  vh_run 120 "$work/out" "$work/out" "$program" --verify --lockstep --present "$path"
  code=$?
  [ "$code" -eq 0 ] || fail "clean run through $path: exit code $code"
  grep -q "verified: all 297 frames exact; screen: 297 frames checked on the primary surface, 297 in the window$" \
    "$work/out" || fail "clean run through $path: not every frame exact in the window"
done

for fault in flip-not-taken low-bits-lost red-blue-swapped columns-off-by-one bars-not-black; do
  for path in present xshm; do
    VH_PLANTED_FAULT="$fault" vh_run 120 "$work/out" "$work/out" "$planted" --verify --lockstep --frames 20 \
      --present "$path"
    code=$?
    [ "$code" -eq 3 ] || fail "$fault through $path: exit code $code, not 3"
    grep -Eq "verified: [0-9]+ of 20 frames differ \(first: frame [0-9]+, the screen, .* 20 in the window, [0-9]+ differ$" \
      "$work/out" || fail "$fault through $path: the window's difference not named"
  done
done
echo "xvfb screen check: clean runs exact in the window through Present and shared memory; 5 planted faults caught on both"
