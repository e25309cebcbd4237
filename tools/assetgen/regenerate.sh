#!/usr/bin/env bash
# Builds the asset generator with the default preset and redraws every
# bitmap, the icon and the two sounds into assets/.
#   tools/assetgen/regenerate.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset default >/dev/null
cmake --build --preset default --target pako-assetgen
build/default/tools/assetgen/pako-assetgen assets
echo "assets/ regenerated; commit the changed files."
