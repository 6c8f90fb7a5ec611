#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite through ctest,
# once in a normal build and once with address and undefined-behaviour sanitizers.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh"

build_and_test() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j2
    ctest --test-dir "$dir" --output-on-failure -j2
}

build_and_test "$root/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    build_and_test "$root/build/asan" -DCMAKE_BUILD_TYPE=Debug -DMIRONA_SANITIZE=ON
