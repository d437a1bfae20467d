#include "ui/main/application_setup.h"

#include <QApplication>
#include <QLocale>
#include <QString>

#include "data/thickness_format.h"
#include "ui/fonts.h"

namespace zepra {

void SetUpApplication() {
    // The name titles the message boxes. No display name: Qt would append it to the caption of
    // every window ("Group1 — ZEPRA ...") on X11 and Windows.
    QApplication::setApplicationName(QStringLiteral("ZEPRA Coating Thickness Tester"));
    LoadApplicationFonts();

    // Only a one-byte separator can be written into the texts (every report character is ASCII).
    const QString decimalPoint = QLocale::system().decimalPoint();
    if (!decimalPoint.isEmpty() && decimalPoint.front().unicode() < 0x80) {
        SetDecimalSeparator(decimalPoint.front().toLatin1());
    }
}

}  // namespace zepra
