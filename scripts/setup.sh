#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need; quiet and quick when all are present.
set -euo pipefail

packages=(
    cmake g++ clang make pkg-config
    libxml2-dev libgtest-dev libgmock-dev googletest libbenchmark-dev nlohmann-json3-dev
    python3 python3-jsonschema
    mingw-w64 wine wine64 dpkg-dev xvfb autoconf automake libtool
    x11-apps imagemagick fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo_cmd apt-get update -q >/dev/null
    $sudo_cmd apt-get install -y -q "${missing[@]}" >/dev/null
fi
