#!/usr/bin/env bash
# Builds and runs the whole test suite through CTest: a release build, then the same suite under
# AddressSanitizer+UndefinedBehaviorSanitizer and under ThreadSanitizer. Then the Windows
# executables (32-bit and 64-bit, cross-built with mingw-w64), packed as zips, and the 64-bit one
# under Wine.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
vh_install_missing "${VH_RUN_PACKAGES[@]}" "${VH_TEST_PACKAGES[@]}" "${VH_WINDOWS_PACKAGES[@]}"

jobs="$(vh_jobs)"
run_suite() {  # DIR [CTEST-ARGUMENTS] -- CMAKE-ARGUMENTS
  local dir="$1" selection=()
  shift
  while [ "$1" != "--" ]; do selection+=("$1"); shift; done
  shift
  echo "== $dir: configuring and building (at ${SECONDS} s)"
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $dir: testing ${selection[*]} (at ${SECONDS} s)"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${selection[@]}"
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

# The bitmap readers and the matrix's report reader under libFuzzer for a bounded time, seeded
# with the BMP corpus and every earlier finding (tests/fuzz/corpus), and with a real report; any
# crash, leak or undefined behaviour fails the run.
fuzz_one() {  # TARGET SECONDS CORPUS...
  local target="$1" seconds="$2" status=0
  shift 2
  echo "== build-fuzz: fuzzing $target for $seconds s"
  mkdir -p "build-fuzz/corpus-$target"
  "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ "build-fuzz/corpus-$target" "$@" >"build-fuzz/$target.log" 2>&1 || status=$?
  grep -E "DONE|^stat::(number_of_executed_units|average_exec_per_sec)" "build-fuzz/$target.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "build-fuzz/$target.log"
    echo "== build-fuzz: a finding (kept in build-fuzz/); add it to tests/fuzz/corpus once mended"
    return 1
  fi
}
run_fuzz() {
  echo "== build-fuzz: configuring and building (at ${SECONDS} s)"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVH_SANITIZE=address \
    -DVH_FUZZ=ON -DVH_BUILD_TESTS=OFF -DVH_BUILD_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs" --target bitmap_fuzz report_reader_fuzz
  local suite=../shared/testdata/bmpsuite
  fuzz_one bitmap_fuzz "${VH_FUZZ_SECONDS:-60}" tests/fuzz/corpus "$suite/g" "$suite/q" "$suite/b"
  fuzz_one report_reader_fuzz "${VH_FUZZ_SECONDS:-30}" tests/fuzz/report-corpus
}

run_suite build -- -DCMAKE_BUILD_TYPE=Release -DVH_BUILD_TESTS=ON -DVH_BUILD_BENCH=ON
run_suite build-asan -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVH_SANITIZE=address
# Under ThreadSanitizer a run is eight times slower: the suites that repeat runs with a fault at a
# time (label "repeats", the sweep of every failing call, each planted blit fault) stay with the
# two builds above.
run_suite build-tsan -LE repeats -E '^(FaultSweep[.]|VerifyRunTest[.]EachPlantedFault)' \
  -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVH_SANITIZE=thread
run_fuzz

for preset in windows-i686 windows-x86_64; do
  echo "== build-$preset: configuring and building (at ${SECONDS} s)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  # The zip a Windows user gets: the executable, the README and the licence.
  rm -f "build-$preset"/vornhollow-*.zip
  (cd "build-$preset" && cpack -G ZIP >/dev/null)
  contents="$(unzip -Z1 "build-$preset"/vornhollow-*.zip | sed 's|.*/||' | sort | paste -sd' ')"
  if [ "$contents" != "LICENSE.txt README.md vornhollow.exe" ]; then
    echo "build-$preset: the zip holds $contents"
    exit 1
  fi
done
echo "== Windows under Wine (at ${SECONDS} s)"
bash tests/windows/wine_suite.sh build/vornhollow build-windows-i686/vornhollow.exe build-windows-x86_64/vornhollow.exe
echo "== all suites passed in ${SECONDS} s"
