#!/usr/bin/env bash
# The demo: updates a Tarnova server staged in a fresh Wine prefix with the real
# TavUpdateWizard.exe and the bundled package (demo/package), walking every page of the wizard
# as an administrator would, and prints what the update did. Installs what it needs first.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
echo "== installing what the demo needs (compilers, mingw-w64, Wine, Xvfb; quiet when present)"
scripts/setup.sh
scripts/build-libxml2-windows.sh
echo "== building the wizard, tavpkg and the stand-ins of the staged machine (build/windows)"
cmake --preset windows >/dev/null
cmake --build build/windows -j"$(nproc)" --target TavUpdateWizard tavpkg uidriver uidriver_hook \
    tav_server_v1 tav_server_v2 tav_probe tav_probe_1000 tav_desktop_keeper tav_tool_recorder \
    tav_regasm_standin TavCertHlp >/dev/null
tests/win/demo/demo-update.sh build/windows demo/package resources build/demo-screenshots
