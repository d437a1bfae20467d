#!/usr/bin/env bash
# Runs every test: a normal build, the Windows leg (MinGW-w64 build, tests under Wine), a bounded
# run of the link's fuzz target and an AddressSanitizer/UndefinedBehaviorSanitizer build.
# Does the set-up itself (packages, configure, build).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

echo "== normal build"
ZEPRA_WERROR=ON "$here/scripts/setup.sh"
ctest --test-dir "$here/build" --output-on-failure -j2

echo "== Windows leg (MinGW-w64 cross build, tests under Wine)"
ZEPRA_WERROR=ON "$here/scripts/windows-leg.sh"

echo "== Fuzzing the link (libFuzzer, bounded run)"
ZEPRA_WERROR=ON "$here/scripts/fuzz.sh"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
ZEPRA_WERROR=ON "$here/scripts/setup.sh" --sanitize
ctest --test-dir "$here/build-asan" --output-on-failure -j2

echo "== Debian package (from the normal build: contents, lintian, installed, installed programs run)"
"$here/scripts/package.sh" --check
