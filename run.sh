#!/usr/bin/env bash
# Builds and runs the Vornhollow Test Program. Options are passed to the program (see --help).
# On a machine with no display it runs offscreen for a bounded number of frames and writes a
# screenshot instead.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
vh_install_missing "${VH_RUN_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVH_BUILD_TESTS=OFF -DVH_BUILD_BENCH=OFF >/dev/null
cmake --build build --target vornhollow -j "$(vh_jobs)"

args=("$@")
wants_offscreen=0
for arg in "${args[@]+"${args[@]}"}"; do
  case "$arg" in
    --offscreen|--help|--version) wants_offscreen=1 ;;
  esac
done
if [ "$wants_offscreen" -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running offscreen for 600 frames and writing the last one to vornhollow.png."
  echo "On a desktop, run ./run.sh (full screen) or ./run.sh --windowed; Escape or F12 quits."
  args=(--offscreen --frames 600 --screenshot vornhollow.png "${args[@]+"${args[@]}"}")
fi
exec build/vornhollow "${args[@]+"${args[@]}"}"
