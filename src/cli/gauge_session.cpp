#include "cli/gauge_session.h"

#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <vector>

#include "cli/cli_options.h"
#include "data/shown_text.h"
#include "link/connection.h"
#include "platform/qt_port_watcher.h"

namespace zepra::cli {
namespace {

constexpr int kProgressIntervalMs = 100;
constexpr int kFlushGraceMs = 50;

std::string ProgressLine(const GaugeLink::DownloadProgress& progress, int group) {
    std::string what = GroupName(group);
    if (group == kAllGroups) what = "group " + std::to_string(progress.group) + " of 4";
    return "Downloading " + what + ": " + std::to_string(progress.bytesWaiting) + " of " +
           std::to_string(progress.dataBytes) + " bytes";
}

}  // namespace

void PrintMessage(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c != '\r') line += c;
    }
    line = WithoutControlCharacters(line);  // what the message quotes cannot steer the terminal
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

GaugeSession::GaugeSession(std::optional<std::string> device)
    : store_(std::make_unique<MeasurementStore>()),
      portList_(CreateSystemSerialPortList()),
      device_(std::move(device)),
      port_([this](int portNumber) {
          return device_ ? *device_ : portList_->deviceForPort(portNumber);
      }),
      link_(*store_, port_, events_, clock_, GaugeLink::Samples::NotStored) {
    InitialiseStore(*store_);
}

GaugeSession::~GaugeSession() = default;

int GaugeSession::open() {
    if (device_) {
        std::string reason;
        if (!port_.open(reason)) {
            if (reason.rfind(*device_ + ": ", 0) == 0) reason.erase(0, device_->size() + 2);
            PrintMessage("Cannot open " + ShownValue(*device_) + ": " + reason);
            return kExitNoPort;
        }
        return kExitDone;
    }
    return ConnectToGauge(false, *portList_, port_, PrintMessage) ? kExitDone : kExitNoPort;
}

int GaugeSession::openWhenPluggedIn(std::optional<double> seconds) {
    PortWatcher watcher(qEnvironmentVariable("ZEPRA_SERIALCOMM"),
                        !qEnvironmentVariableIsSet("ZEPRA_SERIALCOMM"));
    // Silent attempts; the lookup's own message only when the wait ends without a gauge.
    auto tryQuietly = [this] {
        std::string reason;
        if (device_) return port_.open(reason);
        const auto entries = ListGaugePorts(*portList_);
        return entries && !entries->empty() && ConnectQuietly(entries->front(), port_);
    };
    if (tryQuietly()) return kExitDone;
    // Nothing tells of a plug here (no device events, no port table): waiting without a bound
    // would never end, so the lookup gives its answer now.
    if (!watcher.watchesDevices() && !seconds) return open();
    PrintMessage("Waiting for the gauge to be plugged in...");
    QEventLoop loop;
    bool opened = false;
    QObject::connect(&watcher, &PortWatcher::portsChanged, &loop, [&] {
        opened = tryQuietly();
        if (opened) loop.quit();
    });
    QTimer deadline;  // the bound, not a poll: it fires once
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (seconds) deadline.start(static_cast<int>(std::ceil(*seconds * 1000)));
    loop.exec();
    return opened ? kExitDone : open();
}

int GaugeSession::download(int group, double timeoutSeconds, std::set<int>& storedGroups) {
    QEventLoop loop;
    std::set<int> arrived;
    std::vector<std::string> failures;
    bool slipped = false;
    events_.onGroupStored = [&](GroupWindowId id) { arrived.insert(static_cast<int>(id)); };
    // The download is over once the line stayed quiet after the last dump, or it failed.
    events_.onExchangeSettled = [&] { loop.quit(); };
    events_.onProblem = [&](const LinkProblem& problem) {
        failures.push_back(ProblemText(problem));
        slipped = slipped || problem.kind == LinkProblem::Kind::FramingSlipped;
        const bool endsTheExchange = problem.kind == LinkProblem::Kind::NoAnswer ||
                                     problem.kind == LinkProblem::Kind::DeviceGone || slipped;
        if (endsTheExchange) loop.quit();
    };

    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] {
        // Time is up: a download still under way had no answer; one that is only waiting for the
        // line to stay quiet is over.
        const bool downloading = store_->receiveMode != ModeIdle;
        if (downloading && failures.empty()) failures.push_back(kNoAnswerFromGauge);
        loop.quit();
    });
    deadline.start(static_cast<int>(std::ceil(timeoutSeconds * 1000)));

    // A progress line while a dump arrives, when someone watches standard error.
    QTimer progress;
    bool progressShown = false;
    if (isatty(STDERR_FILENO)) {
        QObject::connect(&progress, &QTimer::timeout, [&] {
            const auto now = link_.downloadProgress();
            if (!now) return;
            std::fprintf(stderr, "\r%s\033[K", ProgressLine(*now, group).c_str());
            std::fflush(stderr);
            progressShown = true;
        });
        progress.start(kProgressIntervalMs);
    }

    if (group == kAllGroups) {
        link_.requestAllGroups();
    } else {
        link_.requestGroup(static_cast<GroupWindowId>(group));
    }
    loop.exec();
    progress.stop();
    if (progressShown) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
    events_.onGroupStored = nullptr;
    events_.onExchangeSettled = nullptr;
    events_.onProblem = nullptr;
    // A slipped exchange may have cut its groups anywhere: none of them is kept.
    if (!slipped) storedGroups = arrived;
    for (const std::string& failure : failures) PrintMessage(failure);
    return failures.empty() ? kExitDone : kExitGauge;
}

void GaugeSession::flushOutput() {
    // The serial port writes on the event loop; give it a moment before the port is closed.
    QEventLoop loop;
    QTimer::singleShot(kFlushGraceMs, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace zepra::cli
