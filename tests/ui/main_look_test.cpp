// The main window's layout, captions, fonts, colours and focus order, and what it draws. Set
// ZEPRA_SHOT_DIR to keep the rendered windows as PNG files.

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "platform/qt_save_dialog.h"
#include "ui/main/about_box.h"
#include "ui/support/find_control.h"
#include "ui/support/main_window_fixture.h"

namespace zepra {
namespace {

using testing::FindControl;
using testing::PortList;

void SavePixmap(const QPixmap& pixmap, const char* name) {
    const QString dir = qEnvironmentVariable("ZEPRA_SHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    pixmap.save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

void SaveShot(QWidget* widget, const char* name) {
    SavePixmap(widget->grab(), name);
}

class MainLookTest : public testing::MainWindowFixture {};

// Positions in twips relative to the parent, as the window's layout gives them.
TEST_F(MainLookTest, ControlsSitAtTheirPlaces) {
    struct Case {
        const char* name;
        const char* parent;
        QRect twips;
    };
    const Case cases[] = {
        {"Picture3", "Form1", {0, 0, 4215, 7575}},
        {"Label1", "Picture3", {720, 4800, 2975, 375}},
        {"Picture2", "Form1", {1440, 1440, 2175, 1575}},
        {"label_noport", "Picture2", {0, 480, 2415, 615}},
        {"labeldata", "Picture2", {120, 480, 1575, 615}},
        {"labelunit", "Picture2", {1440, 960, 615, 495}},
        {"Picture1", "Form1", {4260, 120, 2415, 7335}},
        {"Cmd_Connect", "Picture1", {120, 120, 2175, 615}},
        {"Cmd_RealTime", "Picture1", {120, 840, 2175, 615}},
        {"Cmd_Grp1", "Picture1", {120, 1560, 2175, 615}},
        {"Cmd_Grp2", "Picture1", {120, 2280, 2175, 615}},
        {"Cmd_Grp3", "Picture1", {120, 3000, 2175, 615}},
        {"Cmd_Grp4", "Picture1", {120, 3720, 2175, 615}},
        {"Cmd_AllGrp", "Picture1", {120, 4440, 2175, 615}},
        {"Cmd_RealTimeGrp", "Picture1", {120, 5160, 2175, 615}},
        {"Cmd_Unit", "Picture1", {120, 5880, 2175, 615}},
        {"Cmd_Exit", "Picture1", {120, 6600, 2175, 615}},
    };
    start(PortList::WithoutGauge);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ZEPRA Coating Thickness Tester"));
    EXPECT_EQ(form->size(), QSize(444, 498));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form->windowIcon().availableSizes().value(0), QSize(64, 64));
    for (const Case& c : cases) {
        const QWidget* widget = FindControl(form.get(), c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QLatin1String(c.parent)) << c.name;
        const QRect expected(Px(c.twips.x()), Px(c.twips.y()), Px(c.twips.width()),
                             Px(c.twips.height()));
        EXPECT_EQ(widget->geometry(), expected) << c.name;
    }
}

TEST_F(MainLookTest, CaptionsAndFonts) {
    struct Case {
        const char* name;
        const char* caption;
        int pixelSize;
        bool bold;
    };
    const Case cases[] = {
        {"Label1", "ZEPRA Coating Thickness Tester V1.4", 14, false},
        {"label_noport", "NO PORT", 29, false},
        {"labeldata", "----.-", 29, true},
        {"labelunit", "um", 20, true},
        {"Cmd_Connect", "CONNECT", 19, false},
        {"Cmd_RealTime", "RealTimeSamp", 19, false},
        {"Cmd_Grp1", "Group1", 19, false},
        {"Cmd_Grp4", "Group4", 19, false},
        {"Cmd_AllGrp", "All_Grps", 19, false},
        {"Cmd_RealTimeGrp", "CurrentGrp", 19, false},
        {"Cmd_Unit", "um<->mils", 19, false},
        {"Cmd_Exit", "Exit", 19, false},
    };
    start(PortList::WithoutGauge);
    for (const Case& c : cases) {
        const QWidget* widget = FindControl(form.get(), c.name);
        ASSERT_NE(widget, nullptr);
        const auto* asLabel = qobject_cast<const QLabel*>(widget);
        const auto* asButton = qobject_cast<const QPushButton*>(widget);
        EXPECT_EQ(asLabel ? asLabel->text() : asButton->text(), QLatin1String(c.caption));
        EXPECT_EQ(widget->font().pixelSize(), c.pixelSize) << c.name;
        EXPECT_EQ(widget->font().bold(), c.bold) << c.name;
        // Every caption fits its control.
        const int textWidth = widget->fontMetrics().horizontalAdvance(QLatin1String(c.caption));
        EXPECT_LE(textWidth, widget->width()) << c.name;
    }
}

// The focus chain runs down the button column; the panels are not in it as Tab stops.
TEST_F(MainLookTest, FocusOrderFollowsTheButtonColumn) {
    start(PortList::WithGauge);
    std::vector<std::string> order;
    const QWidget* first = FindControl(form.get(), "Cmd_Connect");
    const QWidget* widget = first;
    do {
        if (!widget->objectName().isEmpty() && widget != form.get() &&
            (widget->focusPolicy() & Qt::TabFocus) != 0) {
            order.push_back(widget->objectName().toStdString());
        }
        widget = widget->nextInFocusChain();
    } while (widget != first);
    const std::vector<std::string> focusable = {
        "Cmd_Connect", "Cmd_RealTime", "Cmd_Grp1",        "Cmd_Grp2", "Cmd_Grp3",
        "Cmd_Grp4",    "Cmd_AllGrp",   "Cmd_RealTimeGrp", "Cmd_Unit", "Cmd_Exit"};
    EXPECT_EQ(order, focusable);
}

// Colour of the pixel at a point of the rendered window.
QColor PixelAt(const QImage& image, QPoint point) {
    return image.pixelColor(point);
}

bool HasColourIn(const QImage& image, QRect area, const QColor& colour) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == colour) return true;
        }
    }
    return false;
}

TEST_F(MainLookTest, NotConnectedLookDrawsNoPortInRedOnTheCyanPanel) {
    start(PortList::WithoutGauge);
    const QImage image = form->grab().toImage();
    SaveShot(form.get(), "form1_not_connected");
    const QRect panel = FindControl(form.get(), "Picture2")->geometry();
    EXPECT_EQ(PixelAt(image, panel.topLeft() + QPoint(2, 2)), QColor(192, 255, 255));
    EXPECT_TRUE(HasColourIn(image, panel, QColor(255, 0, 0)));
    EXPECT_FALSE(HasColourIn(image, panel, QColor(0, 0, 0)));
    EXPECT_EQ(PixelAt(image, QPoint(440, 480)), QColor(192, 192, 192)) << "button column";
}

TEST_F(MainLookTest, ConnectedLookDrawsTheDashesInBlack) {
    start(PortList::WithGauge);
    const QImage image = form->grab().toImage();
    SaveShot(form.get(), "form1_connected");
    SavePixmap(form->windowIcon().pixmap(64, 64), "form1_icon");
    const QRect panel = FindControl(form.get(), "Picture2")->geometry();
    EXPECT_TRUE(HasColourIn(image, panel, QColor(0, 0, 0)));
    EXPECT_FALSE(HasColourIn(image, panel, QColor(255, 0, 0)));
}

TEST_F(MainLookTest, LiveReadingsFitThePanel) {
    start(PortList::WithGauge);
    const auto* reading = FindControl<QLabel>(form.get(), "labeldata");
    const auto* unit = FindControl<QLabel>(form.get(), "labelunit");
    for (const char* text : {"999.9", "99.99", "1.23", "----.-", "OL"}) {
        form->setText(MainControl::LabelData, text);
        EXPECT_LE(reading->fontMetrics().horizontalAdvance(reading->text()), reading->width())
            << text;
    }
    for (const char* text : {"um", "mm", "mils"}) {
        form->setText(MainControl::LabelUnit, text);
        EXPECT_LE(unit->fontMetrics().horizontalAdvance(unit->text()), unit->width()) << text;
    }
    form->setText(MainControl::LabelData, "999.9");
    SaveShot(form.get(), "form1_live_reading");
}

TEST(AboutLook, Render) {
    testing::LoadFontsOnce();
    AboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    SaveShot(&box, "about_box");
    const QImage image = box.grab().toImage();
    EXPECT_EQ(PixelAt(image, QPoint(3, 3)), box.palette().color(QPalette::Button));
}

TEST(SaveDialogFilter, BarSeparatedPairsBecomeQtFilters) {
    struct Case {
        const char* filter;
        const char* expected;
    };
    const Case cases[] = {
        {"csv files (*.csv)|*.csv", "csv files (*.csv)"},
        {"Text files|*.txt", "Text files (*.txt)"},
        {"CSV|*.csv|All files|*.*", "CSV (*.csv);;All files (*.*)"},
        {"*.txt", "*.txt"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToQtFileFilter(c.filter), QLatin1String(c.expected)) << c.filter;
    }
}

}  // namespace
}  // namespace zepra
