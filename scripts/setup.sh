#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages cuaderno needs (only those missing), then configures and builds.
# Usage: scripts/setup.sh <build-dir> [extra cmake arguments...]
# CUADERNO_TARGET names the one target to build; everything is built when it is unset.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:?build folder}"
shift

packages=(build-essential cmake pkg-config clang-format qt6-base-dev qt6-multimedia-dev qt6-svg-dev libgl-dev
          libgif-dev libpotrace-dev libsndfile1-dev fonts-dejavu-core qt6-translations-l10n)
if [[ "${CUADERNO_TEST_PACKAGES:-0}" == 1 ]]; then
    packages+=(xvfb xauth xdotool imagemagick x11-utils dpkg-dev file poppler-utils cups
               printer-driver-cups-pdf pulseaudio appstream lintian groff-base man-db openbox strace)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
# Each problem a person can fix ends the script with one line saying what to do.
stop() {
    echo "$1" >&2
    exit 1
}

if ((${#missing[@]})); then
    echo "==> Instalando los paquetes de Debian que faltan: ${missing[*]}"
    sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        command -v sudo >/dev/null ||
            stop "Faltan paquetes y no hay sudo: pida a quien administre el equipo que ejecute «apt-get install ${missing[*]}» como root y vuelva a ejecutar esta orden."
        sudo=(sudo)
        sudo -n true 2>/dev/null || echo "    sudo le pedirá su contraseña para instalarlos."
    fi
    echo "==> Actualizando la lista de paquetes (apt-get update)"
    "${sudo[@]}" apt-get update -q ||
        stop "No se pudo actualizar la lista de paquetes: compruebe la conexión a internet (o el proxy) y que su usuario puede usar sudo, y vuelva a ejecutar esta orden."
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        -o Dpkg::Use-Pty=0 "${missing[@]}" ||
        stop "No se pudieron descargar o instalar ${missing[*]}: compruebe la conexión a internet (o el proxy) y el espacio libre en disco, y vuelva a ejecutar esta orden (el detalle está arriba)."
fi

jobs="$(nproc 2>/dev/null || echo 2)"
# A build folder is configured again only when it is asked for with other arguments than
# last time; the build itself configures again when a CMakeLists.txt has changed.
configured="$build/cuaderno-setup-arguments"
if [[ ! -f "$build/CMakeCache.txt" || "$(cat "$configured" 2>/dev/null)" != "$*" ]]; then
    echo "==> Configurando la compilación en «$build»"
    defaults=()
    [[ -f "$build/CMakeCache.txt" ]] || defaults=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
    cmake -S "$here" -B "$build" "${defaults[@]}" "$@" >/dev/null ||
        stop "No se pudo configurar la compilación (el motivo está arriba); si falta algo, vuelva a ejecutar esta orden para instalarlo."
    echo "$*" >"$configured"
fi
target=()
what="todo"
if [[ -n "${CUADERNO_TARGET:-}" ]]; then
    target=(--target "$CUADERNO_TARGET")
    what="$CUADERNO_TARGET"
fi
processes="$jobs procesos"
[[ $jobs == 1 ]] && processes="1 proceso"
echo "==> Compilando $what con $processes (el porcentaje indica el avance)"
cmake --build "$build" -j "$jobs" "${target[@]}" ||
    stop "La compilación falló: el error está arriba."
