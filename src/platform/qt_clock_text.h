#pragma once
// The current date and time in the formats of a locale (the system's unless told otherwise): the
// short date, and the long time (with seconds) without its time-zone name, in the Gregorian
// calendar.

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include "platform/clock_text.h"

namespace zepra {

// The locale's long time format with the time zone ('t') taken out, with the blank before it
// (or after it, when the zone comes first) and brackets left empty around it.
QString TimeFormatWithoutZone(const QLocale& locale);

// The digits of the texts: the locale's own (a clock on screen), or ASCII digits with the
// locale's patterns and nothing but ASCII (a report file, which is plain ASCII text). A pattern
// with text that is not ASCII (Japanese 時 分 秒, Thai นาฬิกา) would lose its separators there:
// then the report writes "yyyy-MM-dd" or "HH:mm:ss".
enum class ClockDigits { Locale, Ascii };

// The pattern for ASCII texts: `pattern` when it is ASCII apart from direction marks and other
// invisible format characters, else `fallback`.
QString AsciiPattern(const QString& pattern, const QString& fallback);

class QtClockText : public ClockText {
  public:
    explicit QtClockText(QLocale locale = QLocale::system());

    std::string currentDate() const override;
    std::string currentTime() const override;
    std::string reportDate() const override;
    std::string reportTime() const override;
    std::string recordTime() const override;

    // The texts of a given date and time, as the functions above write the current ones.
    QString dateText(QDate date, ClockDigits digits = ClockDigits::Locale) const;
    QString timeText(QTime time, ClockDigits digits = ClockDigits::Locale) const;

  private:
    QString format(const QDate& date, const QTime& time, const QString& pattern,
                   ClockDigits digits) const;

    QLocale locale_;
    QString dateFormat_;
    QString timeFormat_;
    QString asciiDateFormat_;
    QString asciiTimeFormat_;
};

}  // namespace zepra
