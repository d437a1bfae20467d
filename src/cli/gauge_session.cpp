#include "cli/gauge_session.h"

#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "cli/cli_options.h"
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
            PrintMessage("Cannot open " + *device_ + ": " + reason);
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
    const std::size_t expected = group == kAllGroups ? 4 : 1;
    std::optional<std::string> failure;
    events_.onGroupStored = [&](GroupWindowId id) {
        storedGroups.insert(static_cast<int>(id));
        if (storedGroups.size() == expected) loop.quit();
    };
    events_.onProblem = [&](const LinkProblem& problem) {
        if (!failure) failure = ProblemText(problem);
        loop.quit();
    };

    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] {
        if (!failure) failure = kNoAnswerFromGauge;
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
    events_.onProblem = nullptr;
    if (failure) {
        PrintMessage(*failure);
        return kExitGauge;
    }
    return kExitDone;
}

void GaugeSession::flushOutput() {
    // The serial port writes on the event loop; give it a moment before the port is closed.
    QEventLoop loop;
    QTimer::singleShot(kFlushGraceMs, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace zepra::cli
