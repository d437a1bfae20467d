#pragma once
// Fixed-size windows stay at their size when something asks to maximise them.
//
// Their frames offer no maximise button (kCloseOnlyFrame), and X11 window managers and most Wayland
// compositors honour that. Qt's own title bar on Wayland does not: its maximise button, and a
// compositor's maximise shortcut, still ask. An xdg-shell compositor then configures the window
// at the maximised size, and a window that keeps its old size is a protocol error that ends the
// program (weston checks it). So a fixed-size window asked to maximise drops its maximum size at
// once, before the compositor answers, follows the maximised size, goes back to normal and gets
// its fixed size back.

class QApplication;

namespace zepra {

// Watches every top-level window of the application; call once, after QApplication exists.
void KeepFixedSizeWindowsUnmaximised(QApplication& application);

}  // namespace zepra
