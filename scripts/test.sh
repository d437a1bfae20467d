#!/usr/bin/env bash
# Runs every test: a normal build, its tests again under a German locale, the Windows leg (MinGW-w64 build, tests under Wine), a bounded
# run of the link's fuzz target, an AddressSanitizer/UndefinedBehaviorSanitizer build and the
# Debian package's check (built, lintian, installed, its programs started).
# Does the set-up itself (packages, configure, build). Every leg runs even when an earlier one
# failed; the verdict of each is printed at the end and the script fails if any leg failed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

normal_leg() {
    ZEPRA_WERROR=ON "$here/scripts/setup.sh" &&
        ctest --test-dir "$here/build" --output-on-failure -j2
}
# The whole suite again on a German desktop: the C library in de_DE (a decimal comma), as Qt
# sets it from the environment at start. Without the locale's data the C library would silently
# stay in C and prove nothing, so a missing locale fails the leg.
german_leg() {
    if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8'; then
        echo "test: the locale de_DE.UTF-8 is not installed (scripts/setup.sh makes it as root)" >&2
        return 1
    fi
    "$here/scripts/check-number-locale.sh" &&
        LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 ctest --test-dir "$here/build" --output-on-failure -j2
}
windows_leg() {
    ZEPRA_WERROR=ON "$here/scripts/windows-leg.sh"
}
fuzz_leg() {
    ZEPRA_WERROR=ON "$here/scripts/fuzz.sh"
}
# The check installs and removes the program's package; it must leave a zepra-thickness the
# machine had as it found it. Where none is installed, a stand-in is, and must be back afterwards.
package_leg() {
    local before after standin="" status=0
    installed_version() {
        dpkg-query -W -f='${Status} ${Version}' zepra-thickness 2>/dev/null |
            sed -n 's/^install ok installed //p'
    }
    before=$(installed_version)
    if [ -z "$before" ] && [ "$(id -u)" = 0 ]; then
        standin=$(mktemp -d)
        mkdir -p "$standin/deb/DEBIAN" "$standin/deb/usr/share/zepra-thickness-stand-in"
        printf '%s\n' "Package: zepra-thickness" "Version: 0~stand-in" "Architecture: all" \
            "Maintainer: test <test@localhost>" "Description: stand-in for the package check" \
            >"$standin/deb/DEBIAN/control"
        touch "$standin/deb/usr/share/zepra-thickness-stand-in/marker"
        dpkg-deb --build "$standin/deb" "$standin/stand-in.deb" >/dev/null &&
            dpkg --install "$standin/stand-in.deb" >/dev/null || return 1
        before=0~stand-in
    fi
    "$here/scripts/package.sh" --check || status=1
    after=$(installed_version)
    if [ "$after" != "$before" ]; then
        echo "test: the package check left zepra-thickness '${after:-none}', it found '$before'" >&2
        status=1
    fi
    if [ -n "$standin" ]; then
        [ -e /usr/share/zepra-thickness-stand-in/marker ] || {
            echo "test: the stand-in package's file is gone" >&2
            status=1
        }
        dpkg --remove zepra-thickness >/dev/null 2>&1
        rm -rf "$standin"
    fi
    return "$status"
}
sanitizer_leg() {
    ZEPRA_WERROR=ON "$here/scripts/setup.sh" --sanitize &&
        ctest --test-dir "$here/build-asan" --output-on-failure -j2
}

legs=(normal_leg german_leg windows_leg fuzz_leg sanitizer_leg package_leg)
titles=(
    "normal build"
    "German desktop (LC_ALL=de_DE.UTF-8: no locale-dependent number conversion, the tests again)"
    "Windows leg (MinGW-w64 cross build, tests under Wine)"
    "fuzzing the link (libFuzzer, bounded run)"
    "AddressSanitizer + UndefinedBehaviorSanitizer build"
    "Debian package (from the normal build: contents, lintian, installed, installed programs run)"
)
verdicts=()
failed=0
for i in "${!legs[@]}"; do
    echo "== ${titles[$i]}"
    if "${legs[$i]}"; then
        verdicts+=("passed")
    else
        verdicts+=("FAILED")
        failed=1
    fi
    echo "== ${titles[$i]}: ${verdicts[$i]}"
done

echo "== Summary"
for i in "${!legs[@]}"; do
    printf '%-8s %s\n' "${verdicts[$i]}" "${titles[$i]}"
done
exit "$failed"
