#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice: a normal build and a
# build with AddressSanitizer and UndefinedBehaviorSanitizer (any sanitizer report fails the run).
# Stops at the first failing suite; the last lines are CTest's summary.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"

"$root/scripts/install-deps.sh" test

suite() {
    local dir="$root/build/$1"
    shift
    echo "=== $(basename "$dir"): configure and build"
    cmake -S "$root" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    echo "=== $(basename "$dir"): run"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

suite test -DCMAKE_BUILD_TYPE=RelWithDebInfo

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
suite sanitize -DCMAKE_BUILD_TYPE=Debug -DLIMNORA_SANITIZE=ON -DLIMNORA_BENCH=OFF
