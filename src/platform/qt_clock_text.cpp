#include "platform/qt_clock_text.h"

#include <utility>

namespace zepra {

QString TimeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;  // inside '...': literal text, copied as it is
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar ch = format[i];
        if (ch == QLatin1Char('\'')) quoted = !quoted;
        if (quoted || ch != QLatin1Char('t')) {
            result += ch;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t')) ++i;
        // The zone's blank goes with it: the one before, or the one after at the start.
        if (!result.isEmpty() && result.back().isSpace()) {
            result.chop(1);
        } else if (result.isEmpty() && i + 1 < format.size() && format[i + 1].isSpace()) {
            ++i;
        }
        if (result.endsWith(QLatin1Char('(')) && i + 1 < format.size() &&
            format[i + 1] == QLatin1Char(')')) {
            result.chop(1);  // "(t)"
            ++i;
            if (!result.isEmpty() && result.back().isSpace()) result.chop(1);
        }
    }
    return result.trimmed();
}

QtClockText::QtClockText(QLocale locale)
    : locale_(std::move(locale)), timeFormat_(TimeFormatWithoutZone(locale_)) {}

QString QtClockText::dateText(QDate date) const {
    return locale_.toString(date, QLocale::ShortFormat);
}

QString QtClockText::timeText(QTime time) const {
    return locale_.toString(time, timeFormat_);
}

std::string QtClockText::currentDate() const {
    return dateText(QDate::currentDate()).toStdString();
}

std::string QtClockText::currentTime() const {
    return timeText(QTime::currentTime()).toStdString();
}

}  // namespace zepra
