#pragma once
// Fixed-size windows stay at their size when something asks to maximise them.
//
// Their frames offer no maximise button (kCloseOnlyFrame), and X11 window managers and most Wayland
// compositors honour that. Qt's own title bar on Wayland does not: its maximise button asks all
// the same. An xdg-shell compositor then configures the window at the maximised size, and a
// window that keeps its old size is a protocol error that ends the program (weston checks it). So
// a fixed-size window asked to maximise drops its maximum size at once, before the compositor
// answers, follows the maximised size, goes back to normal and gets its fixed size back.
// A compositor that maximises a fixed-size window on its own (weston's Super+Shift+M) is answered
// by Qt 6.4 with the fixed size before any of this can run: that one still ends the program.

class QApplication;

namespace zepra {

// Watches every top-level window of the application; call once, after QApplication exists.
void KeepFixedSizeWindowsUnmaximised(QApplication& application);

}  // namespace zepra
