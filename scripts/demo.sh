#!/usr/bin/env bash
# Shows the bundled demo package as the update wizard reads it, and how the wizard tells a
# delivered web page from one the administrator customized.
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
echo
echo "== the package's web pages carry signatures =="
build/native/tavpkg verify demo/package/package/web/*.asp
echo
echo "== an installed page the administrator changed counts as customized =="
installed=$(mktemp -d)
trap 'rm -rf "$installed"' EXIT
cp demo/package/package/web/*.asp "$installed/"
# A new script comment and other indentation are no change; a new paragraph is.
sed -i 's#^  <h1>#      <h1>#; s#^  var user#  // local copy\n  var user#' "$installed/default.asp"
sed -i 's#^  <p>Jobs waiting#  <p>Call the help desk on 1234.</p>\n  <p>Jobs waiting#' "$installed/status.asp"
status=0
build/native/tavpkg verify "$installed"/*.asp || status=$?
echo "(tavpkg verify exit code $status: 1 means a file would be kept in _todo before it is replaced)"
