#!/usr/bin/env bash
# Runs the end-to-end suite on a display of its own: Xvfb on the first free display from :71,
# openbox as the window manager, then the suite with the program to test; stops both at the end.
# Usage: run-e2e.sh <suite> <mirona> [suite arguments...]
# MIRONA_E2E_SCREEN gives the screen's size and depth (1024x768x24 unless set); the suite reads
# MIRONA_E2E_SCALE, the program's display scale.
set -euo pipefail
suite=$1
export MIRONA_BINARY=$2
shift 2

# Window titles are Japanese: xdotool matches them only in a UTF-8 locale.
export LC_ALL=C.UTF-8

pids=()
ready=$(mktemp)
# Qt wants a private runtime folder.
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$ready" "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT

# Polls a command for up to ten seconds.
wait_for() {
    for _ in $(seq 200); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    return 1
}

display=
for n in $(seq 71 130); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    # The server writes its display number once it takes connections; a server that finds
    # the display taken exits instead.
    : >"$ready"
    Xvfb ":$n" -displayfd 1 -screen 0 "${MIRONA_E2E_SCREEN:-1024x768x24}" -nolisten tcp \
        >"$ready" 2>/dev/null &
    xvfb=$!
    if wait_for sh -c "[ -s '$ready' ] || ! kill -0 $xvfb" && [[ -s "$ready" ]]; then
        pids+=("$xvfb")
        display=:$n
        break
    fi
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
done
[[ -n "$display" ]] || { echo "no free X display" >&2; exit 1; }
export DISPLAY=$display

openbox --sm-disable >"$ready" 2>&1 &
pids+=("$!")
wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    { echo "openbox did not start on $DISPLAY:" >&2; cat "$ready" >&2; exit 1; }

QT_QPA_PLATFORM=xcb "$suite" "$@"
