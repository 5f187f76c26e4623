#!/usr/bin/env bash
# The screen check under an X server, through both X paths (Present pixmaps and shared-memory
# images), full screen at 1366x768 (the picture scaled by 1.6, with bars) and in a window resized
# to 800x500 once it shows (bars at the sides): a clean lockstep run has its frames read back from
# the window and exact, also when the window's contents are lost midway (xrefresh exposes it: the
# whole picture is sent again); each presenter fault planted (a flip not taken, 5-6-5 widened
# without its low bits, red and blue swapped, a column map off by one, bars not black) and each
# damage fault (a Blt whose damage is not recorded, a scaled rectangle not widened, a damage ring
# one frame shorter than the pool, whose stale pixels show once the window is exposed) makes the
# run end with 3, naming the window. Skipped (exit 77) where Xvfb, xdotool or xrefresh is missing.
set -uo pipefail
program="$1" planted="$2"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xrefresh >/dev/null ||
  { echo "SKIP: Xvfb, xdotool or xrefresh missing"; exit 77; }
source "$(dirname "$0")/../xvfb.sh"
work="$(mktemp -d)"
trap 'vh_side_stop; rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # see xvfb_window.sh

# run MODE EXPOSE PROGRAM ARGS...: full screen, or windowed with the window resized as soon as it
# shows; with EXPOSE a frame number, every window is exposed (its contents lost) once the run's
# trace has that frame. A clean cycle reads back 297 frames of 1366x768: a minute under a
# sanitizer, so a longer bound.
run() {
  local mode="$1" expose="$2" window=""
  shift 2
  rm -f "$dir/trace"
  if [ "$mode" = full ]; then
    vh_start 300 "$dir/out" "$dir/out" "$@" --trace "$dir/trace"
  else
    vh_start 300 "$dir/out" "$dir/out" "$@" --trace "$dir/trace" --windowed
    found() { window="$(xdotool search --name '^Vornhollow Test Program$' 2>/dev/null | head -1)" && [ -n "$window" ]; }
    vh_wait_for 60 found || fail "no window within 60 s"
    xdotool windowsize "$window" 800 500
  fi
  if [ -n "$expose" ]; then
    vh_wait_for 120 grep -q "\"n\":$expose," "$dir/trace" || fail "no frame $expose within 120 s"
    xrefresh
  fi
  vh_finish
}

# check MODE PATH: the clean run and each planted fault, in one mode through one path, on an X
# server of its own. The four go side by side: their runs mostly wait for the display's blanks.
check() {
  local mode="$1" path="$2" code expose frames fault
  dir="$work/$mode-$path"
  mkdir -p "$dir" && cd "$dir" || exit 1 # the images of a difference are written here
  fail() { echo "FAIL: $*"; echo "--- the program's output:"; cat "$dir/out"; exit 1; }
  vh_start_xvfb 1366x768x24 || { echo "SKIP: Xvfb could not start"; exit 77; }
  # Full screen the window is exposed midway (a window resized is, at the resize).
  expose=""
  [ "$mode" = windowed ] || expose=150
  run "$mode" "$expose" "$program" --verify --lockstep --present "$path"
  code=$?
  [ "$code" -eq 0 ] || fail "clean $mode run through $path: exit code $code"
  # A resize may leave a frame or two unread (at most 1% may be).
  grep -Eq "verified: all 297 frames exact; screen: 297 frames checked on the primary surface, [0-9]+ in the window(, [0-9]+ not read there \([^)]*\))?$" \
    "$dir/out" || fail "clean $mode run through $path: not exact in the window"
  for fault in flip-not-taken low-bits-lost red-blue-swapped columns-off-by-one bars-not-black \
    blt-damage-not-recorded scaled-rect-not-widened damage-ring-one-short; do
    # Full screen, a presenter fault shows from frame 1 (every tenth frame for a flip not taken); a
    # window shows the bars only once resized. A damage fault shows where the scene moves: the
    # first fireball flies from frame 49; a ring too short, once the window is exposed after that.
    frames=20 expose=""
    [ "$mode" = full ] || frames=120
    case "$fault" in
      blt-damage-not-recorded | scaled-rect-not-widened) frames=150 ;;
      damage-ring-one-short) frames=150 expose=100 ;;
    esac
    VH_PLANTED_FAULT="$fault" run "$mode" "$expose" "$planted" --verify --lockstep --frames "$frames" --present "$path"
    code=$?
    [ "$code" -eq 3 ] || fail "$fault, $mode, through $path: exit code $code, not 3"
    grep -Eq "verified: [0-9]+ of $frames frames differ \(first: frame [0-9]+, the screen, .* in the window(, [0-9]+ not read there \([^)]*\))?, [0-9]+ differ$" \
      "$dir/out" || fail "$fault, $mode, through $path: the window's difference not named"
    echo "$fault, $mode, through $path: $(grep -o 'verified: [0-9]* of [0-9]* frames differ' "$dir/out")"
  done
}

for mode in full windowed; do
  for path in present xshm; do vh_side "$work/$mode-$path.log" check "$mode" "$path"; done
done
vh_side_wait || exit
echo "xvfb screen check: clean runs exact in the window, full screen and windowed, through Present and shared memory;" \
  "8 planted faults caught in each of the four"
