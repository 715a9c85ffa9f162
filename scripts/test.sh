#!/usr/bin/env bash
# Installs what is missing, builds and runs every test for each preset given (default: dev).
#   scripts/test.sh             development build
#   scripts/test.sh ci asan     what CI runs: the optimised build and the sanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev)
export QT_QPA_PLATFORM=offscreen
for preset in "${presets[@]}"; do
    echo "== $preset"
    scripts/build.sh "$preset"
    ctest --preset "$preset"
done
