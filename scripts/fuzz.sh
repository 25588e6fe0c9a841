#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds one libFuzzer target (clang, AddressSanitizer and UndefinedBehaviorSanitizer) and runs
# it for the given time, seeded with the sample drawings and the program's own art. Not part
# of CI. Findings (inputs that crash, hang or take too much memory) go to build-fuzz/findings/.
# Usage: scripts/fuzz.sh svg|load SECONDS [more libFuzzer options...]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
target="${1:?svg o load}"
seconds="${2:?segundos}"
shift 2
stop() {
    echo "$1" >&2
    exit 1
}
[[ "$target" == svg || "$target" == load ]] || stop "Objetivo desconocido «$target»: use svg o load."
command -v clang++-14 >/dev/null ||
    stop "Falta clang: instálelo con «apt-get install clang-14 libclang-rt-14-dev» y vuelva a intentarlo."
compgen -G "/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
    stop "Falta libFuzzer: instálelo con «apt-get install libclang-rt-14-dev» (o libfuzzer-14-dev) y vuelva a intentarlo."

build="$here/build-fuzz"
cd "$here"
[[ -f "$build/CMakeCache.txt" ]] || cmake --preset fuzz >/dev/null
cmake --build "$build" --target "fuzz_$target" -j "${CUADERNO_FUZZ_JOBS:-2}"

corpus="$build/corpus-$target"
seeds="$build/seeds-$target"
findings="$build/findings/$target"
mkdir -p "$corpus" "$seeds" "$findings"
# Seeds named by their path, since the sample drawings of each category share names.
while IFS= read -r -d '' seed; do
    cp "$seed" "$seeds/${seed//\//-}"
done < <(find samples resources/art -type f -name '*.svg' -print0)
if [[ "$target" == load ]]; then
    # A few small bitmaps of each kind the importer reads, when ImageMagick is there to make them.
    if command -v convert >/dev/null; then
        for kind in png gif bmp webp jpg; do
            convert -size 48x32 gradient:red-blue "$seeds/degradado.$kind" 2>/dev/null || true
        done
        convert -size 48x32 gradient:green-yellow -interlace JPEG "$seeds/progresivo.jpg" || true
        convert -size 48x32 gradient:green-yellow -colorspace CMYK "$seeds/cmyk.jpg" || true
    fi
fi

# One job in one process: other builds share the machine. The logs land in fuzz-0.log. Qt keeps
# font and glyph caches for the life of the process, which the leak checker would take for a
# leak of the first input drawing text: leaks are the sanitizer test suite's to find.
cd "$findings"
set +e
ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}" "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=15 \
    -max_len=65536 -jobs=1 -workers=1 -artifact_prefix="$findings/" -print_final_stats=1 -detect_leaks=0 \
    "$@" "$corpus" "$seeds"
status=$?
set -e
tail -n 25 fuzz-0.log 2>/dev/null || true
ls "$findings" | grep -E '^(crash|timeout|oom|leak|slow-unit)-' && echo "==> Hallazgos en $findings"
exit "$status"
