#!/usr/bin/env bash
# Usage: manual-pages.sh STAGING
# The staged manual pages, English and Japanese, render with man -l without a single warning
# from groff, at Debian's 80 columns, and name the program.
set -euo pipefail
staging=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
warnings=$(mktemp)
trap 'rm -f "$warnings"' EXIT

for page in "$staging"/usr/share/man/man1/mirona.1.gz "$staging"/usr/share/man/ja/man1/mirona.1.gz; do
    [[ -f "$page" ]] || fail "no manual page $page"
    rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>"$warnings")
    [[ ! -s "$warnings" ]] || { cat "$warnings"; fail "$page renders with warnings"; }
    grep -q '^ *mirona ' <<<"$rendered" || fail "$page does not name mirona"
done
