#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite through ctest,
# once in a normal build and once with address and undefined-behaviour sanitizers, and runs the
# drawing fuzzer for about a minute and the web edition's browser tests in between.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh"

build_and_test() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j2
    ctest --test-dir "$dir" --output-on-failure -j2
}

build_and_test "$root/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The Debian package as scripts/package.sh makes it, checked by Debian's own tool: any error or
# warning fails the run, except the two tags that the project's missing contact address causes
# (the Maintainer field and the changelog's trailer can name none yet).
bash "$root/scripts/package.sh" >"$root/build/package.log" 2>&1 ||
    { tail -n 40 "$root/build/package.log"; exit 1; }
lintian --fail-on error,warning --suppress-tags malformed-contact,bogus-mail-host-in-debian-changelog \
    "$root"/build/package/mirona_*.deb
echo "lintian: the package is clean"

# The drawing fuzzer, for about a minute after the seed corpus. A crash or a broken invariant
# fails the run; the input is left in build/fuzz/artifacts, to be added to tests/fuzz/corpus.
fuzz=$root/build/fuzz
cmake -S "$root" -B "$fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRONA_FUZZ=ON >/dev/null
cmake --build "$fuzz" -j2
rm -rf "$fuzz/corpus" "$fuzz/artifacts"
mkdir -p "$fuzz/corpus" "$fuzz/artifacts"
if ! "$fuzz/tests/fuzz/mirona_drawing_fuzzer" -max_total_time=60 -print_final_stats=1 \
    -artifact_prefix="$fuzz/artifacts/" "$fuzz/corpus" "$root/tests/fuzz/corpus" \
    >"$fuzz/fuzz.log" 2>&1; then
    tail -n 60 "$fuzz/fuzz.log"
    echo "The drawing fuzzer failed; the input is in $fuzz/artifacts." >&2
    exit 1
fi
grep -E '^Done|number_of_executed_units|peak_rss' "$fuzz/fuzz.log"

# The web edition: the one-page build, then its tests, which compare the page with the native
# engine built above, in each engine in turn: Debian's Chromium and Firefox ESR headless, and
# WebKitGTK, which has no headless mode, on an Xvfb display of its own. npm comes with the
# machine's Node.js (Debian's own npm otherwise); `npm ci` installs exactly what
# web/package-lock.json lists. The page is built and tested with Debian 12's own Node.js 18,
# whatever node the machine has.
if ! command -v npm >/dev/null; then
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq npm
fi
(cd "$root/web" && npm ci --no-audit --no-fund --loglevel=error)
debian_node=$("$root/scripts/debian-node.sh")
(export PATH="$debian_node:$PATH" && bash "$root/scripts/web.sh")
browser_tests() {
    local started=$SECONDS
    (cd "$root/web" && MIRONA_BROWSER=$1 PATH="$debian_node:$PATH" \
        MIRONA_WEB_REPLAY="$root/build/test/web/engine/mirona_web_replay" node --test tests/) || return
    echo "Browser tests in $1: $((SECONDS - started)) s"
}
browser_tests chromium
browser_tests firefox
# Xvfb on the first free display from :140, for as long as the WebKit tests run.
xvfb_ready=$(mktemp)
xvfb=
for n in $(seq 140 199); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$xvfb_ready" 2>/dev/null &
    xvfb=$!
    # The server writes its display number once it takes connections, or exits.
    while [[ ! -s "$xvfb_ready" ]] && kill -0 "$xvfb" 2>/dev/null; do sleep 0.05; done
    [[ -s "$xvfb_ready" ]] && break
    wait "$xvfb" 2>/dev/null || true
    xvfb=
done
[[ -n "$xvfb" ]] || { echo "no free X display for the WebKit tests" >&2; exit 1; }
status=0
DISPLAY=:$(cat "$xvfb_ready") browser_tests webkit || status=$?
kill "$xvfb"
wait "$xvfb" 2>/dev/null || true
rm -f "$xvfb_ready"
((status == 0)) || exit "$status"

# The engine as the page runs it, 32-bit WebAssembly, replays the fuzz corpus in node: every
# invariant must hold there too, and every picture must equal the native replay's.
wasm=$root/build/wasm # configured by scripts/web.sh
NODE_PATH=/usr/share/nodejs cmake --build "$wasm" -j2 --target mirona_fuzz_replay
corpus=("$root"/tests/fuzz/corpus/*)
"$root/build/test/tests/fuzz/mirona_fuzz_replay" "${corpus[@]}" >"$wasm/native-replay.txt"
"$debian_node/node" "$wasm/tests/fuzz/mirona_fuzz_replay.js" "${corpus[@]}" >"$wasm/wasm-replay.txt"
diff "$wasm/native-replay.txt" "$wasm/wasm-replay.txt"
echo "WebAssembly: ${#corpus[@]} corpus inputs replayed, the same pictures as native"

# Last, so that ctest's summary closes the output.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    build_and_test "$root/build/asan" -DCMAKE_BUILD_TYPE=Debug -DMIRONA_SANITIZE=ON
