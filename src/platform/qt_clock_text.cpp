#include "platform/qt_clock_text.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace zepra {

std::string QtClockText::currentDate() const {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}

std::string QtClockText::currentTime() const {
    return QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat).toStdString();
}

}  // namespace zepra
