#include "archive/team/team_sync_worker.h"

#include "archive/team/team_server.h"

namespace zepra::archive {

TeamSyncWorker::TeamSyncWorker(QString archivePath, QString server, QObject* parent)
    : QObject(parent),
      archivePath_(std::move(archivePath)),
      server_(std::move(server)),
      onThread_(new QObject) {
    onThread_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, onThread_, &QObject::deleteLater);
    connect(&periodic_, &QTimer::timeout, this, &TeamSyncWorker::requestSync);
    thread_.start();
}

TeamSyncWorker::~TeamSyncWorker() {
    stop_ = true;
    thread_.quit();
    thread_.wait();
}

void TeamSyncWorker::syncEvery(std::chrono::milliseconds interval) {
    periodic_.start(interval);
}

void TeamSyncWorker::recordStored() {
    status_.recordStored();
    requestSync();
}

void TeamSyncWorker::requestSync() {
    if (queued_.exchange(true)) return;
    QMetaObject::invokeMethod(
        onThread_,
        [this, path = archivePath_, server = server_] {
            queued_ = false;
            if (stop_) return;
            // Back on the worker's own thread; dropped if the worker is gone meanwhile.
            auto tell = [this](auto update) {
                QMetaObject::invokeMethod(this, std::move(update), Qt::QueuedConnection);
            };
            auto readStatus = [&path, &tell, this](bool syncing) {
                std::string error;
                const std::optional<SyncStatus> status = ReadSyncStatus(path, error);
                tell([this, syncing, status = status.value_or(SyncStatus()),
                      error = QString::fromStdString(error)] {
                    status_.setStatus(status, error);
                    status_.setSyncing(syncing);
                });
            };
            readStatus(true);
            const std::string name =
                server.isEmpty() ? ConfiguredTeamServer() : server.toStdString();
            SyncOptions options;
            options.stop = &stop_;
            options.connection = &connection_;
            const SyncReport report = SyncWithTeamServer(path, name, options);
            readStatus(false);
            long long records = 0;
            if (const auto found = report.pushed.find("records"); found != report.pushed.end())
                records = found->second;
            const QString summary = report.ok ? QStringLiteral("%1 records sent").arg(records)
                                              : QString::fromStdString(report.error);
            tell([this, ok = report.ok, summary] { emit finished(ok, summary); });
        },
        Qt::QueuedConnection);
}

}  // namespace zepra::archive
