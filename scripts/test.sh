#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what is missing, then builds and runs the whole test suite three times: a normal build
# and a build with AddressSanitizer and UndefinedBehaviorSanitizer (any sanitizer report fails the
# run), both on Qt 6, and a build on Qt 5.15, as older desktops have it. After the first, a minute
# of fuzzing for each way a picture comes in (a file, the clipboard). Stops at the first failing
# stage; the last lines are CTest's summary.
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

# Builds the fuzzing targets (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for a minute over seeds written by the same generator as the picture-file tests:
# fuzz_read_picture reads the bytes as a file, fuzz_offered_image as another program's clipboard
# offer. A crash, a sanitizer report, a hang (10 s), a leak or an allocation over 128 MB fails the
# run; the input that did it is left in build/fuzz/artifacts/. Each finding, once fixed, goes into
# tests/fuzz/findings/<target>/, which the picture-file tests replay.
fuzz() {
    local dir="$root/build/fuzz"
    echo "=== fuzz: configure and build"
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DLIMNORA_QT=6 -DLIMNORA_FUZZ=ON -DBUILD_TESTING=OFF -DLIMNORA_BENCH=OFF >/dev/null
    cmake --build "$dir" -j"$jobs" --target fuzz_read_picture fuzz_offered_image write_picture_seeds
    rm -rf "$dir/seeds" "$dir/corpus" "$dir/artifacts"
    mkdir -p "$dir/artifacts"
    "$dir/tests/fuzz/write_picture_seeds" "$dir/seeds/read_picture"
    "$dir/tests/fuzz/write_picture_seeds" --offered "$dir/seeds/offered_image"
    local target
    for target in read_picture offered_image; do
        echo "=== fuzz: run fuzz_$target for 60 s"
        mkdir -p "$dir/corpus/$target"
        local findings=()
        [[ -d "$root/tests/fuzz/findings/$target" ]] && findings=("$root/tests/fuzz/findings/$target")
        local status=0
        ASAN_OPTIONS="detect_leaks=1" \
            LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0" \
            UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
            "$dir/tests/fuzz/fuzz_$target" -max_total_time=60 -timeout=10 -rss_limit_mb=2048 \
            -malloc_limit_mb=128 -max_len=16384 -print_final_stats=1 \
            -artifact_prefix="$dir/artifacts/$target-" "$dir/corpus/$target" \
            "$dir/seeds/$target" "${findings[@]}" >"$dir/$target.log" 2>&1 ||
            status=$?
        if [[ $status -ne 0 ]]; then
            tail -n 60 "$dir/$target.log"
            echo "fuzz_$target failed (exit $status); inputs in $dir/artifacts/" >&2
            return "$status"
        fi
        grep -E "^(#[0-9]+[[:space:]]+(INITED|DONE)|Done [0-9]+ runs|stat::)" "$dir/$target.log" ||
            tail -n 5 "$dir/$target.log"
    done
}

suite test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIMNORA_QT=6

fuzz

(
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    suite sanitize -DCMAKE_BUILD_TYPE=Debug -DLIMNORA_QT=6 -DLIMNORA_SANITIZE=ON -DLIMNORA_BENCH=OFF
)

suite qt5 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIMNORA_QT=5 -DLIMNORA_BENCH=OFF
