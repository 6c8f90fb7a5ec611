#!/usr/bin/env bash
# Builds the web edition: the drawing engine compiled to WebAssembly with Emscripten, and from it
# and the page's sources both the self-contained build/web/mirona.html and build/web/site/, the
# folder to put on a web server (web/build-page.mjs).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh"
out=$root/build/web
mkdir -p "$out"

# Debian's Emscripten runs its JavaScript tools with the machine's node, which finds Debian's
# own modules (acorn) only through NODE_PATH when it is not Debian's node. Its system libraries
# come prebuilt with the package, in a frozen cache.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

sources=("$root"/web/WebSession.cpp "$root"/web/Exports.cpp "$root"/canvas/Surface.cpp
    "$root"/canvas/DirtyTiles.cpp "$root"/canvas/History.cpp "$root"/canvas/BmpEncoder.cpp)
for f in "$root"/drawing/*.cpp; do sources+=("$f"); done

em++ -std=c++20 -O2 -I"$root" "${sources[@]}" -o "$out/mirona-engine.js" \
    -sMODULARIZE=1 -sEXPORT_NAME=createMironaEngine -sENVIRONMENT=web -sSINGLE_FILE=1 \
    -sALLOW_MEMORY_GROWTH=1 -sEXPORTED_RUNTIME_METHODS=HEAPU8,HEAP32,HEAPF32 \
    -sEXPORTED_FUNCTIONS=_malloc,_free -sFILESYSTEM=0 -sINCOMING_MODULE_JS_API=[] \
    -fno-exceptions

node "$root/web/build-page.mjs" "$root/web/index.html" "$out/mirona-engine.js" \
    "$root/packaging/jp.mirona.Mirona.svg" "$out"
echo "$out/mirona.html: $(stat -c %s "$out/mirona.html") bytes; $out/site: $(du -sb "$out/site" | cut -f1) bytes"
