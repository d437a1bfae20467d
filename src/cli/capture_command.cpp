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
#include "data/thickness_format.h"

namespace zepra::cli {
namespace {

// The gauge's words for frames that carry no reading, as its display shows them.
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

std::string TimeText(const QDateTime& time) {
    return time.toString(Qt::ISODateWithMs).toStdString();
}

std::string Now() {
    return TimeText(QDateTime::currentDateTime());
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

    // Readings are numbered here and written as they come. Only the archive's record keeps
    // them (packed: value bits, text, time), to be stored when the capture ends; with
    // --no-archive nothing is kept, and a capture runs as long as asked in the same memory.
    archive::Record record;
    record.source = archive::Source::Capture;
    record.unitIsMils = options.unitIsMils;
    auto noReading = [&](const char* event, const char* text) {
        if (!jsonl) return;
        writeLine(
            JsonLine({{"event", event}, {"text", text}, {"time", QString::fromStdString(Now())}}));
    };
    CommandEvents& events = session.events();
    events.onLiveFrame = [&](LiveFrameKind kind, double value) {
        frameArrived();  // every frame is an answer, also one that carries nothing to show
        switch (kind) {
            case LiveFrameKind::Ignored:
                return;
            case LiveFrameKind::NoReading:
                return noReading("no-reading", kNoReadingText);
            case LiveFrameKind::Overload:
                return noReading("overload", kOverloadText);
            case LiveFrameKind::Reading:
                break;
        }
        ++captured;
        const std::string text = FormatLiveReading(value, options.unitIsMils).list;
        const QDateTime now = QDateTime::currentDateTime();
        const std::string time = TimeText(now);
        if (!options.noArchive) {
            record.valueBits.push_back(archive::FloatBits(value));
            record.texts.push_back(text);
            record.timesMs.push_back(now.toMSecsSinceEpoch());
        }
        if (jsonl) {
            writeLine(JsonLine({{"event", "reading"},
                                {"number", captured},
                                {"value", QString::fromStdString(text)},
                                {"unit", QString::fromStdString(unitWord)},
                                {"micrometres", value},
                                {"time", QString::fromStdString(time)}}));
        } else {
            writeLine(CaptureCsvLine(captured, text, unitWord, time));
        }
        if (options.count && captured >= *options.count) stop(kExitDone);
    };
    events.onProblem = [&](const LinkProblem& problem) {
        PrintMessage(ProblemText(problem));  // the gauge went away
        stop(kExitGauge);
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
    events.onLiveFrame = nullptr;
    events.onProblem = nullptr;
    if (session.link().isSampling()) {
        session.link().toggleRealTime();  // 0xF0
        session.flushOutput();
    }
    if (!record.valueBits.empty()) {
        record.takenMs = record.timesMs.front();
        record.gauge = GaugeIdentityOf(options, session);
        std::vector<archive::Record> records;
        records.push_back(std::move(record));
        StoreInArchive(options, std::move(records));
    }
    return result;
}

}  // namespace zepra::cli
