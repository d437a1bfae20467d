#pragma once
// The team's archive on a PostgreSQL server. Stations keep working on their own SQLite archive;
// a sync pushes every row the server lacks and pulls the team's jobs and gauges (and, asked,
// the other stations' records). Rows are immutable and keyed by the UUIDs their station made,
// so a push is `INSERT ... ON CONFLICT (id) DO NOTHING`: a sync cut anywhere and run again
// leaves every row on the server exactly once.
//
// libpq directly rather than Qt's QPSQL driver: QPSQL builds its own "host=... dbname=..."
// string and hands the database name to PQconnectdb quoted, so a connection URI
// (postgresql://station@qa.example/zepra?sslmode=verify-full) never reaches libpq as one, and
// its connect options turn every ';' into a space. libpq takes the URI or key=value string as
// given, with its own password file, service file and TLS, and its words for what went wrong.
//
// Everything here blocks on the network: call it from a worker thread (the windows) or a
// command, each call with its own connections.

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zepra::archive {

// The schema version of the team's server this program makes and understands.
inline constexpr int kTeamSchemaVersion = 1;

// The server named by ZEPRA_ARCHIVE_SERVER when it is set (empty: none), else by the setting
// archive/server; empty: none.
std::string ConfiguredTeamServer();

// Creates the archive's tables on the server, or brings them up to date, when the role
// connecting may. Returns false with `message` saying why not; on success `message` says what
// was done.
bool InitTeamServer(const std::string& server, std::string& message);

// A connection to the server kept from one sync to the next, for a program that syncs again
// and again (the windows: at start, after each record, every few minutes). A sync with nothing
// to do then costs two statements instead of a new server process and its first look at the
// tables. It is made again when the server's name changed or the connection broke. One thread
// at a time.
class TeamConnection {
  public:
    TeamConnection();
    ~TeamConnection();
    TeamConnection(const TeamConnection&) = delete;
    TeamConnection& operator=(const TeamConnection&) = delete;
    struct Kept;
    Kept& kept() { return *kept_; }

  private:
    std::unique_ptr<Kept> kept_;
};

struct SyncOptions {
    bool pullRecords = false;              // the other stations' records as well
    int batchRows = 200;                   // rows per server transaction
    std::int64_t batchBytes = 8 << 20;     // at most about this many bytes of readings per batch
    enum class Stage { Sent, Committed };  // a batch inserted but not committed; committed
    // Called for each batch at each stage; false ends the sync there, as a cut would (tests).
    std::function<bool(Stage, const std::string& table)> onBatch;
    // Set from another thread: the sync gives up at its next wait on the server or batch.
    const std::atomic<bool>* stop = nullptr;
    // Kept open for the next sync; none: a connection for this sync alone.
    TeamConnection* connection = nullptr;
};

struct SyncReport {
    bool ok = false;
    std::string error;                        // in words, when not ok
    std::map<std::string, long long> pushed;  // rows sent per table (the server may have had them)
    std::map<std::string, long long> pulled;  // rows new here per table
    std::vector<std::string> mismatches;      // records whose readings differ on the server
};

// One sync of the archive file with the server. The file's archive tables are only read (and
// added to by a pull); what was pushed and the outcome are kept in team_sync_* tables beside
// them.
SyncReport SyncWithTeamServer(const QString& archivePath, const std::string& server,
                              const SyncOptions& options = {});

struct SyncStatus {
    std::optional<std::int64_t> lastSyncMs;     // the last sync that completed (UTC ms)
    std::optional<std::int64_t> lastAttemptMs;  // the last sync tried
    std::string server;                         // the server it talked to
    std::string lastError;                      // the last attempt's failure, empty if none
    long long recordsWaiting = 0;
    long long rowsWaiting = 0;  // of all tables, records included
    long long mismatches = 0;   // records whose readings differ on the server
};
// What the archive file knows of its syncs; no server is asked.
std::optional<SyncStatus> ReadSyncStatus(const QString& archivePath, std::string& error);

}  // namespace zepra::archive
