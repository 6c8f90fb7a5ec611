#!/usr/bin/env bash
# Usage: deb.sh CPACK BUILD_DIR OUT EXPECTED EXTRA_ALLOWED
# Builds the Debian package into OUT and checks it: it holds exactly the files in EXPECTED, and
# its dependencies name the Qt 6 widget runtime, Qt's translations and a Japanese font, and
# otherwise only the C and C++ runtimes, the OpenGL libraries that Qt's GUI module needs anyway
# (a link may name them) and whatever the regular expression EXTRA_ALLOWED matches, so that
# installing it pulls in nothing the program does not use.
set -euo pipefail
cpack=$1 build=$2 out=$3 expected=$4 extra_allowed=$5
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
"$cpack" --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; fail "cpack failed"; }
debs=("$out"/mirona_*.deb)
((${#debs[@]} == 1)) && [[ -f "${debs[0]}" ]] || fail "expected one mirona_*.deb in $out"
deb=${debs[0]}

diff -u "$expected" <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' |
    LC_ALL=C sort)

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# One entry per line, versions dropped: "a (>= 1) | b" becomes "a|b".
entries=$(tr ',' '\n' <<<"$depends" | sed 's/([^)]*)//g; s/[[:space:]]//g')
for required in libqt6widgets6 libqt6gui6 libqt6core6 qt6-translations-l10n; do
    grep -qx "$required" <<<"$entries" || fail "Depends lacks $required"
done
grep -qx 'fonts-ipafont-gothic|fonts-noto-cjk' <<<"$entries" ||
    fail "Depends lacks the about box's Japanese font (fonts-ipafont-gothic | fonts-noto-cjk)"

allowed='libc6|libgcc-s1|libstdc\+\+6|libqt6(core|gui|widgets)6|libglx0|libopengl0'
allowed+='|qt6-translations-l10n|fonts-noto-cjk|fonts-ipafont-gothic'
[[ -z "$extra_allowed" ]] || allowed+="|$extra_allowed"
for name in $(tr '|' '\n' <<<"$entries"); do
    [[ "$name" =~ ^($allowed)$ ]] || fail "Depends names $name, which the program does not need"
done
