#!/usr/bin/env bash
# Builds and runs the whole test suite through CTest: a release build, then the same suite under
# AddressSanitizer+UndefinedBehaviorSanitizer and under ThreadSanitizer. Then the Windows
# executables (32-bit and 64-bit, cross-built with mingw-w64) and the 64-bit one under Wine.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
vh_install_missing

jobs="$(vh_jobs)"
run_suite() {
  local dir="$1"; shift
  echo "== $dir: configuring and building"
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $dir: testing"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

run_suite build -DCMAKE_BUILD_TYPE=Release
run_suite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVH_SANITIZE=address
run_suite build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVH_SANITIZE=thread

for preset in windows-i686 windows-x86_64; do
  echo "== build-$preset: configuring and building"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
echo "== Windows under Wine"
bash tests/windows/wine_suite.sh build/vornhollow build-windows-i686/vornhollow.exe build-windows-x86_64/vornhollow.exe
echo "== all suites passed"
