// zepra-tour: runs the program against the gauge emulator and walks through every window.
//
//   zepra-tour [--live-seconds N] [OUTPUT_FOLDER]   screenshots and reports into the folder
//   zepra-tour --save-icon FILE.png                  the program's 64 x 64 icon as a PNG
//
// Without a display it renders on Qt's offscreen platform. Exit status 0 when every step worked,
// 1 with the failed step on stderr otherwise, 2 for a usage error.

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <system_error>

#include "data/measurement_store.h"
#include "driver.h"
#include "gauge_emulator.h"
#include "tour.h"
#include "ui/main/application_setup.h"
#include "ui/main/artwork.h"
#include "ui/main/form1.h"

namespace {

constexpr int kIconSize = 64;
// Live readings per second during the tour: a short capture still fills the charts.
constexpr double kTourLiveRate = 5.0;
// A hard stop for the whole tour, beyond the bounded waits of its steps.
constexpr int kTourBudgetMs = 120'000;

int Fail(const QString& message) {
    std::fprintf(stderr, "zepra-tour: %s\n", qPrintable(message));
    return 1;
}

// The tour prints its own lines only. Qt's notes on what the display-less platform cannot do
// ("This plugin does not support raise()") and on the environment ("QStandardPaths: ...") say
// nothing about the program and are dropped, like Qt's debug output; any other warning is passed
// on under the tour's name, on a line of its own.
void TourMessageHandler(QtMsgType type, const QMessageLogContext& /*context*/,
                        const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg) return;
    if (message.startsWith(QLatin1String("This plugin does not support")) ||
        message.startsWith(QLatin1String("QStandardPaths: "))) {
        return;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "zepra-tour: Qt: %s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(TourMessageHandler);
    const bool noDisplay =
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (noDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Qt's own file dialog, which the tour can fill in, rather than a desktop portal's.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    zepra::SetUpApplication();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Guided tour of the ZEPRA Coating Thickness Tester program on the gauge emulator."));
    parser.addHelpOption();
    const QCommandLineOption liveSecondsOption(QStringLiteral("live-seconds"),
                                               QStringLiteral("Seconds of live capture (1-60)."),
                                               QStringLiteral("N"), QStringLiteral("4"));
    const QCommandLineOption saveIconOption(
        QStringLiteral("save-icon"), QStringLiteral("Only save the program's icon as a PNG."),
        QStringLiteral("FILE"));
    parser.addOption(liveSecondsOption);
    parser.addOption(saveIconOption);
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("Output folder (created if needed)."));
    parser.process(app);

    if (parser.isSet(saveIconOption)) {
        const QString path = parser.value(saveIconOption);
        if (!zepra::MainWindowIcon().pixmap(kIconSize, kIconSize).save(path, "PNG")) {
            return Fail(QStringLiteral("cannot write %1").arg(path));
        }
        return 0;
    }

    bool numberOk = false;
    const int liveSeconds = parser.value(liveSecondsOption).toInt(&numberOk);
    if (!numberOk || liveSeconds < 1 || liveSeconds > 60 ||
        parser.positionalArguments().size() > 1) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    const QString folder =
        parser.positionalArguments().isEmpty()
            ? QStringLiteral("zepra-tour-") +
                  QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))
            : parser.positionalArguments().front();
    if (!QDir().mkpath(folder)) return Fail(QStringLiteral("cannot create %1").arg(folder));
    const QString outputDir = QDir(folder).absolutePath();

    // The gauge: the demo scenario on a pseudo-terminal, announced to the program through the
    // list-of-ports file.
    gauge_emulator::Scenario scenario = gauge_emulator::DemoScenario();
    scenario.liveRate = kTourLiveRate;
    std::optional<gauge_emulator::GaugeEmulator> gauge;
    try {
        gauge.emplace(scenario);
    } catch (const std::system_error& error) {
        return Fail(QStringLiteral("cannot start the gauge emulator: %1").arg(error.what()));
    }
    QTemporaryDir portsDir;
    const QString portsFile = portsDir.filePath(QStringLiteral("serialcomm.ini"));
    if (!portsDir.isValid() || !gauge->writeSerialCommFile(portsFile.toStdString())) {
        return Fail(QStringLiteral("cannot write the list of serial ports"));
    }
    qputenv("ZEPRA_SERIALCOMM", portsFile.toLocal8Bit());
    std::printf("tour: gauge emulator on %s\n", gauge->devicePath().c_str());

    QTimer::singleShot(kTourBudgetMs + liveSeconds * 1000, [] {
        std::fputs("zepra-tour: the tour did not finish in time\n", stderr);
        std::fflush(stdout);
        std::_Exit(1);
    });

    tour::TourOptions options;
    options.outputDir = outputDir;
    options.liveSeconds = liveSeconds;
    for (std::size_t i = 0; i < scenario.storedGroups.size(); ++i) {
        options.groupSizes[i] = scenario.storedGroups[i].readings.size();
    }
    options.groupSizes[4] = scenario.currentGroup.readings.size();

    // The main window exactly as the program builds it; the watcher answers any message box.
    tour::MessageBoxWatcher messages;
    auto store = std::make_unique<zepra::MeasurementStore>();
    zepra::Form1 form(*store, zepra::SystemServices());
    form.formLoad();
    form.show();

    try {
        tour::Tour(form, messages, options).run();
    } catch (const tour::TourFailure& failure) {
        return Fail(QString::fromStdString(failure.what()));
    }
    std::printf("tour: done; screenshots and reports in\n%s\n", qPrintable(outputDir));
    return 0;
}
