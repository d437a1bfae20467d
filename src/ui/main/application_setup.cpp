#include "ui/main/application_setup.h"

#include <QApplication>
#include <QString>

#include "platform/qt_decimal_separator.h"
#include "ui/fonts.h"

namespace zepra {

void SetUpApplication() {
    QApplication::setApplicationName(QStringLiteral("ZEPRA Coating Thickness Tester"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZEPRA Coating Thickness Tester"));
    LoadApplicationFonts();

    UseSystemDecimalSeparator();
}

}  // namespace zepra
