#!/usr/bin/env bash
# Installs what is missing, builds Mirona (Release) and starts it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh" build desktop
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DMIRONA_BUILD_TESTS=OFF -DMIRONA_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/release" -j2 --target mirona
exec "$root/build/release/app/mirona"
