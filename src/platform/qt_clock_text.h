#pragma once
// The current date and time in the formats of a locale (the system's unless told otherwise): the
// short date, and the long time (with seconds) without its time-zone name.

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include "platform/clock_text.h"

namespace zepra {

// The locale's long time format with the time zone ('t') taken out, with the blank before it
// (or after it, when the zone comes first) and brackets left empty around it.
QString TimeFormatWithoutZone(const QLocale& locale);

class QtClockText : public ClockText {
  public:
    explicit QtClockText(QLocale locale = QLocale::system());

    std::string currentDate() const override;
    std::string currentTime() const override;

    // The texts of a given date and time, as the two above write the current ones.
    QString dateText(QDate date) const;
    QString timeText(QTime time) const;

  private:
    QLocale locale_;
    QString timeFormat_;
};

}  // namespace zepra
