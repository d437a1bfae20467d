#include "ui/main/application_setup.h"

#include <QApplication>
#include <QString>

#include "platform/qt_decimal_separator.h"
#include "ui/controls.h"
#include "ui/fixed_size_windows.h"
#include "ui/fonts.h"

namespace zepra {

void SetUpApplication() {
    // The name titles the message boxes. No display name: Qt would append it to the caption of
    // every window ("Group1 — ZEPRA ...") on X11 and Windows.
    QApplication::setApplicationName(QStringLiteral("ZEPRA Coating Thickness Tester"));
    LoadApplicationFonts();
    PresentPlainWindowsAsWindows();

    UseSystemDecimalSeparator();
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        KeepFixedSizeWindowsUnmaximised(*application);
    }
}

}  // namespace zepra
