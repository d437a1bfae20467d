#pragma once
// The fonts of the windows. Tahoma and MS Sans Serif come from Debian's fonts-wine
// (metric-compatible free versions, not registered with fontconfig, so loaded here); Arial and
// Arial Narrow map to Liberation Sans and Liberation Sans Narrow. Sizes are in points at 96 dots
// per inch and are set as pixel sizes, so that the fixed pixel layouts hold whatever the screen's
// resolution.

#include <QFont>
#include <QString>

class QWidget;

namespace zepra {

// Loads the bundled font files when present; call once after the QApplication exists.
void LoadApplicationFonts();

QFont TahomaFont(double points, bool bold = false);
QFont MsSansSerifFont(double points, bool bold = false);
QFont ArialFont(double points, bool bold = false);
QFont ArialNarrowFont(double points, bool bold = false);

// MS Sans Serif is a bitmap face with one strike per size: at a device pixel ratio other than 1
// Qt keeps the 1x strike and only spreads its advances. There the labels take this scalable face
// at the strike's pixel size: of the faces we ship or depend on, the one whose widths and ink
// height come closest to the bitmap face's on the windows' texts (the label face test measures).
inline const QString kScalableStandInFamily = QStringLiteral("Liberation Sans Narrow");
// `font` itself at a ratio of 1 or when it is not the bitmap face, else its scalable stand-in.
QFont FaceForRatio(const QFont& font, qreal ratio);
// Keeps `widget` (and the children that inherit its font) in FaceForRatio(font, ratio of the
// screen it is on): checked before each paint, so a move to a screen with another ratio follows.
void FollowDeviceRatio(QWidget* widget, const QFont& font);
// The font given to FollowDeviceRatio, else the widget's own.
QFont DesignFont(const QWidget* widget);

// Twips (1/15 pixel at 96 dpi) to pixels.
constexpr int Px(int twips) {
    return (twips + 7) / 15;
}

}  // namespace zepra
