#!/usr/bin/env bash
# Checks what can go stale in the installation: installs a built tree (default build/ci) into a
# temporary prefix, looks for every file a desktop user needs, validates the desktop entries and
# the AppStream metainfo, and builds the Debian package from the same tree.
#   scripts/check-install.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix/usr" >/dev/null
expected=(
    usr/bin/Proj_Q usr/bin/ptzdesk usr/bin/x7sim usr/bin/ptzsim usr/bin/x7ctl
    usr/share/applications/org.x7tools.ProjQ.desktop
    usr/share/applications/org.x7tools.PtzDesk.desktop
    usr/share/metainfo/org.x7tools.ProjQ.metainfo.xml
    usr/share/metainfo/org.x7tools.PtzDesk.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/x7-proj-q.svg
    usr/share/icons/hicolor/scalable/apps/x7-ptzdesk.svg
    usr/share/man/man1/Proj_Q.1 usr/share/man/man1/ptzdesk.1
    usr/share/man/man1/x7sim.1 usr/share/man/man1/ptzsim.1 usr/share/man/man1/x7ctl.1
)
for size in 16 24 32 48 64 128 256; do
    expected+=(usr/share/icons/hicolor/${size}x${size}/apps/x7-proj-q.png
               usr/share/icons/hicolor/${size}x${size}/apps/x7-ptzdesk.png)
done
missing=0
for f in "${expected[@]}"; do
    if [ ! -e "$prefix/$f" ]; then
        echo "missing from the installation: $f"
        missing=1
    fi
done
[ $missing -eq 0 ] || exit 1
desktop-file-validate "$prefix"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$prefix"/usr/share/metainfo/*.metainfo.xml
# Each desktop entry starts a program that is installed.
for entry in "$prefix"/usr/share/applications/*.desktop; do
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$prefix/usr/bin/$program" ] || { echo "$entry starts $program, which is not installed"; exit 1; }
done
# An installed copy started with a fresh HOME keeps its files in the data folder, none beside it.
home="$prefix/home"
mkdir -p "$home"
before=$(ls "$prefix/usr/bin")
HOME="$home" QT_QPA_PLATFORM=offscreen X7_BIND_ADDRESSES=127.0.0.1 \
    timeout -s TERM 3 "$prefix/usr/bin/Proj_Q" >/dev/null 2>&1 || true
[ "$(ls "$prefix/usr/bin")" = "$before" ] || { echo "Proj_Q wrote next to its binary"; ls "$prefix/usr/bin"; exit 1; }
pkg=$(mktemp -d)
(cd "$build" && cpack -G DEB -B "$pkg" >/dev/null)
deb=$(ls "$pkg"/x7-tools_*.deb)
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || { echo "package lacks its Qt dependencies"; exit 1; }
echo "install check passed: $(basename "$deb"), $(dpkg-deb -c "$deb" | wc -l) entries"
rm -rf "$pkg"
