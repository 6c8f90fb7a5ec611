#!/usr/bin/env bash
# Usage: metainfo.sh STAGING APP_ID VERSION
# The staged AppStream metainfo passes appstreamcli's validation, alone and together with the
# desktop entry it launches, lists the program's VERSION among its releases and states the
# project's licence, MIT.
set -euo pipefail
staging=$1 id=$2 version=$3
metainfo=$staging/usr/share/metainfo/$id.metainfo.xml

appstreamcli validate --no-net "$metainfo"
appstreamcli validate-tree --no-net "$staging"
grep -q "<release version=\"$version\"" "$metainfo" ||
    { echo "FAIL: no release $version in $metainfo" >&2; exit 1; }
grep -q "<project_license>MIT</project_license>" "$metainfo" ||
    { echo "FAIL: no MIT project_license in $metainfo" >&2; exit 1; }
