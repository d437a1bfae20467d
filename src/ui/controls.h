#pragma once
// Construction helpers the windows share: labels placed in twips, the title-and-close frame,
// the white client area and the windows' role for screen readers.

#include <QPalette>
#include <QRect>
#include <QString>
#include <Qt>

class QColor;
class QFont;
class QLabel;
class QWidget;

namespace zepra {

// A title bar with a close box only, no minimise or maximise buttons; add the window type.
inline constexpr Qt::WindowFlags kCloseOnlyFrame =
    Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
// The same frame, and the window cannot be resized either.
inline constexpr Qt::WindowFlags kFixedCloseOnlyFrame =
    kCloseOnlyFrame | Qt::MSWindowsFixedSizeDialogHint;

// A rectangle in twips to pixels, each of its four values converted on its own.
QRect PxRect(const QRect& twips);

// Names a label and places it at `twips` with `alignment`; for labels of a derived class.
QLabel* PlaceLabel(QLabel* label, const char* objectName, const QRect& twips,
                   Qt::Alignment alignment);

// A label at `twips` in its window's font, or in `font`. It has no background of its own, so
// whatever lies behind it shows through.
QLabel* MakeLabel(QWidget* parent, const char* objectName, const QString& caption,
                  const QRect& twips, Qt::Alignment alignment);
QLabel* MakeLabel(QWidget* parent, const char* objectName, const QString& caption,
                  const QRect& twips, const QFont& font, Qt::Alignment alignment);

// Sets one colour of the widget's own palette.
void SetPaletteColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

// Fills the widget with white before its children paint; its texts are black.
void PaintWhiteBackground(QWidget* widget);

// Top-level windows that are plain widgets (the main window, the chart windows, the About box)
// present themselves to screen readers as windows named by their titles; Qt would report them as
// an unnamed client area ("filler"). Installed once, before the first window is asked about.
void PresentPlainWindowsAsWindows();

}  // namespace zepra
