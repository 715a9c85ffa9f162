#!/usr/bin/env bash
# Installs what is missing, builds, and starts Proj_Q.
#   scripts/run.sh          start Proj_Q on this host's network
#   scripts/run.sh --demo   start x7sim with a few modules on loopback and Proj_Q bound to loopback,
#                           searching at once so the modules are listed
#   scripts/run.sh --ptz    start ptzdesk
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Only the programs; the tests build with scripts/test.sh.
scripts/build.sh dev Proj_Q x7sim ptzsim ptzdesk
bin=build/dev/bin
case "${1:-}" in
--demo)
    log=$(mktemp)
    "$bin/x7sim" --bind 127.0.0.1 --count 4 --model Q2,Q2,Q3,Q2 >"$log" 2>&1 &
    sim=$!
    trap 'kill $sim 2>/dev/null || true; rm -f "$log"' EXIT
    # Search only once the modules listen, so the list fills at once.
    for _ in $(seq 50); do
        grep -q 'x7sim ready' "$log" && break
        kill -0 $sim 2>/dev/null || { cat "$log" >&2; exit 1; }
        sleep 0.1
    done
    X7_BIND_ADDRESSES=127.0.0.1 "$bin/Proj_Q" --search
    ;;
--ptz)
    exec "$bin/ptzdesk"
    ;;
*)
    exec "$bin/Proj_Q"
    ;;
esac
