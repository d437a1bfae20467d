#pragma once
// The program's artwork, painted in code: the main window's background, the product illustration
// behind the reading panel and the window icons.

#include <QIcon>
#include <QImage>

namespace zepra {

// 600 x 600, 24-bit: the main window's background, drawn from its top-left corner.
QImage BackgroundImage();
// 600 x 600, 32-bit: a handheld coating-thickness gauge with its probe. Its display sits where the
// main window places the reading panel, its name plate where the product label goes.
QImage ProductIllustration();
// 64 x 64, 32-bit.
QIcon MainWindowIcon();
// 16 x 16 and 32 x 32.
QIcon AboutIcon();

}  // namespace zepra
