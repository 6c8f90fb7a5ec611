#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are not yet installed: those of the
# purposes named as arguments (build, desktop, package, web, test), or of every purpose.
# Idempotent: does nothing (and needs no network) when everything is there.
# Usage: ensure-deps.sh [purpose...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

wanted() { (($# == 0)) || [[ " $* " == *" $purpose "* ]]; }
missing=()
purpose=
while read -r line; do
    [[ -z "$line" || "$line" == \#* ]] && continue
    if [[ "$line" =~ ^\[(.+)\]$ ]]; then
        purpose=${BASH_REMATCH[1]}
        continue
    fi
    wanted "$@" || continue
    status=$(dpkg-query -W -f='${Status}' "$line" 2>/dev/null || true)
    [[ "$status" == "install ok installed" || " ${missing[*]} " == *" $line "* ]] || missing+=("$line")
done <"$here/packages.txt"

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
