#!/usr/bin/env bash
# Builds the web edition: the drawing engine compiled to WebAssembly through Emscripten's CMake
# toolchain (in build/wasm), and from it and the page's sources both the self-contained
# build/web/mirona.html and build/web/site/, the folder to put on a web server
# (web/build-page.mjs).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh" web
out=$root/build/web
mkdir -p "$out"

# Debian's Emscripten runs its JavaScript tools with the machine's node, which finds Debian's
# own modules (acorn) only through NODE_PATH when it is not Debian's node. Its system libraries
# come prebuilt with the package, in a frozen cache.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
wasm=$root/build/wasm
emcmake cmake -S "$root" -B "$wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$wasm" -j2 --target mirona-engine

node "$root/web/build-page.mjs" "$root/web/index.html" "$wasm/web/engine/mirona-engine.js" \
    "$root/packaging/jp.mirona.Mirona.svg" "$out"
echo "$out/mirona.html: $(stat -c %s "$out/mirona.html") bytes; $out/site: $(du -sb "$out/site" | cut -f1) bytes"
