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
            // The NDFT as a user of the locale types it.
            const QString ndft = QStringLiteral("0") + QLatin1String(c.separator) + "03";
            const QStringList checkInC{"check", "--standard", "imo-pspc", "--file", saved, "--ndft",
                                       "0.03",  "--unit",     unit,       "--max",  "2000"};
            QStringList check = checkInC;
            check[6] = ndft;
            const QString inC = run("C", checkInC);
            QString expected = inC;
            expected.replace(QRegularExpression("(\\d)\\.(\\d)"),
                             QStringLiteral("\\1%1\\2").arg(QLatin1String(c.separator)));
            ASSERT_TRUE(inC.contains("Verdict: PASS")) << inC.toStdString();
            EXPECT_EQ(run(c.locale, check).toStdString(), expected.toStdString());
        }
    }
}

// Every number typed is read by one rule: the locale's decimal separator, or the other of '.' and
// ',' unless it could group digits. A number that could be read two ways is refused with how to
// write it, in every command and every locale; a given value is shown as typed.
TEST(CliNumberRule, NumbersThatCouldBeReadTwoWaysAreRefused) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("g.csv");
    {
        QFile file(csv);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "\"NO.\",\"Samples\",\"Unit\"\r\n1,\"120\",\"um\"\r\n2,\"118\",\"um\"\r\n"
            "3,\"125\",\"um\"\r\n");
    }
    const QStringList check{"check", "--standard", "imo-pspc", "--file", csv};
    struct Case {
        const char* locale;
        QStringList args;
        int exitCode;
        const char* said;  // a part of standard error (refused) or standard output
    };
    const Case cases[] = {
        {"C", check + QStringList{"--ndft", "1,000"}, 2,
         "bad value for --ndft: '1,000' (',' may group digits: write 1000, or 1.000 for a "
         "decimal)"},
        {"C", check + QStringList{"--ndft", "12,5"}, 2,
         "bad value for --ndft: '12,5' (',' is no decimal separator here: write 12.5)"},
        {"C", check + QStringList{"--ndft", "100", "--area", "1,000"}, 2,
         "bad value for --area: '1,000' (',' may group digits"},
        {"C", check + QStringList{"--ndft", "100", "--timeout", "2,5"}, 2,
         "bad value for --timeout: '2,5' (',' is no decimal separator here: write 2.5)"},
        {"C", check + QStringList{"--ndft", "100"}, 0, "NDFT: 100 um (given)"},
        {"de_DE.UTF-8", check + QStringList{"--ndft", "1.250", "--max", "2000"}, 2,
         "bad value for --ndft: '1.250' ('.' may group digits: write 1250, or 1,250 for a "
         "decimal)"},
        {"de_DE.UTF-8", check + QStringList{"--ndft", "100,0", "--timeout", "2,5"}, 0,
         "NDFT: 100,0 um (given)"},
        {"fr_FR.UTF-8", check + QStringList{"--ndft", "1.250"}, 2,
         "bad value for --ndft: '1.250' ('.' may group digits: write 1250, or 1,250 for a "
         "decimal)"},
        {"fr_FR.UTF-8", check + QStringList{"--ndft", "100.0"}, 0, "NDFT: 100.0 um (given)"},
        // A maximum below the NDFT is a usage error, as a minimum above the maximum is.
        {"C", check + QStringList{"--ndft", "100", "--max", "50"}, 2,
         "The NDFT must not be above the maximum."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale + (" " + c.args.join(' ')).toStdString());
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("LANG");
        env.insert("LC_ALL", c.locale);
        process.setProcessEnvironment(env);
        process.start(ZEPRA_CLI_PATH, c.args);
        ASSERT_TRUE(process.waitForFinished(30'000));
        EXPECT_EQ(process.exitCode(), c.exitCode);
        const std::string said =
            (c.exitCode == 0 ? process.readAllStandardOutput() : process.readAllStandardError())
                .toStdString();
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
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
