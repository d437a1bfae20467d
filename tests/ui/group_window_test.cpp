// The group window: filling from its slot, the design state of an empty slot, the chart-mode
// switch, the bar pop-up, and its menu's reports.
#include "ui/groups/group_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <limits>
#include <memory>
#include <vector>

#include "charts/chart_area.h"
#include "support/fakes.h"
#include "support/find_control.h"
#include "support/modal_answer.h"

namespace zepra {
namespace {

using testing::AnswerModal;
using testing::FakeClockText;
using testing::FakeMessageBox;
using testing::FakeSaveDialog;
using testing::FindControl;

class GroupWindowTest : public ::testing::Test {
  protected:
    GroupWindowTest() {
        context_.store = &store_;
        context_.saveDialog = &dialog_;
        context_.messageBox = &messages_;
        context_.clock = &clock_;
        context_.toggleAbout = [this] { ++aboutToggles_; };
    }
    ~GroupWindowTest() override {
        for (const QPointer<GroupWindow>& window : windows_) delete window.data();
    }

    GroupSlot& SlotOf(GroupWindowId id) {
        return id == GroupWindowId::Current ? store_.currentGroupSlot
                                            : store_.groupSlot(static_cast<int>(id));
    }

    void SetGroup(GroupWindowId id, const std::vector<double>& values, double high = 0,
                  double low = 0) {
        GroupSlot& group = SlotOf(id);
        for (std::size_t i = 0; i < values.size(); ++i) {
            group.readings[i] = {static_cast<std::int32_t>(i + 1), values[i], "stale"};
        }
        group.readingCount = static_cast<std::int32_t>(values.size());
        group.highLimit = high;
        group.lowLimit = low;
    }

    // Opens the window as the openers do and waits for its fill (Timer1, 100 ms).
    GroupWindow* Open(GroupWindowId id) {
        auto* window = new GroupWindow(id, context_);
        windows_.emplace_back(window);
        window->show();
        auto* fillTimer = window->findChild<QTimer*>("Timer1");
        EXPECT_TRUE(fillTimer->isActive());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !fillTimer->isActive(); }, 5'000));
        return window;
    }

    static QString Caption(const QWidget* window, const char* name) {
        return FindControl<QLabel>(window, name)->text();
    }
    static QString Cell(const GroupWindow* window, int row, int column) {
        const QTableWidgetItem* item =
            FindControl<QTableWidget>(window, "MSFlexGrid1")->item(row, column);
        return item != nullptr ? item->text() : QString();
    }
    static void Choose(const GroupWindow* window, const char* item) {
        FindControl<QAction>(window, item)->trigger();
    }

    MeasurementStore store_;
    FakeSaveDialog dialog_;
    FakeMessageBox messages_;
    FakeClockText clock_;
    WindowContext context_;
    int aboutToggles_ = 0;
    std::vector<QPointer<GroupWindow>> windows_;
};

struct Instance {
    GroupWindowId id;
    const char* name;
    const char* caption;
    const char* trendItem;
    const char* histogramItem;
};

class GroupWindowInstanceTest : public GroupWindowTest,
                                public ::testing::WithParamInterface<Instance> {};

TEST_P(GroupWindowInstanceTest, HasItsNamesFixedClientAreaAndMenu) {
    const Instance& instance = GetParam();
    GroupWindow* window = Open(instance.id);
    EXPECT_EQ(window->objectName(), instance.name);
    EXPECT_EQ(window->windowTitle(), instance.caption);
    EXPECT_EQ(window->centralWidget()->size(), QSize(979, 673));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(FindControl<QAction>(window, "SAVETXT")->text(), "SAVE-*.TXT");
    EXPECT_EQ(FindControl<QAction>(window, "SAVECSV")->text(), "SAVE-*.CSV");
    EXPECT_EQ(FindControl<QAction>(window, "SAVEPDF")->text(), "SAVE-*.PDF");
    EXPECT_EQ(FindControl<QMenu>(window, "SHOWGRAPH")->title(), "GRAPH");
    // The menu bar in order, on one line at the window's fixed width.
    QStringList items;
    for (QAction* action : window->menuBar()->actions()) {
        items << action->text();
        EXPECT_EQ(window->menuBar()->actionGeometry(action).top(),
                  window->menuBar()->actionGeometry(window->menuBar()->actions()[0]).top())
            << action->text().toStdString();
    }
    EXPECT_EQ(items, (QStringList{"SAVE-*.TXT", "SAVE-*.CSV", "SAVE-*.PDF", "GRAPH", "INFO"}));
    EXPECT_EQ(FindControl<QAction>(window, instance.trendItem)->text(), "Trend");
    EXPECT_EQ(FindControl<QAction>(window, instance.histogramItem)->text(), "Histogram");
    FindControl<QAction>(window, "SHOWINFO")->trigger();
    EXPECT_EQ(FindControl<QAction>(window, "SHOWINFO")->text(), "INFO");
    EXPECT_EQ(aboutToggles_, 1);
    EXPECT_EQ(FindControl<QTimer>(window, "Timer2")->interval(), 3'000);
}

INSTANTIATE_TEST_SUITE_P(
    Instances, GroupWindowInstanceTest,
    ::testing::Values(
        Instance{GroupWindowId::Group1, "FrmGrpOne", "Group1", "grp1trend", "grp1histogram"},
        Instance{GroupWindowId::Group2, "FrmGrpTwo", "Group2", "grp2trend", "grp2histogram"},
        Instance{GroupWindowId::Group3, "FrmGrpThree", "Group3", "GRP3TREND", "GRP3HISTOGRAM"},
        Instance{GroupWindowId::Group4, "FrmGrpFour", "Group4", "grp4trend", "grp4histogram"},
        Instance{GroupWindowId::Current, "FrmRealTimeGrp", "RealTimeGroup", "realtimegrptrend",
                 "realtimegrphistogram"}),
    [](const auto& param) { return std::string(param.param.name); });

struct FillCase {
    const char* name;
    std::int32_t unitIsMils;
    std::vector<const char*> texts;
    std::vector<std::pair<const char*, const char*>> captions;
};

class GroupWindowFillTest : public GroupWindowTest,
                            public ::testing::WithParamInterface<FillCase> {};

TEST_P(GroupWindowFillTest, ListsTheReadingsAndLabelsTheGroup) {
    const FillCase& expected = GetParam();
    store_.unitIsMils = expected.unitIsMils;
    SetGroup(GroupWindowId::Group2, {10, 20, 30}, 40, 5);
    GroupWindow* window = Open(GroupWindowId::Group2);

    auto* grid = FindControl<QTableWidget>(window, "MSFlexGrid1");
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "NO.");
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "Samples");
    ASSERT_EQ(grid->rowCount(), 4);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(window, row, 0), QString::number(row + 1));
        EXPECT_EQ(Cell(window, row, 1), expected.texts[row]);
        // The reports write what the list shows.
        EXPECT_EQ(store_.groupSlot(2).readings[row].text, expected.texts[row]);
    }
    EXPECT_EQ(Cell(window, 3, 0), "");  // the design's empty row stays last
    EXPECT_EQ(Cell(window, 3, 1), "");
    for (const auto& [name, caption] : expected.captions) {
        EXPECT_EQ(Caption(window, name), caption) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Units, GroupWindowFillTest,
                         ::testing::Values(FillCase{"micrometres",
                                                    0,
                                                    {"10", "20", "30"},
                                                    {{"Label24", "Counts:   3"},
                                                     {"Label29", "High-limit:  40"},
                                                     {"Label30", "Low-limit:  5"},
                                                     {"Label19", "Unit:        um"},
                                                     {"Label23", "Mean:  20"},
                                                     {"Label20", "Min:  10"},
                                                     {"Label21", "Max:  30"},
                                                     {"Label22", "Std.dev.:  10"}}},
                                           FillCase{"mils",
                                                    1,
                                                    {"0.394", "0.787", "1.181"},
                                                    {{"Label24", "Counts:   3"},
                                                     {"Label29", "High-limit:  1.575"},
                                                     {"Label30", "Low-limit:  0.197"},
                                                     {"Label19", "Unit:       mils"},
                                                     {"Label23", "Mean:  0.787"},
                                                     {"Label20", "Min:  0.394"},
                                                     {"Label21", "Max:  1.181"},
                                                     {"Label22", "Std.dev.:  0.394"}}}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(GroupWindowTest, EmptySlotLeavesTheDesignState) {
    SlotOf(GroupWindowId::Group3).readings[0].text = "untouched";
    GroupWindow* window = Open(GroupWindowId::Group3);

    EXPECT_EQ(FindControl<QTableWidget>(window, "MSFlexGrid1")->rowCount(), 1);
    EXPECT_EQ(Cell(window, 0, 1), "");
    const std::pair<const char*, const char*> initial[] = {
        {"Label24", "Counts:     0"}, {"Label19", "Unit:        um"},  {"Label23", "Mean:      0"},
        {"Label22", "Std.dev.:  0"},  {"Label20", "Min:           0"}, {"Label21", "Max:        0"},
        {"Label30", "Low-limit"},     {"Label29", "High-limit"}};
    for (const auto& [name, caption] : initial) EXPECT_EQ(Caption(window, name), caption) << name;
    for (const char* axis : {"Label0", "Label11", "Label12", "Label17", "Label25", "Label31"}) {
        EXPECT_EQ(Caption(window, axis), "Label1") << axis;
    }
    const ChartArea* area = window->chartArea();
    for (int i = 1; i <= 30; ++i) {
        EXPECT_TRUE(area->bar(i)->isVisible());
        EXPECT_EQ(area->bar(i)->geometry().top(), 400);
        EXPECT_TRUE(area->tick(i)->isVisible());
    }
    EXPECT_EQ(store_.groupSlot(3).readings[0].text, "untouched");
}

TEST_F(GroupWindowTest, ChartModeSwitchHidesAndShowsAllBarsAndTicks) {
    SetGroup(GroupWindowId::Group1, {50, 80});
    GroupWindow* window = Open(GroupWindowId::Group1);
    const ChartArea* area = window->chartArea();
    const QImage erased = area->drawing();
    auto visibleBars = [&] {
        std::vector<int> shown;
        for (int i = 1; i <= 30; ++i) {
            if (area->bar(i)->isVisible()) shown.push_back(i);
        }
        return shown;
    };
    auto allTicksShown = [&](bool shown) {
        for (int i = 1; i <= 30; ++i) {
            if (area->tick(i)->isVisible() != shown) return false;
        }
        return true;
    };
    EXPECT_FALSE(window->trendMode());
    EXPECT_EQ(visibleBars(), (std::vector<int>{2, 29}));
    EXPECT_TRUE(allTicksShown(true));

    Choose(window, "grp1trend");
    EXPECT_TRUE(window->trendMode());
    EXPECT_TRUE(visibleBars().empty());
    EXPECT_TRUE(allTicksShown(false));
    EXPECT_NE(area->drawing(), erased);
    const char* const verticalTopDown[] = {"Label17", "Label16", "Label15", "Label14",
                                           "Label13", "Label12", "Label31"};
    const char* const trendValues[] = {"95", "85", "75", "65", "55", "45", "35"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Caption(window, verticalTopDown[i]), trendValues[i]);
    const char* const numberNames[] = {"Label28", "Label27", "Label26", "Label25"};
    const char* const numbers[] = {"0", "1", "2", "2"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Caption(window, numberNames[i]), numbers[i]);
        EXPECT_TRUE(FindControl<QLabel>(window, numberNames[i])->isVisible());
    }
    EXPECT_FALSE(FindControl<QLabel>(window, "Label0")->isVisible());

    Choose(window, "grp1histogram");
    EXPECT_FALSE(window->trendMode());
    EXPECT_EQ(visibleBars(), (std::vector<int>{2, 29}));
    EXPECT_TRUE(allTicksShown(true));
    EXPECT_EQ(area->drawing(), erased);  // the trace is gone
    EXPECT_FALSE(FindControl<QLabel>(window, "Label25")->isVisible());
    EXPECT_TRUE(FindControl<QLabel>(window, "Label0")->isVisible());
    const char* const countsBottomUp[] = {"Label31", "Label12", "Label13", "Label14",
                                          "Label15", "Label16", "Label17"};
    const char* const counts[] = {"0", "1", "3", "5", "7", "9", "11"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Caption(window, countsBottomUp[i]), counts[i]);
    EXPECT_EQ(Caption(window, "Label0"), "48.5");
    EXPECT_EQ(Caption(window, "Label11"), "81.5");
    EXPECT_EQ(area->bar(2)->geometry(), QRect(area->bar(2)->x(), 450, 20, 45));
}

// Between showing and filling, a repaint of the chart area draws the chart from the slot: the
// design state (30 equal bars, "Label1") never shows, while the list and labels wait for the fill.
TEST_F(GroupWindowTest, FirstPaintBeforeTheFillDrawsTheChartFromTheSlot) {
    SetGroup(GroupWindowId::Group2, {50, 80});
    auto* window = new GroupWindow(GroupWindowId::Group2, context_);
    windows_.emplace_back(window);
    auto* fillTimer = window->findChild<QTimer*>("Timer1");
    fillTimer->stop();  // the fill has not come yet, however slow the machine
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const ChartArea* area = window->chartArea();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !area->bar(1)->isVisible(); }, 5'000));

    for (int i = 1; i <= 30; ++i) {
        EXPECT_EQ(area->bar(i)->isVisible(), i == 2 || i == 29) << i;
        EXPECT_TRUE(area->tick(i)->isVisible()) << i;
    }
    EXPECT_EQ(area->bar(29)->geometry(), QRect(area->bar(29)->x(), 450, 20, 45));
    EXPECT_EQ(Caption(window, "Label0"), "48.5");
    EXPECT_EQ(Caption(window, "Label11"), "81.5");
    EXPECT_EQ(Caption(window, "Label17"), "11");
    EXPECT_EQ(Caption(window, "Label31"), "0");
    EXPECT_FALSE(FindControl<QLabel>(window, "Label25")->isVisible());
    EXPECT_EQ(window->binCounts()[1], 1);
    // The fill itself is still to come.
    EXPECT_EQ(FindControl<QTableWidget>(window, "MSFlexGrid1")->rowCount(), 1);
    EXPECT_EQ(Caption(window, "Label24"), "Counts:     0");

    // An empty slot keeps the design state through its first paint.
    auto* empty = new GroupWindow(GroupWindowId::Group3, context_);
    windows_.emplace_back(empty);
    empty->findChild<QTimer*>("Timer1")->stop();
    empty->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(empty));
    QCoreApplication::processEvents();
    for (int i = 1; i <= 30; ++i) EXPECT_TRUE(empty->chartArea()->bar(i)->isVisible()) << i;
    EXPECT_EQ(Caption(empty, "Label0"), "Label1");
}

// A NaN or an infinity in a dump is listed as sent, and the charts skip it.
TEST_F(GroupWindowTest, ChartsSkipReadingsThatAreNotNumbers) {
    SetGroup(GroupWindowId::Group1, {50, std::numeric_limits<double>::quiet_NaN(), 80});
    GroupWindow* window = Open(GroupWindowId::Group1);
    const ChartArea* area = window->chartArea();
    EXPECT_EQ(Cell(window, 1, 1), "NaN");
    for (int i = 1; i <= 30; ++i) EXPECT_EQ(area->bar(i)->isVisible(), i == 2 || i == 29) << i;
    EXPECT_EQ(Caption(window, "Label0"), "48.5");
    EXPECT_EQ(Caption(window, "Label17"), "11");

    const QImage erased = area->drawing();
    Choose(window, "grp1trend");
    const char* const verticalTopDown[] = {"Label17", "Label16", "Label15", "Label14",
                                           "Label13", "Label12", "Label31"};
    const char* const trendValues[] = {"95", "85", "75", "65", "55", "45", "35"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Caption(window, verticalTopDown[i]), trendValues[i]);
    EXPECT_EQ(Caption(window, "Label25"), "3");
    // Markers (red outline) at readings 1 and 3: (245, 373.5) and (735, 124.5).
    auto redNear = [&](int x, int y) {
        for (int dy = -3; dy <= 3; ++dy) {
            for (int dx = -3; dx <= 3; ++dx) {
                const QPoint p(x + dx, y + dy);
                if (area->drawing().rect().contains(p) &&
                    area->drawing().pixel(p) == qRgb(255, 0, 0)) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_NE(area->drawing(), erased);
    EXPECT_TRUE(redNear(245, 373));
    EXPECT_TRUE(redNear(735, 124));
}

TEST_F(GroupWindowTest, PopupShowsTheCountOnTheBarAndHidesThreeSecondsAfterTheLastPress) {
    SetGroup(GroupWindowId::Group4, {100, 100, 100, 100, 100, 50});
    GroupWindow* window = Open(GroupWindowId::Group4);
    const ChartArea* area = window->chartArea();
    QLabel* popup = FindControl<QLabel>(window, "Label32");
    EXPECT_EQ(popup->font(), TahomaFont(12));  // the window's font for the pop-up
    auto* timer = FindControl<QTimer>(window, "Timer2");
    ASSERT_TRUE(area->bar(2)->isVisible() && area->bar(29)->isVisible());

    struct Press {
        int bar;
        Qt::MouseButton button;
        const char* text;
    };
    for (const Press& press : {Press{2, Qt::RightButton, "1"}, Press{29, Qt::MiddleButton, "5"}}) {
        SCOPED_TRACE(press.bar);
        QTest::qWait(400);
        QTest::mousePress(area->bar(press.bar), press.button);
        const QRect bar = area->bar(press.bar)->geometry();
        EXPECT_TRUE(popup->isVisible());
        EXPECT_EQ(popup->text(), press.text);
        EXPECT_EQ(popup->x(), bar.x());
        EXPECT_EQ(popup->y(), bar.y() - popup->height());
        EXPECT_EQ(popup->width(), bar.width());
        EXPECT_GT(popup->height(), 0);
        EXPECT_TRUE(timer->isActive());
        EXPECT_GT(timer->remainingTime(), 2'800);  // restarted by this press
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !popup->isVisible(); }, 5'000));
    EXPECT_FALSE(timer->isActive());
}

struct OneReadingCase {
    const char* name;
    GroupWindowId id;
    bool drawsBar;
};

class GroupWindowOneReadingTest : public GroupWindowTest,
                                  public ::testing::WithParamInterface<OneReadingCase> {};

TEST_P(GroupWindowOneReadingTest, OnlyTheCurrentGroupDrawsAHistogramOfOneReading) {
    SetGroup(GetParam().id, {100});
    GroupWindow* window = Open(GetParam().id);
    const ChartArea* area = window->chartArea();
    EXPECT_EQ(Caption(window, "Label22"), "Std.dev.:  0");
    if (GetParam().drawsBar) {
        EXPECT_TRUE(area->bar(16)->isVisible());
        EXPECT_EQ(area->bar(16)->height(), 45);
        EXPECT_FALSE(area->bar(15)->isVisible());
        EXPECT_EQ(Caption(window, "Label17"), "11");
        EXPECT_EQ(window->binCounts()[15], 1);
    } else {
        for (int i = 1; i <= 30; ++i) EXPECT_EQ(area->bar(i)->geometry().top(), 400);
        EXPECT_EQ(Caption(window, "Label17"), "Label1");
        EXPECT_EQ(window->binCounts()[15], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, GroupWindowOneReadingTest,
    ::testing::Values(OneReadingCase{"current_group", GroupWindowId::Current, true},
                      OneReadingCase{"stored_group", GroupWindowId::Group1, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(GroupWindowTest, SaveItemsWriteTheListAsFormattedAndNothingForAnEmptyList) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    SetGroup(GroupWindowId::Group1, {10, 20.5, 30});
    GroupWindow* window = Open(GroupWindowId::Group1);
    const QString path = folder.filePath("group1.csv");
    dialog_.answers = {path.toStdString()};
    Choose(window, "SAVECSV");
    ASSERT_EQ(dialog_.requests.size(), 1u);
    EXPECT_EQ(dialog_.requests[0].first, "Save");
    EXPECT_EQ(dialog_.requests[0].second, "csv files (*.csv)|*.csv");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              "\"NO.\",\"Samples\",\"Unit\"\r\n1,\"10\",\"um\"\r\n2,\"20.5\",\"um\"\r\n"
              "3,\"30\",\"um\"\r\n");

    GroupWindow* empty = Open(GroupWindowId::Group2);
    Choose(empty, "SAVETXT");
    Choose(empty, "SAVECSV");
    EXPECT_FALSE(AnswerModal([&] { Choose(empty, "SAVEPDF"); }, [](QDialog&) {}));
    EXPECT_EQ(dialog_.requests.size(), 1u);  // no dialog for an empty list
}

// SAVE-*.PDF writes the window's group with where it came from and when it was measured.
TEST_F(GroupWindowTest, SavePdfReportsTheGroupAndItsSource) {
    QTemporaryDir folder;
    std::vector<std::string> sources;
    std::vector<std::string> measured;
    context_.downloadText = [](GroupWindowId id) {
        return id == GroupWindowId::Group1 ? std::string() : "from COM3 (/dev/ttyUSB2) at 14:03:22";
    };
    context_.measuredAt = [](GroupWindowId id) {
        return id == GroupWindowId::Group1 ? std::string()
                                           : "2026-03-04 14:03:22 or before (downloaded)";
    };
    context_.writeInspectionReport = [&](const inspection::ReportContent& content,
                                         const std::string&) {
        sources.push_back(content.source);
        measured.push_back(content.measuredAt);
        EXPECT_EQ(content.readings.size(), 2u);
        return std::string();
    };
    for (const GroupWindowId id :
         {GroupWindowId::Group4, GroupWindowId::Current, GroupWindowId::Group1}) {
        SetGroup(id, {50, 80}, 100, 40);
        GroupWindow* window = Open(id);
        dialog_.answers = {folder.filePath("report.pdf").toStdString()};
        EXPECT_TRUE(AnswerModal([&] { Choose(window, "SAVEPDF"); },
                                [](QDialog& dialog) { dialog.accept(); }));
    }
    EXPECT_EQ(sources,
              (std::vector<std::string>{
                  "Group 4 downloaded from COM3 (/dev/ttyUSB2) at 14:03:22",
                  "Current group downloaded from COM3 (/dev/ttyUSB2) at 14:03:22", "Group 1"}));
    EXPECT_EQ(measured,
              (std::vector<std::string>{"2026-03-04 14:03:22 or before (downloaded)",
                                        "2026-03-04 14:03:22 or before (downloaded)", ""}));
}

}  // namespace
}  // namespace zepra
