#!/usr/bin/env bash
# The Windows leg: cross-builds the plain C++ parts and their tests with MinGW-w64 and runs the
# tests under Wine, in a throw-away Wine prefix inside the build folder.
#
#   scripts/windows-leg.sh          packages (via setup.sh), configure, build, run, summary
#
# Environment: ZEPRA_JOBS (build jobs, default 2), ZEPRA_WERROR (ON/OFF).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build-windows"

ZEPRA_WINDOWS_LEG=1 "$here/scripts/setup.sh" --packages-only

echo "== Windows leg: cross build"
cmake -S "$here" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DZEPRA_BUILD_QT=OFF -DZEPRA_BUILD_BENCHMARKS=OFF \
    -DZEPRA_WERROR="${ZEPRA_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j"${ZEPRA_JOBS:-2}"

tests=(
    "$build/tests/zepra_data_tests.exe"
    "$build/tests/zepra_charts_tests.exe"
    "$build/tests/zepra_coating_tests.exe"
    "$build/tests/zepra_registry_tests.exe"
    "$build/tests/windows/zepra_windows_tests.exe"
)

echo "== Windows leg: tests under Wine"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko: nothing to install, nothing to fetch.
export WINEDLLOVERRIDES="mscoree,mshtml="
logs="$build/wine-logs"
rm -rf "$WINEPREFIX" "$logs"
mkdir -p "$WINEPREFIX" "$logs"

# One wineserver for the whole run, stopped at the end whatever happens.
wineserver -p
trap 'wineserver -k || true' EXIT
# Wine's helper processes inherit the standard output: their output goes to files only.
wineboot -i >"$logs/wineboot.log" 2>&1 || { cat "$logs/wineboot.log"; exit 1; }

# The number in GoogleTest's "[  PASSED  ] N tests." (or FAILED) line of a log, 0 without one.
gtest_count() {
    local n
    n=$(sed -nE "s/^\[ +$1 +\] ([0-9]+) tests?[.,].*/\1/p" "$2" | head -n1)
    echo "${n:-0}"
}

failed=0
passed_count=0
failed_count=0
summary=()
for test in "${tests[@]}"; do
    name=$(basename "$test" .exe)
    if [ ! -f "$test" ]; then
        summary+=("$name: not built")
        failed=1
        continue
    fi
    status=0
    timeout 300 wine "$test" --gtest_brief=1 >"$logs/$name.log" 2>&1 || status=$?
    cat "$logs/$name.log"
    result=$(grep -E '^\[ +(PASSED|FAILED|SKIPPED) +\]' "$logs/$name.log" | tr -s ' []' ' ' |
        tr '\n' ' ' || true)
    summary+=("$name: exit $status ${result:-no test summary}")
    passed_count=$((passed_count + $(gtest_count PASSED "$logs/$name.log")))
    failed_count=$((failed_count + $(gtest_count FAILED "$logs/$name.log")))
    [ "$status" -eq 0 ] || failed=1
done

echo "== Windows leg: summary"
printf '  %s\n' "${summary[@]}"
echo "Windows: $passed_count passed, $failed_count failed"
exit "$failed"
