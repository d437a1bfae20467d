#pragma once
// The fonts of the windows. Tahoma and MS Sans Serif come from Debian's fonts-wine
// (metric-compatible free versions, not registered with fontconfig, so loaded here); Arial and
// Arial Narrow map to Liberation Sans and Liberation Sans Narrow. Sizes are in points at 96 dots
// per inch and are set as pixel sizes, so that the fixed pixel layouts hold whatever the screen's
// resolution.

#include <QFont>

namespace zepra {

// Loads the bundled font files when present; call once after the QApplication exists.
void LoadApplicationFonts();

QFont TahomaFont(double points, bool bold = false);
QFont MsSansSerifFont(double points, bool bold = false);
QFont ArialFont(double points, bool bold = false);
QFont ArialNarrowFont(double points, bool bold = false);

// Twips (1/15 pixel at 96 dpi) to pixels.
constexpr int Px(int twips) {
    return (twips + 7) / 15;
}

}  // namespace zepra
