// zepra-cli report as a user runs it: the built program against the gauge emulator on a
// pseudo-terminal, found through a ZEPRA_SERIALCOMM list, without a display.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <regex>
#include <string>

#include "gauge_emulator.h"
#include "poppler.h"

namespace {

using gauge_emulator::GaugeEmulator;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Group 2: 80 readings from 100 to 179 um, limits 100 to 200 um; group 3 empty.
gauge_emulator::Scenario Gauge() {
    gauge_emulator::Scenario s;
    for (int i = 0; i < 80; ++i)
        s.storedGroups[1].readings.push_back(100.0f + static_cast<float>(i));
    s.storedGroups[1].highLimit = 200.0f;
    s.storedGroups[1].lowLimit = 100.0f;
    s.storedGroups[2] = {100.0f, 50.0f, {}};
    return s;
}

class ReportCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        gauge_ = std::make_unique<GaugeEmulator>(Gauge(), gauge_emulator::Timing{.fast = true});
        ASSERT_TRUE(gauge_->writeSerialCommFile(dir_.filePath("ports.ini").toStdString()));
    }

    QString path(const char* name) const { return dir_.filePath(name); }

    // No display at all, and a platform that would need one: the program picks its own.
    CliRun run(const QStringList& args, const QString& fontConfig = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!fontConfig.isEmpty()) env.insert("FONTCONFIG_FILE", fontConfig);
        env.insert("ZEPRA_SERIALCOMM", dir_.filePath("ports.ini"));
        env.insert("LC_ALL", "C");
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("XDG_RUNTIME_DIR");
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(ZEPRA_CLI_PATH, args);
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitCode(), process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    QTemporaryDir dir_;
    std::unique_ptr<GaugeEmulator> gauge_;
};

TEST_F(ReportCliTest, GroupReportWithAndWithoutAStandard) {
    // ISO 19840 on the group's limits: NDFT 100, maximum 200: passes.
    CliRun r = run({"report", "2", "--output", path("pass.pdf"), "--standard", "iso19840",
                    "--project", "Bridge 4", "--inspector", "A. Inspector", "--notes", "one\\ntwo",
                    "--page", "letter"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");  // nothing but the command's own messages, even without XDG_RUNTIME_DIR
    std::string text = poppler::Text(path("pass.pdf"));
    EXPECT_EQ(poppler::FirstOutOfOrder(
                  text, {"Coating Thickness Inspection Report",
                         "PASS",
                         "Values judged: the gauge's stored values",
                         "Project",
                         "Bridge 4",
                         "Inspector",
                         "A. Inspector",
                         "Notes",
                         "one",
                         "two",
                         "Source",
                         "Group 2 downloaded from COM3 (" + gauge_->devicePath() + ") at",
                         "Readings",
                         "80",
                         "Standard: ISO 19840",
                         "NDFT",
                         "100 µm (the group's low limit)",
                         "Maximum",
                         "200 µm (the group's high limit)",
                         "Readings (µm)",
                         "179"}),
              "")
        << text;
    EXPECT_NE(poppler::Run("pdfinfo", {path("pass.pdf")}).find("612 x 792"), std::string::npos);

    // A maximum below the highest reading (5.9 mils = 149.86 um) fails: written, exit code 1.
    r = run({"report", "2", "--output", path("fail.pdf"), "--standard", "iso19840", "--max", "5.9",
             "--unit", "mils"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    text = poppler::Text(path("fail.pdf"));
    EXPECT_NE(text.find("FAIL"), std::string::npos) << text;
    EXPECT_NE(text.find("Readings (mils)"), std::string::npos);

    // The current group (empty here): no charts, but the report.
    r = run({"report", "current", "--output", path("current.pdf")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(poppler::Text(path("current.pdf"))
                  .find("Current group downloaded from COM3 (" + gauge_->devicePath() + ") at"),
              std::string::npos);

    // No standard: the report alone, exit code 0.
    r = run({"report", "2", "--output", path("plain.pdf")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    text = poppler::Text(path("plain.pdf"));
    EXPECT_EQ(text.find("Standard:"), std::string::npos);
    EXPECT_NE(text.find("High-limit:"), std::string::npos);
}

TEST_F(ReportCliTest, FileReportsErrorsAndExitCodes) {
    QFile csv(path("capture.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("\"NO.\",\"Samples\",\"Unit\"\r\n");
    for (int i = 1; i <= 30; ++i)
        csv.write(QByteArray::number(i) + ",\"" + QByteArray::number(100 + i) + "\",\"um\"\r\n");
    csv.close();

    CliRun r = run({"report", "--file", path("capture.csv"), "--output", path("file.pdf"),
                    "--standard", "sspc-pa2", "--min", "100", "--max", "140"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string text = poppler::Text(path("file.pdf"));
    EXPECT_NE(text.find("File capture.csv"), std::string::npos);
    EXPECT_NE(text.find("Standard: SSPC-PA 2"), std::string::npos);
    EXPECT_NE(text.find("Spot means"), std::string::npos);

    const struct {
        QStringList args;
        int exitCode;
        const char* err;
        const char* leftBehind;  // a file that must not exist afterwards
    } cases[] = {
        {{"report", "2"}, 2, "report needs --output naming the PDF file", nullptr},
        {{"report", "--output", "x.pdf"}, 2, "report needs either a GROUP or --file", nullptr},
        {{"report", "2", "--output", "x.pdf", "--ndft", "100"},
         2,
         "--ndft needs --standard",
         nullptr},
        {{"report", "2", "--output", "x.pdf", "--page", "a3"},
         2,
         "bad value for --page: 'a3' (a4 or letter)",
         nullptr},
        {{"report", "--file", "capture.csv", "--output", "x.pdf", "--standard", "iso19840"},
         2,
         "report --file needs --ndft for this standard",
         nullptr},
        {{"report", "--file", path("missing.csv"), "--output", path("m.pdf")},
         2,
         "missing.csv",
         "m.pdf"},
        {{"report", "--file", path("capture.csv"), "--output", path("no/such/folder/r.pdf")},
         2,
         "Cannot write the file",
         "no"},
        // The empty group: no verdict, as check says, and the report says why.
        {{"report", "3", "--output", path("empty.pdf"), "--standard", "iso19840"},
         6,
         "There are no readings to check.",
         nullptr},
    };
    for (const auto& c : cases) {
        r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.leftBehind != nullptr) {
            EXPECT_FALSE(QFileInfo::exists(path(c.leftBehind))) << c.leftBehind;
        }
    }
    const std::string empty = poppler::Text(path("empty.pdf"));
    EXPECT_NE(empty.find("NO VERDICT"), std::string::npos) << empty;
    EXPECT_EQ(empty.find("FAIL"), std::string::npos) << empty;

    r = run({"report", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("usage: zepra-cli report", 0), 0u);
}

// A capture's readings were measured from its first to its last reading's time, which the report
// gives instead of the file's time.
TEST_F(ReportCliTest, ACapturesReadingTimesAreTheMeasurementTime) {
    QFile csv(path("live.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(
        "number,value,unit,time\n1,101,um,2026-03-04T14:03:22.120\n"
        "2,102,um,2026-03-04T14:03:40.500\n3,103,um,2026-03-04T14:05:10.001\n");
    csv.close();
    const CliRun r = run({"report", "--file", path("live.csv"), "--output", path("live.pdf")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = poppler::Text(path("live.pdf"));
    EXPECT_TRUE(std::regex_search(
        text, std::regex("Measured\\s+2026-03-04 14:03:22 to 14:05:10 \\(the capture's reading "
                         "times\\)")))
        << text;
}

// A Chinese project name on a machine without a font for it: the program names the characters
// and the package that has them, and writes nothing (printed they would be empty boxes, missing
// from the text layer, and the file no PDF/A). With a font for them they are in the text.
TEST_F(ReportCliTest, ChineseJobTextWithoutAFontIsSaidAndNothingWritten) {
    // A font configuration with the Latin fonts only.
    const QString config = path("latin-only.conf");
    QFile conf(config);
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
        "<dir>/usr/share/fonts/truetype/liberation</dir>\n<cachedir>" +
        path("font-cache").toUtf8() + "</cachedir>\n</fontconfig>\n");
    conf.close();
    const QStringList args{
        "report",    "2",
        "--output",  path("tank.pdf"),
        "--project", QString::fromUtf8("\xE5\x82\xA8\xE7\xBD\x90 T-4")};  // 储罐 (tank)
    CliRun r = run(args, config);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("no installed font has the characters "
                         "\xE5\x82\xA8 (U+50A8), \xE7\xBD\x90 (U+7F50)"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("fonts-wqy-microhei"), std::string::npos) << r.err;
    EXPECT_FALSE(QFileInfo::exists(path("tank.pdf")));

    if (!QFileInfo::exists("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"))
        GTEST_SKIP() << "no CJK font installed to write the report with";
    r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(poppler::Text(path("tank.pdf")).find("\xE5\x82\xA8\xE7\xBD\x90 T-4"),
              std::string::npos);
}

}  // namespace
