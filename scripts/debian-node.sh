#!/usr/bin/env bash
# Prints the folder of a `node` that is Debian 12's own Node.js 18, the one a fresh Debian 12
# machine runs the web edition's scripts and tests with. Where the machine's node is another
# (a newer one from elsewhere), Debian's is unpacked once into build/debian-node, beside it and
# without replacing it, so that the tests hold the project to what Debian ships.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/ensure-deps.sh" test

if [[ $(dpkg-query -W -f='${Version}' nodejs 2>/dev/null) == 18.*deb12* ]]; then
    dirname "$(command -v node)"
    exit 0
fi

dir=$root/build/debian-node
if [[ ! -x $dir/bin/node ]]; then
    rm -rf "$dir"
    mkdir -p "$dir/debs"
    chmod a+rwx "$dir/debs" # apt downloads as its own user
    # Debian's own node, its library and the library of its own that a newer machine may lack;
    # the JavaScript modules it loads from /usr/share/nodejs are in scripts/packages.txt.
    debian_version() { apt-cache madison nodejs | awk '$3 ~ /^18\./ { print $3; exit }'; }
    version=$(debian_version)
    [[ -n $version ]] || { apt-get update -qq && version=$(debian_version); }
    (cd "$dir/debs" && apt-get download -qq "nodejs=$version" "libnode108=$version" libc-ares2)
    for deb in "$dir"/debs/*.deb; do dpkg-deb -x "$deb" "$dir/root"; done
    mkdir -p "$dir/bin"
    cat >"$dir/bin/node" <<WRAPPER
#!/bin/sh
LD_LIBRARY_PATH="$dir/root/usr/lib/x86_64-linux-gnu\${LD_LIBRARY_PATH:+:\$LD_LIBRARY_PATH}" exec "$dir/root/usr/bin/node" "\$@"
WRAPPER
    chmod +x "$dir/bin/node"
fi
[[ $("$dir/bin/node" --version) == v18.* ]]
echo "$dir/bin"
