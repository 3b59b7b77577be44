#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what is missing, then builds and runs the whole test suite on every Qt this release
# packages: where it has Qt 6.4 or newer, a normal build, a minute of fuzzing for each way a
# picture comes in (a file, the clipboard) and a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (any sanitizer report fails the run); where it has Qt 5.15, a build
# on it, unless Debian 11's release stage runs that. A stage that runs no test fails.
#
# Then, as root or with sudo, the release stages: Debian 11 and Debian 13 in fresh roots of their
# own, where a new user runs the run command, this command and the package step, and the package
# is installed into a second fresh root (scripts/release-stage.sh). LIMNORA_RELEASES names them
# ("11 13" unless set; empty skips them).
#
# Stops at the first failing stage; the last lines are the summary of each stage.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
releases="${LIMNORA_RELEASES-11 13}"
summary=()

as_root=()
if [[ $(id -u) -ne 0 ]]; then
    if [[ -n $releases ]] && ! sudo -n true 2>/dev/null; then
        echo "The release stages need root or sudo without a password: skipped (LIMNORA_RELEASES=)"
        releases=""
    fi
    as_root=(sudo)
fi

"$root/scripts/install-deps.sh" test
[[ -z $releases ]] || "$root/scripts/install-deps.sh" releases

# The upstream version of an installed package, or nothing.
installed_version() {
    local version
    version="$(dpkg-query -W -f='${Status} ${Version}' "$1" 2>/dev/null |
        awk '$3 == "installed" {print $4}')"
    version="${version#*:}"
    echo "${version%%[-+~]*}"
}
qt6="$(installed_version qt6-base-dev)"
qt5="$(installed_version qtbase5-dev)"
has_qt6=0
has_qt5=0
[[ -n $qt6 ]] && dpkg --compare-versions "$qt6" ge 6.4 && has_qt6=1
[[ -n $qt5 ]] && dpkg --compare-versions "$qt5" ge 5.15 && has_qt5=1

# Runs CTest in a build folder (CMake before 3.20 has no --test-dir) and fails unless it ran at
# least one test and all passed: CTest 3.18 finds no tests in another folder and exits 0.
run_tests() {
    local dir="$1" log="$1/ctest.log" status=0
    (cd "$dir" && ctest --output-on-failure -j"$jobs") 2>&1 | tee "$log" || status=$?
    local line
    line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)"
    if [[ $status -ne 0 ]]; then
        # What failed, where the end of a long log shows it.
        echo "=== $(basename "$dir"): what failed"
        grep -E -A1 '^(FAIL!|XPASS) ' "$log" | grep -v '^--$' | head -n 80 || true
        grep -E '==[0-9]+==ERROR|runtime error:' "$log" | head -n 20 || true
        return "$status"
    fi
    if [[ -z $line || $line =~ out\ of\ 0$ ]]; then
        echo "$(basename "$dir"): CTest ran no test" >&2
        return 1
    fi
    summary+=("$(basename "$dir"): $line")
}

suite() {
    local dir="$root/build/$1" start=$SECONDS
    shift
    echo "=== $(basename "$dir"): configure and build"
    cmake -S "$root" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    echo "=== $(basename "$dir"): run"
    run_tests "$dir"
    summary[-1]+=" ($((SECONDS - start)) s)"
}

# Builds the fuzzing targets (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for a minute over seeds written by the same generator as the picture-file tests:
# fuzz_read_picture reads the bytes as a file, fuzz_offered_image as another program's clipboard
# offer. A crash, a sanitizer report, a hang (10 s), a leak or an allocation over 128 MB fails the
# run; the input that did it is left in build/fuzz/artifacts/. Each finding, once fixed, goes into
# tests/fuzz/findings/<target>/, which the picture-file tests replay.
fuzz() {
    local dir="$root/build/fuzz" start=$SECONDS
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
        local runs
        runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/$target.log")"
        summary+=("fuzz_$target: ${runs:-?} inputs in 60 s, no finding")
    done
    summary[-1]+=" (the stage: $((SECONDS - start)) s)"
}

if [[ $has_qt6 == 1 ]]; then
    suite test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIMNORA_QT=6
    fuzz
    # Qt 6.8's desktop-portal services (QGenericUnixServices) keep 344 bytes to the end of the
    # process, which LeakSanitizer reports in every program of the system tests; a bare Qt program
    # does the same. Without a portal, as on a desktop without one, they are not made.
    QT_NO_XDG_DESKTOP_PORTAL=1 ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
        LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        suite sanitize -DCMAKE_BUILD_TYPE=Debug -DLIMNORA_QT=6 -DLIMNORA_SANITIZE=ON \
        -DLIMNORA_BENCH=OFF
else
    summary+=("Qt 6 stages (normal, fuzzing, sanitizers) skipped: this release has no Qt 6.4 or newer")
fi
# Debian 11's release stage runs the Qt 5 stage on Qt 5.15.2, the oldest Qt the editor builds on,
# and Debian 13's on its own 5.15: the host's Qt 5 stage would add only time.
if [[ $has_qt5 == 1 && " $releases " == *" 11 "* ]]; then
    summary+=("Qt 5 stage: in Debian 11's release stage, on Qt 5.15.2")
elif [[ $has_qt5 == 1 ]]; then
    suite qt5 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIMNORA_QT=5 -DLIMNORA_BENCH=OFF
else
    summary+=("Qt 5 stage skipped: this release has no Qt 5.15")
fi

for release in $releases; do
    echo "=== Debian $release: the README's commands in a fresh root"
    start=$SECONDS
    "${as_root[@]}" bash "$root/scripts/release-stage.sh" "$release"
    summary+=("$(tail -n 1 "$root/build/release-$release/summary.txt") ($((SECONDS - start)) s)")
done

echo "=== summary"
printf '%s\n' "${summary[@]}"
