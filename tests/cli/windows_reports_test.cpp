// `zepra-cli download` writes what the group windows' SAVE-*.CSV and SAVE-*.TXT write for the
// same group and unit, byte for byte (the text report's date and time aside: they are read when
// each is written).

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "data/measurement_store.h"
#include "gauge_emulator.h"
#include "platform/qt_clock_text.h"
#include "ui/groups/group_window.h"
#include "ui/support/fakes.h"

namespace zepra {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Everything after the title line of a text report.
QByteArray AfterTitle(const QByteArray& report) {
    return report.mid(report.indexOf("\r\n"));
}

TEST(DownloadAgainstTheWindows, ReportsAreTheGroupWindowsReports) {
    const gauge_emulator::Scenario scenario = gauge_emulator::DemoScenario();
    gauge_emulator::GaugeEmulator gauge(scenario, {.fast = true});
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString list = dir.filePath("ports.ini");
    ASSERT_TRUE(gauge.writeSerialCommFile(list.toStdString()));

    // The store as the link leaves it after the downloads: the gauge's floats, widened.
    MeasurementStore store;
    auto fill = [](GroupSlot& slot, const gauge_emulator::Group& group) {
        slot.readingCount = static_cast<std::int32_t>(group.readings.size());
        slot.highLimit = group.highLimit;
        slot.lowLimit = group.lowLimit;
        for (std::size_t i = 0; i < group.readings.size(); ++i) {
            slot.readings[i] = {static_cast<std::int32_t>(i + 1), group.readings[i], {}};
        }
    };
    for (int g = 1; g <= 4; ++g) fill(store.groupSlot(g), scenario.storedGroups[g - 1]);
    fill(store.currentGroupSlot, scenario.currentGroup);

    testing::FakeSaveDialog dialog;
    testing::FakeMessageBox messages;
    QtClockText clock;
    WindowContext context;
    context.store = &store;
    context.saveDialog = &dialog;
    context.messageBox = &messages;
    context.clock = &clock;

    const std::pair<GroupWindowId, const char*> groups[] = {{GroupWindowId::Group1, "1"},
                                                            {GroupWindowId::Group2, "2"},
                                                            {GroupWindowId::Group4, "4"},
                                                            {GroupWindowId::Current, "current"}};
    for (int unit : {0, 1}) {
        store.unitIsMils = unit;
        for (const auto& [id, name] : groups) {
            SCOPED_TRACE(std::string(name) + (unit == 1 ? " mils" : " um"));
            auto window = std::make_unique<GroupWindow>(id, context);
            window->show();
            auto* fillTimer = window->findChild<QTimer*>("Timer1");
            ASSERT_TRUE(QTest::qWaitFor([&] { return !fillTimer->isActive(); }, 5'000));
            const QString windowCsv = dir.filePath("window.csv");
            const QString windowTxt = dir.filePath("window.txt");
            dialog.answers = {windowCsv.toStdString(), windowTxt.toStdString()};
            window->findChild<QAction*>("SAVECSV")->trigger();
            window->findChild<QAction*>("SAVETXT")->trigger();

            for (const char* format : {"csv", "txt"}) {
                const QString cliFile = dir.filePath(QString("cli.") + format);
                QProcess cli;
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                env.insert("ZEPRA_SERIALCOMM", list);
                env.insert("LC_ALL", "C");
                cli.setProcessEnvironment(env);
                cli.start(ZEPRA_CLI_PATH, {"download", name, "--unit", unit == 1 ? "mils" : "um",
                                           "--format", format, "--output", cliFile});
                ASSERT_TRUE(cli.waitForFinished(30'000));
                ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
                const QByteArray fromCli = ReadAll(cliFile);
                if (std::string(format) == "csv") {
                    EXPECT_EQ(fromCli, ReadAll(windowCsv));
                } else {
                    const QByteArray fromWindow = ReadAll(windowTxt);
                    EXPECT_EQ(AfterTitle(fromCli), AfterTitle(fromWindow));
                    const QByteArray title =
                        unit == 1 ? "Samples Report unit(mils)   " : "Samples Report unit(um)     ";
                    EXPECT_TRUE(fromCli.startsWith(title)) << fromCli.left(60).toStdString();
                    EXPECT_TRUE(fromWindow.startsWith(title));
                }
            }
        }
    }
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace zepra
