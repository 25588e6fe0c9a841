#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Adds the SPDX licence line to every tracked source file that lacks one: the code is
# GPL-3.0-or-later, the sample and artwork SVGs and the AppStream metadata CC0-1.0.
# Files that already name a licence are left exactly as they are. Run from anywhere.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

code='SPDX-License-Identifier: GPL-3.0-or-later'
art='SPDX-License-Identifier: CC0-1.0'

# insert <file> <line> <after-first-line: 0|1>
insert() {
    local file="$1" line="$2" after="$3" tmp
    tmp="$(mktemp "$file.XXXXXX")"
    if [[ "$after" == 1 ]]; then
        { head -n 1 -- "$file"; printf '%s\n' "$line"; tail -n +2 -- "$file"; } >"$tmp"
    else
        { printf '%s\n' "$line"; cat -- "$file"; } >"$tmp"
    fi
    chmod --reference="$file" "$tmp"
    mv -- "$tmp" "$file"
}

git ls-files -z | while IFS= read -r -d '' file; do
    [[ -f "$file" ]] || continue
    grep -q 'SPDX-License-Identifier' -- "$file" && continue
    # The shebang or the XML declaration stays the first line.
    first="$(head -n 1 -- "$file")"
    after=0
    [[ "$first" == '#!'* || "$first" == '<?xml'* ]] && after=1
    case "$file" in
    *.cpp | *.h) insert "$file" "// $code" 0 ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake | *.desktop | *.sh | .ci/*) insert "$file" "# $code" "$after" ;;
    samples/*.svg | resources/*.svg | *.metainfo.xml) insert "$file" "<!-- $art -->" "$after" ;;
    *) continue ;;
    esac
    echo "$file"
done
