#!/usr/bin/env bash
# The move steps as WebAssembly against native code: bench/StepTiming.cpp built natively in the
# Release build of build/bench and through Emscripten's toolchain in build/wasm, as the web
# page's engine is built, the first run directly and the second in node; prints a table of the
# medians and their ratio: the lowest of three rounds, run alternately, so that other load on the
# machine weighs on both alike.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh" build desktop web test
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DMIRONA_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/bench" -j2 --target mirona_step_timing
emcmake cmake -S "$root" -B "$root/build/wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/wasm" -j2 --target mirona_step_timing

out=$root/build/wasm/bench
: >"$out/native.txt"
: >"$out/wasm.txt"
for _ in 1 2 3; do
    "$root/build/bench/bench/mirona_step_timing" >>"$out/native.txt"
    node "$out/mirona_step_timing.js" >>"$out/wasm.txt"
done
echo "| Move | native µs | WebAssembly µs | WebAssembly / native |"
echo "|---|---|---|---|"
awk 'NR == FNR { if (!($1 in native) || $2 < native[$1]) native[$1] = $2; next }
    !($1 in wasm) { order[++n] = $1 }
    !($1 in wasm) || $2 < wasm[$1] { wasm[$1] = $2 }
    END { for (i = 1; i <= n; ++i) { k = order[i]
              printf "| %s | %.2f | %.2f | %.2f |\n", k, native[k], wasm[k], wasm[k] / native[k] } }' \
    "$out/native.txt" "$out/wasm.txt"
