#!/usr/bin/env bash
# Builds mirona_bench (Release, in build/bench or MIRONA_BENCH_BUILD) and runs the whole suite:
# first the memory case alone, in a fresh program, then every timing with repetitions in random
# order, so that other load on the machine spreads evenly over the cases. Each run ends with its
# tables of medians (Markdown, as in bench/README.md). Extra arguments go to the timing run, for
# example
#   bash bench/run.sh --benchmark_filter=Move/Box --benchmark_repetitions=9
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh" build desktop test
build=${MIRONA_BENCH_BUILD:-$root/build/bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRONA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target mirona_bench
bench=$build/bench/mirona_bench

"$bench" --benchmark_filter='^Memory/'
"$bench" --benchmark_filter='-^Memory/' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true \
    --benchmark_min_time=0.2 "$@"
