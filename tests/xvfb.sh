# Sourced by the scripts that run programs under Xvfb (brings in bounded.sh too).
source "$(dirname "${BASH_SOURCE[0]}")/bounded.sh"

# vh_start_xvfb SCREEN [Xvfb options...]: an Xvfb of that geometry (e.g. 640x480x16) on a display number it finds
# free itself; sets DISPLAY and vh_xvfb_pid. Waits up to 60 s, else prints what the server said and returns 1. Bounded
# by VH_XVFB_SECONDS (1200), so one a killed script leaves behind ends; -noreset: a resetting server refuses the next
# program for a moment, and scripts start program after program.
vh_start_xvfb() {
  local number_file log number=""
  number_file="$(mktemp)" log="$(mktemp)"
  timeout -k 10 "${VH_XVFB_SECONDS:-1200}" Xvfb -displayfd 3 -screen 0 "$@" -nolisten tcp -noreset \
    3>"$number_file" </dev/null >"$log" 2>&1 &
  vh_xvfb_bound=$!
  for _ in $(seq 600); do
    number="$(head -1 "$number_file")"
    [ -n "$number" ] && break
    kill -0 "$vh_xvfb_bound" 2>/dev/null || break
    sleep 0.1
  done
  vh_xvfb_pid="$(pgrep -P "$vh_xvfb_bound")" || true
  if [ -z "$number" ]; then
    echo "Xvfb $* did not come up:" >&2
    cat "$log" >&2
    vh_stop_xvfb
    rm -f "$number_file" "$log"
    return 1
  fi
  rm -f "$number_file" "$log"
  export DISPLAY=":$number"
}

vh_stop_xvfb() {
  [ -n "${vh_xvfb_bound:-}" ] || return 0
  kill "$vh_xvfb_bound" 2>/dev/null || true
  wait "$vh_xvfb_bound" 2>/dev/null || true
  vh_xvfb_bound="" vh_xvfb_pid=""
}

# vh_side LOG COMMAND...: runs the command (a function, say) in the background with its output in
# LOG; its program and X server end with it, also when it is stopped. Runs that mostly wait for the
# display's blanks go side by side so. vh_side_wait: waits for them all, prints their logs, and
# returns 1 when one failed, else 77 when one skipped, else 0. vh_side_stop: for EXIT traps.
vh_sides=() vh_side_logs=()
vh_side() {
  local log="$1"
  shift
  (trap 'vh_kill; vh_stop_xvfb' EXIT; trap 'exit 143' TERM; "$@") >"$log" 2>&1 &
  vh_sides+=($!) vh_side_logs+=("$log")
}
vh_side_wait() {
  local pid codes=""
  for pid in "${vh_sides[@]}"; do
    wait "$pid"
    codes+=" $?"
  done
  cat "${vh_side_logs[@]}"
  vh_sides=() vh_side_logs=()
  [[ "$codes" =~ ^( (0|77))+$ ]] || return 1
  [[ "$codes" != *77* ]] || return 77
}
vh_side_stop() {
  [ "${#vh_sides[@]}" -eq 0 ] || kill "${vh_sides[@]}" 2>/dev/null
  wait
}
