#!/usr/bin/env bash
# The Windows executables: what they are made of, and the 64-bit one on Wine's own DirectDraw on
# Xvfb screens (the 32-bit one is only inspected: these kernels cannot run 32-bit programs).
# Usage: wine_suite.sh LINUX_PROGRAM EXE_I686 EXE_X86_64
set -uo pipefail
linux="$(realpath "$1")" exe32="$(realpath "$2")" exe64="$(realpath "$3")"
here="$(dirname "$(realpath "$0")")"
checker="$here/screen_check.py" report_checker="$here/report_check.py"
work="$(mktemp -d)"
cd "$work" || exit 1
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
passed=0 failed=0 xservers=()
check() {
  local name="$1"; shift
  if "$@"; then echo "ok: $name"; passed=$((passed + 1)); else echo "FAIL: $name"; failed=$((failed + 1)); fi
}
cleanup() {
  vh_kill
  timeout -k 10 20 wineserver -k 2>/dev/null
  for x in "${xservers[@]}"; do kill "$x" 2>/dev/null; wait "$x" 2>/dev/null; done
  cd / && rm -rf "$work"
}
source "$here/../xvfb.sh"
trap cleanup EXIT

# PE kind and GUI subsystem, imports from Windows' own DLLs only, the resources and the version.
inspect() {
  local tool="$1" exe="$2" magic="$3" dll version
  "$tool-objdump" -p "$exe" >dump || return 1
  grep -q "^Magic.*($magic)" dump && grep -q "^Subsystem.*(Windows GUI)" dump && grep -qi "DLL Name: ddraw.dll" dump ||
    return 1
  for dll in $(awk '/DLL Name:/ {print tolower($3)}' dump); do
    case "$dll" in bcrypt.dll | ddraw.dll | gdi32.dll | kernel32.dll | msvcrt.dll | user32.dll | version.dll | winmm.dll) ;; *) echo "imports $dll"; return 1 ;; esac
  done
  "$tool-windres" -i "$exe" -O rc >resources.rc || return 1
  vh_run 60 version version.err "$linux" --version || { echo "--version: exit code $?"; return 1; }
  version="$(awk '{print $2}' version)"
  copyright="$(grep -m1 '^Copyright ' "$here/../../LICENSE")"
  for pattern in "VALUE \"LegalCopyright\", \"$copyright\"" '^101 14 ' 'Has 3 elements' '"\\020\\020' '"\\040\\040' '"\\060\\060' '^102 2 ' '^103 2 ' '^105 2 ' \
    'VALUE "ProductName", "Vornhollow Test Program"' "VALUE \"ProductVersion\", \"$version\""; do
    grep -q -- "$pattern" resources.rc || { echo "no resource line matching $pattern"; return 1; }
  done
}
check "i686 executable: PE32 GUI, system DLLs only, resources" inspect i686-w64-mingw32 "$exe32" PE32
check "x86_64 executable: PE32+ GUI, system DLLs only, resources" inspect x86_64-w64-mingw32 "$exe64" PE32+

start_x() {  # SCREEN
  vh_start_xvfb "$1" || return 1
  xservers+=("$vh_xvfb_bound")
}
# Waits are generous: Wine starts slowly on a loaded machine.
shown() { xdotool search --name "$1" 2>/dev/null | grep -q .; }
window() { vh_wait_for 60 shown "$1"; }
ended() {  # EXPECTED_CODE: the program started last ends by itself within 60 s with that code
  gone() { ! vh_running; }
  vh_wait_for 60 gone || { vh_kill; echo "still running 60 s later"; return 1; }
  vh_finish
  local code=$?
  [ "$code" -eq "$1" ] || { echo "exit code $code"; return 1; }
}

start_x 640x480x16 || { echo "FAIL: Xvfb cannot start"; exit 1; }
# A new prefix takes long to set up: once, before anything is timed.
timeout -k 10 300 wineboot -i >/dev/null 2>&1
timeout -k 10 120 wineserver -w

bounded_run() {
  local start=$SECONDS
  vh_run 300 summary bounded.err wine "$exe64" --frames 600 --trace trace.jsonl ||
    { echo "exit code $?"; cat bounded.err; return 1; }
  echo "$(cat summary) (wall clock $((SECONDS - start)) s)"
  python3 "$checker" trace trace.jsonl 600
}
check "a --frames 600 --trace run on 640x480x16 ends with exit code 0, every frame ok" bounded_run

screen_and_f12() {
  vh_run 120 /dev/null linux.err "$linux" --offscreen --frames 2 --screenshot background.png ||
    { cat linux.err; return 1; }
  vh_start 300 shown.out shown.err wine "$exe64" --trace shown.jsonl
  window '^Vornhollow Test Program$' || { echo "no program window"; vh_kill; return 1; }
  # A second of scene frames at least, however slowly Wine got going.
  many_frames() { [ "$(grep -c '"type":"frame"' shown.jsonl 2>/dev/null)" -ge 60 ]; }
  vh_wait_for 60 many_frames || { echo "no 60 frames within 60 s"; vh_kill; return 1; }
  xwd -root -silent >screen.xwd
  xdotool key F12
  ended 0 && python3 "$checker" screen background.png screen.xwd
}
check "the screen shows the Linux build's background, the creature and the counter; F12 ends with code 0" \
  screen_and_f12
timeout -k 10 120 wineserver -w

# A box on a 24-bit screen (Wine cannot switch to 16 bits there) or for a refused option: its text
# from Wine's window trace, Return closes it, and the exit code.
box() {  # TITLE TEXT CODE ARGUMENTS...
  local title="$1" text="$2" code="$3"
  shift 3
  vh_start --box 300 box.out win.log env WINEDEBUG=-all,+win wine "$exe64" "$@"
  window "^$title\$" || { echo "no '$title' box"; vh_kill; return 1; }
  # Return again until the box takes it: a loaded machine may not have it ready at once.
  returned() { xdotool key Return; sleep 1; ! vh_running; }
  vh_wait_for 60 returned
  ended "$code" && grep -qF "set_window_text L\"$text" win.log
}
start_x 1024x768x24 || { echo "FAIL: Xvfb cannot start"; exit 1; }
check "on 1024x768x24: a 'Fatal Error' box with the mode text, Return ends with code 0" \
  box "Fatal Error" 'SetDisplayMode failed for\nDirectDraw (640x480x16)' 0
check "a Linux-only option: the usage in a box, exit code 2" \
  box "Vornhollow Test Program" 'vornhollow: --offscreen exists only in the Linux build\n\nusage:' 2 --offscreen
check "a frame count out of range: the usage in a box, exit code 2" \
  box "Vornhollow Test Program" "vornhollow: --frames: '0' is not a whole number from 1 to 1000000000" 2 --frames 0
# --unattended: the fatal error's box does not wait (its caption and text go to stderr), and the
# run ends with exit code 1, which its report records with the error.
unattended_error() {
  vh_run --box 300 unattended.out unattended.err wine "$exe64" --unattended --report unattended
  local code=$?
  [ "$code" -eq 1 ] && grep -q '^vornhollow: Fatal Error: SetDisplayMode failed for' unattended.err ||
    { echo "exit code $code"; cat unattended.out unattended.err; return 1; }
  python3 "$report_checker" report unattended "$WINEPREFIX" 1
}
check "on 1024x768x24 --unattended --report: no box, the error on stderr and in the report, exit code 1" \
  unattended_error

timeout -k 10 120 wineserver -w

# --verify on Wine's own DirectDraw, the real peer of ours: every frame of a 600-frame timed run
# is read back with Lock and compared with the program's own re-drawing, and none may differ.
# Wine's Flip does not always wait for the blank, and a run that fast ends before the scene has
# drawn every kind of step: then its verdict is "incomplete" (exit code 4) and names what was never
# drawn, which is right. The lockstep run below is the one that must cover every kind.
verified_run() {
  local start=$SECONDS code summary
  vh_run 300 verify-summary verify-err wine "$exe64" --verify --frames 600 --trace verify.jsonl
  code=$?
  summary="$(tr -d '\r' <verify-summary)"
  echo "$summary (exit code $code, wall clock $((SECONDS - start)) s)"
  if { [ "$code" -eq 0 ] && grep -qE ', verified: all 600 frames exact(;|$)' <<<"$summary"; } ||
     { [ "$code" -eq 4 ] && grep -qE ', verified: incomplete: 600 of 600 frames compared, exact, never drawn: ' <<<"$summary"; }; then
    return 0
  fi
  cat verify-err
  grep '"type":"verify"' verify.jsonl | head -5
  return 1
}
start_x 640x480x16 || { echo "FAIL: Xvfb cannot start"; exit 1; }
check "--verify --frames 600 on Wine's DirectDraw (640x480x16): no frame differs; exact, or incomplete naming what was never drawn" verified_run

# --report of a checked lockstep run: the three files, Wine's ddraw.dll named with its version,
# size and hash, an exact verdict and exit code 0. Its trace's frame CRCs are those of the Linux
# build's lockstep run in 5-6-5: both DirectDraws drew the same frames.
vh_run 120 /dev/null linux-lockstep.err "$linux" --offscreen --lockstep --pixel-format 565 --trace linux-lockstep.jsonl ||
  { echo "the Linux lockstep run: exit code $?"; cat linux-lockstep.err; }
report_run() {
  vh_run 300 report.out report.err wine "$exe64" --verify --lockstep --report report --trace lockstep.jsonl
  local code=$?
  tr -d '\r' <report.out
  [ "$code" -eq 0 ] || { echo "exit code $code"; cat report.err; return 1; }
  python3 "$report_checker" report report "$WINEPREFIX" 0
}
check "--verify --lockstep --report on Wine: the report names Wine's ddraw.dll, exact, exit code 0" report_run
# A run killed after it started leaves the report that says it did not end, which fails.
killed_run() {
  vh_start 300 killed.out killed.err wine "$exe64" --verify --frames 1000000000 --report killed
  unfinished() { grep -q '<error type="unfinished"' killed/report.xml 2>/dev/null; }
  vh_wait_for 120 unfinished || { echo "no report saying the run did not end within 120 s"; vh_kill; return 1; }
  sleep 2
  kill -KILL "$vh_pid"
  vh_finish >/dev/null
  timeout -k 10 60 wineserver -k 2>/dev/null
  unfinished && grep -q 'errors="1"' killed/report.xml || { echo "killed/report.xml:"; cat killed/report.xml; return 1; }
}
check "a run on Wine killed after its start leaves a report that fails: the run did not end" killed_run
# Its screen on the second path: what GDI reads of the screen over the window after each flip,
# compared with the frame flipped in (nearly) every one of the 297 frames, not "primary only".
window_path() {
  local line n
  line="$(tr -d '\r' <report.out)"
  n="$(sed -nE 's/.*; screen: 297 frames checked on the primary surface, ([0-9]+) in the window(,.*)?$/\1/p' <<<"$line")"
  [ -n "$n" ] && [ "$n" -ge 294 ] || { echo "not 294 or more of 297 frames compared in the window: $line"; return 1; }
  echo "$n of 297 frames compared in the window"
}
check "the Wine lockstep run's window, read through GDI: 294 or more of its 297 frames compared there" window_path
check "the Wine lockstep run's frame CRCs equal the Linux build's (5-6-5)" \
  python3 "$report_checker" crcs linux-lockstep.jsonl lockstep.jsonl

# The matrix of implementations: the Linux build's lockstep runs (offscreen 5-6-5 and 5-5-5, in a
# window through Present and through shared-memory images) beside Wine's DirectDraw on its OpenGL
# and GDI renderers, and on Vulkan where lavapipe is present. GDI has "No DirectDraw Hardware" (exit
# code 1, its report holds the error); a Vulkan run that crashes or hangs until its bound leaves
# the report that says it did not end, and its column must say so. Both builds of vornhollow-matrix
# make the same rows. VH_MATRIX_SCREENSHOT=FILE keeps the page's screenshot.
wine_run() {  # RENDERER: a checked lockstep run on that renderer, into runs/wine-RENDERER
  timeout -k 10 120 wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d "$1" /f >/dev/null 2>&1
  timeout -k 10 120 wineserver -w
  vh_run 180 "wine-$1.out" "wine-$1.err" wine "$exe64" --verify --lockstep --unattended --report "runs/wine-$1"
  local code=$?
  timeout -k 10 20 wineserver -k  # a run that crashed may leave its processes
  echo "Wine's $1 renderer: exit code $code"
  return "$code"
}
matrix_runs() {
  local run folders=()
  for run in "565|--offscreen --pixel-format 565" "555|--offscreen --pixel-format 555" \
             "present|--windowed --present present" "xshm|--windowed --present xshm"; do
    # shellcheck disable=SC2086
    vh_run 180 linux.out linux.out "$linux" ${run#*|} --verify --lockstep --unattended --report "runs/linux-${run%%|*}" ||
      { echo "the Linux run ${run#*|}: exit code $?"; cat linux.out; return 1; }
    folders+=("runs/linux-${run%%|*}")
  done
  wine_run gl || return 1
  wine_run gdi
  local code=$?
  [ "$code" -eq 1 ] && grep -q "No DirectDraw Hardware" runs/wine-gdi/report.json || { echo "GDI: exit code $code"; return 1; }
  folders+=(runs/wine-gl runs/wine-gdi)
  if compgen -G "/usr/share/vulkan/icd.d/lvp_icd*.json" >/dev/null; then
    wine_run vulkan
    folders+=(runs/wine-vulkan)
  fi
  vh_run 60 matrix.out matrix.out "$linux_matrix" --out matrix "${folders[@]}" || { cat matrix.out; return 1; }
  cat matrix.out
  # The columns' states from the reports themselves; a column of Wine's other renderers must fail
  # its verdict, every other cell of the Linux and OpenGL columns must pass.
  python3 - "${folders[@]}" >expected.json <<'PY' || return 1
import json, pathlib, sys
columns = [[pathlib.Path(f).name, "finished" if json.load(open(f + "/report.json"))["finished"] else "did-not-end"]
           for f in sys.argv[1:]]
print(json.dumps({"columns": columns, "failing": [], "anyFailing": ["wine-gdi", "wine-vulkan"]}))
PY
  python3 "$here/../e2e/check_matrix.py" page matrix expected.json ${VH_MATRIX_SCREENSHOT:+"$VH_MATRIX_SCREENSHOT"} || return 1
  vh_run 120 matrix-exe.out matrix-exe.out wine "$exe64_matrix" --out matrix-exe "${folders[@]}" ||
    { cat matrix-exe.out; return 1; }
  python3 -c 'import json, sys; rows = [json.load(open(f))["rows"] for f in sys.argv[1:]]; sys.exit(rows[0] != rows[1])' \
    matrix/matrix.json matrix-exe/matrix.json || { echo "the Windows build's matrix.json has other rows"; return 1; }
}
linux_matrix="$(dirname "$linux")/vornhollow-matrix" exe64_matrix="$(dirname "$exe64")/vornhollow-matrix.exe"
check "the matrix: the Linux build's runs, Wine's OpenGL, GDI (its error) and Vulkan (did not end) side by side" matrix_runs

echo "wine suite: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
