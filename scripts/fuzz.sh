#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each for a bounded time from its seeds.
#   scripts/fuzz.sh [seconds-per-target]   (default 30; CI runs a short time, run longer by hand)
# A crash stops the run with the failing input saved in build/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
seconds=${1:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_datagram fuzz_param_blocks fuzz_projq_files fuzz_ptz \
    fuzz_serial fuzz_upgrade fuzz_dataself
mkdir -p build/fuzz/crashes
for target in $(find build/fuzz/fuzz -maxdepth 1 -name "fuzz_*" -type f -executable | sort); do
    name=$(basename "$target")
    work="build/fuzz/corpus/$name"
    mkdir -p "$work"
    echo "== $name for ${seconds}s"
    # Seeds from the repository, new finds in the build tree.
    "$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/crashes/$name-" "$work" "fuzz/corpus/$name" 2>&1 |
        grep -E '^(stat::number_of_executed_units|Done|==[0-9]+==ERROR|SUMMARY|artifact_prefix)' || true
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "$name found a crash"; exit 1; }
done
