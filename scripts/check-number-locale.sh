#!/usr/bin/env bash
# Fails when a locale-dependent conversion of numbers comes back into the programs' sources.
# Qt sets the C library's locale from the environment at start: on a German or French desktop
# every such call writes or expects a decimal comma where our number texts have a point.
# Numbers go through std::to_chars / std::from_chars or Qt's C-locale conversions instead.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

patterns=(
    # C library conversions of text to numbers
    '\b(strto(d|f|ld)|ato(f|i|l|ll)|std::sto(d|f|ld|i|l|ll|ul|ull)|s?f?scanf)\s*\('
    # printf-family formats with a floating conversion ("%.2f", "%g", "%e")
    '"[^"]*%[-+ #0]*[0-9*]*(\.[0-9*]+)?[lL]?[eEfFgGaA][^"]*"'
    # a C++ locale reaching streams
    'std::locale::global|\.imbue\s*\(|std::locale\s*\(\s*""'
    # Qt's localised conversions of numbers
    '%L[0-9]|QLocale(::system)?\(\)\.to(Double|Float|Int|UInt|Long|ULong|LongLong|ULongLong|Short|String)\s*\('
)
found=0
for pattern in "${patterns[@]}"; do
    if hits=$(grep -rnE --include='*.cpp' --include='*.h' "$pattern" src tools fuzz bench |
        grep -vE '^[^:]+:[0-9]+:\s*//'); then
        echo "$hits"
        found=1
    fi
done
if [ "$found" -ne 0 ]; then
    echo "check-number-locale: locale-dependent number conversions above; use std::to_chars," \
        "std::from_chars or Qt's C-locale conversions" >&2
    exit 1
fi
echo "check-number-locale: no locale-dependent number conversions"
