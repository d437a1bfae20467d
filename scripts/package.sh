#!/usr/bin/env bash
# Builds the Debian package build/zepra-thickness_<version>_<arch>.deb from the normal build
# (set-up, configure and build as scripts/setup.sh does, then CPack) and prints its path.
#
#   scripts/package.sh          build the package; install it with
#                               sudo apt-get install ./build/zepra-thickness_*.deb
#   scripts/package.sh --check  also check it (CI, as root): list its contents, run lintian,
#                               install it with apt-get, start the installed programs once (the
#                               emulator with zepra-cli ports and with the program pointed at
#                               it), then remove it again; a zepra-thickness installed before
#                               is kept as a .deb (dpkg-repack) and put back afterwards
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build"

check=0
for arg in "$@"; do
    case "$arg" in
        --check) check=1 ;;
        -h|--help) sed -n '2,10s/^# \{0,1\}//p' "$0"; exit 0 ;;
        *) echo "package.sh: unknown option $arg" >&2; exit 2 ;;
    esac
done

ZEPRA_PACKAGE_LEG=$check "$here/scripts/setup.sh"
rm -f "$build"/zepra-thickness_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/zepra-thickness_*.deb)
deb=${debs[0]}
echo "package: $deb"
[ "$check" = 1 ] || exit 0

fail() { echo "package: $*" >&2; exit 1; }
version=$(dpkg-deb --field "$deb" Version)

echo "== package: contents"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
expected=(
    ./usr/bin/zepra-thickness ./usr/bin/zepra-gauge-emulator
    ./usr/share/man/man1/zepra-thickness.1.gz ./usr/share/man/man1/zepra-gauge-emulator.1.gz
    ./usr/share/applications/zepra-thickness.desktop
    ./usr/share/icons/hicolor/64x64/apps/zepra-thickness.png
    ./usr/lib/udev/rules.d/60-zepra-gauge.rules
    ./usr/share/doc/zepra-thickness/README.md ./usr/share/doc/zepra-thickness/copyright
    ./usr/share/doc/zepra-thickness/changelog.gz
)
cli=0
if [ -x "$build/src/cli/zepra-cli" ]; then
    cli=1
    expected+=(./usr/bin/zepra-cli ./usr/share/man/man1/zepra-cli.1.gz)
fi
for file in "${expected[@]}"; do
    grep -qxF "$file" <<<"$contents" || fail "$file is missing from the package"
done
depends=$(dpkg-deb --field "$deb" Depends)
for dependency in fonts-wine fonts-liberation libqt6widgets6 libqt6serialport6 libudev1; do
    grep -q "\\b$dependency\\b" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done
# The changelog needs an entry for each version of project().
changelog_version=$(zcat "$build/packaging/changelog.gz" | sed -n '1s/^[^(]*(\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] ||
    fail "packaging/changelog starts with $changelog_version, the project is $version"

echo "== package: lintian"
lintian --allow-root --fail-on error,warning --display-info --pedantic "$deb"
echo "lintian: no errors, no warnings"

echo "== package: install"
tmp=$(mktemp -d)
emulator_pid=""
program_pid=""
kept=""
cleanup() {
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
    [ -z "$emulator_pid" ] || kill "$emulator_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    dpkg --remove zepra-thickness >/dev/null 2>&1 || true
    if [ -n "$kept" ]; then
        dpkg --install "$kept" >/dev/null || echo "package: could not put back $kept" >&2
        echo "package: put back the zepra-thickness that was installed before"
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT
# A fresh install each time (an installed package of the same version would be kept otherwise),
# but a zepra-thickness the machine had is kept as a .deb and put back when the check ends.
if dpkg-query -W -f='${Status}' zepra-thickness 2>/dev/null | grep -q 'install ok installed'; then
    mkdir "$tmp/kept"
    (cd "$tmp/kept" && dpkg-repack zepra-thickness >/dev/null) ||
        fail "could not keep a copy of the installed zepra-thickness; it is left as it was"
    kept=$(echo "$tmp"/kept/zepra-thickness_*.deb)
    echo "package: kept the installed zepra-thickness as $(basename "$kept")"
    dpkg --remove zepra-thickness >/dev/null
fi
(cd "$build" && DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=300 \
    ./zepra-thickness_*.deb)

echo "== package: the installed udev rule"
rule=/usr/lib/udev/rules.d/60-zepra-gauge.rules
cat "$rule"
# udevadm test reads every rules file and reports each fault as FILE:LINE (there is no cp210x
# device here to try the match on; any tty makes it read the rules).
udev_out=$(udevadm test --action=add /sys/class/tty/tty 2>&1 || true)
grep -qxF "Reading rules file: $rule" <<<"$udev_out" || fail "udevadm did not read $rule"
if grep -F "$rule:" <<<"$udev_out"; then fail "udevadm rejects a line of $rule"; fi
echo "udevadm reads $rule without complaint"

echo "== package: the installed programs"
programs=(zepra-thickness zepra-gauge-emulator)
[ "$cli" = 0 ] || programs+=(zepra-cli)
for program in "${programs[@]}"; do
    # No display: --version must not need one.
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "/usr/bin/$program" --version)
    echo "$ /usr/bin/$program --version"
    echo "$out"
    [ "$out" = "$program $version" ] || fail "$program --version: expected '$program $version'"
done

# Waits up to 20 s (in 0.1 s steps) for a condition given as a command.
wait_for() {
    for _ in $(seq 200); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

/usr/bin/zepra-gauge-emulator --serialcomm "$tmp/ports.ini" --fast >"$tmp/emulator.out" &
emulator_pid=$!
wait_for test -s "$tmp/ports.ini" || fail "the installed emulator wrote no list of ports"
device=$(head -n 1 "$tmp/emulator.out")
echo "emulator on $device"

if [ "$cli" = 1 ]; then
    echo "$ ZEPRA_SERIALCOMM=$tmp/ports.ini zepra-cli ports"
    out=$(ZEPRA_SERIALCOMM="$tmp/ports.ini" /usr/bin/zepra-cli ports) ||
        fail "zepra-cli ports failed"
    echo "$out"
    grep -qF "$device" <<<"$out" || fail "zepra-cli ports does not name $device"
fi

# The program finds the emulator through the list and opens its terminal at start-up.
opened_device() {
    kill -0 "$program_pid" 2>/dev/null || fail "the installed program ended early"
    for fd in /proc/"$program_pid"/fd/*; do
        [ "$(readlink "$fd" 2>/dev/null)" = "$device" ] && return 0
    done
    return 1
}
echo "$ ZEPRA_SERIALCOMM=$tmp/ports.ini QT_QPA_PLATFORM=offscreen zepra-thickness"
ZEPRA_SERIALCOMM="$tmp/ports.ini" QT_QPA_PLATFORM=offscreen /usr/bin/zepra-thickness \
    >"$tmp/program.out" 2>&1 &
program_pid=$!
wait_for opened_device || fail "the installed program did not open $device"
echo "zepra-thickness opened $device"
echo "package: checked $deb"
