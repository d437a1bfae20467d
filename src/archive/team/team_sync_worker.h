#pragma once
// Syncs with the team's server on a thread of its own, so that no window ever waits on the
// network: requestSync() returns at once, and finished() arrives later on the thread that made
// the worker (a queued signal). The one connection to the server and the archive file's own
// connection for the sync live and die on that thread. status() follows it all for the windows.

#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>

#include "archive/team/team_sync_status.h"

namespace zepra::archive {

class TeamSyncWorker : public QObject {
    Q_OBJECT
  public:
    // server: empty for the configured one (ZEPRA_ARCHIVE_SERVER, the setting), read per sync.
    explicit TeamSyncWorker(QString archivePath, QString server = {}, QObject* parent = nullptr);
    // Breaks off a sync under way at its next wait on the server (a tenth of a second at most)
    // and waits for the thread.
    ~TeamSyncWorker() override;

    // Starts a sync after the one under way; requests made while one already waits to start
    // are that one.
    void requestSync();
    // A sync now and then as well, the first one after `interval`.
    void syncEvery(std::chrono::milliseconds interval);
    // The windows stored a record: it waits, and a sync is asked for.
    void recordStored();

    TeamSyncStatus& status() { return status_; }

  signals:
    // ok: everything was sent; summary: what was done, or the error in words.
    void finished(bool ok, const QString& summary);

  private:
    QString archivePath_;
    QString server_;
    TeamSyncStatus status_;
    QTimer periodic_;
    std::atomic<bool> stop_ = false;
    std::atomic<bool> queued_ = false;  // a sync was asked for and has not started yet
    TeamConnection connection_;         // used on thread_ only
    QThread thread_;
    QObject* onThread_;  // the context of the work queued to thread_
};

}  // namespace zepra::archive
