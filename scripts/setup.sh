#!/usr/bin/env bash
# Set-up on a Debian 12 machine: installs the Debian packages the project needs (only those
# missing), then configures and builds. Idempotent; quick when everything is in place.
#
#   scripts/setup.sh                 packages + normal build in build/
#   scripts/setup.sh --sanitize      packages + AddressSanitizer/UBSan build in build-asan/
#   scripts/setup.sh --packages-only packages only
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=normal
for arg in "$@"; do
    case "$arg" in
        --sanitize) mode=sanitize ;;
        --packages-only) mode=packages ;;
        *) echo "setup.sh: unknown option $arg" >&2; exit 2 ;;
    esac
done

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev libgl-dev qt6-qpa-plugins
    # the archive: Qt SQL's SQLite driver
    libqt6sql6-sqlite
    # the team's archive: libpq for the server, and PostgreSQL for the tests' throw-away server
    # and Qt SQL's PostgreSQL driver (the program itself talks to the server through libpq)
    libpq-dev postgresql libqt6sql6-psql
    # the port watcher: the kernel's device events (optional in the build, wanted in the package)
    libudev-dev libudev1
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libxkbcommon-dev xvfb xauth x11-utils fonts-wine fonts-liberation
    # the Wayland tests: a compositor of their own and Qt's wayland platform
    weston qt6-wayland
    dpkg-dev file locales poppler-utils
    # the inspection reports' checks: qpdf's structure check and PDFBox's PDF/A-1b preflight
    qpdf libpdfbox2-java libactivation-java libjaxb-api-java default-jre-headless
)
if [ "${ZEPRA_WINDOWS_LEG:-0}" = 1 ]; then
    packages+=(mingw-w64 wine64 wine)
fi
if [ "${ZEPRA_FUZZ_LEG:-0}" = 1 ]; then
    packages+=(clang-14 libclang-rt-14-dev)
fi
# Checking the Debian package (scripts/package.sh --check): lintian, man for its page checks, and
# udevadm to read the udev rule.
if [ "${ZEPRA_PACKAGE_LEG:-0}" = 1 ]; then
    packages+=(lintian man-db groff-base udev dpkg-repack)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: these Debian packages are missing and installing them needs root:" >&2
        echo "  sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
    if ! apt-get update -qq; then
        echo "setup: cannot reach Debian's package archive (apt-get update failed)." >&2
        exit 1
    fi
    if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"; then
        echo "setup: apt-get could not install: ${missing[*]}" >&2
        exit 1
    fi
fi

# The C library's locale data for the locales the tests run under (a decimal comma, Persian digits,
# time patterns with words).
# Every German or French desktop has it; a fresh build machine has only C.
test_locales=(de_DE fr_FR en_US fa_IR ja_JP th_TH tr_TR)
for l in "${test_locales[@]}"; do
    if ! locale -a 2>/dev/null | grep -qix "$l.utf-\?8"; then
        if [ "$(id -u)" -ne 0 ]; then
            echo "setup: the locale $l.UTF-8 is missing; as root: localedef -i $l -f UTF-8 $l.UTF-8" >&2
            continue
        fi
        echo "setup: making the locale $l.UTF-8"
        localedef -i "$l" -f UTF-8 "$l.UTF-8" || echo "setup: localedef $l.UTF-8 failed" >&2
    fi
done

[ "$mode" = packages ] && exit 0

if [ "$mode" = sanitize ]; then
    build="$here/build-asan"
    flags=(-DZEPRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DZEPRA_BUILD_BENCHMARKS=OFF)
else
    build="$here/build"
    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
# Warnings are errors when ZEPRA_WERROR=ON (the tests set it); otherwise the cache keeps its value,
# so that running the program after the tests does not rebuild everything.
if [ -n "${ZEPRA_WERROR:-}" ]; then
    flags+=(-DZEPRA_WERROR="$ZEPRA_WERROR")
fi

cmake -S "$here" -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" -j"${ZEPRA_JOBS:-2}"
