#!/usr/bin/env bash
# Usage: stage.sh CMAKE BUILD_DIR STAGING
# Installs the build under the prefix /usr into the empty folder STAGING (as DESTDIR).
set -euo pipefail
cmake=$1 build=$2 staging=$3
rm -rf "$staging"
DESTDIR=$staging "$cmake" --install "$build" --prefix /usr >/dev/null
