// The real-time list window: rebuilt from the store when created, extended in place after each
// captured sample, its menu, clock and placement.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/measurement_store.h"
#include "support/fakes.h"
#include "ui/realtime/realtime_list_window.h"

namespace zepra {
namespace {

class FixedClock : public ClockText {
  public:
    std::string currentDate() const override { return "10.12.2026"; }
    std::string currentTime() const override { return "04:05:06"; }
};

class RealTimeListTest : public ::testing::Test {
  protected:
    RealTimeListTest() {
        InitialiseStore(*store);
        context.store = store.get();
        clock.date = "10.12.2026";
        clock.time = "04:05:06";
        context.clock = &clock;
        context.saveDialog = &saveDialog;
        context.messageBox = &messages;
        context.suspendLiveStream = [this] {
            calls.push_back("suspend " + std::to_string(saveDialog.requests.size()));
        };
        context.resumeLiveStream = [this] {
            calls.push_back("resume " + std::to_string(saveDialog.requests.size()));
        };
        context.toggleRealTimeTrend = [this] { calls.push_back("trend"); };
        context.toggleRealTimeHistogram = [this] { calls.push_back("histogram"); };
        context.toggleAbout = [this] { calls.push_back("about"); };
    }

    void capture(const std::vector<double>& values, const std::string& liveText = "live") {
        RealTimeSamples& samples = store->realTimeSamples;
        for (double value : values) {
            ReadingRecord& record =
                samples.readings[static_cast<std::size_t>(samples.readingCount)];
            record.number = ++samples.readingCount;
            record.value = value;
            record.text = liveText;
        }
    }

    // Made and shown, as the main window shows it.
    RealTimeListWindow* open() {
        window.reset(new RealTimeListWindow(context, nullptr));
        window->show();
        return window.get();
    }

    QString label(const char* name) const {
        auto* found = window->findChild<QLabel*>(QString::fromLatin1(name));
        return found != nullptr ? found->text() : QStringLiteral("<missing>");
    }

    QAbstractItemModel* grid() const {
        return window->findChild<QTableView*>(QStringLiteral("MSFlexGrid1"))->model();
    }

    // The grid's rows, each as "number/text/unit".
    std::vector<QString> rows() const {
        std::vector<QString> result;
        QAbstractItemModel* model = grid();
        for (int row = 0; row < model->rowCount(); ++row) {
            result.push_back(model->index(row, 0).data().toString() + "/" +
                             model->index(row, 1).data().toString() + "/" +
                             model->index(row, 2).data().toString());
        }
        return result;
    }

    QAction* action(const char* name) const {
        return window->findChild<QAction*>(QString::fromLatin1(name));
    }

    std::unique_ptr<MeasurementStore> store = std::make_unique<MeasurementStore>();
    testing::FakeClockText clock;
    testing::FakeSaveDialog saveDialog;
    testing::FakeMessageBox messages;
    WindowContext context;
    std::vector<std::string> calls;
    std::unique_ptr<RealTimeListWindow> window;
};

struct ReopenCase {
    const char* name;
    std::int32_t unitIsMils;
    std::vector<QString> rows;
    const char* unitLine;
    const char* maximum;
    const char* minimum;
    const char* mean;
    const char* deviation;
};

class RealTimeListReopenTest : public RealTimeListTest,
                               public ::testing::WithParamInterface<ReopenCase> {};

TEST_P(RealTimeListReopenTest, RebuildsRowsNewestFirstAndStatisticsFromTheStore) {
    const ReopenCase& c = GetParam();
    capture({10, 20, 30});
    store->unitIsMils = c.unitIsMils;
    open();

    EXPECT_EQ(rows(), c.rows);
    EXPECT_EQ(label("Label1"), "Counts:     3");
    EXPECT_EQ(label("Label7"), c.unitLine);
    EXPECT_EQ(label("Label4"), c.maximum);
    EXPECT_EQ(label("Label5"), c.minimum);
    EXPECT_EQ(label("Label2"), c.mean);
    EXPECT_EQ(label("Label3"), c.deviation);
    // The rebuilt texts replace the ones stored at capture time.
    EXPECT_EQ(QString::fromStdString(store->realTimeSamples.readings[2].text),
              c.rows.front().section('/', 1, 1));
}

INSTANTIATE_TEST_SUITE_P(Units, RealTimeListReopenTest,
                         ::testing::Values(ReopenCase{"micrometres",
                                                      0,
                                                      {"3/30/um", "2/20/um", "1/10/um", "//"},
                                                      "Unit:        um",
                                                      "Max:       30",
                                                      "Min:       10",
                                                      "Mean:      20",
                                                      "Std.dev.:  8.1"},
                                           ReopenCase{"mils",
                                                      1,
                                                      {"3/1.181/mils", "2/0.787/mils",
                                                       "1/0.393/mils", "//"},
                                                      "Unit:       mils",
                                                      "Max:       1.181",
                                                      "Min:       0.393",
                                                      "Mean:      0.787",
                                                      "Std.dev.:  0.321"}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(RealTimeListTest, ReopenedTextsAreTruncatedNotRounded) {
    capture({150.0, 150.96, 75.5}, "76");
    open();
    EXPECT_EQ(rows(), (std::vector<QString>{"3/75.5/um", "2/150/um", "1/150/um", "//"}));
}

TEST_F(RealTimeListTest, EmptyCaptureKeepsTheDesignCaptions) {
    store->unitIsMils = 1;
    open();
    EXPECT_EQ(rows(), (std::vector<QString>{"//"}));
    EXPECT_EQ(label("Label6"), "Now:");
    EXPECT_EQ(label("Label1"), "Counts:     0");
    EXPECT_EQ(label("Label7"), "Unit:        um");
    EXPECT_EQ(label("Label2"), "Mean:      0");
    EXPECT_EQ(label("Label3"), "Std.dev.:  0");
    EXPECT_EQ(label("Label4"), "Max:        0");
    EXPECT_EQ(label("Label5"), "Min:           0");
    QAbstractItemModel* model = grid();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "NO.");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Samples");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "UNIT");
}

// The texts the link gives after capturing record `index` (from 0).
CapturedSampleTexts TextsAfter(std::int32_t index, const char* maximum) {
    CapturedSampleTexts texts;
    texts.recordIndex = index;
    texts.unitLine = "Unit:        um";
    texts.count = "Counts:     " + std::to_string(index + 1);
    texts.maximum = maximum;
    texts.minimum = "Min:       10";
    return texts;
}

TEST_F(RealTimeListTest, CapturedSamplesCloseTogetherAreInsertedOnTopAtOnceWithTheNewestLabels) {
    capture({10, 20});
    open();
    std::vector<std::pair<int, int>> inserted;
    int resets = 0;
    QObject::connect(
        grid(), &QAbstractItemModel::rowsInserted,
        [&](const QModelIndex&, int first, int last) { inserted.emplace_back(first, last); });
    QObject::connect(grid(), &QAbstractItemModel::modelReset, [&] { ++resets; });

    capture({30}, "30");
    window->appendCapturedSample(TextsAfter(2, "Max:        30"));
    capture({40}, "40");
    window->appendCapturedSample(TextsAfter(3, "Max:        40"));
    EXPECT_EQ(rows(), (std::vector<QString>{"2/20/um", "1/10/um", "//"})) << "gathered, not shown";
    EXPECT_EQ(label("Label1"), "Counts:     2");

    // Shown by the window's timer within a screen refresh or so.
    EXPECT_LE(RealTimeListWindow::kShowDelayMs, 20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !inserted.empty(); }, 1000));
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(rows(), (std::vector<QString>{"4/40/um", "3/30/um", "2/20/um", "1/10/um", "//"}));
    EXPECT_EQ(label("Label1"), "Counts:     4");
    EXPECT_EQ(label("Label4"), "Max:        40");
    EXPECT_EQ(label("Label5"), "Min:       10");
    // Computed when shown, over the four samples.
    EXPECT_EQ(label("Label2"), "Mean:      25");
    EXPECT_EQ(label("Label3"), "Std.dev.:  11.1");
    EXPECT_EQ(label("Label7"), "Unit:        um");

    // The next sample is shown on its own, one row on top.
    capture({50}, "50");
    window->appendCapturedSample(TextsAfter(4, "Max:        50"));
    window->showCapturedSamples();
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{0, 1}, {0, 0}}));
    EXPECT_EQ(rows().front(), "5/50/um");
    EXPECT_EQ(label("Label1"), "Counts:     5");
}

// A list that is not shown (a capture makes it unshown after the user closed it) computes nothing
// for the samples it gathers; shown, it shows them all.
TEST_F(RealTimeListTest, HiddenListShowsTheSamplesGatheredMeanwhileWhenShown) {
    capture({10, 20});
    open();
    window->hide();
    capture({30}, "30");
    window->appendCapturedSample(TextsAfter(2, "Max:        30"));
    QTest::qWait(3 * RealTimeListWindow::kShowDelayMs);
    EXPECT_EQ(label("Label1"), "Counts:     2");
    EXPECT_EQ(label("Label2"), "Mean:      15");

    window->show();
    EXPECT_EQ(rows(), (std::vector<QString>{"3/30/um", "2/20/um", "1/10/um", "//"}));
    EXPECT_EQ(label("Label1"), "Counts:     3");
    EXPECT_EQ(label("Label4"), "Max:        30");
    EXPECT_EQ(label("Label2"), "Mean:      20");
    EXPECT_EQ(label("Label3"), "Std.dev.:  8.1");
}

TEST_F(RealTimeListTest, UnitLineWrittenBeforeASampleIsShownWithTheSamples) {
    open();
    window->setUnitLine("Unit:       mils");
    EXPECT_EQ(label("Label7"), "Unit:        um");
    window->showCapturedSamples();
    EXPECT_EQ(label("Label7"), "Unit:       mils");
    EXPECT_EQ(rows(), (std::vector<QString>{"//"}));
}

TEST_F(RealTimeListTest, ReportSavedBeforeTheGatheredSamplesAreShownHoldsThemAll) {
    capture({10});
    open();
    capture({20, 30}, "25");
    window->appendCapturedSample(TextsAfter(1, "Max:        20"));
    window->appendCapturedSample(TextsAfter(2, "Max:        30"));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("capture.csv"));
    saveDialog.answers = {path.toStdString()};
    action("SAVECSV")->trigger();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\"NO.\",\"Samples\",\"Unit\"\r\n"
                                         "1,\"10\",\"um\"\r\n"
                                         "2,\"25\",\"um\"\r\n"
                                         "3,\"25\",\"um\"\r\n"));
}

TEST_F(RealTimeListTest, SampleIndexBeyondTheCaptureAddsNoRow) {
    capture({10});
    open();
    CapturedSampleTexts texts;
    texts.recordIndex = 5;  // not in the store: nothing to show
    texts.count = "Counts:     1";
    window->appendCapturedSample(texts);
    window->showCapturedSamples();
    EXPECT_EQ(rows(), (std::vector<QString>{"1/10/um", "//"}));
    texts.recordIndex = -3;
    window->appendCapturedSample(texts);
    window->showCapturedSamples();
    EXPECT_EQ(rows(), (std::vector<QString>{"1/10/um", "//"}));
}

TEST_F(RealTimeListTest, GraphAndInfoItemsCallTheirToggles) {
    open();
    QAction* trend = action("aarealtimehistogram_1");
    QAction* histogram = action("aarealtimehistogram_2");
    QAction* info = action("SHOWINFO");
    ASSERT_TRUE(trend && histogram && info);
    EXPECT_EQ(trend->text(), "Trend");
    EXPECT_EQ(histogram->text(), "Histogram");
    EXPECT_EQ(info->text(), "INFO");
    trend->trigger();
    trend->trigger();
    histogram->trigger();
    info->trigger();
    EXPECT_EQ(calls, (std::vector<std::string>{"trend", "trend", "histogram", "about"}));
}

TEST_F(RealTimeListTest, MenuBarHasTheReportGraphAndInfoItemsInOrder) {
    open();
    QStringList captions;
    for (QAction* item : window->menuBar()->actions()) captions << item->text();
    EXPECT_EQ(captions, (QStringList{"SAVE-*.TXT", "SAVE-*.CSV", "GRAPH", "INFO"}));
    EXPECT_EQ(action("SAVETXT")->text(), "SAVE-*.TXT");
    EXPECT_EQ(action("SAVECSV")->text(), "SAVE-*.CSV");
}

TEST_F(RealTimeListTest, CsvReportListsTheRecordsOldestFirstWithTheStreamPaused) {
    capture({10, 20, 30});
    open();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("capture.csv"));
    saveDialog.answers = {path.toStdString()};
    action("SAVECSV")->trigger();

    ASSERT_EQ(saveDialog.requests.size(), 1u);
    EXPECT_EQ(saveDialog.requests[0].second, "csv files (*.csv)|*.csv");
    EXPECT_EQ(calls, (std::vector<std::string>{"suspend 0", "resume 1"}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\"NO.\",\"Samples\",\"Unit\"\r\n"
                                         "1,\"10\",\"um\"\r\n"
                                         "2,\"20\",\"um\"\r\n"
                                         "3,\"30\",\"um\"\r\n"));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(RealTimeListTest, ReportOfAnEmptyCaptureAsksNothing) {
    open();
    action("SAVETXT")->trigger();
    action("SAVECSV")->trigger();
    EXPECT_TRUE(saveDialog.requests.empty());
    EXPECT_TRUE(calls.empty());
}

TEST_F(RealTimeListTest, ClockLineShowsTimeThenDateAndStopsWhenClosed) {
    open();
    auto* timer = window->findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    window->Timer1_Timer();
    EXPECT_EQ(label("Label6"), "Now:    04:05:06   10.12.2026");

    RealTimeListWindow* raw = window.release();
    QPointer<RealTimeListWindow> guard(raw);
    raw->show();
    raw->close();
    EXPECT_FALSE(timer->isActive());  // still alive: deletion waits for the event loop
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(RealTimeListTest, TakesTheMainWindowsHeight) {
    QWidget mainWindow;
    mainWindow.setGeometry(100, 50, 444, 498);
    window.reset(new RealTimeListWindow(context, &mainWindow));
    EXPECT_EQ(window->width(), 323);
    EXPECT_EQ(window->height(), mainWindow.height());
}

TEST_F(RealTimeListTest, DesignedClientAreaWithoutAMainWindow) {
    open();
    window->show();
    EXPECT_EQ(window->centralWidget()->size(), QSize(323, 492));
    auto* list = window->findChild<QTableView*>(QStringLiteral("MSFlexGrid1"));
    EXPECT_EQ(list->geometry(), QRect(8, 96, 311, 377));
}

}  // namespace
}  // namespace zepra
