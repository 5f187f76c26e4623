#!/usr/bin/env bash
# Builds and runs the whole test suite through CTest: a release build, then the same suite under
# AddressSanitizer+UndefinedBehaviorSanitizer and under ThreadSanitizer.
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
echo "== all suites passed"
