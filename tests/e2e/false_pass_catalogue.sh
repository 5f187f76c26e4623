#!/usr/bin/env bash
# The catalogue of false passes: every way found in which a run could read as passed without
# having checked gets a row here. Each row plants its fault (in the test build of the program, or
# around the run) and the run must NOT pass: a non-zero exit and a failure or an error in
# report.xml. Each row also runs clean, and that run must pass: exit 0, no failure, no error.
# Rows that need an X server are skipped (and the script ends with 77 after the others passed)
# where Xvfb or xdotool is missing.
set -uo pipefail
program="$1" planted="$2"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../xvfb.sh"
work="$(mktemp -d)"
trap 'vh_side_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- the program's output:"; cat "$out"; exit 1; }

# group NAME: starts a group of rows in a folder and with an output of its own. The groups go side
# by side, since their runs mostly wait (for the display's blanks, or for a run to start).
group() {
  dir="$work/$1" out="$work/$1/out"
  mkdir -p "$dir" && cd "$dir" || exit 1 # images of a difference are written beside the report
}

# verdict DIR: "pass" when report.xml has neither a failure nor an error, else "fail"; "none"
# when there is no report to read. The pacing case is left out: a loaded machine misses blanks,
# and that is no check of the frames.
verdict() {
  python3 - "$1/report.xml" <<'EOF'
import sys, xml.etree.ElementTree as E
try:
    cases = E.parse(sys.argv[1]).getroot().findall("testcase")
except Exception:
    print("none"); sys.exit()
bad = [c for c in cases if c.get("name") != "pacing" and (c.find("failure") is not None or c.find("error") is not None)]
print("fail" if bad or not cases else "pass")
EOF
}

# judge ROW WANT CODE DIR: WANT is "pass" (exit 0 and a passing report) or "no pass" (a non-zero
# exit and a failing report).
judge() {
  local row="$1" want="$2" code="$3" got
  got="$(verdict "$4")"
  if [ "$want" = pass ]; then
    [ "$code" -eq 0 ] && [ "$got" = pass ] || fail "$row, clean: exit $code, report $got; it must pass"
  else
    [ "$code" -ne 0 ] && [ "$got" = fail ] || fail "$row, planted: exit $code, report $got; it must not pass"
  fi
  echo "ok: $row, $want (exit $code)"
}

# offscreen ROW FAULT CLEAN_FAULT ARGS...: the row's planted run and its clean run, offscreen; the
# clean run also gets the words of $clean_args.
offscreen() {
  local row="$1" fault="$2" clean="$3" code
  shift 3
  rm -rf "$dir/r"
  VH_PLANTED_FAULT="$fault" vh_run 120 "$out" "$out" "$planted" --offscreen --verify --report "$dir/r" "$@"
  judge "$row" "no pass" $? "$dir/r"
  rm -rf "$dir/r"
  # shellcheck disable=SC2086
  VH_PLANTED_FAULT="$clean" vh_run 120 "$out" "$out" "$planted" --offscreen --verify --report "$dir/r" "$@" \
    ${clean_args:-}
  judge "$row" pass $? "$dir/r"
}

# windowed ROW FAULT COVER PATH: a lockstep run in a window through PATH, with a 60x60 window put
# over its corner once it shows when COVER is "cover". Sets `code` to its exit code.
windowed() {
  local row="$1" fault="$2" cover="$3" path="$4" window=""
  rm -rf "$dir/r"
  VH_PLANTED_FAULT="$fault" vh_start 300 "$out" "$out" "$planted" --windowed --verify --lockstep --present "$path" \
    --report "$dir/r"
  found() { window="$(xdotool search --name '^Vornhollow Test Program$' 2>/dev/null | head -1)" && [ -n "$window" ]; }
  vh_wait_for 60 found || fail "$row: no window within 60 s"
  local cover_pid=""
  if [ "$cover" = cover ]; then
    timeout 300 xmessage -geometry 60x60+0+0 -title cover "" >/dev/null 2>&1 &
    cover_pid=$!
  fi
  vh_finish
  code=$?
  [ -z "$cover_pid" ] || kill "$cover_pid" 2>/dev/null
}

fault_rows() {
  group faults
  printf 'colour-key-probe  # the poke planted into it\n' >"$dir/probe.expect"
  # A wrong pixel that no step drew is not excused by another, expected, difference.
  offscreen "stray write under an unrelated expectation" stray-write probe-poke --lockstep --expect "$dir/probe.expect"
  offscreen "counter drawn in blue" counter-blue "" --lockstep
  offscreen "the primary surface's Lock failing" primary-lock-fails "" --lockstep
  # Without lockstep a fast DirectDraw walks a few steps in 300 frames: no fireball, no turn.
  clean_args=--lockstep offscreen "a fast DirectDraw that never draws a fireball" "" "" --no-vsync --frames 300
}

end_rows() {
  group ends
  local row
  # A run killed after it started leaves the report that says it did not end, never an earlier one.
  row="stale report after SIGKILL"
  rm -rf "$dir/r"
  vh_run 120 "$out" "$out" "$program" --offscreen --verify --lockstep --report "$dir/r"
  judge "$row" pass $? "$dir/r"
  vh_start 120 "$out" "$out" "$program" --offscreen --verify --frames 1000000000 --report "$dir/r"
  started() { grep -q 'type="unfinished"' "$dir/r/report.xml" 2>/dev/null; }
  vh_wait_for 60 started || fail "$row: the run did not start within 60 s"
  kill -KILL "$vh_pid"
  vh_finish
  judge "$row" "no pass" 137 "$dir/r"

  # An output lost during the run (the trace's disk full) ends it with 1, and the report says so.
  row="an output lost, exit 1"
  rm -rf "$dir/r"
  vh_run 120 "$out" "$out" "$program" --offscreen --verify --lockstep --trace /dev/full --report "$dir/r"
  judge "$row" "no pass" $? "$dir/r"
}

# x_rows PATH: the rows in a window through PATH, on an X server of their own.
x_rows() {
  local path="$1" row code
  group "x-$path"
  vh_start_xvfb 640x480x24 || { echo "SKIP: Xvfb could not start"; exit 77; }
  row="a window covered through $path"
  windowed "$row" "" cover "$path"
  judge "$row" "no pass" "$code" "$dir/r"
  windowed "$row" "" none "$path"
  judge "$row" pass "$code" "$dir/r"
  row="a presenter fault (red and blue swapped) through $path"
  windowed "$row" red-blue-swapped none "$path"
  judge "$row" "no pass" "$code" "$dir/r"
  # What a Blt drew never sent to the window: only a check that reads the whole window sees it.
  row="a damage not sent (a Blt's not recorded) through $path"
  windowed "$row" blt-damage-not-recorded none "$path"
  judge "$row" "no pass" "$code" "$dir/r"
}

vh_side "$work/faults.log" fault_rows
vh_side "$work/ends.log" end_rows
x_tools=1
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xmessage >/dev/null || x_tools=""
if [ -n "$x_tools" ]; then
  unset SDL_VIDEODRIVER
  export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # see xvfb_window.sh
  for path in present xshm; do vh_side "$work/x-$path.log" x_rows "$path"; done
fi
vh_side_wait || exit
[ -n "$x_tools" ] || { echo "SKIP: the X rows (Xvfb, xdotool or xmessage missing)"; exit 77; }
echo "false-pass catalogue: every row fails planted and passes clean"
