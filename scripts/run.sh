#!/usr/bin/env bash
# Installs what is missing, builds, and starts Proj_Q.
#   scripts/run.sh          start Proj_Q on this host's network
#   scripts/run.sh --demo   start x7sim with a few modules on loopback and Proj_Q bound to loopback
#   scripts/run.sh --ptz    start ptzdesk
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Only the programs; the tests build with scripts/test.sh.
scripts/build.sh dev Proj_Q x7sim ptzsim ptzdesk
bin=build/dev/bin
case "${1:-}" in
--demo)
    "$bin/x7sim" --bind 127.0.0.1 --count 4 &
    sim=$!
    trap 'kill $sim 2>/dev/null || true' EXIT
    X7_BIND_ADDRESSES=127.0.0.1 "$bin/Proj_Q"
    ;;
--ptz)
    exec "$bin/ptzdesk"
    ;;
*)
    exec "$bin/Proj_Q"
    ;;
esac
