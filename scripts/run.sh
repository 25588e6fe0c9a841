#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds what the book needs (the programs and the sample library: no tests, no benchmark)
# and starts it full screen on the library the parents' tools change: the user's own once
# made, else the sample library in the build folder.
# The build has a folder of its own, build-run/, optimised and without debugging data (a
# third less to compile) and without warnings as errors (a newer compiler's new warning must
# not keep the book from a child); scripts/test.sh keeps build/ with its own settings.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CUADERNO_RUN_BUILD:-$here/build-run}"

CUADERNO_TARGET=cuaderno_programs "$here/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCUADERNO_BUILD_TESTS=OFF -DCUADERNO_BUILD_BENCH=OFF

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No hay pantalla gráfica: abra el cuaderno desde una sesión de escritorio con «$build/cuaderno», o en un equipo sin pantalla con «xvfb-run -a -s '-screen 0 1024x768x24' $build/cuaderno»." >&2
    exit 1
fi
echo "==> Abriendo el cuaderno"
exec "$build/cuaderno"
