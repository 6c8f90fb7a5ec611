#!/usr/bin/env bash
# The move steps as WebAssembly against native code: builds bench/StepTiming.cpp natively with
# the Release build's optimisation (-O3) and with Emscripten as the web page is built (-O2), runs
# the first directly and the second in node (the WebAssembly embedded, as in the page, which also
# keeps node from fetching it), and prints a table of the medians and their ratio.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh"
out=$root/build/bench-wasm
mkdir -p "$out"
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

sources=("$root"/bench/StepTiming.cpp "$root"/bench/Scenario.cpp "$root"/canvas/Surface.cpp)
for f in "$root"/drawing/*.cpp; do sources+=("$f"); done
# The Editor's history, which the drawing library holds too.
sources+=("$root"/canvas/History.cpp "$root"/canvas/DirtyTiles.cpp)

g++ -std=c++20 -O3 -DNDEBUG -I"$root" "${sources[@]}" -o "$out/step-native"
em++ -std=c++20 -O2 -DNDEBUG -I"$root" "${sources[@]}" -o "$out/step-wasm.js" \
    -sENVIRONMENT=node -sALLOW_MEMORY_GROWTH=1 -sSINGLE_FILE=1

"$out/step-native" >"$out/native.txt"
node "$out/step-wasm.js" >"$out/wasm.txt"
echo "| Move | native µs | WebAssembly µs | WebAssembly / native |"
echo "|---|---|---|---|"
awk 'NR == FNR { native[$1] = $2; next }
    { printf "| %s | %.2f | %.2f | %.2f |\n", $1, native[$1], $2, $2 / native[$1] }' \
    "$out/native.txt" "$out/wasm.txt"
