#!/usr/bin/env bash
# Installs what is missing, builds every tree, then runs every test: the whole suite
# (GUI tests under Xvfb), the headless tests again under AddressSanitizer + UBSan, the
# threaded code under ThreadSanitizer and the fuzz targets. No test may change the
# program's data folder: a listing of data/ taken after all builds must equal the
# one taken after all tests. Nor the user's profile: the tests run with the per-user
# folders (XDG_CONFIG_HOME and the others) pointed at a temporary folder, each test
# program makes one of its own again (tests/own_profile.cpp), and the user's
# profile files must be as they were before the run.
set -euo pipefail
QM_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$QM_ROOT"
source scripts/common.sh

# the user's profile files, where the user's own programs keep them
user_config="${XDG_CONFIG_HOME:-${HOME:-/root}/.config}"
profile_files=("$user_config/QuillmontApp" "$user_config/QtProject.conf")
profile_before="$(qm_listing "${profile_files[@]}")"

./scripts/setup-deps.sh
export QTWEBENGINE_DISABLE_SANDBOX=1
export QT_QPA_PLATFORM=xcb
jobs="${QM_JOBS:-$(nproc)}"

# names, sizes and modification times of everything under data/
data_listing() {
  (cd "$QM_ROOT/data" && find . -printf '%p\t%y\t%s\t%T@\n' | LC_ALL=C sort)
}

echo "== build"
qm_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== sanitizer build (address, undefined)"
qm_build build-asan -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_GUI=OFF -DQM_BENCH=OFF

echo "== thread sanitizer build (threaded platform, foundation and engine code, the debugger)"
tsan_targets=(platform_tests foundation_tests engine_tests debugger_tests)
for t in "${tsan_targets[@]}"; do
  qm_build_target build-tsan "$t" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TSAN=ON -DQM_GUI=OFF -DQM_BENCH=OFF
done

have_fuzz=0
if ls tests/fuzz/*_fuzz.cpp >/dev/null 2>&1; then
  have_fuzz=1
  echo "== fuzz build (clang, libFuzzer)"
  CC=clang CXX=clang++ qm_build_target build-fuzz fuzzers -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON -DQM_GUI=OFF -DQM_BENCH=OFF
fi

# every build (and the asset generators it runs) is done: from here on data/ stays as it is
data_before="$(data_listing)"

# the tests, and everything they start, keep settings, caches and data here
test_home="$(mktemp -d "${TMPDIR:-/tmp}/qm_test_home.XXXXXX")"
trap 'qm_stop_xvfb; rm -rf "$test_home"' EXIT
# The tests' temporary folders are made in TMPDIR, inside the home, so what a test
# that crashes or times out leaves goes with it. Both are passable for a test's
# child that drops to an unprivileged user; TMPDIR is open to all like /tmp.
chmod 0711 "$test_home"
mkdir -m 1777 "$test_home/tmp"
export TMPDIR="$test_home/tmp"
export XDG_CONFIG_HOME="$test_home/config" XDG_CACHE_HOME="$test_home/cache"
export XDG_DATA_HOME="$test_home/data" XDG_STATE_HOME="$test_home/state"

QM_FORCE_XVFB=1 qm_start_xvfb

echo "== tests"
status=0
# Tests that drive the real program with real input (pointer and keyboard grabs,
# xdotool, window focus), and tests that use the display's clipboard (shared by
# every client of the display), share the one display: they run one at a time,
# after the others (a parameterised test's name starts with its instance
# prefix, "Cases/"). A display test can lose its X connection on a loaded machine:
# the failed ones run once more, alone, by name (test numbers are not stable
# between two runs); a test that fails again fails the run.
serial='^([A-Za-z]+/)?((ShellWindow|[A-Za-z]*Program[A-Za-z]*|LuaEditorWindow|DibClipboardGui)\.|WidgetFixture\.Clipboard)'
run_tests() {
  if ! (cd build && ctest --output-on-failure --timeout 600 "$@"); then
    echo "== rerunning the failed tests once"
    local failed="build/Testing/Temporary/LastTestsFailed.log" names
    names=$( (sed 's/^[0-9]*://' "$failed" 2>/dev/null || true) | sed 's/[][\\.*^$+?(){}|]/\\&/g' | paste -sd'|' -)
    if [ -z "$names" ]; then
      status=1
      return
    fi
    (cd build && ctest --output-on-failure --timeout 600 -R "^($names)\$") || status=1
  fi
}
run_tests -j "$jobs" -E "$serial"
run_tests -R "$serial"

echo "== sanitizer tests"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$QM_ROOT/tests/lsan.supp"
(cd build-asan && ctest --output-on-failure -j "$jobs" -L headless --timeout 900) || status=1

echo "== thread sanitizer tests"
for t in "${tsan_targets[@]}"; do
  bin=$(find build-tsan/tests -name "$t" -type f -executable | head -n1)
  echo "-- $t"
  if ! TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "$bin" --gtest_brief=1 >"build-tsan/$t.log" 2>&1; then
    tail -n 60 "build-tsan/$t.log"; echo "$t (tsan): FAILED"; status=1
  fi
done

if [ $have_fuzz -eq 1 ]; then
  echo "== fuzz targets"
  for f in build-fuzz/tests/fuzz/*_fuzz; do
    name=$(basename "$f")
    corpus="build-fuzz/corpus/$name"; mkdir -p "$corpus"
    seeds="tests/fuzz/corpus/$name"; [ -d "$seeds" ] || seeds=""
    # each target names its largest input in a "// fuzz max_len: N" line
    maxlen=$(sed -n 's|^// fuzz max_len: \([0-9]*\).*|\1|p' "tests/fuzz/$name.cpp" | head -n 1)
    echo "-- $name"
    if ! "$f" -max_total_time="${QM_FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -timeout=10 ${maxlen:+-max_len=$maxlen} "$corpus" $seeds >"build-fuzz/$name.log" 2>&1; then
      tail -n 40 "build-fuzz/$name.log"; echo "$name: FAILED"; status=1
    fi
  done
fi

if [ -x scripts/extra-checks.sh ]; then
  echo "== extra checks"
  scripts/extra-checks.sh || status=1
fi

echo "== data folder and the user's profile unchanged by the tests"
qm_report_unchanged "data/" "$data_before" "$(data_listing)" || status=1
qm_report_unchanged "the user's profile (${profile_files[*]})" "$profile_before" \
  "$(qm_listing "${profile_files[@]}")" || status=1

if [ $status -ne 0 ]; then echo "test.sh: FAILED"; else echo "test.sh: all passed"; fi
exit $status
