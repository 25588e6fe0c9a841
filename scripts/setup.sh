#!/usr/bin/env bash
# Installs the Debian packages cuaderno needs (only those missing), then configures and builds.
# Usage: scripts/setup.sh <build-dir> [extra cmake arguments...]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:?build folder}"
shift

packages=(build-essential cmake pkg-config qt6-base-dev qt6-multimedia-dev qt6-svg-dev libgl-dev
          libgif-dev fonts-dejavu-core qt6-translations-l10n)
if [[ "${CUADERNO_TEST_PACKAGES:-0}" == 1 ]]; then
    packages+=(xvfb xauth xdotool imagemagick x11-utils dpkg-dev file poppler-utils cups printer-driver-cups-pdf pulseaudio)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if ((${#missing[@]})); then
    echo "Instalando paquetes que faltan: ${missing[*]}"
    sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

jobs="$(nproc 2>/dev/null || echo 2)"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
else
    cmake -S "$here" -B "$build" "$@" >/dev/null
fi
cmake --build "$build" -j "$jobs"
