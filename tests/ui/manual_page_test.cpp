// The installed manual page against the program: it names the settings file the program really
// writes and the menu item that writes the inspection report, and does not claim that nothing is
// kept between runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>

#include "ui/groups/group_window.h"
#include "ui/main/form1.h"
#include "ui/support/fakes.h"
#include "ui/support/find_control.h"

namespace zepra {
namespace {

// The page's text with roff's escaped minus signs as plain hyphens.
QString ManualText() {
    QFile file(QStringLiteral(ZEPRA_THICKNESS_MANUAL));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << ZEPRA_THICKNESS_MANUAL;
    return QString::fromUtf8(file.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
}

TEST(ManualPage, NamesTheSettingsFileTheProgramWrites) {
    const QString manual = ManualText();
    const QString written = ProgramSettings()->fileName();
    const QString relative = QStringLiteral("/ZEPRA/zepra-thickness.ini");
    ASSERT_TRUE(written.endsWith(relative)) << written.toStdString();
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        EXPECT_EQ(written, QDir::homePath() + QStringLiteral("/.config") + relative);
    }
    EXPECT_TRUE(manual.contains(QStringLiteral("~/.config") + relative));
    EXPECT_FALSE(manual.contains(QStringLiteral("Nothing is kept")));
}

TEST(ManualPage, NamesTheMenuItemThatWritesTheInspectionReport) {
    MeasurementStore store;
    testing::FakeClockText clock;
    WindowContext context;
    context.store = &store;
    context.clock = &clock;
    const GroupWindow window(GroupWindowId::Group1, context);
    const QString item = testing::FindControl<QAction>(&window, "SAVEPDF")->text();
    EXPECT_EQ(item, QStringLiteral("SAVE-*.PDF"));
    EXPECT_TRUE(ManualText().contains(item)) << item.toStdString();
}

}  // namespace
}  // namespace zepra
