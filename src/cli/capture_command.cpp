// zepra-cli capture: the live stream, one line per captured reading as it arrives.

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cmath>

#include "cli/commands.h"
#include "cli/gauge_session.h"
#include "cli/output.h"

namespace zepra::cli {
namespace {

// The live texts of frames that carry no reading.
constexpr const char* kNoReadingText = "----.-";
constexpr const char* kOverloadText = "OL";

// Ctrl-C and SIGTERM reach the event loop through a socket pair.
int signalSockets[2] = {-1, -1};

void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalSockets[0], &byte, 1);
}

class StopSignals {
  public:
    explicit StopSignals(std::function<void()> onSignal) {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSockets) != 0) return;
        notifier_ = std::make_unique<QSocketNotifier>(signalSockets[1], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [onSignal] {
            char byte = 0;
            [[maybe_unused]] const auto got = ::read(signalSockets[1], &byte, 1);
            onSignal();
        });
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &oldInt_);
        ::sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~StopSignals() {
        if (!notifier_) return;
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        notifier_.reset();
        ::close(signalSockets[0]);
        ::close(signalSockets[1]);
        signalSockets[0] = signalSockets[1] = -1;
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

// Tells when the reader of a pipe on standard output goes away, even while nothing is written:
// the write end of a pipe reports an error then (and is never readable otherwise).
class OutputPipeWatch {
  public:
    explicit OutputPipeWatch(std::function<void()> onClosed) {
        struct stat info {};
        if (::fstat(STDOUT_FILENO, &info) != 0 || !S_ISFIFO(info.st_mode)) return;
        notifier_ = std::make_unique<QSocketNotifier>(STDOUT_FILENO, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, onClosed] {
            pollfd out{STDOUT_FILENO, 0, 0};
            notifier_->setEnabled(false);
            if (::poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLHUP)) != 0) onClosed();
        });
    }

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

std::string Now() {
    return QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toStdString();
}

std::string JsonLine(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

}  // namespace

int RunCapture(const Options& options) {
    GaugeSession session(options.port);
    const int opened =
        options.wait ? session.openWhenPluggedIn(options.waitSeconds) : session.open();
    if (opened != kExitDone) return opened;
    // The unit of the texts the link makes for each sample.
    session.store().unitIsMils = options.unitIsMils;
    const std::string unitWord = options.unitIsMils == 1 ? "mils" : "um";
    const bool jsonl = options.format == OutputFormat::Jsonl;

    QEventLoop loop;
    int result = kExitDone;
    bool stopping = false;
    long long captured = 0;
    auto stop = [&](int code) {
        if (stopping) return;
        stopping = true;
        result = code;
        loop.quit();
    };
    auto writeLine = [&](const std::string& line) {
        if (stopping) return;
        switch (WriteStandardOutput(line)) {
            case StandardOutput::Written:
                break;
            case StandardOutput::Closed:  // the reader went away: the capture is over
                stop(kExitDone);
                break;
            case StandardOutput::Failed:
                stop(kExitUsage);
                break;
        }
    };

    QTimer silence;  // --timeout: no frame for that long
    silence.setSingleShot(true);
    QObject::connect(&silence, &QTimer::timeout, [&] {
        PrintMessage(kNoAnswerFromGauge);
        stop(kExitGauge);
    });
    const int silenceMs = static_cast<int>(std::ceil(options.timeoutSeconds * 1000));
    auto frameArrived = [&] {
        if (options.timeoutGiven) silence.start(silenceMs);
    };

    HeadlessWindows& windows = session.windows();
    windows.onReadingText = [&](const std::string& text) {
        frameArrived();
        if (!jsonl) return;
        if (text == kNoReadingText) {
            writeLine(JsonLine({{"event", "no-reading"},
                                {"text", kNoReadingText},
                                {"time", QString::fromStdString(Now())}}));
        } else if (text == kOverloadText) {
            writeLine(JsonLine({{"event", "overload"},
                                {"text", kOverloadText},
                                {"time", QString::fromStdString(Now())}}));
        }
    };
    windows.onSampleCaptured = [&](const CapturedSampleTexts& texts) {
        const ReadingRecord& record =
            session.store().realTimeSamples.readings[static_cast<std::size_t>(texts.recordIndex)];
        const std::string time = Now();
        if (jsonl) {
            writeLine(JsonLine({{"event", "reading"},
                                {"number", record.number},
                                {"value", QString::fromStdString(record.text)},
                                {"unit", QString::fromStdString(unitWord)},
                                {"micrometres", record.value},
                                {"time", QString::fromStdString(time)}}));
        } else {
            writeLine(CaptureCsvLine(record.number, record.text, unitWord, time));
        }
        if (options.count && ++captured >= *options.count) stop(kExitDone);
    };
    windows.onMessage = [&](const std::string& text) {
        PrintMessage(text);
        // The capture is full (nothing more is recorded), or the gauge went away.
        stop(text == kCaptureFull ? kExitDone : kExitGauge);
    };

    StopSignals stopSignals([&] { stop(kExitDone); });
    OutputPipeWatch pipeWatch([&] { stop(kExitDone); });
    QTimer duration;
    duration.setSingleShot(true);
    QObject::connect(&duration, &QTimer::timeout, [&] { stop(kExitDone); });
    if (options.seconds) duration.start(static_cast<int>(std::ceil(*options.seconds * 1000)));

    if (!jsonl) writeLine("number,value,unit,time\n");
    if (!stopping) {
        frameArrived();
        session.link().toggleRealTime();  // 0xF1
        loop.exec();
    }
    windows.onReadingText = nullptr;
    windows.onSampleCaptured = nullptr;
    windows.onMessage = PrintMessage;
    if (session.link().isSampling()) {
        session.link().toggleRealTime();  // 0xF0
        session.flushOutput();
    }
    return result;
}

}  // namespace zepra::cli
