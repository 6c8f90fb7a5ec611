#!/usr/bin/env bash
# The move steps as WebAssembly against native code: bench/StepTiming.cpp built natively in the
# Release build of build/bench and through Emscripten's toolchain in build/wasm, as the web
# page's engine is built, the first run directly and the second in node; prints a table of the
# medians and their ratio.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh"
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DMIRONA_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/bench" -j2 --target mirona_step_timing
emcmake cmake -S "$root" -B "$root/build/wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/wasm" -j2 --target mirona_step_timing

out=$root/build/wasm/bench
"$root/build/bench/bench/mirona_step_timing" >"$out/native.txt"
node "$out/mirona_step_timing.js" >"$out/wasm.txt"
echo "| Move | native µs | WebAssembly µs | WebAssembly / native |"
echo "|---|---|---|---|"
awk 'NR == FNR { native[$1] = $2; next }
    { printf "| %s | %.2f | %.2f | %.2f |\n", $1, native[$1], $2, $2 / native[$1] }' \
    "$out/native.txt" "$out/wasm.txt"
