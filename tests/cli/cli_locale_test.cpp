// zepra-cli on the desktops users have: under a German or French locale every number it writes is
// the C locale's text with a decimal comma for the point; nothing else changes. Persian keeps the
// point (its separator is not ASCII) and the report's clock is written in ASCII digits; Japanese
// and Thai, whose time patterns hold words, get the time with colons.

#include <gtest/gtest.h>
#include <locale.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <string>

#include "gauge_emulator.h"

namespace {

using gauge_emulator::GaugeEmulator;

struct LocaleCase {
    const char* locale;
    const char* separator;  // what replaces the decimal point
};

class CliLocaleTest : public testing::TestWithParam<LocaleCase> {
  protected:
    void SetUp() override {
        // The German test leg insists on de_DE; elsewhere a missing locale is skipped.
        const locale_t installed = newlocale(LC_ALL_MASK, GetParam().locale, locale_t{});
        if (installed == locale_t{}) GTEST_SKIP() << GetParam().locale << " is not installed";
        freelocale(installed);
        ASSERT_TRUE(dir_.isValid());
        gauge_emulator::Scenario s;
        s.storedGroups[0] = {150.0f, 50.0f, {10.0f, 20.5f, 30.0f, 1234.5f, 12.25f, 0.9f}};
        s.currentGroup = {150.0f, 10.0f, {120.0f, 18.5f, 125.0f}};
        gauge_ = std::make_unique<GaugeEmulator>(s, gauge_emulator::Timing{.fast = true});
        ASSERT_TRUE(gauge_->writeSerialCommFile(list()));
    }

    std::string list() const { return dir_.filePath("ports.ini").toStdString(); }

    // stdout of a successful run under `locale`.
    QString run(const char* locale, const QStringList& args) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZEPRA_SERIALCOMM", QString::fromStdString(list()));
        env.remove("LANG");
        env.insert("LC_ALL", locale);
        process.setProcessEnvironment(env);
        process.start(ZEPRA_CLI_PATH, args);
        EXPECT_TRUE(process.waitForFinished(30'000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    QTemporaryDir dir_;
    std::unique_ptr<GaugeEmulator> gauge_;
};

TEST_P(CliLocaleTest, DownloadWritesTheCReportWithTheLocalesDecimalSeparator) {
    const LocaleCase& c = GetParam();
    for (const char* group : {"1", "current"}) {
        for (const char* unit : {"um", "mils"}) {
            for (const char* format : {"csv", "txt"}) {
                SCOPED_TRACE(std::string(group) + " " + unit + " " + format);
                const QStringList args{"download", group, "--unit", unit, "--format", format};
                const QString inC = run("C", args);
                const QString inLocale = run(c.locale, args);
                QString expected = inC;
                expected.replace(QRegularExpression("(\\d)\\.(\\d)"),
                                 QStringLiteral("\\1%1\\2").arg(QLatin1String(c.separator)));
                ASSERT_TRUE(inC.contains('.'));  // the case has decimals to show
                if (QLatin1String(format) == QLatin1String("txt")) {
                    // The first line holds the date and the time of the run.
                    const qsizetype firstLineEnd = inLocale.indexOf('\n');
                    const QString title = inLocale.left(firstLineEnd);
                    for (const QChar ch : title)
                        EXPECT_LT(ch.unicode(), 0x80) << title.toStdString();
                    // The time with its colons, also where the locale's pattern has words.
                    EXPECT_TRUE(
                        QRegularExpression("\\b\\d{1,2}:\\d\\d:\\d\\d\\b").match(title).hasMatch())
                        << title.toStdString();
                    EXPECT_EQ(inLocale.mid(firstLineEnd).toStdString(),
                              expected.mid(expected.indexOf('\n')).toStdString());
                } else {
                    EXPECT_EQ(inLocale.toStdString(), expected.toStdString());
                }
            }
        }
    }
}

// A report saved under any locale is checked the same: the same verdict, and the same texts with
// the locale's separator.
TEST_P(CliLocaleTest, CheckReadsReportsOfEveryLocaleAndWritesTheLocalesSeparator) {
    const LocaleCase& c = GetParam();
    for (const char* unit : {"um", "mils"}) {
        SCOPED_TRACE(unit);
        const QString saved = dir_.filePath(QStringLiteral("group1-%1.csv").arg(unit));
        for (const char* writer : {"C", c.locale}) {
            QFile file(saved);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(run(writer, {"download", "1", "--unit", unit}).toUtf8());
            file.close();
            const QStringList check{"check", "--standard", "imo-pspc", "--file", saved, "--ndft",
                                    "0.03",  "--unit",     unit,       "--max",  "2000"};
            const QString inC = run("C", check);
            QString expected = inC;
            expected.replace(QRegularExpression("(\\d)\\.(\\d)"),
                             QStringLiteral("\\1%1\\2").arg(QLatin1String(c.separator)));
            ASSERT_TRUE(inC.contains("Verdict: PASS")) << inC.toStdString();
            EXPECT_EQ(run(c.locale, check).toStdString(), expected.toStdString());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Desktops, CliLocaleTest,
                         testing::Values(LocaleCase{"de_DE.UTF-8", ","},
                                         LocaleCase{"fr_FR.UTF-8", ","},
                                         LocaleCase{"fa_IR.UTF-8", "."},
                                         LocaleCase{"ja_JP.UTF-8", "."},
                                         LocaleCase{"th_TH.UTF-8", "."}),
                         [](const testing::TestParamInfo<LocaleCase>& param) {
                             return std::string(param.param.locale).substr(0, 5);
                         });

}  // namespace
