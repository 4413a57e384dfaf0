#!/usr/bin/env bash
# Set-up, build and every test: a plain build, the whole suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded tests
# under ThreadSanitizer, the Debian package built from the plain build,
# checked with lintian, installed, used and removed, then a bounded libFuzzer run of every fuzz target
# from its committed corpus. Any failure or sanitizer report fails the run.
# The benchmarks are not built here (scripts/bench.sh builds and runs them).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

JOBS=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"

SUMMARY=()
build_and_test() {
  local label=$1 dir=$2; shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_BENCH=OFF "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
  (cd "$dir" && ctest --output-on-failure -j "$JOBS") | tee "$dir/ctest.log"
  local ran
  ran=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$dir/ctest.log" | tail -n 1)
  SUMMARY+=("$label: ${ran:-0} tests passed")
  # Test names, to count each test once over the builds.
  sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) .*Passed.*/\1/p' "$dir/ctest.log" >>build/test-names.txt
}

mkdir -p build
: >build/test-names.txt
echo "== plain build"
build_and_test "plain" build/release
echo "== the Debian package, from the plain build: lintian, install, use, remove"
DEB=$(./scripts/package.sh build/release | tail -n 1)
./scripts/check-package.sh "$DEB"
SUMMARY+=("package: $(basename "$DEB") lintian-clean, installed, used and removed")
echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
build_and_test "AddressSanitizer + UBSan" build/asan -DCORVANE_SANITIZE=address
echo "== ThreadSanitizer (threaded tests)"
build_and_test "ThreadSanitizer" build/tsan -DCORVANE_SANITIZE=thread -DCORVANE_THREAD_TESTS_ONLY=ON
echo "== libFuzzer: every target, 20 s each from its committed corpus"
./scripts/fuzz.sh 20 --parallel 2
echo "all test builds passed"
printf '%s\n' "${SUMMARY[@]}"
echo "tests: $(sort -u build/test-names.txt | wc -l) distinct tests passed, 0 failed"
