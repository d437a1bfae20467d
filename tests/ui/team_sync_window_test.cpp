// The main window with a team server named that accepts the connection and never answers: the
// window keeps repainting and its timers keep firing, its status line says a sync is under way,
// and closing the program does not wait for the server.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "support/main_window_fixture.h"
#include "support/silent_server.h"

namespace zepra {
namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class TeamSyncWindowTest : public testing::MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(dir_.isValid());
        earlierArchive_ = qgetenv("ZEPRA_ARCHIVE");
        earlierServer_ = qgetenv("ZEPRA_ARCHIVE_SERVER");
        qputenv("ZEPRA_ARCHIVE", dir_.filePath("archive.sqlite").toLocal8Bit());
        qputenv("ZEPRA_ARCHIVE_SERVER", silent_.name(30).toLocal8Bit());
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        qputenv("ZEPRA_ARCHIVE_SERVER", earlierServer_);
        qputenv("ZEPRA_ARCHIVE", earlierArchive_);
    }

    testing::SilentServer silent_;
    QTemporaryDir dir_;
    QByteArray earlierArchive_;
    QByteArray earlierServer_;
};

TEST_F(TeamSyncWindowTest, SilentServerFreezesNothingAndQuittingDoesNotWait) {
    start(testing::PortList::WithoutGauge);
    QLabel* line = label("TeamSyncLine");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return silent_.accepted() == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return line->text().contains("syncing now"); }, 5000))
        << line->text().toStdString();

    PaintCounter counter;
    form->installEventFilter(&counter);
    int ticks = 0;
    QTimer timer;  // a timer of the windows, and a repaint asked for on each tick
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        form->update();
    });
    timer.start(20);
    QTest::qWait(2000);  // the server has not answered all along
    EXPECT_EQ(silent_.accepted(), 1u);
    EXPECT_GT(ticks, 2000 / 20 / 4);
    EXPECT_GT(counter.paints, 2000 / 20 / 4);
    EXPECT_TRUE(line->text().contains("syncing now"));
    // A click is handled meanwhile: CONNECT looks for the gauge and says it found none.
    const std::size_t said = messages->messages.size();
    click("Cmd_Connect");
    EXPECT_GT(messages->messages.size(), said);

    form->removeEventFilter(&counter);
    QElapsedTimer clock;
    clock.start();
    form->close();
    form.reset();
    EXPECT_LT(clock.elapsed(), 1000);
}

}  // namespace
}  // namespace zepra
