// What a screen reader is told, read through Qt's accessibility interfaces as an assistive
// technology's bridge reads them: the windows' roles and names, the big reading's name, the main
// window's Tab stops and the names of tables and the page-size choice.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/measurement_store.h"
#include "ui/controls.h"
#include "ui/groups/group_window.h"
#include "ui/main/about_box.h"
#include "ui/realtime/realtime_histogram_window.h"
#include "ui/realtime/realtime_list_window.h"
#include "ui/realtime/realtime_trend_window.h"
#include "ui/report_dialog.h"
#include "ui/support/fakes.h"
#include "ui/support/find_control.h"
#include "ui/support/main_window_fixture.h"

namespace zepra {
namespace {

using testing::FindControl;
using testing::PortList;

constexpr int kWaitMs = 5000;

QAccessibleInterface* Accessible(QObject* object) {
    QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(interface, nullptr);
    return interface;
}

std::string NameOf(QObject* object) {
    QAccessibleInterface* interface = Accessible(object);
    return interface != nullptr ? interface->text(QAccessible::Name).toStdString() : "<none>";
}

// Every window a user meets, built on a filled store, as the program presents it.
class WindowRoleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::LoadFontsOnce();
        PresentPlainWindowsAsWindows();  // what the program's set-up does
        InitialiseStore(*store_);
        for (int i = 0; i < 5; ++i) {
            store_->groupSlot(1).readings[static_cast<std::size_t>(i)] = {i + 1, 100.0 + i, "x"};
        }
        store_->groupSlot(1).readingCount = 5;
        context_.store = store_.get();
        context_.saveDialog = &dialog_;
        context_.messageBox = &messages_;
        context_.clock = &clock_;
    }

    std::unique_ptr<MeasurementStore> store_ = std::make_unique<MeasurementStore>();
    testing::FakeSaveDialog dialog_;
    testing::FakeMessageBox messages_;
    testing::FakeClockText clock_;
    WindowContext context_;
};

TEST_F(WindowRoleTest, TopLevelWindowsAreWindowsNamedByTheirTitles) {
    QWidget anchor;
    const std::vector<std::function<std::unique_ptr<QWidget>()>> makers = {
        [] { return std::make_unique<AboutBox>(); },
        [&] { return std::make_unique<RealTimeTrendWindow>(context_); },
        [&] { return std::make_unique<RealTimeHistogramWindow>(context_); },
        [&] { return std::make_unique<RealTimeListWindow>(context_, &anchor); },
        [&] { return std::make_unique<GroupWindow>(GroupWindowId::Group1, context_); },
    };
    for (const auto& make : makers) {
        const std::unique_ptr<QWidget> window = make();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QAccessibleInterface* interface = Accessible(window.get());
        ASSERT_NE(interface, nullptr);
        EXPECT_EQ(interface->role(), QAccessible::Window) << window->objectName().toStdString();
        EXPECT_EQ(interface->text(QAccessible::Name), window->windowTitle());
    }
}

// The lists and the inspection dialog's tables and page size say what they hold.
TEST_F(WindowRoleTest, TablesAndThePageSizeHaveNames) {
    QWidget anchor;
    RealTimeListWindow list(context_, &anchor);
    EXPECT_EQ(NameOf(FindControl<QTableView>(&list, "MSFlexGrid1")), "Captured readings");
    GroupWindow group(GroupWindowId::Group1, context_);
    EXPECT_EQ(NameOf(FindControl<QTableView>(&group, "MSFlexGrid1")), "Readings");

    InspectionDialog dialog(store_->groupSlot(1), 0, nullptr);
    EXPECT_EQ(NameOf(FindControl<QTableView>(&dialog, "Exclusions")), "Readings left out");
    EXPECT_EQ(NameOf(FindControl<QTableView>(&dialog, "Criteria")), "Criteria");
    // A combo box's own name is its choice on Linux (Qt): the bridge names it by the label
    // related to it; elsewhere by its accessible name.
    auto* pageSize = FindControl<QComboBox>(&dialog, "Page");
    EXPECT_EQ(pageSize->accessibleName(), "Page size");
    QAccessibleInterface* page = Accessible(pageSize);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->role(), QAccessible::ComboBox);
    QStringList labels;
    for (const auto& [label, relation] : page->relations(QAccessible::Label)) {
        labels << label->text(QAccessible::Name);
    }
    EXPECT_EQ(labels, QStringList{"Page size:"});
}

class MainWindowAccessibilityTest : public testing::MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        PresentPlainWindowsAsWindows();
    }
    std::string readingName() const { return NameOf(label("labeldata")); }
};

TEST_F(MainWindowAccessibilityTest, MainWindowIsAWindowNamedByItsTitle) {
    start(PortList::WithGauge);
    QAccessibleInterface* interface = Accessible(form.get());
    ASSERT_NE(interface, nullptr);
    EXPECT_EQ(interface->role(), QAccessible::Window);
    EXPECT_EQ(interface->text(QAccessible::Name), "ZEPRA Coating Thickness Tester");
}

// The big reading is read out as one sentence with its unit, and follows every live frame.
TEST_F(MainWindowAccessibilityTest, BigReadingIsNamedWithItsUnit) {
    start(PortList::WithGauge);
    gauge->setLiveRate(0);                   // only the frames sent below
    EXPECT_EQ(readingName(), "No reading");  // the dashes
    click("Cmd_RealTime");
    auto nameBecomes = [this](const std::string& name) {
        return QTest::qWaitFor([&] { return readingName() == name; }, kWaitMs);
    };
    gauge->sendLiveFrame(121.0f);
    EXPECT_TRUE(nameBecomes("Reading 121 um")) << readingName();
    EXPECT_EQ(label("labeldata")->text(), "121");
    gauge->sendLiveFrame(1350.0f);  // the gauge's "no reading" word
    EXPECT_TRUE(nameBecomes("No reading")) << readingName();
    gauge->sendLiveFrame(1351.0f);  // overload
    EXPECT_TRUE(nameBecomes("Overload")) << readingName();

    click("Cmd_Unit");
    gauge->sendLiveFrame(127.0f);
    ASSERT_TRUE(QTest::qWaitFor([this] { return label("labelunit")->text() == "mils"; }, kWaitMs));
    EXPECT_EQ(label("labeldata")->text(), "5");
    EXPECT_EQ(readingName(), "Reading 5 mils");
}

// Tab walks the buttons down the column and round again; the panels take no focus, and every
// stop has a name to read.
TEST_F(MainWindowAccessibilityTest, TabFollowsTheButtonsTopToBottom) {
    start(PortList::WithGauge);  // connected at start-up: every button enabled
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    button("Cmd_Connect")->setEnabled(true);  // so that the walk covers the whole column
    button("Cmd_Connect")->setFocus(Qt::OtherFocusReason);
    std::vector<std::string> stops;
    for (int i = 0; i < 11; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        stops.push_back(focus->objectName().toStdString());
        EXPECT_FALSE(NameOf(focus).empty()) << stops.back();
        QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
    }
    const std::vector<std::string> expected = {
        "Cmd_Connect", "Cmd_RealTime",    "Cmd_Grp1", "Cmd_Grp2", "Cmd_Grp3",   "Cmd_Grp4",
        "Cmd_AllGrp",  "Cmd_RealTimeGrp", "Cmd_Unit", "Cmd_Exit", "Cmd_Connect"};
    EXPECT_EQ(stops, expected);
    for (const char* panel : {"Picture1", "Picture2", "Picture3"}) {
        EXPECT_EQ(FindControl(form.get(), panel)->focusPolicy(), Qt::NoFocus) << panel;
    }
}

}  // namespace
}  // namespace zepra
