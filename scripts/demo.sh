#!/usr/bin/env bash
# Shows the bundled demo package as the update wizard reads it.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh
cmake --preset native >/dev/null
cmake --build build/native -j"$(nproc)" --target tavpkg >/dev/null
echo "== demo/package/config.xml as the wizard loads it =="
build/native/tavpkg dump demo/package/config.xml
echo
echo "== the module updaters it creates (on this machine no server runs) =="
build/native/tavpkg plan demo/package/config.xml
