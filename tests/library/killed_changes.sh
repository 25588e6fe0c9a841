#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kills "cuaderno-biblioteca quitar" and "importar" at each call that changes a file, one
# call at a time, and checks what a family would find: no number holding files of two
# drawings at the kill, and after the next change ("imprimir no") the category as before or
# as asked, numbered 1..N, with no hidden leftovers and the other category's gap in place.
# Then, with renameat2 refused as on NFS, the first change makes the user's library.
# Usage: killed_changes.sh CUADERNO-BIBLIOTECA SAMPLE-LIBRARY
set -u
tool=$1
samples=$2
command -v strace >/dev/null || { echo "strace no está instalado"; [[ ${CI:-} == true ]] && exit 1; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/home/datos XDG_RUNTIME_DIR=$work/run
export QT_QPA_PLATFORM=offscreen
# The leak checker cannot run under a tracer; the Qt Test suites check for leaks.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
failures=0 tried=0
fail() { echo "FALLO: $*"; failures=$((failures + 1)); }

# One line per number of category 1: "N coloured-sum uncoloured-sum outline-sum".
pairs() {
    local dir=$1/dibujos/1 n c u o
    for n in $(ls "$dir/si coloreado" "$dir/no coloreado" "$dir/contornos" 2>/dev/null | grep -o '^[0-9]*' | sort -nu); do
        c=$(cat "$dir/si coloreado/$n".{GIF,JPG} 2>/dev/null | md5sum | cut -c1-8)
        u=$(cat "$dir/no coloreado/$n.GIF" 2>/dev/null | md5sum | cut -c1-8)
        o=$(cat "$dir/contornos/$n.svg" 2>/dev/null | md5sum | cut -c1-8)
        echo "$n $c $u $o"
    done
}
fresh() { # a library of category 1 (five drawings) and category 2 with a gap at 2
    rm -rf "$1" && mkdir -p "$1/dibujos"
    cp -r "$samples/dibujos/1" "$samples/dibujos/2" "$1/dibujos/"
    rm -f "$1/dibujos/2/si coloreado/2."* "$1/dibujos/2/no coloreado/2."* "$1/dibujos/2/contornos/2."*
    echo NO >"$1/impresora.txt"
}
picture=$samples/dibujos/3/si\ coloreado/1.JPG
run() { # the change asked, on library $1, after any prefix ($2...)
    local lib=$1
    shift
    case $change in
    quitar) "$@" "$tool" quitar --carpeta "$lib" --categoria 1 2 ;;
    # The options with their accents here, without them above: both spellings are accepted.
    importar) "$@" "$tool" importar --carpeta "$lib" --categoría 1 --tamaño 200x150 "$picture" ;;
    esac
}
empty=$(md5sum </dev/null | cut -c1-8)

for change in quitar importar; do
    fresh "$work/ref" && before=$(pairs "$work/ref") && other=$(cd "$work/ref/dibujos/2" && ls -RA)
    run "$work/ref" >/dev/null 2>&1 || fail "$change sin matar no funciona"
    asked=$(pairs "$work/ref")
    known=$( (echo "$before"; echo "$asked") | cut -d' ' -f2- | sort -u)
    for call in renameat2 rename renameat linkat link symlink symlinkat unlink unlinkat mkdir \
        mkdirat fsync fdatasync; do
        for k in $(seq 1 60); do
            fresh "$work/lib"
            run "$work/lib" strace -f -o /dev/null \
                -e "inject=$call:signal=SIGKILL:when=$k" >/dev/null 2>&1
            status=$?
            [[ $status == 0 ]] && break
            where="$change, $call n.º $k"
            [[ $status == 137 ]] || { fail "$where: sale con $status sin que lo maten"; break; }
            tried=$((tried + 1))
            while read -r n c u o; do
                # An outline may lag a step behind its pair, never sit beside another's.
                if [[ $c != "$empty" && $u != "$empty" ]] &&
                    ! grep -qx "$c $u $o" <<<"$known" &&
                    ! { [[ $o == "$empty" ]] && grep -q "^$c $u " <<<"$known"; }; then
                    fail "$where: el número $n mezcla dos dibujos"
                fi
            done < <(pairs "$work/lib")
            "$tool" imprimir no --carpeta "$work/lib" >/dev/null || fail "$where: imprimir no falla"
            now=$(pairs "$work/lib")
            [[ $now == "$before" || $now == "$asked" ]] || fail "$where: queda $(echo $now)"
            [[ -z $(find "$work/lib" -name '.cuaderno-*') ]] || fail "$where: quedan archivos ocultos"
            [[ $(cd "$work/lib/dibujos/2" && ls -RA) == "$other" ]] || fail "$where: la categoría 2 cambió"
        done
    done
done
echo "$tried puntos de muerte probados, $failures fallos"

# Rename flags refused: the first change makes the user's library, and a removal works.
strace -f -o /dev/null -e inject=renameat2:error=EINVAL \
    "$tool" quitar --categoria 1 2 || fail "sin renameat2: quitar falla"
user=$XDG_DATA_HOME/cuaderno
[[ -f $user/impresora.txt && ! -L $user/impresora.txt ]] || fail "sin renameat2: falta el interruptor"
for c in 2 3 4 5 6 7 8 9 10; do
    [[ $(ls "$user/dibujos/$c/si coloreado") == "$(ls "$samples/dibujos/$c/si coloreado")" ]] ||
        fail "sin renameat2: la categoría $c no está entera"
done
[[ $(ls "$user/dibujos/1/si coloreado" | wc -l) == $(($(ls "$samples/dibujos/1/si coloreado" | wc -l) - 1)) ]] ||
    fail "sin renameat2: no se ha quitado el dibujo"
exit $((failures > 0))
