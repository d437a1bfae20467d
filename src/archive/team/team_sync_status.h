#pragma once
// Where the station's sync with the team's server stands, for every window that shows it (the
// main window's line over its artwork, an archive window's status bar): the last sync, the
// records waiting to be sent, the server's error in words. The sync worker keeps it up to date
// on the windows' thread; changed() tells when.

#include <QDateTime>
#include <QObject>
#include <QString>

#include "archive/team/team_server.h"

namespace zepra::archive {

class TeamSyncStatus : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // What the archive file last told of its syncs.
    const SyncStatus& status() const { return status_; }
    bool syncing() const { return syncing_; }
    // Why the archive file could not tell, empty when it could.
    const QString& fileError() const { return fileError_; }

    // The state in words: the first line sums it up, a second one gives the last error if any.
    // Times are local, with the day unless it is today's.
    QString text(const QDateTime& now = QDateTime::currentDateTime()) const;

    // From the worker.
    void setStatus(const SyncStatus& status, const QString& fileError);
    void setSyncing(bool syncing);
    // A record the windows just stored waits until the next sync has sent it.
    void recordStored();

  signals:
    void changed();

  private:
    SyncStatus status_;
    bool syncing_ = false;
    QString fileError_;
};

}  // namespace zepra::archive
