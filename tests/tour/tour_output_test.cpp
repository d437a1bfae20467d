// Runs the guided tour once into a temporary folder and checks what it left there: a PNG of every
// window at its designed size and the four reports with the readings of the demo gauge.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "gauge_emulator.h"

namespace {

QString g_tourProgram;  // the first command-line argument

struct TourRun {
    QTemporaryDir dir;
    int exitCode = -1;
    QString output;
};

// One run for all the tests below: the tour takes several seconds.
const TourRun& TheTourRun() {
    static const std::unique_ptr<TourRun> run = [] {
        auto result = std::make_unique<TourRun>();
        QProcess tour;
        tour.setProcessChannelMode(QProcess::MergedChannels);
        tour.start(g_tourProgram,
                   {QStringLiteral("--live-seconds"), QStringLiteral("2"), result->dir.path()});
        if (tour.waitForFinished(150'000) && tour.exitStatus() == QProcess::NormalExit) {
            result->exitCode = tour.exitCode();
        } else {
            tour.kill();
            tour.waitForFinished();
        }
        result->output = QString::fromLocal8Bit(tour.readAll());
        return result;
    }();
    return *run;
}

QString OutputFile(const QString& name) {
    return QDir(TheTourRun().dir.path()).filePath(name);
}

// The lines of a report, which must each end in CR LF.
QStringList ReportLines(const QString& name) {
    QFile file(OutputFile(name));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << name.toStdString();
        return {};
    }
    const QString text = QString::fromLatin1(file.readAll());
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n"))) << name.toStdString();
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();  // after the final CR LF
    for (const QString& line : lines) {
        EXPECT_FALSE(line.contains(QLatin1Char('\n')))
            << "bare line feed in " << name.toStdString();
    }
    return lines;
}

TEST(Tour, FinishesAndPrintsItsOutputFolder) {
    const TourRun& run = TheTourRun();
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QDir(run.dir.path()).absolutePath()))
        << run.output.toStdString();
}

// Only the tour's own lines: its steps ("tour: ..."), then the output folder.
TEST(Tour, PrintsOnlyItsOwnLines) {
    const TourRun& run = TheTourRun();
    const QString folder = QDir(run.dir.path()).absolutePath();
    for (const QString& line : run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        EXPECT_TRUE(line.startsWith(QLatin1String("tour: ")) || line == folder)
            << line.toStdString();
    }
}

// The tour must not report success, or start at all, when it cannot do its job.
struct BadStart {
    const char* why;
    QStringList arguments;
    int exitCode;
    const char* message;  // part of what it prints
};

class TourBadStart : public ::testing::TestWithParam<BadStart> {};

TEST_P(TourBadStart, ExitsNonZeroWithAMessage) {
    QProcess tour;
    tour.setProcessChannelMode(QProcess::MergedChannels);
    tour.start(g_tourProgram, GetParam().arguments);
    ASSERT_TRUE(tour.waitForFinished(30'000));
    const QString output = QString::fromLocal8Bit(tour.readAll());
    EXPECT_EQ(tour.exitCode(), GetParam().exitCode) << output.toStdString();
    EXPECT_TRUE(output.contains(QLatin1String(GetParam().message))) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Refused, TourBadStart,
    ::testing::Values(
        BadStart{"FolderThatCannotBeCreated",
                 {QStringLiteral("/proc/zepra-tour-output")},
                 1,
                 "cannot create /proc/zepra-tour-output"},
        BadStart{"NoLiveCapture",
                 {QStringLiteral("--live-seconds"), QStringLiteral("0"), QStringLiteral("x")},
                 2,
                 "--live-seconds"},
        BadStart{"TwoFolders", {QStringLiteral("a"), QStringLiteral("b")}, 2, "Usage:"}),
    [](const ::testing::TestParamInfo<BadStart>& start) { return std::string(start.param.why); });

struct WindowShot {
    const char* name;
    int width;
    int height;
    bool hasMenuBar;  // a menu bar adds its height to the client area
};

void PrintTo(const WindowShot& shot, std::ostream* out) {
    *out << shot.name;
}

class TourScreenshot : public ::testing::TestWithParam<WindowShot> {};

TEST_P(TourScreenshot, IsAPictureOfTheWholeWindow) {
    const WindowShot& shot = GetParam();
    const QImage image(OutputFile(QLatin1String(shot.name) + QStringLiteral(".png")));
    ASSERT_FALSE(image.isNull()) << shot.name << ".png missing or unreadable";
    EXPECT_EQ(image.width(), shot.width);
    if (shot.hasMenuBar) {
        EXPECT_GT(image.height(), shot.height);
    } else {
        EXPECT_EQ(image.height(), shot.height);
    }
    // A grab of a window that never painted is one flat colour.
    const QImage small = image.scaled(16, 16);
    bool varied = false;
    for (int y = 0; y < small.height() && !varied; ++y) {
        for (int x = 0; x < small.width() && !varied; ++x)
            varied = small.pixel(x, y) != small.pixel(0, 0);
    }
    EXPECT_TRUE(varied) << shot.name << ".png is blank";
}

// Client areas in pixels at 96 dpi; the real-time list is as tall as the main window.
INSTANTIATE_TEST_SUITE_P(EveryWindow, TourScreenshot,
                         ::testing::Values(WindowShot{"Form1", 444, 498, false},
                                           WindowShot{"frmAbout", 404, 109, false},
                                           WindowShot{"FrmGrpOne", 979, 673, true},
                                           WindowShot{"FrmGrpTwo", 979, 673, true},
                                           WindowShot{"FrmGrpThree", 979, 673, true},
                                           WindowShot{"FrmGrpFour", 979, 673, true},
                                           WindowShot{"FrmRealTimeGrp", 979, 673, true},
                                           WindowShot{"FrmRealTimeList", 323, 498, false},
                                           WindowShot{"FrmRealTimeGrpOne", 823, 578, false},
                                           WindowShot{"FrmRealTimeGrpTwo", 825, 552, false}),
                         [](const ::testing::TestParamInfo<WindowShot>& shotInfo) {
                             return std::string(shotInfo.param.name);
                         });

TEST(TourReports, GroupCsvListsEveryReadingOfGroupOneInMicrometres) {
    const std::size_t readings = gauge_emulator::DemoScenario().storedGroups[0].readings.size();
    const QStringList lines = ReportLines(QStringLiteral("Group1.csv"));
    ASSERT_EQ(static_cast<std::size_t>(lines.size()), readings + 1);
    EXPECT_EQ(lines[0], QStringLiteral("\"NO.\",\"Samples\",\"Unit\""));
    for (qsizetype k = 1; k < lines.size(); ++k) {
        EXPECT_TRUE(lines[k].startsWith(QString::number(k) + QStringLiteral(",\"")))
            << lines[k].toStdString();
        EXPECT_TRUE(lines[k].endsWith(QStringLiteral("\",\"um\""))) << lines[k].toStdString();
    }
}

TEST(TourReports, CaptureCsvListsTheSamplesOldestFirst) {
    const QStringList lines = ReportLines(QStringLiteral("RealTime.csv"));
    ASSERT_GE(lines.size(), 3) << "fewer than two samples captured";
    EXPECT_EQ(lines[0], QStringLiteral("\"NO.\",\"Samples\",\"Unit\""));
    for (qsizetype k = 1; k < lines.size(); ++k) {
        EXPECT_TRUE(lines[k].startsWith(QString::number(k) + QStringLiteral(",\"")))
            << lines[k].toStdString();
    }
}

struct TextReport {
    const char* file;
    const char* csvTwin;  // the CSV of the same list, saved moments apart
};

void PrintTo(const TextReport& report, std::ostream* out) {
    *out << report.file;
}

class TourTextReport : public ::testing::TestWithParam<TextReport> {};

TEST_P(TourTextReport, HasTitleBlankLineAndOneLinePerReading) {
    const QStringList lines = ReportLines(QLatin1String(GetParam().file));
    const QStringList csv = ReportLines(QLatin1String(GetParam().csvTwin));
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Samples Report unit(um)")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].isEmpty());
    // The capture is paused while a dialog is open, not between the two saves.
    EXPECT_GE(lines.size() - 2, csv.size() - 1);
    for (qsizetype k = 2; k < lines.size(); ++k) {
        EXPECT_TRUE(
            lines[k].startsWith(QLatin1Char(' ') + QString::number(k - 1) + QLatin1Char(' ')))
            << lines[k].toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(BothLists, TourTextReport,
                         ::testing::Values(TextReport{"Group1.txt", "Group1.csv"},
                                           TextReport{"RealTime.txt", "RealTime.csv"}));

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH_TO_ZEPRA_TOUR\n", argv[0]);
        return 2;
    }
    g_tourProgram = QString::fromLocal8Bit(argv[1]);
    return RUN_ALL_TESTS();
}
