// The real clock helper under a few locales: the short date, and the long time with its seconds
// but without the time-zone name that Qt's long format carries.
#include "platform/qt_clock_text.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>
#include <ostream>
#include <string>

namespace zepra {
namespace {

struct ClockCase {
    const char* locale;
    const char* timeFormat;  // the locale's long time format without the zone
    const char* timeText;    // 13:04:05
    const char* dateText;    // 10 December 2026
    const char* nowPattern;  // what currentTime() looks like at any moment
    const char* asciiTime;   // 13:04:05 and 10 December 2026 as a report writes them
    const char* asciiDate;
};

void PrintTo(const ClockCase& c, std::ostream* os) {
    *os << c.locale;
}

class QtClockTextTest : public testing::TestWithParam<ClockCase> {};

TEST_P(QtClockTextTest, WritesTheShortDateAndTheTimeWithSecondsWithoutTheZone) {
    const ClockCase& c = GetParam();
    const QLocale locale{QString::fromLatin1(c.locale)};
    const QtClockText clock(locale);
    EXPECT_EQ(TimeFormatWithoutZone(locale).toStdString(), c.timeFormat);
    EXPECT_EQ(clock.timeText(QTime(13, 4, 5)).toStdString(), c.timeText);
    EXPECT_EQ(clock.timeText(QTime(0, 0, 0)).contains(QLatin1String("UTC")), false);
    EXPECT_EQ(clock.dateText(QDate(2026, 12, 10)).toStdString(), c.dateText);

    const QString now = QString::fromStdString(clock.currentTime());
    EXPECT_TRUE(QRegularExpression(QString::fromLatin1(c.nowPattern)).match(now).hasMatch())
        << now.toStdString();
    EXPECT_EQ(QString::fromStdString(clock.currentDate()),
              locale.toString(QDate::currentDate(), QLocale::ShortFormat));
}

// A report is ASCII: the locale's patterns, ASCII digits, the Gregorian calendar.
TEST_P(QtClockTextTest, WritesAsciiDigitsForReports) {
    const ClockCase& c = GetParam();
    const QtClockText clock(QLocale{QString::fromLatin1(c.locale)});
    EXPECT_EQ(clock.timeText(QTime(13, 4, 5), ClockDigits::Ascii).toStdString(), c.asciiTime);
    EXPECT_EQ(clock.dateText(QDate(2026, 12, 10), ClockDigits::Ascii).toStdString(), c.asciiDate);
    for (const std::string& now : {clock.reportDate(), clock.reportTime()}) {
        EXPECT_TRUE(std::all_of(now.begin(), now.end(), [](char ch) {
            return static_cast<unsigned char>(ch) < 0x80;
        })) << now;
    }
}

// Where the locale's pattern holds words of its own, the ASCII text would lose them and keep the
// digits run together ("130405"): the report writes the time with colons instead.
TEST(QtClockTextAscii, PatternsWithWordsGiveWayToColonsAndIsoDates) {
    const struct {
        const char* locale;
        const char* asciiTime;
        const char* asciiDate;
    } cases[] = {
        {"ja_JP", "13:04:05", "2026/12/10"},  {"th_TH", "13:04:05", "10/12/26"},
        {"ko_KR", "13:04:05", "26. 12. 10."}, {"fa_IR", "13:04:05", "2026/12/10"},
        {"en_US", "1:04:05 PM", "12/10/26"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        const QtClockText clock(QLocale{QString::fromLatin1(c.locale)});
        EXPECT_EQ(clock.timeText(QTime(13, 4, 5), ClockDigits::Ascii).toStdString(), c.asciiTime);
        EXPECT_EQ(clock.dateText(QDate(2026, 12, 10), ClockDigits::Ascii).toStdString(),
                  c.asciiDate);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                        .match(QString::fromStdString(clock.recordTime()))
                        .hasMatch())
            << clock.recordTime();
    }
    EXPECT_EQ(AsciiPattern(QStringLiteral("H\u6642mm\u5206ss\u79d2"), QStringLiteral("HH:mm:ss")),
              QStringLiteral("HH:mm:ss"));
    // A direction mark is no word: the pattern stays.
    EXPECT_EQ(AsciiPattern(QStringLiteral("\u200fh:mm:ss"), QStringLiteral("HH:mm:ss")),
              QStringLiteral("\u200fh:mm:ss"));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, QtClockTextTest,
    testing::Values(ClockCase{"en_US", "h:mm:ss AP", "1:04:05 PM", "12/10/26",
                              "^\\d{1,2}:\\d\\d:\\d\\d [AP]M$", "1:04:05 PM", "12/10/26"},
                    ClockCase{"de_DE", "HH:mm:ss", "13:04:05", "10.12.26", "^\\d\\d:\\d\\d:\\d\\d$",
                              "13:04:05", "10.12.26"},
                    ClockCase{"C", "HH:mm:ss", "13:04:05", "10 Dec 2026", "^\\d\\d:\\d\\d:\\d\\d$",
                              "13:04:05", "10 Dec 2026"},
                    // The zone first, and the zone in brackets.
                    ClockCase{"zh_CN", "HH:mm:ss", "13:04:05", "2026/12/10",
                              "^\\d\\d:\\d\\d:\\d\\d$", "13:04:05", "2026/12/10"},
                    ClockCase{"fa_IR", "H:mm:ss", "\u06f1\u06f3:\u06f0\u06f4:\u06f0\u06f5",
                              "\u06f2\u06f0\u06f2\u06f6/\u06f1\u06f2/\u06f1\u06f0",
                              "^\\S+:\\S+:\\S+$", "13:04:05", "2026/12/10"}),
    [](const testing::TestParamInfo<ClockCase>& param) { return std::string(param.param.locale); });

}  // namespace
}  // namespace zepra
