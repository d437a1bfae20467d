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
    thread_.start();
}

TeamSyncWorker::~TeamSyncWorker() {
    thread_.quit();
    thread_.wait();
}

void TeamSyncWorker::requestSync() {
    QMetaObject::invokeMethod(
        onThread_,
        [this, path = archivePath_, server = server_] {
            const std::string name =
                server.isEmpty() ? ConfiguredTeamServer() : server.toStdString();
            const SyncReport report = SyncWithTeamServer(path, name);
            long long records = 0;
            if (const auto found = report.pushed.find("records"); found != report.pushed.end())
                records = found->second;
            const QString summary = report.ok ? QStringLiteral("%1 records sent").arg(records)
                                              : QString::fromStdString(report.error);
            // Back on the worker's own thread; dropped if the worker is gone meanwhile.
            QMetaObject::invokeMethod(
                this, [this, ok = report.ok, summary] { emit finished(ok, summary); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

}  // namespace zepra::archive
