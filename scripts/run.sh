#!/usr/bin/env bash
# Runs the program. Does the set-up itself (packages, configure, build).
#
# - A gauge plugged in (a cp210x USB-serial bridge) and nothing else said: the program finds it.
# - No gauge: the program is attached to the gauge emulator (demo data and a live stream).
# - No display (no DISPLAY, as on a server or in CI): a guided tour runs on an offscreen display,
#   drives every window, and writes screenshots and reports into a folder whose path it prints.
#
#   scripts/run.sh              as above
#   scripts/run.sh --emulator   always use the emulator, even with a gauge plugged in
#   scripts/run.sh --tour [DIR] run the guided tour (screenshots and reports into DIR)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build"

want_emulator=0
tour=0
tour_dir=""
while [ $# -gt 0 ]; do
    case "$1" in
        --emulator) want_emulator=1 ;;
        --tour) tour=1; if [ $# -gt 1 ] && [ "${2#--}" = "$2" ]; then tour_dir="$2"; shift; fi ;;
        -h|--help) sed -n '2,11s/^# \{0,1\}//p' "$0"; exit 0 ;;
        *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

"$here/scripts/setup.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    tour=1
fi

if [ "$tour" = 1 ]; then
    [ -n "$tour_dir" ] || tour_dir="$here/out/tour-$(date +%Y%m%d-%H%M%S)"
    echo "run: guided tour on the gauge emulator (no display needed)"
    # The tour prints the output folder last; its exit status is the script's.
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" exec "$build/tools/tour/zepra-tour" "$tour_dir"
fi

gauge_attached() {
    local d
    for d in /sys/class/tty/*/device/driver; do
        [ -e "$d" ] && [ "$(basename "$(readlink -f "$d")")" = cp210x ] && return 0
    done
    return 1
}

if [ -z "${ZEPRA_SERIALCOMM:-}" ] && { [ "$want_emulator" = 1 ] || ! gauge_attached; }; then
    table=$(mktemp -t zepra-serialcomm.XXXXXX)
    "$build/tools/gauge-emulator/zepra-gauge-emulator" --scenario demo --serialcomm "$table" \
        >/dev/null &
    emulator=$!
    trap 'kill "$emulator" 2>/dev/null || true; wait "$emulator" 2>/dev/null || true; rm -f "$table"' EXIT
    for _ in $(seq 50); do [ -s "$table" ] && break; sleep 0.1; done
    if [ ! -s "$table" ] || ! kill -0 "$emulator" 2>/dev/null; then
        echo "run: the gauge emulator did not start" >&2
        exit 1
    fi
    echo "run: no gauge attached; using the gauge emulator (ZEPRA_SERIALCOMM=$table)"
    ZEPRA_SERIALCOMM="$table" "$build/src/app/zepra-thickness"
else
    "$build/src/app/zepra-thickness"
fi
