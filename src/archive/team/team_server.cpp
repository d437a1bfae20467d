#include "archive/team/team_server.h"

#include <libpq-fe.h>

#include <QDateTime>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <memory>
#include <set>

#include "archive/archive.h"
#include "platform/socket_wait.h"

namespace zepra::archive {
namespace {

// The server's schema, migration N bringing it from N - 1 to N. The tables are the station's,
// with two differences: a job's name and a record's repeat key are not unique here (two stations
// may each make a job "Tank 3", or each download the same group: both rows are kept, each with
// its station and id), and each row has the time it arrived. The function gives a record's
// readings' SHA-256 as ReadingsSha256 does, from what the server holds.
const std::vector<std::vector<const char*>> kServerMigrations = {
    {
        "CREATE TABLE schema_version (version INTEGER NOT NULL, migrated_at_ms BIGINT NOT NULL)",
        "CREATE TABLE team_archive (id TEXT PRIMARY KEY)",
        "INSERT INTO team_archive (id) VALUES (gen_random_uuid()::text)",
        "CREATE TABLE records (id TEXT PRIMARY KEY, repeat_key TEXT NOT NULL,"
        " source TEXT NOT NULL, group_number INTEGER, source_file TEXT,"
        " taken_at_ms BIGINT NOT NULL, stored_at_ms BIGINT NOT NULL, unit TEXT NOT NULL,"
        " high_limit_bits BIGINT, low_limit_bits BIGINT, reading_count INTEGER NOT NULL,"
        " value_bits BYTEA NOT NULL, reading_times BYTEA, reading_texts TEXT NOT NULL,"
        " readings_sha256 TEXT NOT NULL, mean_um DOUBLE PRECISION,"
        " gauge_usb_serial TEXT NOT NULL, gauge_usb_path TEXT NOT NULL, gauge_port TEXT NOT NULL,"
        " station_host TEXT NOT NULL, station_user TEXT NOT NULL, program_version TEXT NOT NULL,"
        " received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        // The readings are read in slices by the digest: stored unpacked, a slice costs no
        // decompression of the whole.
        "ALTER TABLE records ALTER COLUMN value_bits SET STORAGE EXTERNAL",
        "ALTER TABLE records ALTER COLUMN reading_times SET STORAGE EXTERNAL",
        "CREATE INDEX records_taken ON records (taken_at_ms)",
        "CREATE INDEX records_readings_sha256 ON records (readings_sha256)",
        "CREATE TABLE record_sightings (id TEXT PRIMARY KEY,"
        " record_id TEXT NOT NULL REFERENCES records (id), at_ms BIGINT NOT NULL,"
        " by_whom TEXT NOT NULL, program_version TEXT NOT NULL,"
        " received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        "CREATE TABLE jobs (id TEXT PRIMARY KEY, name TEXT NOT NULL, project TEXT NOT NULL,"
        " structure TEXT NOT NULL, coating TEXT NOT NULL, client TEXT NOT NULL,"
        " notes TEXT NOT NULL, at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL,"
        " received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        "CREATE INDEX jobs_name ON jobs (name)",
        "CREATE TABLE job_assignments (id TEXT PRIMARY KEY,"
        " record_id TEXT NOT NULL REFERENCES records (id),"
        " job_id TEXT NOT NULL REFERENCES jobs (id), at_ms BIGINT NOT NULL,"
        " by_whom TEXT NOT NULL, received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        "CREATE TABLE gauges (id TEXT PRIMARY KEY, make_model TEXT NOT NULL, serial TEXT NOT NULL,"
        " usb_serial TEXT NOT NULL, probe TEXT NOT NULL, at_ms BIGINT NOT NULL,"
        " by_whom TEXT NOT NULL, received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        "CREATE TABLE gauge_calibrations (id TEXT PRIMARY KEY,"
        " gauge_id TEXT NOT NULL REFERENCES gauges (id), certificate TEXT NOT NULL,"
        " calibrated_on TEXT NOT NULL, next_due TEXT NOT NULL, calibrated_ms BIGINT NOT NULL,"
        " due_end_ms BIGINT NOT NULL, at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL,"
        " received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        "CREATE TABLE exclusions (id TEXT PRIMARY KEY,"
        " record_id TEXT NOT NULL REFERENCES records (id), reading_number INTEGER NOT NULL,"
        " reason TEXT NOT NULL, at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL,"
        " received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        "CREATE TABLE notes (id TEXT PRIMARY KEY, record_id TEXT NOT NULL REFERENCES records (id),"
        " note TEXT NOT NULL, at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL,"
        " received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        "CREATE TABLE checks (id TEXT PRIMARY KEY, record_id TEXT NOT NULL REFERENCES records (id),"
        " standard TEXT NOT NULL, parameters TEXT NOT NULL, verdict TEXT NOT NULL,"
        " at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL,"
        " received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        "CREATE TABLE reports (id TEXT PRIMARY KEY,"
        " record_id TEXT NOT NULL REFERENCES records (id), file TEXT NOT NULL,"
        " format TEXT NOT NULL, file_sha256 TEXT NOT NULL, at_ms BIGINT NOT NULL,"
        " by_whom TEXT NOT NULL, received_at TIMESTAMPTZ NOT NULL DEFAULT now())",
        "CREATE INDEX record_sightings_record ON record_sightings (record_id)",
        "CREATE INDEX job_assignments_record ON job_assignments (record_id)",
        "CREATE INDEX exclusions_record ON exclusions (record_id)",
        "CREATE INDEX notes_record ON notes (record_id)",
        "CREATE INDEX checks_record ON checks (record_id)",
        "CREATE INDEX reports_record ON reports (record_id)",
        // Per reading: the value's 4 bytes, the text's UTF-8 length as 4 bytes little-endian,
        // the text, a capture's 8-byte time. The '|| ''' copies make the columns plain values
        // in memory, so each slice is cheap.
        "CREATE FUNCTION zepra_readings_sha256(value_bits BYTEA, reading_texts TEXT,"
        " reading_times BYTEA, reading_count INTEGER) RETURNS TEXT LANGUAGE plpgsql IMMUTABLE"
        " AS $f$ DECLARE"
        "  v BYTEA := value_bits || ''::bytea;"
        "  tm BYTEA := COALESCE(reading_times, ''::bytea) || ''::bytea;"
        "  t TEXT[] := string_to_array(reading_texts, E'\\n');"
        " BEGIN"
        "  IF reading_count > 0 AND cardinality(t) = 0 THEN t := ARRAY['']; END IF;"
        "  IF cardinality(t) <> reading_count OR octet_length(v) <> 4 * reading_count THEN"
        "   RETURN 'damaged'; END IF;"
        "  RETURN encode(sha256(COALESCE((SELECT string_agg(substring(v FROM 4 * i + 1"
        "   FOR 4) || set_byte(set_byte(set_byte(set_byte('\\x00000000'::bytea, 0, n & 255),"
        "   1, (n >> 8) & 255), 2, (n >> 16) & 255), 3, (n >> 24) & 255) || x ||"
        "   substring(tm FROM 8 * i + 1 FOR 8), ''::bytea ORDER BY i)"
        "   FROM unnest(t) WITH ORDINALITY AS u (text, k),"
        "   LATERAL (SELECT convert_to(u.text, 'UTF8') AS x, (u.k - 1)::int AS i) AS c,"
        "   LATERAL (SELECT octet_length(c.x) AS n) AS l), ''::bytea)), 'hex');"
        " END $f$",
    },
};

// The archive's tables in the order a push or pull writes them (each after those it names).
const std::vector<std::string> kTables = {"jobs",
                                          "gauges",
                                          "gauge_calibrations",
                                          "records",
                                          "record_sightings",
                                          "job_assignments",
                                          "exclusions",
                                          "notes",
                                          "checks",
                                          "reports"};
const std::set<std::string> kTeamTables = {"jobs", "gauges", "gauge_calibrations"};

constexpr int kSchemaLockKey = 7340301;  // serialises two server-inits

std::int64_t NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

// libpq's messages span lines with tabs; one line reads better in a status.
std::string OneLine(std::string text) {
    std::string line;
    bool space = false;
    for (char c : text) {
        if (c == '\n' || c == '\t' || c == ' ' || c == '\r') {
            space = !line.empty();
            continue;
        }
        if (space) line += ' ';
        space = false;
        line += c;
    }
    return line;
}

struct PgFinish {
    void operator()(PGconn* c) const { PQfinish(c); }
};
struct PgClear {
    void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, PgClear>;

// A statement's values: text (format 0) or bytes (format 1), or NULL.
struct Params {
    std::vector<std::string> data;
    std::vector<bool> isNull;
    std::vector<int> formats;
    void text(std::string value) { add(std::move(value), false, 0); }
    void bytes(std::string value) { add(std::move(value), false, 1); }
    void null() { add({}, true, 0); }
    void add(std::string value, bool nul, int format) {
        data.push_back(std::move(value));
        isNull.push_back(nul);
        formats.push_back(format);
    }
    std::size_t size() const { return data.size(); }
};

// Connects and runs statements without ever waiting blind: libpq is driven through its
// asynchronous calls, and every wait on the socket is in slices of kWaitSliceMs, after each of
// which `stop` is looked at. A connection the server accepts and never answers gives up after the
// connect timeout, and a program that ends while its sync waits on the server ends at once.
class Server {
  public:
    explicit Server(const std::atomic<bool>* stop = nullptr) : stop_(stop) {}
    void setStop(const std::atomic<bool>* stop) { stop_ = stop; }
    // Connected, and not inside a statement or transaction that a failure left behind.
    bool idle() const {
        return conn_ && PQstatus(conn_.get()) == CONNECTION_OK &&
               PQtransactionStatus(conn_.get()) == PQTRANS_IDLE;
    }

    bool connect(const std::string& server, std::string& error) {
        char* parseError = nullptr;
        PQconninfoOption* options = PQconninfoParse(server.c_str(), &parseError);
        if (!options) {
            error = "The team server's name is not a connection string or URI: " +
                    OneLine(parseError ? parseError : "out of memory");
            PQfreemem(parseError);
            return false;
        }
        bool password = false;
        for (PQconninfoOption* o = options; o->keyword; ++o) {
            if (std::string(o->keyword) == "password" && o->val && *o->val) password = true;
        }
        PQconninfoFree(options);
        if (password) {
            error =
                "The team server's name holds a password: keep it in ~/.pgpass (or the file"
                " PGPASSFILE names, or a service file) and take it out of the name.";
            return false;
        }
        // The name's own settings, if any, come later and win. Keepalives find a server that
        // went away in the middle of a sync within a minute, not the system's two hours.
        const char* keys[] = {"connect_timeout",
                              "keepalives_idle",
                              "keepalives_interval",
                              "keepalives_count",
                              "application_name",
                              "dbname",
                              nullptr};
        const char* values[] = {"10", "30", "10", "3", "zepra", server.c_str(), nullptr};
        conn_.reset(PQconnectStartParams(keys, values, 1));
        if (!conn_ || PQstatus(conn_.get()) == CONNECTION_BAD) return connectFailed(error);
        const int timeoutSeconds = ConnectTimeoutSeconds(conn_.get());
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
        PostgresPollingStatusType state = PGRES_POLLING_WRITING;
        while (state != PGRES_POLLING_OK) {
            if (state == PGRES_POLLING_FAILED) return connectFailed(error);
            const Waited waited = wait(state == PGRES_POLLING_READING,
                                       state == PGRES_POLLING_WRITING, deadline, error);
            if (waited == Waited::TimedOut) {
                error = "Cannot connect to the team server: it did not answer within " +
                        std::to_string(timeoutSeconds) + " s.";
            }
            if (waited != Waited::Ready) return false;
            state = PQconnectPoll(conn_.get());
        }
        // From here sending never blocks either: a large batch goes out as the socket takes it.
        PQsetnonblocking(conn_.get(), 1);
        return true;
    }

    // Runs a statement; nullptr with `error` set on failure. binaryResult: values as bytes.
    PgResult run(const std::string& sql, const Params& params, std::string& error,
                 bool binaryResult = false) {
        std::vector<const char*> values(params.size());
        std::vector<int> lengths(params.size());
        for (std::size_t k = 0; k < params.size(); ++k) {
            values[k] = params.isNull[k] ? nullptr : params.data[k].data();
            lengths[k] = static_cast<int>(params.data[k].size());
        }
        sqlState_.clear();
        PGconn* conn = conn_.get();
        if (!PQsendQueryParams(conn, sql.c_str(), static_cast<int>(params.size()), nullptr,
                               values.data(), lengths.data(), params.formats.data(),
                               binaryResult ? 1 : 0))
            return failed(error);
        // Sending, and reading meanwhile: the server may answer (a notice, an error) before it
        // has read everything.
        for (int flushed = PQflush(conn); flushed != 0; flushed = PQflush(conn)) {
            if (flushed < 0) return failed(error);
            if (wait(true, true, std::nullopt, error) != Waited::Ready) return nullptr;
            if (!PQconsumeInput(conn)) return failed(error);
        }
        PgResult result;
        for (;;) {
            while (PQisBusy(conn)) {
                if (wait(true, false, std::nullopt, error) != Waited::Ready) return nullptr;
                if (!PQconsumeInput(conn)) return failed(error);
            }
            PGresult* next = PQgetResult(conn);
            if (!next) break;
            result.reset(next);  // one statement: one result, the last one counts
        }
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const char* state =
                result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
            sqlState_ = state ? state : "";
            return failed(error);
        }
        return result;
    }
    PgResult run(const std::string& sql, std::string& error) { return run(sql, Params(), error); }
    const std::string& sqlState() const { return sqlState_; }

  private:
    static constexpr int kWaitSliceMs = 100;
    enum class Waited { Ready, TimedOut, Stopped, Failed };

    // The connect timeout in effect (libpq's rule: none or 0 is for ever; less than 2 is 2).
    static int ConnectTimeoutSeconds(PGconn* conn) {
        int seconds = 0;
        PQconninfoOption* options = PQconninfo(conn);
        for (PQconninfoOption* o = options; o && o->keyword; ++o) {
            if (std::string(o->keyword) == "connect_timeout" && o->val) {
                const std::string text = o->val;
                std::from_chars(text.data(), text.data() + text.size(), seconds);
            }
        }
        PQconninfoFree(options);
        if (seconds <= 0) return 24 * 3600;
        return std::max(seconds, 2);
    }

    Waited wait(bool read, bool write,
                std::optional<std::chrono::steady_clock::time_point> deadline, std::string& error) {
        for (;;) {
            if (stop_ && stop_->load()) {
                error = "The sync was broken off: the program is ending.";
                return Waited::Stopped;
            }
            int slice = kWaitSliceMs;
            if (deadline) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      *deadline - std::chrono::steady_clock::now())
                                      .count();
                if (left <= 0) return Waited::TimedOut;
                slice = static_cast<int>(std::min<long long>(slice, left));
            }
            switch (WaitForSocket(PQsocket(conn_.get()), read, write, slice)) {
                case SocketReady::Ready:
                    return Waited::Ready;
                case SocketReady::TimedOut:
                    continue;
                case SocketReady::Failed:
                    error = "The team server: the connection's socket failed.";
                    return Waited::Failed;
            }
        }
    }

    bool connectFailed(std::string& error) {
        error = "Cannot connect to the team server: " +
                OneLine(conn_ ? PQerrorMessage(conn_.get()) : "out of memory");
        return false;
    }
    std::nullptr_t failed(std::string& error) {
        error = "The team server: " + OneLine(PQerrorMessage(conn_.get()));
        return nullptr;
    }

    const std::atomic<bool>* stop_;
    std::unique_ptr<PGconn, PgFinish> conn_;
    std::string sqlState_;
};

// The server's schema version: 0 when it has no archive yet, nullopt on failure.
std::optional<int> ParseVersion(const std::string& text, std::string& error) {
    int number = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (failure != std::errc() || end != text.data() + text.size()) {
        error = "The team server's schema version \"" + text + "\" is not a number.";
        return std::nullopt;
    }
    return number;
}

std::optional<int> ServerVersion(Server& server, std::string& error) {
    PgResult exists = server.run("SELECT to_regclass('schema_version') IS NOT NULL", error);
    if (!exists) return std::nullopt;
    if (std::string(PQgetvalue(exists.get(), 0, 0)) != "t") return 0;
    PgResult version = server.run("SELECT COALESCE(MAX(version), 0) FROM schema_version", error);
    if (!version) return std::nullopt;
    return ParseVersion(PQgetvalue(version.get(), 0, 0), error);
}

struct ServerArchive {
    int version = 0;
    std::string id;  // empty: the server has no archive, or one without its identity
};

// The server's schema version and its archive's identity in one round trip: a sync with nothing
// to do is mostly round trips. A server without the tables is asked again as server-init asks.
std::optional<ServerArchive> ServerIdentity(Server& server, std::string& error) {
    PgResult row = server.run(
        "SELECT COALESCE(MAX(version), 0), (SELECT MIN(id) FROM team_archive),"
        " (SELECT count(*) FROM team_archive) FROM schema_version",
        error);
    if (!row) {
        if (server.sqlState() != "42P01") return std::nullopt;  // undefined_table
        error.clear();
        const std::optional<int> version = ServerVersion(server, error);
        if (!version) return std::nullopt;
        return ServerArchive{*version, {}};
    }
    const std::optional<int> version = ParseVersion(PQgetvalue(row.get(), 0, 0), error);
    if (!version) return std::nullopt;
    ServerArchive archive{*version, {}};
    if (std::string(PQgetvalue(row.get(), 0, 2)) == "1") archive.id = PQgetvalue(row.get(), 0, 1);
    return archive;
}

std::string NewerServer(int version) {
    return "The team server's archive is of a newer version (schema " + std::to_string(version) +
           ", this program knows " + std::to_string(kTeamSchemaVersion) +
           "): update the program on this station. Nothing was sent.";
}

// A connection of its own to the station's archive file, removed with this object.
class LocalDb {
  public:
    explicit LocalDb(const QString& path)
        : name_(QStringLiteral("zepra-team-") + QUuid::createUuid().toString(QUuid::Id128)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        opened_ = db.open();
        if (opened_) {
            QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys = ON"));
            // What a sync writes here (its marks and outcome) may be lost to a power cut
            // without harm: the rows are sent again, and the server keeps one of each. So its
            // commits wait for no disk flush.
            QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
        }
    }
    ~LocalDb() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    LocalDb(const LocalDb&) = delete;
    LocalDb& operator=(const LocalDb&) = delete;
    bool opened() const { return opened_; }
    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }
    // Runs a statement with values; false with `error` set.
    bool run(QSqlQuery& query, const QString& sql, const QVariantList& values,
             std::string& error) const {
        if (!query.prepare(sql)) {
            error = "The archive: " + query.lastError().text().toStdString();
            return false;
        }
        for (const QVariant& value : values) query.addBindValue(value);
        if (!query.exec()) {
            error = "The archive: " + query.lastError().text().toStdString();
            return false;
        }
        return true;
    }
    bool run(const QString& sql, const QVariantList& values, std::string& error) const {
        QSqlQuery query(db());
        return run(query, sql, values, error);
    }

  private:
    QString name_;
    bool opened_ = false;
};

QStringList Columns(const LocalDb& local, const std::string& table) {
    QStringList columns;
    QSqlQuery query(local.db());
    query.exec(QStringLiteral("PRAGMA table_info(") + QString::fromStdString(table) +
               QLatin1Char(')'));
    while (query.next()) columns << query.value(1).toString();
    return columns;
}

// The table's rows here; -1 when they cannot be counted.
long long LocalCount(const LocalDb& local, const std::string& table) {
    QSqlQuery query(local.db());
    std::string error;
    if (!local.run(query, QStringLiteral("SELECT COUNT(*) FROM ") + QString::fromStdString(table),
                   {}, error) ||
        !query.next())
        return -1;
    return query.value(0).toLongLong();
}

std::int64_t Mark(const LocalDb& local, const std::string& serverId, const std::string& table) {
    QSqlQuery query(local.db());
    std::string error;
    if (!local.run(query,
                   QStringLiteral("SELECT pushed_rowid FROM team_sync_marks WHERE server_id = ?"
                                  " AND table_name = ?"),
                   {QString::fromStdString(serverId), QString::fromStdString(table)}, error) ||
        !query.next())
        return 0;
    return query.value(0).toLongLong();
}

const char* const kSetMark =
    "INSERT INTO team_sync_marks (server_id, table_name, pushed_rowid) VALUES (?, ?, ?)"
    " ON CONFLICT (server_id, table_name)"
    " DO UPDATE SET pushed_rowid = MAX(pushed_rowid, excluded.pushed_rowid)";

void AddValue(Params& params, const QVariant& value) {
    if (value.isNull()) {
        params.null();
    } else if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        params.bytes(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } else if (value.typeId() == QMetaType::Double) {
        params.text(QString::number(value.toDouble(), 'g', 17).toStdString());
    } else {
        params.text(value.toString().toStdString());
    }
}

// A value of a binary result as the SQLite driver takes it.
QVariant ValueOf(const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column)) return QVariant();
    const char* bytes = PQgetvalue(result, row, column);
    const int length = PQgetlength(result, row, column);
    switch (PQftype(result, column)) {
        case 20:  // int8
            return QVariant::fromValue<qint64>(qFromBigEndian<qint64>(bytes));
        case 23:  // int4
            return QVariant::fromValue<qint32>(qFromBigEndian<qint32>(bytes));
        case 701:  // float8
            return QVariant(qFromBigEndian<double>(bytes));
        case 17:  // bytea
            return QVariant(QByteArray(bytes, length));
        default:  // text
            return QVariant(QString::fromUtf8(bytes, length));
    }
}

std::string TextArray(const std::vector<std::string>& ids) {
    std::string array = "{";
    for (std::size_t k = 0; k < ids.size(); ++k) {
        if (k) array += ',';
        array += '"' + ids[k] + '"';  // UUIDs: nothing to escape
    }
    return array + "}";
}

struct Sync {
    const LocalDb& local;
    Server& server;
    const SyncOptions& options;
    std::string serverId;
    SyncReport& report;

    bool cut(SyncOptions::Stage stage, const std::string& table) {
        if (options.stop && options.stop->load()) {
            report.error = "The sync was broken off: the program is ending.";
            return true;
        }
        if (!options.onBatch || options.onBatch(stage, table)) return false;
        report.error = "The sync was broken off.";
        return true;
    }

    bool push(const std::string& table) {
        const QStringList columns = Columns(local, table);
        const std::string columnList = columns.join(QStringLiteral(", ")).toStdString();
        const int shaColumn = static_cast<int>(columns.indexOf(QStringLiteral("readings_sha256")));
        const bool records = table == "records";
        std::int64_t mark = Mark(local, serverId, table);
        for (;;) {
            QSqlQuery query(local.db());
            query.setForwardOnly(true);
            if (!local.run(
                    query,
                    QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid > ? ORDER BY rowid"
                                   " LIMIT ?")
                        .arg(QString::fromStdString(columnList), QString::fromStdString(table)),
                    {QVariant::fromValue<qint64>(mark), options.batchRows}, report.error))
                return false;
            Params params;
            std::vector<std::string> ids;
            std::map<std::string, std::string> localSha;
            std::int64_t last = mark;
            std::int64_t bytes = 0;
            while (bytes < options.batchBytes && query.next()) {
                last = query.value(0).toLongLong();
                for (int c = 0; c < columns.size(); ++c) {
                    const QVariant value = query.value(c + 1);
                    AddValue(params, value);
                    bytes += static_cast<std::int64_t>(params.data.back().size());
                }
                ids.push_back(query.value(1).toString().toStdString());
                if (records && shaColumn >= 0)
                    localSha[ids.back()] = query.value(shaColumn + 1).toString().toStdString();
            }
            query.finish();
            if (ids.empty()) return true;

            std::string sql = "INSERT INTO " + table + " (" + columnList + ") VALUES ";
            int n = 0;
            for (std::size_t row = 0; row < ids.size(); ++row) {
                sql += row ? ",(" : "(";
                for (int c = 0; c < columns.size(); ++c)
                    sql += (c ? ",$" : "$") + std::to_string(++n);
                sql += ')';
            }
            sql += " ON CONFLICT (id) DO NOTHING";
            if (!server.run("BEGIN", report.error) || !server.run(sql, params, report.error))
                return false;
            if (cut(SyncOptions::Stage::Sent, table)) return false;
            std::vector<std::pair<std::string, std::string>> mismatches;  // id, server's digest
            if (records) {
                Params idList;
                idList.text(TextArray(ids));
                PgResult digests = server.run(
                    "SELECT id, zepra_readings_sha256(value_bits, reading_texts, reading_times,"
                    " reading_count) FROM records WHERE id = ANY($1::text[])",
                    idList, report.error);
                if (!digests) return false;
                for (int row = 0; row < PQntuples(digests.get()); ++row) {
                    const std::string id = PQgetvalue(digests.get(), row, 0);
                    const std::string digest = PQgetvalue(digests.get(), row, 1);
                    if (digest != localSha[id]) mismatches.emplace_back(id, digest);
                }
            }
            if (!server.run("COMMIT", report.error)) return false;
            if (cut(SyncOptions::Stage::Committed, table)) return false;

            local.db().transaction();
            bool written = local.run(QString::fromLatin1(kSetMark),
                                     {QString::fromStdString(serverId),
                                      QString::fromStdString(table), QVariant::fromValue(last)},
                                     report.error);
            for (const auto& [id, digest] : mismatches) {
                report.mismatches.push_back("record " + id +
                                            ": the server's readings have SHA-256 " + digest +
                                            ", this station's " + localSha[id]);
                written =
                    written &&
                    local.run(QStringLiteral("INSERT OR REPLACE INTO team_sync_mismatches"
                                             " (record_id, server_id, server_sha256,"
                                             " local_sha256, at_ms) VALUES (?, ?, ?, ?, ?)"),
                              {QString::fromStdString(id), QString::fromStdString(serverId),
                               QString::fromStdString(digest), QString::fromStdString(localSha[id]),
                               QVariant::fromValue<qint64>(NowMs())},
                              report.error);
            }
            if (!written || !local.db().commit()) {
                local.db().rollback();
                if (report.error.empty())
                    report.error = "The archive: the sync's mark was not kept.";
                return false;
            }
            report.pushed[table] += static_cast<long long>(ids.size());
            mark = last;
        }
    }

    bool pull(const std::string& table) {
        PgResult serverIds = server.run("SELECT id FROM " + table, report.error);
        if (!serverIds) return false;
        std::set<std::string> here;
        QSqlQuery query(local.db());
        query.setForwardOnly(true);
        if (!local.run(query, QStringLiteral("SELECT id FROM ") + QString::fromStdString(table), {},
                       report.error))
            return false;
        while (query.next()) here.insert(query.value(0).toString().toStdString());
        query.finish();
        std::vector<std::string> missing;
        for (int row = 0; row < PQntuples(serverIds.get()); ++row) {
            std::string id = PQgetvalue(serverIds.get(), row, 0);
            if (!here.count(id)) missing.push_back(std::move(id));
        }
        if (missing.empty()) return true;

        const QStringList columns = Columns(local, table);
        const std::string columnList = columns.join(QStringLiteral(", ")).toStdString();
        QString insert =
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT DO NOTHING")
                .arg(QString::fromStdString(table), QString::fromStdString(columnList),
                     QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
        const int nameColumn = static_cast<int>(columns.indexOf(QStringLiteral("name")));
        const int byColumn = static_cast<int>(columns.indexOf(QStringLiteral("by_whom")));
        const int keyColumn = static_cast<int>(columns.indexOf(QStringLiteral("repeat_key")));
        // Pulled rows are written in one transaction with the mark: when nothing of this table
        // waited to be pushed, the pulled rows (which the server has) do not wait either.
        QSqlDatabase db = local.db();
        if (!QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            report.error = "The archive: " + db.lastError().text().toStdString();
            return false;
        }
        auto fail = [&] {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return false;
        };
        auto maxRowid = [&]() -> std::int64_t {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT COALESCE(MAX(rowid), 0) FROM ") +
                   QString::fromStdString(table));
            return q.next() ? q.value(0).toLongLong() : -1;
        };
        const bool caughtUp = maxRowid() <= Mark(local, serverId, table);
        for (std::size_t start = 0; start < missing.size(); start += 200) {
            const std::vector<std::string> chunk(
                missing.begin() + static_cast<std::ptrdiff_t>(start),
                missing.begin() +
                    static_cast<std::ptrdiff_t>(std::min(start + 200, missing.size())));
            Params idList;
            idList.text(TextArray(chunk));
            PgResult rows = server.run(
                "SELECT " + columnList + " FROM " + table + " WHERE id = ANY($1::text[])", idList,
                report.error, true);
            if (!rows) return fail();
            for (int row = 0; row < PQntuples(rows.get()); ++row) {
                QVariantList values;
                for (int c = 0; c < columns.size(); ++c) values << ValueOf(rows.get(), row, c);
                // A station's repeat key finds its own earlier downloads; another station's
                // record is never one of them.
                if (keyColumn >= 0)
                    values[keyColumn] = QStringLiteral("team|") + values[0].toString();
                // Two stations' jobs of one name: the one pulled is told apart by its maker.
                if (nameColumn >= 0 && byColumn >= 0) {
                    QSqlQuery taken(db);
                    const QString name = values[nameColumn].toString();
                    if (!local.run(taken, QStringLiteral("SELECT 1 FROM jobs WHERE name = ?"),
                                   {name}, report.error))
                        return fail();
                    if (taken.next()) {
                        values[nameColumn] = name + QStringLiteral(" (") +
                                             values[byColumn].toString() + QStringLiteral(", ") +
                                             values[0].toString().left(8) + QLatin1Char(')');
                    }
                }
                QSqlQuery insertQuery(db);
                if (!local.run(insertQuery, insert, values, report.error)) return fail();
                report.pulled[table] += insertQuery.numRowsAffected();
            }
        }
        if (caughtUp && !local.run(QString::fromLatin1(kSetMark),
                                   {QString::fromStdString(serverId), QString::fromStdString(table),
                                    QVariant::fromValue<qint64>(maxRowid())},
                                   report.error))
            return fail();
        if (!QSqlQuery(db).exec(QStringLiteral("COMMIT"))) {
            report.error = "The archive: " + db.lastError().text().toStdString();
            return fail();
        }
        return true;
    }
};

}  // namespace

struct TeamConnection::Kept {
    Server server;
    std::string name;  // the server's name it was made for
};

TeamConnection::TeamConnection() : kept_(std::make_unique<Kept>()) {}
TeamConnection::~TeamConnection() = default;

std::string ConfiguredTeamServer() {
    // Set but empty: no server, whatever the setting says (a session that must not sync).
    if (qEnvironmentVariableIsSet("ZEPRA_ARCHIVE_SERVER"))
        return qEnvironmentVariable("ZEPRA_ARCHIVE_SERVER").toStdString();
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("ZEPRA"),
                             QStringLiteral("zepra-thickness"));
    return settings.value(QStringLiteral("archive/server")).toString().toStdString();
}

bool InitTeamServer(const std::string& serverName, std::string& message) {
    Server server;
    if (!server.connect(serverName, message)) return false;
    if (!server.run("BEGIN", message)) return false;
    if (!server.run("SELECT pg_advisory_xact_lock(" + std::to_string(kSchemaLockKey) + ")",
                    message))
        return false;
    const std::optional<int> found = ServerVersion(server, message);
    if (!found) return false;
    if (*found > kTeamSchemaVersion) {
        message = NewerServer(*found);
        return false;
    }
    if (*found == kTeamSchemaVersion) {
        message = "The team server's archive is up to date (schema " +
                  std::to_string(kTeamSchemaVersion) + ").";
        return server.run("COMMIT", message) != nullptr;
    }
    for (int step = *found + 1; step <= kTeamSchemaVersion; ++step) {
        for (const char* statement : kServerMigrations[static_cast<std::size_t>(step - 1)]) {
            if (!server.run(statement, message)) {
                if (server.sqlState() == "42501") {  // insufficient_privilege
                    message =
                        "This role may not create the archive's tables on the team server:"
                        " run server-init as the database's owner. (" +
                        message + ")";
                }
                return false;
            }
        }
        Params params;
        params.text(std::to_string(step));
        params.text(std::to_string(NowMs()));
        if (!server.run("INSERT INTO schema_version (version, migrated_at_ms) VALUES ($1, $2)",
                        params, message))
            return false;
    }
    if (!server.run("COMMIT", message)) return false;
    message = "The team server's archive was " +
              std::string(*found == 0 ? "created" : "brought up to date") + " (schema " +
              std::to_string(kTeamSchemaVersion) + ").";
    return true;
}

SyncReport SyncWithTeamServer(const QString& archivePath, const std::string& serverName,
                              const SyncOptions& options) {
    SyncReport report;
    {
        // Opening brings the file's own schema up to date, or says why it cannot be used.
        std::string message;
        const std::unique_ptr<Archive> archive = Archive::open(archivePath, message);
        if (!archive) {
            report.error = message;
            return report;
        }
        if (archive->readOnly()) {
            report.error = message + " It is not synced.";
            return report;
        }
    }
    const LocalDb local(archivePath);
    if (!local.opened()) {
        report.error =
            "The archive cannot be opened: " + local.db().lastError().text().toStdString();
        return report;
    }
    const std::int64_t started = NowMs();
    std::string serverId;
    auto finish = [&]() -> SyncReport& {
        report.ok = report.error.empty();
        std::string ignored;
        local.run(
            QStringLiteral(
                "INSERT INTO team_sync_state (id, server_id, server, last_sync_ms,"
                " last_attempt_ms, last_error) VALUES (1, ?, ?, ?, ?, ?)"
                " ON CONFLICT (id) DO UPDATE SET server_id = COALESCE(excluded.server_id,"
                " server_id), server = excluded.server,"
                " last_sync_ms = COALESCE(excluded.last_sync_ms, last_sync_ms),"
                " last_attempt_ms = excluded.last_attempt_ms, last_error = excluded.last_error"),
            {serverId.empty() ? QVariant(QMetaType::fromType<QString>())
                              : QVariant(QString::fromStdString(serverId)),
             QString::fromStdString(serverName),
             report.ok ? QVariant::fromValue<qint64>(started)
                       : QVariant(QMetaType::fromType<qint64>()),
             QVariant::fromValue<qint64>(started), QString::fromStdString(report.error)},
            ignored);
        return report;
    };
    if (serverName.empty()) {
        report.error =
            "No team server is named: set ZEPRA_ARCHIVE_SERVER or the setting"
            " archive/server to its connection string or URI.";
        return finish();
    }
    Server own;
    Server* server = &own;
    bool reused = false;
    if (options.connection) {
        TeamConnection::Kept& kept = options.connection->kept();
        server = &kept.server;
        reused = kept.name == serverName && server->idle();
        kept.name = serverName;
    }
    server->setStop(options.stop);
    std::optional<ServerArchive> found;
    if (reused) {
        found = ServerIdentity(*server, report.error);
        // The server may have restarted, or dropped the connection, since the last sync.
        if (!found && !server->idle()) {
            report.error.clear();
            reused = false;
        }
    }
    if (!reused) {
        if (!server->connect(serverName, report.error)) return finish();
        found = ServerIdentity(*server, report.error);
    }
    if (!found) return finish();
    if (found->version == 0) {
        report.error =
            "The team server has no archive yet: run 'zepra-cli archive server-init'"
            " as the database's owner.";
        return finish();
    }
    if (found->version > kTeamSchemaVersion) {
        report.error = NewerServer(found->version);
        return finish();
    }
    if (found->version < kTeamSchemaVersion) {
        report.error = "The team server's archive is of an older version (schema " +
                       std::to_string(found->version) +
                       "): run 'zepra-cli archive server-init' as the database's owner.";
        return finish();
    }
    if (found->id.empty()) {
        report.error = "The team server's archive has no identity (table team_archive).";
        return finish();
    }
    serverId = found->id;

    Sync sync{local, *server, options, serverId, report};
    for (const std::string& table : kTables) {
        if (!sync.push(table)) return finish();
    }
    // Every row of this station is on the server by now, and rows are never deleted there: a
    // table with as many rows there as here has nothing to pull. One round trip counts them.
    std::vector<std::string> pulled;
    std::string counting = "SELECT ";
    for (const std::string& table : kTables) {
        if (!options.pullRecords && !kTeamTables.count(table)) continue;
        counting += (pulled.empty() ? "" : ", ") + ("(SELECT count(*) FROM " + table + ")");
        pulled.push_back(table);
    }
    PgResult counts = server->run(counting, report.error);
    if (!counts) return finish();
    for (std::size_t k = 0; k < pulled.size(); ++k) {
        const std::string there = PQgetvalue(counts.get(), 0, static_cast<int>(k));
        if (there == std::to_string(LocalCount(local, pulled[k]))) continue;
        if (!sync.pull(pulled[k])) return finish();
    }
    return finish();
}

std::optional<SyncStatus> ReadSyncStatus(const QString& archivePath, std::string& error) {
    {
        std::string message;
        if (!Archive::open(archivePath, message)) {
            error = message;
            return std::nullopt;
        }
    }
    const LocalDb local(archivePath);
    if (!local.opened()) {
        error = "The archive cannot be opened: " + local.db().lastError().text().toStdString();
        return std::nullopt;
    }
    SyncStatus status;
    std::string serverId;
    {
        QSqlQuery query(local.db());
        if (!local.run(query,
                       QStringLiteral("SELECT server_id, server, last_sync_ms, last_attempt_ms,"
                                      " last_error FROM team_sync_state WHERE id = 1"),
                       {}, error))
            return std::nullopt;
        if (query.next()) {
            serverId = query.value(0).toString().toStdString();
            status.server = query.value(1).toString().toStdString();
            if (!query.value(2).isNull()) status.lastSyncMs = query.value(2).toLongLong();
            status.lastAttemptMs = query.value(3).toLongLong();
            status.lastError = query.value(4).toString().toStdString();
        }
    }
    for (const std::string& table : kTables) {
        const std::int64_t mark = Mark(local, serverId, table);
        QSqlQuery query(local.db());
        if (!local.run(query,
                       QStringLiteral("SELECT COUNT(*) FROM ") + QString::fromStdString(table) +
                           QStringLiteral(" WHERE rowid > ?"),
                       {QVariant::fromValue<qint64>(mark)}, error) ||
            !query.next())
            return std::nullopt;
        status.rowsWaiting += query.value(0).toLongLong();
        if (table == "records") status.recordsWaiting = query.value(0).toLongLong();
    }
    QSqlQuery query(local.db());
    if (!local.run(query,
                   QStringLiteral("SELECT COUNT(*) FROM team_sync_mismatches WHERE server_id = ?"),
                   {QString::fromStdString(serverId)}, error) ||
        !query.next())
        return std::nullopt;
    status.mismatches = query.value(0).toLongLong();
    return status;
}

}  // namespace zepra::archive
