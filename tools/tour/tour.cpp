#include "tour.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <vector>

#include "driver.h"

namespace tour {
namespace {

// The five group windows: the main window's button that downloads each, and its chart menu items.
struct GroupWindowNames {
    const char* button;
    const char* window;
    const char* trendItem;
    const char* histogramItem;
};

constexpr GroupWindowNames kGroupWindows[] = {
    {"Cmd_Grp1", "FrmGrpOne", "grp1trend", "grp1histogram"},
    {"Cmd_Grp2", "FrmGrpTwo", "grp2trend", "grp2histogram"},
    {"Cmd_Grp3", "FrmGrpThree", "GRP3TREND", "GRP3HISTOGRAM"},
    {"Cmd_Grp4", "FrmGrpFour", "grp4trend", "grp4histogram"},
    {"Cmd_RealTimeGrp", "FrmRealTimeGrp", "realtimegrptrend", "realtimegrphistogram"},
};
constexpr std::size_t kCurrentGroup = 4;

// The number at the end of a statistics line such as "Counts:     12"; -1 when there is none.
long long TrailingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("(\\d+)\\s*$"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// The chart windows redraw every 500 ms: wait for at least one redraw with the latest data.
constexpr int kChartRedrawMs = 700;

}  // namespace

Tour::Tour(QWidget& mainWindow, MessageBoxWatcher& messages, TourOptions options)
    : form_(mainWindow), messages_(messages), options_(std::move(options)) {}

void Tour::run() {
    try {
        checkConnected();
        downloadGroups();
        downloadAllGroups();
        switchChart();
        switchUnit();
        showAbout();
        saveGroupReports();
        captureLive();
        showArchive();
        exitProgram();
    } catch (const TourFailure& failure) {
        throw TourFailure(QStringLiteral("step \"%1\" failed: %2")
                              .arg(currentStep_, QString::fromStdString(failure.what())));
    }
}

void Tour::step(const QString& what) {
    if (!currentStep_.isEmpty()) expectNoMessages();  // the start-up messages are checked apart
    currentStep_ = what;
    std::printf("tour: %s\n", qPrintable(what));
    std::fflush(stdout);
}

// The happy path shows no message: one that appears means something went wrong.
void Tour::expectNoMessages() {
    QApplication::processEvents();
    const QStringList messages = messages_.takeMessages();
    if (!messages.isEmpty()) {
        throw TourFailure(QStringLiteral("the program said: ") +
                          messages.join(QStringLiteral(" / ")));
    }
}

QString Tour::outputPath(const QString& fileName) const {
    return QDir(options_.outputDir).filePath(fileName);
}

void Tour::checkConnected() {
    step(QStringLiteral("connect to the gauge at start"));
    const QStringList messages = messages_.takeMessages();
    if (Button(&form_, QStringLiteral("Cmd_Connect"))->isEnabled() ||
        !Button(&form_, QStringLiteral("Cmd_Grp1"))->isEnabled()) {
        throw TourFailure(QStringLiteral("the main window is not connected") +
                          (messages.isEmpty()
                               ? QString()
                               : QStringLiteral(": ") + messages.join(QStringLiteral(" / "))));
    }
    if (!messages.isEmpty()) {
        throw TourFailure(QStringLiteral("connected, but the program said: ") +
                          messages.join(QStringLiteral(" / ")));
    }
}

// The fill runs 100 ms after the window opens; it is done when the count line shows the group's
// size (an empty group keeps its initial "Counts:     0").
void Tour::waitForFill(const QString& windowName, std::size_t readings) {
    QWidget* window = WaitForWindow(windowName, options_.stepTimeoutMs);
    QPointer<QWidget> guard(window);
    WaitUntil(
        [&] {
            return !guard.isNull() && TrailingNumber(LabelText(guard, QStringLiteral("Label24"))) ==
                                          static_cast<long long>(readings);
        },
        options_.stepTimeoutMs,
        QStringLiteral("%1 to list %2 readings (Label24)").arg(windowName).arg(readings));
}

void Tour::downloadGroups() {
    for (std::size_t i = 0; i < std::size(kGroupWindows); ++i) {
        const GroupWindowNames& names = kGroupWindows[i];
        step(QStringLiteral("download with %1").arg(QLatin1String(names.button)));
        Click(&form_, QLatin1String(names.button));
        WaitUntil([&] { return Button(&form_, QLatin1String(names.button))->isEnabled(); },
                  options_.stepTimeoutMs, QStringLiteral("the download to complete"));
        waitForFill(QLatin1String(names.window), options_.groupSizes[i]);
    }
}

void Tour::downloadAllGroups() {
    step(QStringLiteral("download all groups with Cmd_AllGrp"));
    // Each of the four windows is closed and opened anew on the downloaded data.
    std::vector<QPointer<QWidget>> before;
    for (std::size_t i = 0; i < kCurrentGroup; ++i) {
        before.emplace_back(ShownWindow(QLatin1String(kGroupWindows[i].window)));
    }
    Click(&form_, QStringLiteral("Cmd_AllGrp"));
    WaitUntil(
        [&] {
            for (const QPointer<QWidget>& old : before) {
                if (!old.isNull()) return false;
            }
            return Button(&form_, QStringLiteral("Cmd_AllGrp"))->isEnabled();
        },
        options_.stepTimeoutMs, QStringLiteral("the four groups to arrive and reopen"));
    for (std::size_t i = 0; i < kCurrentGroup; ++i) {
        waitForFill(QLatin1String(kGroupWindows[i].window), options_.groupSizes[i]);
    }

    step(QStringLiteral("screenshots of the five group windows"));
    for (const GroupWindowNames& names : kGroupWindows) {
        const QString name = QLatin1String(names.window);
        Grab(WaitForWindow(name, options_.stepTimeoutMs),
             outputPath(name + QStringLiteral(".png")));
    }
}

void Tour::switchChart() {
    const GroupWindowNames& names = kGroupWindows[1];
    const QString windowName = QLatin1String(names.window);
    step(QStringLiteral("%1: GRAPH > Trend, then back to Histogram").arg(windowName));
    QWidget* window = WaitForWindow(windowName, options_.stepTimeoutMs);
    Choose(window, QLatin1String(names.trendItem));
    QTest::qWait(200);
    Grab(window, outputPath(windowName + QStringLiteral("-trend.png")));
    Choose(window, QLatin1String(names.histogramItem));
    QTest::qWait(200);
}

void Tour::switchUnit() {
    const QString windowName = QLatin1String(kGroupWindows[0].window);
    const struct {
        const char* unit;
        const char* shot;
    } kUnits[] = {{"mils", "FrmGrpOne-mils.png"}, {"um", nullptr}};
    for (const auto& unit : kUnits) {
        step(QStringLiteral("um<->mils: everything in %1").arg(QLatin1String(unit.unit)));
        const QPointer<QWidget> before(ShownWindow(windowName));
        Click(&form_, QStringLiteral("Cmd_Unit"));
        WaitUntil(
            [&] {
                QWidget* now = ShownWindow(windowName);
                return before.isNull() && now != nullptr &&
                       LabelText(now, QStringLiteral("Label19"))
                           .endsWith(QLatin1String(unit.unit)) &&
                       TrailingNumber(LabelText(now, QStringLiteral("Label24"))) ==
                           static_cast<long long>(options_.groupSizes[0]);
            },
            options_.stepTimeoutMs,
            QStringLiteral("%1 to reopen in %2").arg(windowName, QLatin1String(unit.unit)));
        if (unit.shot != nullptr) {
            Grab(ShownWindow(windowName), outputPath(QLatin1String(unit.shot)));
        }
    }
}

void Tour::showArchive() {
    step(QStringLiteral("Archive: the main window's key opens the list of what was kept"));
    Choose(&form_, QStringLiteral("OpenArchive"));
    QWidget* archive = WaitForWindow(QStringLiteral("FrmArchive"), options_.stepTimeoutMs);
    QTest::qWait(200);  // the list painted
    Grab(archive, outputPath(QStringLiteral("FrmArchive.png")));
    archive->close();
    WaitUntilClosed(QStringLiteral("FrmArchive"), options_.stepTimeoutMs);
    expectNoMessages();
}

void Tour::showAbout() {
    step(QStringLiteral("INFO: the About box opens and closes"));
    QWidget* group = WaitForWindow(QLatin1String(kGroupWindows[0].window), options_.stepTimeoutMs);
    Choose(group, QStringLiteral("SHOWINFO"));
    Grab(WaitForWindow(QStringLiteral("frmAbout"), options_.stepTimeoutMs),
         outputPath(QStringLiteral("frmAbout.png")));
    Choose(group, QStringLiteral("SHOWINFO"));
    WaitUntilClosed(QStringLiteral("frmAbout"), options_.stepTimeoutMs);
}

void Tour::saveGroupReports() {
    step(QStringLiteral("save Group1 as CSV and as text"));
    QWidget* group = WaitForWindow(QLatin1String(kGroupWindows[0].window), options_.stepTimeoutMs);
    SaveThroughDialog(group, QStringLiteral("SAVECSV"), outputPath(QStringLiteral("Group1.csv")),
                      options_.stepTimeoutMs);
    SaveThroughDialog(group, QStringLiteral("SAVETXT"), outputPath(QStringLiteral("Group1.txt")),
                      options_.stepTimeoutMs);
}

void Tour::captureLive() {
    step(QStringLiteral("RealTimeSamp: live readings with the list, trend and histogram"));
    Click(&form_, QStringLiteral("Cmd_RealTime"));
    QWidget* list = WaitForWindow(QStringLiteral("FrmRealTimeList"), options_.stepTimeoutMs);
    WaitUntil([&] { return Button(&form_, QStringLiteral("Cmd_RealTime"))->text() == "Pause"; },
              options_.stepTimeoutMs, QStringLiteral("RealTimeSamp to read Pause"));
    Choose(list, QStringLiteral("aarealtimehistogram_1"));
    WaitForWindow(QStringLiteral("FrmRealTimeGrpOne"), options_.stepTimeoutMs);
    Choose(list, QStringLiteral("aarealtimehistogram_2"));
    WaitForWindow(QStringLiteral("FrmRealTimeGrpTwo"), options_.stepTimeoutMs);

    step(QStringLiteral("capture for %1 s").arg(options_.liveSeconds));
    WaitUntil([&] { return TrailingNumber(LabelText(list, QStringLiteral("Label1"))) >= 1; },
              options_.stepTimeoutMs, QStringLiteral("the first live reading (Label1)"));
    QTest::qWait(options_.liveSeconds * 1000);
    const long long captured = TrailingNumber(LabelText(list, QStringLiteral("Label1")));
    if (captured < 2) {
        throw TourFailure(QStringLiteral("only %1 readings captured").arg(captured));
    }
    if (LabelText(&form_, QStringLiteral("labeldata")) == QStringLiteral("----.-")) {
        throw TourFailure(QStringLiteral("the big reading still shows ----.-"));
    }
    std::printf("tour: %lld readings captured\n", captured);

    step(QStringLiteral("screenshots of the main window and the real-time windows"));
    QTest::qWait(kChartRedrawMs);
    for (const char* name :
         {"Form1", "FrmRealTimeList", "FrmRealTimeGrpOne", "FrmRealTimeGrpTwo"}) {
        const QString windowName = QLatin1String(name);
        Grab(WaitForWindow(windowName, options_.stepTimeoutMs),
             outputPath(windowName + QStringLiteral(".png")));
    }

    step(QStringLiteral("save the capture as CSV and as text while sampling"));
    SaveThroughDialog(list, QStringLiteral("SAVECSV"), outputPath(QStringLiteral("RealTime.csv")),
                      options_.stepTimeoutMs);
    SaveThroughDialog(list, QStringLiteral("SAVETXT"), outputPath(QStringLiteral("RealTime.txt")),
                      options_.stepTimeoutMs);

    step(QStringLiteral("Pause"));
    Click(&form_, QStringLiteral("Cmd_RealTime"));
    WaitUntil(
        [&] {
            return Button(&form_, QStringLiteral("Cmd_RealTime"))->text() == "RealTimeSamp" &&
                   Button(&form_, QStringLiteral("Cmd_Grp1"))->isEnabled();
        },
        options_.stepTimeoutMs, QStringLiteral("sampling to pause"));
}

void Tour::exitProgram() {
    step(QStringLiteral("Exit closes every window"));
    Click(&form_, QStringLiteral("Cmd_Exit"));
    WaitUntil(
        [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->isVisible()) return false;
            }
            return true;
        },
        options_.stepTimeoutMs, QStringLiteral("every window to close"));
    expectNoMessages();
}

}  // namespace tour
