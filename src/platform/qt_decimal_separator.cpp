#include "platform/qt_decimal_separator.h"

#include <QLocale>
#include <QString>

#include "data/thickness_format.h"
#include "data/typed_number.h"

namespace zepra {

void UseSystemDecimalSeparator() {
    // Typed numbers refuse the grouping character as a decimal mark (typed_number.h).
    SetTypedNumberGrouping(QLocale::system().groupSeparator().toStdString());
    const QString decimalPoint = QLocale::system().decimalPoint();
    if (!decimalPoint.isEmpty() && decimalPoint.front().unicode() < 0x80) {
        SetDecimalSeparator(decimalPoint.front().toLatin1());
    }
}

}  // namespace zepra
