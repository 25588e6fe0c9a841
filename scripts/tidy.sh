#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs clang-tidy (.clang-tidy) on the C++ sources changed since a git revision, or on the
# files named, against a build folder's compile_commands.json; fails when it finds anything.
# Usage: scripts/tidy.sh [--since REV (main)] [--build DIR (build)] [file...]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
since=main
build=build
while [[ $# -gt 0 ]]; do
    case "$1" in
    --since) since="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    *) break ;;
    esac
done
command -v clang-tidy >/dev/null ||
    { echo "Falta clang-tidy: instálelo con «sudo apt-get install clang-tidy»." >&2; exit 1; }
[[ -f "$build/compile_commands.json" ]] ||
    { echo "Falta $build/compile_commands.json: compile antes con scripts/setup.sh $build." >&2; exit 1; }

if [[ $# -gt 0 ]]; then
    files=("$@")
else
    # Only files the build compiles: headers are checked through them.
    mapfile -t files < <(git diff --name-only --diff-filter=d "$since" -- '*.cpp'; git ls-files --others --exclude-standard -- '*.cpp')
fi
((${#files[@]})) || { echo "No hay archivos .cpp cambiados desde $since."; exit 0; }
status=0
for f in "${files[@]}"; do
    # Files the build does not compile (a benchmark left out, a deleted one) are passed over.
    grep -qF "\"file\": \"$PWD/$f\"" "$build/compile_commands.json" || continue
    out="$(clang-tidy --quiet -p "$build" "$f" 2>/dev/null)" || true
    if grep -qE '(warning|error):' <<<"$out"; then
        printf '%s\n' "$out"
        status=1
    fi
done
exit "$status"
