#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Formats every C++ file git tracks with the repository's .clang-format; with --check, changes
# nothing and fails naming the files that would change.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
command -v clang-format >/dev/null ||
    { echo "Falta clang-format: ejecute scripts/setup.sh para instalarlo." >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == --check ]]; then
    if ! clang-format --dry-run --Werror "${files[@]}" 2>/dev/null; then
        echo "Estos archivos no siguen .clang-format (arréglelos con scripts/format.sh):" >&2
        for f in "${files[@]}"; do
            clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "  $f" >&2
        done
        exit 1
    fi
else
    clang-format -i "${files[@]}"
fi
