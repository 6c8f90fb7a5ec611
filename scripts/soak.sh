#!/usr/bin/env bash
# A long session: builds the soak program (Release) and sends one million random pointer events
# and menu choices through the main window on the offscreen platform, printing the resident
# memory every 100 000 events. An optional argument sets the number of events.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh" build desktop test
cmake -S "$root" -B "$root/build/soak" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRONA_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/soak" -j2 --target mirona_soak
start=$(date +%s)
QT_QPA_PLATFORM=offscreen "$root/build/soak/tests/soak/mirona_soak" "${1:-1000000}"
echo "took $(($(date +%s) - start)) s"
