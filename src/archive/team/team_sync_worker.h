#pragma once
// Syncs with the team's server on a thread of its own, so that no window ever waits on the
// network: requestSync() returns at once, and finished() arrives later on the thread that made
// the worker (a queued signal). The one connection to the server and the archive file's own
// connection for the sync live and die on that thread.

#include <QObject>
#include <QString>
#include <QThread>

namespace zepra::archive {

class TeamSyncWorker : public QObject {
    Q_OBJECT
  public:
    // server: empty for the configured one (ZEPRA_ARCHIVE_SERVER, the setting), read per sync.
    explicit TeamSyncWorker(QString archivePath, QString server = {}, QObject* parent = nullptr);
    // Waits for a sync under way (at most libpq's connect timeout, or the batch in flight).
    ~TeamSyncWorker() override;

    // Starts a sync after those already asked for.
    void requestSync();

  signals:
    // ok: everything was sent; summary: what was done, or the error in words.
    void finished(bool ok, const QString& summary);

  private:
    QString archivePath_;
    QString server_;
    QThread thread_;
    QObject* onThread_;  // the context of the work queued to thread_
};

}  // namespace zepra::archive
