#!/usr/bin/env bash
# Builds cuaderno with its sample library and starts it full screen.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CUADERNO_BUILD:-$here/build}"

"$here/scripts/setup.sh" "$build"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    cat >&2 <<MSG
cuaderno está compilado, pero no hay pantalla gráfica (ni DISPLAY ni WAYLAND_DISPLAY).
Arránquelo desde una sesión de escritorio con:
    $build/cuaderno
o, en una máquina sin pantalla, dentro de un servidor X virtual:
    xvfb-run -a -s '-screen 0 1024x768x24' $build/cuaderno
MSG
    exit 1
fi
exec "$build/cuaderno"
