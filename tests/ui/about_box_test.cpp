// The About box: its layout, the toggle from the other windows and which clicks close it.

#include "ui/main/about_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTest>

#include "ui/main/app_windows.h"
#include "ui/support/fakes.h"
#include "ui/support/find_control.h"

namespace zepra {
namespace {

using testing::FindControl;

TEST(AboutBox, LayoutTitleAndPlace) {
    testing::LoadFontsOnce();
    AboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.objectName(), QStringLiteral("frmAbout"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About ZEPRA Coating Thickness Tester"));
    EXPECT_EQ(box.size(), QSize(404, 109));
    EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "fixed size";
    EXPECT_TRUE(box.windowFlags() & Qt::Tool);
    EXPECT_FALSE(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    auto* label1 = FindControl<QLabel>(&box, "Label1");
    auto* label2 = FindControl<QLabel>(&box, "Label2");
    ASSERT_TRUE(label1 && label2);
    EXPECT_EQ(label1->text(), QStringLiteral("ZEPRA Coating Thickness Tester V1.4"));
    EXPECT_EQ(label1->geometry(), QRect(56, 16, 297, 25));
    EXPECT_EQ(label2->geometry(), QRect(128, 56, 137, 33));
    EXPECT_TRUE(label1->font().bold());
    EXPECT_FALSE(label2->font().bold());
    EXPECT_EQ(label1->font().pixelSize(), 16);
    // Both texts fit their labels.
    for (const QLabel* label : {label1, label2}) {
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
    }
    EXPECT_FALSE(box.windowIcon().isNull());
}

struct ClickCase {
    const char* where;
    QPoint point;
    Qt::MouseButton button;
    bool closes;
};

class AboutBoxClick : public ::testing::TestWithParam<ClickCase> {};

TEST_P(AboutBoxClick, OnlyTheBackgroundCloses) {
    QPointer<AboutBox> box = new AboutBox;
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
    // Delivered where the system would: to the control under the pointer.
    QWidget* target = box->childAt(GetParam().point);
    if (target == nullptr) target = box;
    QTest::mouseClick(target, GetParam().button, {}, target->mapFrom(box, GetParam().point));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(box.isNull(), GetParam().closes) << GetParam().where;
    delete box.data();
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, AboutBoxClick,
    ::testing::Values(ClickCase{"top-left corner", {2, 2}, Qt::LeftButton, true},
                      ClickCase{"bottom-right corner", {400, 105}, Qt::RightButton, true},
                      ClickCase{"between the texts", {60, 80}, Qt::MiddleButton, true},
                      ClickCase{"first text", {100, 25}, Qt::LeftButton, false},
                      ClickCase{"second text", {150, 70}, Qt::LeftButton, false},
                      ClickCase{"second text, right button", {150, 70}, Qt::RightButton, false}));

struct KeyCase {
    Qt::Key key;
    bool closes;
};

class AboutBoxKey : public ::testing::TestWithParam<KeyCase> {};

// Keys go through the window system to the active box, as the user's keyboard does.
TEST_P(AboutBoxKey, EnterAndEscapeClose) {
    QPointer<AboutBox> box = new AboutBox;
    box->show();
    box->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(box));
    QTest::keyClick(box->windowHandle(), GetParam().key);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(box.isNull(), GetParam().closes) << GetParam().key;
    delete box.data();
}

INSTANTIATE_TEST_SUITE_P(Keys, AboutBoxKey,
                         ::testing::Values(KeyCase{Qt::Key_Return, true},
                                           KeyCase{Qt::Key_Enter, true},
                                           KeyCase{Qt::Key_Escape, true},
                                           KeyCase{Qt::Key_Space, false},
                                           KeyCase{Qt::Key_A, false}));

TEST(AboutBoxToggle, OpensThenClosesFromAnyWindow) {
    MeasurementStore store;
    testing::FakeMessageBox messages;
    WindowContext context;
    context.store = &store;
    context.messageBox = &messages;
    AppWindows windows(context, nullptr);
    // Two windows hold copies of the context; each copy toggles the same box.
    const WindowContext fromGroup1 = windows.context();
    const WindowContext fromGroup2 = windows.context();

    fromGroup1.toggleAbout();
    ASSERT_NE(windows.about(), nullptr);
    EXPECT_TRUE(windows.about()->isVisible());
    fromGroup2.toggleAbout();
    EXPECT_EQ(windows.about(), nullptr);
    fromGroup2.toggleAbout();
    EXPECT_TRUE(IsOpen(windows.about()));
    windows.about()->close();  // closed by a click on it
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    fromGroup1.toggleAbout();
    EXPECT_TRUE(IsOpen(windows.about())) << "a box closed by a click opens again on INFO";
}

}  // namespace
}  // namespace zepra
