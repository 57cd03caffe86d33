#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite (GUI tests
# under Xvfb), then the headless tests again under AddressSanitizer + UBSan.
set -euo pipefail
QM_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$QM_ROOT"
source scripts/common.sh

./scripts/setup-deps.sh
export QTWEBENGINE_DISABLE_SANDBOX=1
export QT_QPA_PLATFORM=xcb
jobs="${QM_JOBS:-$(nproc)}"

echo "== build"
qm_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo

trap qm_stop_xvfb EXIT
QM_FORCE_XVFB=1 qm_start_xvfb

echo "== tests"
status=0
if ! (cd build && ctest --output-on-failure -j "$jobs" --timeout 600); then
  # a display test can lose its X connection on a loaded machine: run the failed
  # ones once more, alone; a test that fails again fails the run
  echo "== rerunning the failed tests once"
  (cd build && ctest --rerun-failed --output-on-failure --timeout 600) || status=1
fi

echo "== sanitizer build (address, undefined)"
qm_build build-asan -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_GUI=OFF -DQM_BENCH=OFF
echo "== sanitizer tests"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$QM_ROOT/tests/lsan.supp"
(cd build-asan && ctest --output-on-failure -j "$jobs" -L headless --timeout 900) || status=1

echo "== thread sanitizer (threaded platform, foundation and engine code, the debugger)"
tsan_targets=(platform_tests foundation_tests engine_tests debugger_tests)
for t in "${tsan_targets[@]}"; do
  qm_build_target build-tsan "$t" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TSAN=ON -DQM_GUI=OFF -DQM_BENCH=OFF
done
for t in "${tsan_targets[@]}"; do
  bin=$(find build-tsan/tests -name "$t" -type f -executable | head -n1)
  echo "-- $t"
  if ! TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "$bin" --gtest_brief=1 >"build-tsan/$t.log" 2>&1; then
    tail -n 60 "build-tsan/$t.log"; echo "$t (tsan): FAILED"; status=1
  fi
done

if ls tests/fuzz/*_fuzz.cpp >/dev/null 2>&1; then
  echo "== fuzz targets (clang, libFuzzer)"
  CC=clang CXX=clang++ qm_build_target build-fuzz fuzzers -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON -DQM_GUI=OFF -DQM_BENCH=OFF
  for f in build-fuzz/tests/fuzz/*_fuzz; do
    name=$(basename "$f")
    corpus="build-fuzz/corpus/$name"; mkdir -p "$corpus"
    seeds="tests/fuzz/corpus/$name"; [ -d "$seeds" ] || seeds=""
    echo "-- $name"
    if ! "$f" -max_total_time="${QM_FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -timeout=10 "$corpus" $seeds >"build-fuzz/$name.log" 2>&1; then
      tail -n 40 "build-fuzz/$name.log"; echo "$name: FAILED"; status=1
    fi
  done
fi

if [ -x scripts/extra-checks.sh ]; then
  echo "== extra checks"
  scripts/extra-checks.sh || status=1
fi

if [ $status -ne 0 ]; then echo "test.sh: FAILED"; else echo "test.sh: all passed"; fi
exit $status
