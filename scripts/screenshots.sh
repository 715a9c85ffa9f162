#!/usr/bin/env bash
# Grabs the pictures of the README, offscreen, against the simulators, into docs/screenshots/:
#   scripts/screenshots.sh [folder]
# The grabbing is done by the screenshot cases of the window tests (each writes its PNGs where
# X7_SCREENSHOT_DIR says): the main window with two simulated Q2 modules listed and one read into
# the Q2 panel, in Chinese and English (x7sim on loopback, in a network namespace of its own when
# the system allows one); the ptzdesk console connected to ptzsim; the upgrade window after an
# upgrade of a simulated boot loader (needs root for its network namespaces and ports 9, 67, 69;
# skipped otherwise); the data-debugging window with a UDP link, in both languages; the batch
# result table after applying settings to three simulated modules, one of them silent.
# Module-port traffic stays on loopback or inside the namespaces. Re-running refreshes the PNGs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-docs/screenshots}")
scripts/setup.sh
scripts/build.sh dev x7sim ptzsim tst_e2e_q2save tst_ptzconsole tst_datadebugwindow tst_e2e_upgrade \
    tst_e2e_batch
tests=$root/build/dev/tests
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
export QT_QPA_PLATFORM=offscreen X7_BIND_ADDRESSES=127.0.0.1 X7_SCREENSHOT_DIR=$shots
export X7SIM=$root/build/dev/bin/x7sim PTZSIM=$root/build/dev/bin/ptzsim
# Each test keeps its files in a folder of its own, never beside the binaries.
run() {
    echo "== $*"
    (cd "$shots" && X7_FILES_DIR=$(mktemp -d -p "$shots") "$@" >"$shots/log" 2>&1) ||
        { cat "$shots/log"; echo "screenshots: $1 failed" >&2; exit 1; }
}
run "$root/cmake/isolated-net.sh" "$tests/tst_e2e_q2save" screenshots
run "$tests/tst_ptzconsole" screenshotConnected
run "$tests/tst_datadebugwindow" screenshots
run "$root/cmake/isolated-net.sh" "$tests/tst_e2e_upgrade" fromTheDeviceList
run "$root/cmake/isolated-net.sh" "$tests/tst_e2e_batch" silentModuleIsNoAnswerAndTheOthersComplete

mkdir -p "$out"
copy() { # copy <grabbed name> <name in the folder>
    if [ -f "$shots/$1" ]; then
        cp "$shots/$1" "$out/$2"
        echo "$out/$2"
    else
        echo "not grabbed: $1 (see the test's skip message)"
    fi
}
copy q2_cn.png projq-main-zh.png
copy q2_en.png projq-main-en.png
copy ptzdesk_console.png ptzdesk-console.png
copy upgrade_cn.png projq-upgrade-zh.png
copy upgrade_en.png projq-upgrade-en.png
copy datadebug_rx_cn.png projq-datadebug-zh.png
copy datadebug_rx_en.png projq-datadebug-en.png
copy batch-result.png batch-result.png
