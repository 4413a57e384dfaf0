#!/usr/bin/env bash
# Set-up, build and every test: a plain build, the whole suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded tests
# under ThreadSanitizer. Any failure or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

JOBS=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"

build_and_test() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
  (cd "$dir" && ctest --output-on-failure -j "$JOBS")
}

echo "== plain build"
build_and_test build/release -DCORVANE_BUILD_BENCH=ON
echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
build_and_test build/asan -DCORVANE_SANITIZE=address -DCORVANE_BUILD_BENCH=OFF
echo "== ThreadSanitizer (threaded tests)"
build_and_test build/tsan -DCORVANE_SANITIZE=thread -DCORVANE_THREAD_TESTS_ONLY=ON -DCORVANE_BUILD_BENCH=OFF
echo "all test builds passed"
