// Real-time sampling from the main window's button to the real-time windows, with the gauge
// emulator streaming on a pseudo-terminal through the real serial port.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/sample_statistics.h"
#include "data/thickness_format.h"
#include "support/main_window_fixture.h"

namespace zepra {
namespace {

using testing::MainWindowFixture;
using testing::PortList;

constexpr int kWaitMs = 5000;

// A save dialog that runs `whileOpen` (the user taking their time) before answering.
class SlowSaveDialog : public SaveDialog {
  public:
    std::string getSaveFileName(const std::string&, const std::string&) override {
        if (whileOpen) whileOpen();
        return answer;
    }
    std::function<void()> whileOpen;
    std::string answer;
};

class RealTimeEndToEndTest : public MainWindowFixture {
  protected:
    // The main window with a gauge that streams only the frames a test sends.
    void startConnected(std::unique_ptr<SaveDialog> saveDialog = nullptr) {
        start(PortList::WithGauge, std::move(saveDialog));
        gauge_emulator::Scenario quiet = gauge_emulator::DemoScenario();
        quiet.liveReadings.clear();
        gauge->setScenario(quiet);  // before sampling starts: no frame comes unasked
        ASSERT_TRUE(button("Cmd_RealTime")->isEnabled());
    }

    // Sends the readings as live frames and waits until the capture holds `expectedCount`.
    void stream(const std::vector<float>& readings, std::int32_t expectedCount) {
        for (float reading : readings) gauge->sendLiveFrame(reading);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return store.realTimeSamples.readingCount == expectedCount; }, kWaitMs))
            << "captured " << store.realTimeSamples.readingCount << ", expected " << expectedCount;
        // A shown list shows what it gathered within a screen refresh (a hidden one when shown).
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return list() == nullptr || !list()->isVisible() ||
                       rows().size() == std::size_t(expectedCount) + 1;
            },
            kWaitMs));
    }

    RealTimeListWindow* list() const { return form->windows().realTimeList(); }

    // The list's rows, each "number/text/unit", newest first.
    std::vector<QString> rows() const {
        std::vector<QString> result;
        QAbstractItemModel* model =
            list()->findChild<QTableView*>(QStringLiteral("MSFlexGrid1"))->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            result.push_back(model->index(row, 0).data().toString() + "/" +
                             model->index(row, 1).data().toString() + "/" +
                             model->index(row, 2).data().toString());
        }
        return result;
    }

    QString listLabel(const char* name) const {
        return list()->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
};

TEST_F(RealTimeEndToEndTest, PauseAndRestartNumberOnWithTheNewestOnTop) {
    startConnected();
    click("Cmd_RealTime");
    ASSERT_NE(list(), nullptr);
    EXPECT_TRUE(list()->isVisible());
    stream({1, 2, 3}, 3);
    click("Cmd_RealTime");
    EXPECT_EQ(button("Cmd_RealTime")->text(), "RealTimeSamp");
    click("Cmd_RealTime");
    stream({4, 5}, 5);

    EXPECT_EQ(rows(),
              (std::vector<QString>{"5/5/um", "4/4/um", "3/3/um", "2/2/um", "1/1/um", "//"}));
    EXPECT_EQ(listLabel("Label1"), "Counts:     5");
    EXPECT_EQ(listLabel("Label4"), "Max:        5");
    EXPECT_EQ(listLabel("Label5"), "Min:       1");
    EXPECT_EQ(listLabel("Label2"), "Mean:      3");
}

TEST_F(RealTimeEndToEndTest, SavingDuringSamplingCapturesNothingWhileTheDialogIsOpen) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("live.csv"));
    auto dialog = std::make_unique<SlowSaveDialog>();
    SlowSaveDialog* slow = dialog.get();
    slow->answer = path.toStdString();
    std::int32_t capturedWhileOpen = -1;
    slow->whileOpen = [&] {
        const std::int32_t before = store.realTimeSamples.readingCount;
        for (float reading : {40.0f, 41.0f, 42.0f}) gauge->sendLiveFrame(reading);
        QTest::qWait(400);
        capturedWhileOpen = store.realTimeSamples.readingCount - before;
    };
    startConnected(std::move(dialog));
    click("Cmd_RealTime");
    stream({10, 20}, 2);

    list()->findChild<QAction*>(QStringLiteral("SAVECSV"))->trigger();
    EXPECT_EQ(capturedWhileOpen, 0);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\"NO.\",\"Samples\",\"Unit\"\r\n"
                                         "1,\"10\",\"um\"\r\n"
                                         "2,\"20\",\"um\"\r\n"));

    stream({30}, 3);
    EXPECT_EQ(rows().front(), "3/30/um");
}

TEST_F(RealTimeEndToEndTest, UnitSwitchWhileStreamingReopensTheRealTimeWindowsInMils) {
    startConnected();
    click("Cmd_RealTime");
    stream({10, 20}, 2);
    form->windows().toggleRealTimeTrend();
    form->windows().toggleRealTimeHistogram();
    const QPointer<RealTimeListWindow> listBefore = list();
    const QPointer<RealTimeTrendWindow> trendBefore = form->windows().realTimeTrend();

    click("Cmd_Unit");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(store.unitIsMils, 1);
    EXPECT_TRUE(listBefore.isNull());
    EXPECT_TRUE(trendBefore.isNull());
    ASSERT_NE(list(), nullptr);
    EXPECT_TRUE(list()->isVisible());
    EXPECT_TRUE(IsOpen(form->windows().realTimeTrend()));
    EXPECT_TRUE(IsOpen(form->windows().realTimeHistogram()));
    EXPECT_EQ(rows(), (std::vector<QString>{"2/0.787/mils", "1/0.393/mils", "//"}));
    EXPECT_EQ(listLabel("Label7"), "Unit:       mils");

    stream({30}, 3);
    EXPECT_EQ(rows().front().section('/', 2), "mils");
    EXPECT_EQ(rows().size(), 4u);
    EXPECT_EQ(listLabel("Label1"), "Counts:     3");
}

// Sampling runs with the list closed; a reading creates the list unshown. Reopened, the list shows
// that reading with its live text, and the labels as after a sample.
TEST_F(RealTimeEndToEndTest, ListCreatedByAReadingShowsItsLiveText) {
    startConnected();
    click("Cmd_RealTime");
    stream({10}, 1);
    list()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(list(), nullptr);

    stream({12.25f}, 2);
    ASSERT_NE(list(), nullptr);
    EXPECT_FALSE(list()->isVisible());
    click("Cmd_RealTime");
    click("Cmd_RealTime");
    ASSERT_TRUE(list()->isVisible());

    EXPECT_EQ(rows(), (std::vector<QString>{"2/12.3/um", "1/10/um", "//"}));
    EXPECT_EQ(store.realTimeSamples.readings[1].text, "12.3");  // what the reports write
    const std::string maximum = std::string(labels::kCaptureMaxAfterSample) +
                                FormatStatistic(12.25, 0, StatisticFigure::Extreme);
    EXPECT_EQ(listLabel("Label4").toStdString(), maximum);
    EXPECT_EQ(listLabel("Label1"), "Counts:     2");
}

// The gauge keeps streaming while the user switches units or opens and cancels a save dialog:
// capture goes on right after, in the new unit.
TEST_F(RealTimeEndToEndTest, CaptureGoesOnAfterAUnitSwitchOrASaveDialogWhileTheGaugeStreams) {
    for (double rate : {25.0, 200.0}) {
        SCOPED_TRACE(rate);
        auto dialog = std::make_unique<SlowSaveDialog>();
        dialog->whileOpen = [] { QTest::qWait(300); };  // then cancelled
        startConnected(std::move(dialog));
        gauge_emulator::Scenario streaming = gauge_emulator::DemoScenario();
        streaming.liveReadings = {50.0f, 60.0f};
        streaming.liveRate = rate;
        gauge->setScenario(streaming);
        click("Cmd_RealTime");
        auto capturesMore = [&] {
            const std::int32_t before = store.realTimeSamples.readingCount;
            return QTest::qWaitFor([&] { return store.realTimeSamples.readingCount >= before + 3; },
                                   kWaitMs);
        };
        ASSERT_TRUE(capturesMore());

        click("Cmd_Unit");
        EXPECT_TRUE(capturesMore()) << "after the unit switch";
        EXPECT_EQ(rows().front().section('/', 2), "mils");

        list()->findChild<QAction*>(QStringLiteral("SAVECSV"))->trigger();
        EXPECT_TRUE(capturesMore()) << "after the save dialog";
        click("Cmd_RealTime");
        for (std::int32_t i = 0; i < store.realTimeSamples.readingCount; ++i) {
            const double value = store.realTimeSamples.readings[static_cast<std::size_t>(i)].value;
            EXPECT_TRUE(value == 50.0 || value == 60.0) << "sample " << i + 1 << ": " << value;
        }
        TearDown();
        SetUp();
    }
}

}  // namespace
}  // namespace zepra
