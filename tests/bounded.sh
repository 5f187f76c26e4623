# Sourced by the test scripts: every program a test starts runs under a bound, and a message box that no one will
# close fails the test at once instead of waiting for a click.
# vh_start [--box] SECONDS OUT ERR PROGRAM [ARGS...]: the program in the background under `timeout -k 10 SECONDS`,
#   which on expiry ends its whole process group (TERM, then KILL); stdin is /dev/null, OUT and ERR take its output
#   (the same path twice: one file); vh_pid is the program's own pid. The platform writes "Fatal Error: <text>" to
#   stderr before it shows a box: unless --box says one is expected, the group is killed as soon as the line shows.
# vh_finish: waits for it and returns its exit code; 124 when its bound ran out, 125 for a box unasked (said so, with
#   the program's output). vh_run: vh_start, then vh_finish. vh_running: true while it runs.
# vh_kill: kills its group unless vh_finish waited for it (for EXIT traps and early failures).
# vh_wait_for SECONDS COMMAND...: runs the command every 0.1 s until it succeeds; fails past SECONDS or on a box.
# Every function here may be called under `set -e`.

vh_bound_pid="" vh_pid="" vh_watch_pid="" vh_box_file=""

vh_start() {
  local box="" _
  [ "$1" != --box ] || { box=1; shift; }
  vh_seconds="$1" vh_out="$2" vh_err="$3" vh_started=$SECONDS
  shift 3
  vh_box_file="$(mktemp -u)"
  if [ "$vh_out" = "$vh_err" ]; then
    timeout -k 10 "$vh_seconds" "$@" </dev/null >"$vh_out" 2>&1 &
  else
    timeout -k 10 "$vh_seconds" "$@" </dev/null >"$vh_out" 2>"$vh_err" &
  fi
  vh_bound_pid=$!
  # timeout leads a process group of its own; its one child is the program.
  vh_pid=""
  for _ in $(seq 600); do
    vh_pid="$(pgrep -P "$vh_bound_pid")" && break
    kill -0 "$vh_bound_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -z "$box" ] || return 0
  (
    exec </dev/null >/dev/null 2>&1
    # Looks once more after the end: a run that wrote the line may end (and be reaped) within a turn.
    while :; do
      ran=0
      ! kill -0 "$vh_bound_pid" || ran=1
      if grep -q '^Fatal Error: ' "$vh_err"; then
        : >"$vh_box_file"
        kill -KILL -- "-$vh_bound_pid"
        exit
      fi
      [ "$ran" = 1 ] || exit
      sleep 0.2
    done
  ) &
  vh_watch_pid=$!
}

vh_print_output() {
  echo "--- the program's output:"
  cat "$vh_out" || true
  [ "$vh_err" = "$vh_out" ] || cat "$vh_err" || true
  echo "---"
}

vh_box_line() { grep -m1 '^Fatal Error: ' "$vh_err" || true; }
vh_box_shown() { [ -n "$vh_box_file" ] && [ -e "$vh_box_file" ]; }
vh_box_note() { echo "FAIL: the program showed a message box the test does not expect ($(vh_box_line)); it was ended"; }

vh_finish() {
  local code=0
  wait "$vh_bound_pid" 2>/dev/null || code=$? # (bash would note a killed job on stderr)
  vh_bound_pid=""
  if [ -n "$vh_watch_pid" ]; then
    # KILL: a subshell ended by TERM may run the script's EXIT trap.
    kill -KILL "$vh_watch_pid" 2>/dev/null || true
    wait "$vh_watch_pid" 2>/dev/null || true
    vh_watch_pid=""
  fi
  if vh_box_shown; then
    vh_box_note
    rm -f "$vh_box_file"
    vh_print_output
    return 125
  fi
  if [ "$code" -eq 124 ] || { [ "$code" -eq 137 ] && [ $((SECONDS - vh_started)) -ge "$vh_seconds" ]; }; then
    echo "FAIL: the program did not end within its bound of $vh_seconds s; it was ended"
    vh_print_output
    return 124
  fi
  return "$code"
}

vh_run() {
  vh_start "$@"
  vh_finish
}

# A program killed with its timeout may stay a zombie for a while: that is not running.
vh_running() {
  local stat
  [ -n "$vh_bound_pid" ] && stat="$(cat "/proc/$vh_pid/stat" 2>/dev/null)" && [[ "${stat##*) }" != Z* ]]
}

vh_kill() {
  if vh_box_shown; then vh_box_note; fi
  [ -n "$vh_bound_pid" ] || return 0
  kill -KILL -- "-$vh_bound_pid" 2>/dev/null || true
  wait "$vh_bound_pid" 2>/dev/null || true
  [ -z "$vh_watch_pid" ] || kill -KILL "$vh_watch_pid" 2>/dev/null || true
  rm -f "$vh_box_file"
  vh_bound_pid="" vh_watch_pid=""
}

vh_wait_for() {
  local seconds="$1"
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] && ! vh_box_shown || return 1
    sleep 0.1
  done
}
