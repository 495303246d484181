#!/usr/bin/env bash
# Cross-builds Debian's own libxml2 release for the Windows build into build/deps/libxml2-windows.
# The source comes from the machine's configured Debian archive; the result is cached.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
prefix="$top/build/deps/libxml2-windows"
work="$top/build/deps/libxml2-src"
version=$(dpkg-query -W -f='${Version}' libxml2-dev)
stamp="$prefix/.built-$version"

[ -f "$stamp" ] && exit 0

# A deb-src entry derived from the configured sources, so no archive address is written here.
if ! apt-get source --print-uris libxml2="$version" >/dev/null 2>&1; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    src_list=/etc/apt/sources.list.d/tav-deb-src.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            | $sudo_cmd tee "$src_list" >/dev/null
    elif [ -f /etc/apt/sources.list ]; then
        grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
            | $sudo_cmd tee /etc/apt/sources.list.d/tav-deb-src.list >/dev/null
    fi
    $sudo_cmd apt-get update -q >/dev/null
fi

rm -rf "$work" "$prefix"
mkdir -p "$work"
(cd "$work" && apt-get source -q --download-only libxml2="$version" >/dev/null 2>&1 \
    && dpkg-source -x --no-check ./*.dsc src >/dev/null)

cd "$work/src"
# Debian's patches touch the automake inputs, so the build files are made anew.
autoreconf -fi >/dev/null 2>&1
./configure -q --host=x86_64-w64-mingw32 --prefix="$prefix" \
    --without-python --without-zlib --without-lzma --without-http --without-ftp \
    --without-iconv --without-icu --enable-static --disable-shared >/dev/null
make -s -j"$(nproc)" libxml2.la >/dev/null 2>&1 || make -s -j"$(nproc)" >/dev/null
make -s install-libLTLIBRARIES install-xmlincHEADERS install-nodist_xmlincHEADERS >/dev/null 2>&1 \
    || make -s install >/dev/null
touch "$stamp"
echo "libxml2 $version for Windows in $prefix"
