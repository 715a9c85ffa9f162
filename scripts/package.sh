#!/usr/bin/env bash
# Builds the Debian package x7-tools_<version>_<arch>.deb in build/package: a release build of
# the programs and simulators only (no tests), installed under /usr, dependencies computed from
# the binaries. Install it with: sudo apt install ./build/package/x7-tools_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset package >/dev/null
cmake --build --preset package
(cd build/package && cpack -G DEB)
ls -1 build/package/x7-tools_*.deb
