#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the book on the user's own library when a parent has made one (cuaderno-biblioteca
# makes it on its first change), else on the library installed beside the program.
here=$(dirname "$(readlink -f "$0")")
data=${XDG_DATA_HOME:-}
case $data in
/*) ;;
*) data=$HOME/.local/share ;;
esac
if [ -d "$data/cuaderno" ]; then
  exec "$here/../lib/cuaderno/cuaderno" --carpeta "$data/cuaderno" "$@"
fi
exec "$here/../lib/cuaderno/cuaderno" "$@"
