#!/usr/bin/env bash
# The whole event path (EventPath) at every display scale the window may have: mirona_bench run
# on the offscreen platform under QT_SCALE_FACTOR 1, 1.25, 1.5, 1.75, 2, 2.5 and 3, in rounds,
# each round every scale once. With --before, another build of mirona_bench runs beside it,
# alternately first and second, so that both meet the same load. Each figure is the lowest,
# over the rounds, of the median of three repetitions; the table gives them by case and scale,
# the other build's in brackets.
#   bash bench/scales.sh                         # large figures, 3 rounds
#   bash bench/scales.sh --rounds 5 --before /path/to/old/mirona_bench
#   bash bench/scales.sh --filter 'EventPath/Box/2048/'
# The build folder is build/bench, or MIRONA_BENCH_BUILD.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=3
before=
filter='^EventPath/.*/large/'
scales=(1 1.25 1.5 1.75 2 2.5 3)
while [[ $# -gt 0 ]]; do
    case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --before) before=$(realpath "$2"); shift 2 ;;
    --filter) filter=$2; shift 2 ;;
    --scales) read -r -a scales <<<"$2"; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 1 ;;
    esac
done

build=${MIRONA_BENCH_BUILD:-$root/build/bench}
"$root/scripts/ensure-deps.sh" build desktop test
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRONA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target mirona_bench
after=$build/bench/mirona_bench

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
run() { # label binary scale round
    QT_SCALE_FACTOR=$3 "$2" --benchmark_filter="$filter" --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true --benchmark_min_time=0.2 \
        --benchmark_format=json --benchmark_out="$out/$1 $3 $4.json" >/dev/null 2>&1
}
for ((round = 1; round <= rounds; ++round)); do
    for scale in "${scales[@]}"; do
        if [[ -z $before ]]; then
            run after "$after" "$scale" "$round"
        elif ((round % 2)); then
            run before "$before" "$scale" "$round"
            run after "$after" "$scale" "$round"
        else
            run after "$after" "$scale" "$round"
            run before "$before" "$scale" "$round"
        fi
    done
    echo "round $round of $rounds done" >&2
done

python3 - "$out" "${scales[@]}" <<'EOF'
import json, pathlib, sys
folder, scales = pathlib.Path(sys.argv[1]), sys.argv[2:]
best = {}  # (label, scale, case) -> lowest median, µs
for path in folder.glob('*.json'):
    label, scale, _ = path.stem.split(' ')
    for b in json.loads(path.read_text())['benchmarks']:
        if b.get('aggregate_name') != 'median':
            continue
        case = b['run_name'].split('/Form1')[0].removeprefix('EventPath/')
        key = (label, scale, case)
        best[key] = min(best.get(key, float('inf')), b['real_time'])
cases = sorted({k[2] for k in best}, key=lambda c: (c.split('/')[1:], c))
# Beside a build before, each cell is this build's figure and, in brackets, the other's.
before = any(k[0] == 'before' for k in best)
print(f'\n### EventPath (lowest median, µs{", before in brackets" if before else ""})\n')
print('| Case | ' + ' | '.join(f'{s}' for s in scales) + ' |')
print('|---' * (len(scales) + 1) + '|')
def cell(scale, case):
    after = best.get(('after', scale, case))
    text = '' if after is None else f'{after:.0f}'
    if before and ('before', scale, case) in best:
        text += f' ({best["before", scale, case]:.0f})'
    return text
for case in cases:
    print(f'| {case} | ' + ' | '.join(cell(s, case) for s in scales) + ' |')
EOF
