#!/bin/sh
# The program reads its drawings, sounds and settings from the folder it runs
# from, so the real binary lives beside them in lib/cuaderno.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/cuaderno/cuaderno" "$@"
