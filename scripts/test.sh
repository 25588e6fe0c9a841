#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the formatting, builds everything with warnings as errors and runs the whole test
# suite, then the same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
# Set CUADERNO_SANITIZE=0 to skip the sanitizer pass.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export CUADERNO_TEST_PACKAGES=1
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc 2>/dev/null || echo 2)"

# Formatting first: it takes seconds, and a build is no use to a change that must be redone.
# On a machine without clang-format yet, right after setup.sh has installed it.
formatted=0
if command -v clang-format >/dev/null; then
    "$here/scripts/format.sh" --check
    formatted=1
fi
build="${CUADERNO_BUILD:-$here/build}"
"$here/scripts/setup.sh" "$build" -DCUADERNO_WERROR=ON
((formatted)) || "$here/scripts/format.sh" --check
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs"

if [[ "${CUADERNO_SANITIZE:-1}" != 0 ]]; then
    asan="${CUADERNO_ASAN_BUILD:-$here/build-asan}"
    "$here/scripts/setup.sh" "$asan" -DCMAKE_BUILD_TYPE=Debug -DCUADERNO_WERROR=ON \
        -DCUADERNO_SANITIZE=ON
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=0"
    export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    ctest --test-dir "$asan" --output-on-failure --no-tests=error -j "$jobs"
fi
