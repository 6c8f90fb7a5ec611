#!/usr/bin/env bash
# Installs what is missing, builds Mirona (Release, without the tests) and makes the Debian
# package build/package/mirona_<version>_<arch>.deb.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh" build desktop package
build=$root/build/package
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRONA_BUILD_TESTS=OFF \
    -DMIRONA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2
(cd "$build" && cpack)
