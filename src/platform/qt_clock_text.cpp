#include "platform/qt_clock_text.h"

#include <algorithm>
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

QString AsciiPattern(const QString& pattern, const QString& fallback) {
    const bool ascii = std::all_of(pattern.begin(), pattern.end(), [](QChar ch) {
        return ch.unicode() < 0x80 || ch.category() == QChar::Other_Format;
    });
    return ascii ? pattern : fallback;
}

QtClockText::QtClockText(QLocale locale)
    : locale_(std::move(locale)),
      dateFormat_(locale_.dateFormat(QLocale::ShortFormat)),
      timeFormat_(TimeFormatWithoutZone(locale_)),
      asciiDateFormat_(AsciiPattern(dateFormat_, QStringLiteral("yyyy-MM-dd"))),
      asciiTimeFormat_(AsciiPattern(timeFormat_, QStringLiteral("HH:mm:ss"))) {}

QString QtClockText::format(const QDate& date, const QTime& time, const QString& pattern,
                            ClockDigits digits) const {
    if (digits == ClockDigits::Locale) {
        return date.isValid() ? locale_.toString(date, pattern) : locale_.toString(time, pattern);
    }
    // The C locale writes ASCII digits (and English names, should the pattern ask for names);
    // what is left that is not ASCII (direction marks, literal text) is dropped.
    const QLocale c = QLocale::c();
    const QString text = date.isValid() ? c.toString(date, pattern) : c.toString(time, pattern);
    QString ascii;
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) ascii += ch;
    }
    return ascii.simplified();
}

QString QtClockText::dateText(QDate date, ClockDigits digits) const {
    return format(date, QTime(), digits == ClockDigits::Ascii ? asciiDateFormat_ : dateFormat_,
                  digits);
}

QString QtClockText::timeText(QTime time, ClockDigits digits) const {
    return format(QDate(), time, digits == ClockDigits::Ascii ? asciiTimeFormat_ : timeFormat_,
                  digits);
}

std::string QtClockText::currentDate() const {
    return dateText(QDate::currentDate()).toStdString();
}

std::string QtClockText::currentTime() const {
    return timeText(QTime::currentTime()).toStdString();
}

std::string QtClockText::reportDate() const {
    return dateText(QDate::currentDate(), ClockDigits::Ascii).toStdString();
}

std::string QtClockText::reportTime() const {
    return timeText(QTime::currentTime(), ClockDigits::Ascii).toStdString();
}

std::string QtClockText::recordTime() const {
    return QLocale::c().toString(QTime::currentTime(), QStringLiteral("HH:mm:ss")).toStdString();
}

}  // namespace zepra
