#pragma once
// Finding a window's controls by their object names, as tests and screenshots address them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "ui/fonts.h"

namespace zepra::testing {

// The program's fonts, as main() loads them, so that windows render as they do for the user.
inline void LoadFontsOnce() {
    static const bool loaded = [] {
        LoadApplicationFonts();
        return true;
    }();
    (void)loaded;
}

// The child of root with this object name; fails the test when there is none.
template <typename Widget = QWidget>
Widget* FindControl(const QWidget* root, const char* name) {
    auto* widget = root->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no control named " << name;
    return widget;
}

// The visible top-level window with this object name, or null.
inline QWidget* FindOpenWindow(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->objectName() == QLatin1String(name)) return widget;
    }
    return nullptr;
}

}  // namespace zepra::testing
