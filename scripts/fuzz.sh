#!/usr/bin/env bash
# The link's fuzz target (libFuzzer, with AddressSanitizer and UBSan), built with clang in
# build-fuzz/ and started from the seed corpus in fuzz/corpus/link (never written to).
#
#   scripts/fuzz.sh                 a bounded run, as CI does it (ZEPRA_FUZZ_RUNS, default 8000)
#   scripts/fuzz.sh --seconds S     a long run; what it learns is kept in build-fuzz/corpus
#   scripts/fuzz.sh --runs N
# A finding (a failed check, a sanitizer report, or one input running longer than 30 s) is
# written as build-fuzz/crash-* or timeout-* and the script fails; replay it with
#   build-fuzz/fuzz/link_fuzz build-fuzz/crash-...
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build-fuzz"
limit=(-runs="${ZEPRA_FUZZ_RUNS:-8000}")
case "${1:-}" in
    --seconds) limit=(-max_total_time="$2") ;;
    --runs) limit=(-runs="$2") ;;
    "") ;;
    *) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
esac

ZEPRA_FUZZ_LEG=1 "$here/scripts/setup.sh" --packages-only

cmake -S "$here" -B "$build" -G Ninja \
    -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZEPRA_FUZZ=ON -DZEPRA_SANITIZE=ON -DZEPRA_BUILD_QT=OFF \
    -DZEPRA_BUILD_TESTS=OFF -DZEPRA_BUILD_BENCHMARKS=OFF \
    -DZEPRA_WERROR="${ZEPRA_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j"${ZEPRA_JOBS:-2}" --target link_fuzz

mkdir -p "$build/corpus"
cd "$build"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
start=$(date +%s)
./fuzz/link_fuzz "${limit[@]}" -max_len=4096 -timeout=30 -print_final_stats=1 \
    corpus "$here/fuzz/corpus/link" 2>fuzz.log || {
    tail -50 fuzz.log
    echo "Fuzz: the link's fuzz target found a fault (see build-fuzz/fuzz.log)"
    exit 1
}
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' fuzz.log)
echo "Fuzz: ${runs:-?} runs of the link's fuzz target in $(( $(date +%s) - start )) s, no finding"
