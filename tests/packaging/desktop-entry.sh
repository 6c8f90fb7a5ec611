#!/usr/bin/env bash
# Usage: desktop-entry.sh STAGING APP_ID
# The staged desktop entry passes desktop-file-validate, starts the staged program with at most
# the one file it is asked to open, declares the picture types it opens, and names the icon that is staged, scalable and as PNGs whose pixel size matches
# their folder in the hicolor theme.
set -euo pipefail
staging=$1 id=$2
desktop=$staging/usr/share/applications/$id.desktop
icons=$staging/usr/share/icons/hicolor
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$desktop"
value() { sed -n "s/^$1=//p" "$desktop"; }

exec_line=$(value Exec)
[[ "$exec_line" =~ ^([^[:space:]%]+)\ %f$ ]] || fail "Exec '$exec_line' is not a program name and %f"
[[ -x "$staging/usr/bin/${BASH_REMATCH[1]}" ]] || fail "Exec '$exec_line' is not a staged program"
[[ "$(value MimeType)" == "image/bmp;image/png;image/jpeg;image/gif;" ]] ||
    fail "MimeType '$(value MimeType)' is not the picture types the program opens"

icon=$(value Icon)
[[ "$icon" == "$id" ]] || fail "Icon '$icon' is not the application id $id"
[[ -f "$icons/scalable/apps/$icon.svg" ]] || fail "no scalable icon $icon.svg"
pngs=("$icons"/*x*/apps/"$icon".png)
[[ -f "${pngs[0]}" ]] || fail "no PNG icon $icon.png"
for png in "${pngs[@]}"; do
    folder=$(basename "$(dirname "$(dirname "$png")")")
    pixels=$(file -b "$png" | sed -n 's/^PNG image data, \([0-9]*\) x \([0-9]*\),.*/\1x\2/p')
    [[ "$pixels" == "$folder" ]] || fail "$png is '$pixels' pixels, not $folder"
done
