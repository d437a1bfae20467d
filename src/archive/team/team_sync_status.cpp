#include "archive/team/team_sync_status.h"

namespace zepra::archive {
namespace {

QString Count(long long count, const char* one, const char* many) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

}  // namespace

QString TeamSyncStatus::text(const QDateTime& now) const {
    QString line = QStringLiteral("Team server: ");
    if (!fileError_.isEmpty()) return line + fileError_;
    if (syncing_) line += QStringLiteral("syncing now; ");
    if (status_.lastSyncMs) {
        const QDateTime last = QDateTime::fromMSecsSinceEpoch(*status_.lastSyncMs).toLocalTime();
        line += last.date() == now.toLocalTime().date()
                    ? QStringLiteral("last synced at ") + last.toString(QStringLiteral("HH:mm"))
                    : QStringLiteral("last synced on ") +
                          last.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    } else {
        line += QStringLiteral("never synced");
    }
    line += QStringLiteral(", ");
    if (status_.recordsWaiting > 0) {
        line += Count(status_.recordsWaiting, "record waiting", "records waiting");
    } else if (status_.rowsWaiting > 0) {
        line += Count(status_.rowsWaiting, "entry waiting", "entries waiting");
    } else {
        line += QStringLiteral("nothing waiting");
    }
    if (status_.mismatches > 0) {
        line += QStringLiteral(", ") +
                Count(status_.mismatches, "record differs there", "records differ there");
    }
    if (!status_.lastError.empty())
        line += QLatin1Char('\n') + QString::fromStdString(status_.lastError);
    return line;
}

void TeamSyncStatus::setStatus(const SyncStatus& status, const QString& fileError) {
    status_ = status;
    fileError_ = fileError;
    emit changed();
}

void TeamSyncStatus::setSyncing(bool syncing) {
    if (syncing_ == syncing) return;
    syncing_ = syncing;
    emit changed();
}

void TeamSyncStatus::recordStored() {
    ++status_.recordsWaiting;
    ++status_.rowsWaiting;
    emit changed();
}

}  // namespace zepra::archive
