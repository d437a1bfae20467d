#include "platform/qt_decimal_separator.h"

#include <QLocale>
#include <QString>

#include "data/thickness_format.h"

namespace zepra {

void UseSystemDecimalSeparator() {
    const QString decimalPoint = QLocale::system().decimalPoint();
    if (!decimalPoint.isEmpty() && decimalPoint.front().unicode() < 0x80) {
        SetDecimalSeparator(decimalPoint.front().toLatin1());
    }
}

}  // namespace zepra
