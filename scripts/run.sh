#!/usr/bin/env bash
# Builds what the book needs to start on its sample library (the programs and the sample
# library, no tests, no benchmark) and starts it full screen. The build folder is the one
# scripts/test.sh uses, so that either command reuses what the other has compiled.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CUADERNO_BUILD:-$here/build}"

CUADERNO_TARGET=cuaderno_programs "$here/scripts/setup.sh" "$build"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No hay pantalla gráfica: abra el cuaderno desde una sesión de escritorio con «$build/cuaderno», o en un equipo sin pantalla con «xvfb-run -a -s '-screen 0 1024x768x24' $build/cuaderno»." >&2
    exit 1
fi
echo "==> Abriendo el cuaderno"
exec "$build/cuaderno"
