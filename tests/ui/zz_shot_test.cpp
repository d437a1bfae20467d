// Temporary: screenshots for a look (not committed).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "data/typed_number.h"
#include "link/link_events.h"
#include "support/find_control.h"
#include "ui/report_dialog.h"

namespace zepra {
namespace {

TEST(Shot, Dialog) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("s.ini"), QSettings::IniFormat);
    GroupSlot group;
    for (int i = 0; i < 5; ++i) group.readings[static_cast<std::size_t>(i)] = {i + 1, 100.0 + i * 10, ""};
    group.readingCount = 5;
    group.lowLimit = 80;
    group.highLimit = 300;
    InspectionDialog dialog(group, 0, &settings);
    testing::FindControl<QComboBox>(&dialog, "Standard")->setCurrentText("IMO PSPC");
    QLineEdit* ndft = testing::FindControl<QLineEdit>(&dialog, "Ndft");
    ndft->selectAll();
    QTest::keyClicks(ndft, "1,000");
    dialog.show();
    QTest::qWait(200);
    dialog.grab().save("/tmp/numrule-dialog.png");
    QMessageBox box(QMessageBox::NoIcon, "ZEPRA Coating Thickness Tester", QString::fromLatin1(kFramingSlipped), QMessageBox::Ok);
    box.show();
    QTest::qWait(200);
    box.grab().save("/tmp/numrule-slip.png");
}

}  // namespace
}  // namespace zepra
