#!/usr/bin/env bash
# Usage: install-listing.sh STAGING EXPECTED
# The staged install holds exactly the files named in EXPECTED, paths relative to STAGING.
set -euo pipefail
staging=$1 expected=$2
diff -u "$expected" <(cd "$staging" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
