#include "archive/archive.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>
#include <QtEndian>
#include <cmath>

#include "data/shown_text.h"
#include "zepra_version.h"

namespace zepra::archive {
namespace {

// The byte-string type: SQLite's BLOB is PostgreSQL's BYTEA. Everything else in the schema is
// spelt the same on both.
constexpr const char* kBytesType = "BLOB";

// Migration N brings the schema from version N - 1 to N. Never edit a step that has shipped:
// add the next one.
//
// Why the readings of a record are three columns and not one row per reading: a row costs its
// key, its record id and SQLite's per-row overhead (some 60 bytes per reading with an index),
// while packed they take 4 bytes per value (little-endian float32, bit for bit), 8 per capture
// time (little-endian UTC milliseconds) and the text with one line break: a 50,000-reading
// capture is one insert, and the file stays small. A record is only ever read whole.
const std::vector<std::vector<std::string>> kMigrations = {
    {
        "CREATE TABLE schema_version (version INTEGER NOT NULL, migrated_at_ms BIGINT NOT NULL)",
        "CREATE TABLE records ("
        " id TEXT PRIMARY KEY,"
        " repeat_key TEXT NOT NULL UNIQUE,"  // same readings, limits, unit, gauge: same record
        " source TEXT NOT NULL,"             // SourceWord
        " group_number INTEGER,"
        " source_file TEXT,"
        " taken_at_ms BIGINT NOT NULL,"
        " stored_at_ms BIGINT NOT NULL,"
        " unit TEXT NOT NULL,"      // "um" or "mils": the texts' unit
        " high_limit_bits BIGINT,"  // float32 bits
        " low_limit_bits BIGINT,"
        " reading_count INTEGER NOT NULL,"
        " value_bits @BYTES NOT NULL,"   // little-endian float32 per reading
        " reading_times @BYTES,"         // little-endian int64 UTC ms per reading (capture)
        " reading_texts TEXT NOT NULL,"  // the texts joined by line breaks
        " readings_sha256 TEXT NOT NULL,"
        " mean_um DOUBLE PRECISION,"
        " gauge_usb_serial TEXT NOT NULL,"
        " gauge_usb_path TEXT NOT NULL,"
        " gauge_port TEXT NOT NULL,"
        " station_host TEXT NOT NULL,"
        " station_user TEXT NOT NULL,"
        " program_version TEXT NOT NULL)",
        "CREATE INDEX records_taken ON records (taken_at_ms)",
        "CREATE TABLE record_sightings (id TEXT PRIMARY KEY,"
        " record_id TEXT NOT NULL REFERENCES records (id), at_ms BIGINT NOT NULL,"
        " by_whom TEXT NOT NULL, program_version TEXT NOT NULL)",
        "CREATE TABLE jobs (id TEXT PRIMARY KEY, name TEXT NOT NULL UNIQUE, project TEXT NOT NULL,"
        " structure TEXT NOT NULL, coating TEXT NOT NULL, client TEXT NOT NULL,"
        " notes TEXT NOT NULL, at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL)",
        "CREATE TABLE job_assignments (id TEXT PRIMARY KEY,"
        " record_id TEXT NOT NULL REFERENCES records (id),"
        " job_id TEXT NOT NULL REFERENCES jobs (id), at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL)",
        "CREATE TABLE gauges (id TEXT PRIMARY KEY, make_model TEXT NOT NULL, serial TEXT NOT NULL,"
        " usb_serial TEXT NOT NULL, probe TEXT NOT NULL, at_ms BIGINT NOT NULL,"
        " by_whom TEXT NOT NULL)",
        "CREATE INDEX gauges_usb_serial ON gauges (usb_serial)",
        // due_end_ms: the first moment after the due day (UTC); calibrated_ms: the day's start.
        "CREATE TABLE gauge_calibrations (id TEXT PRIMARY KEY,"
        " gauge_id TEXT NOT NULL REFERENCES gauges (id), certificate TEXT NOT NULL,"
        " calibrated_on TEXT NOT NULL, next_due TEXT NOT NULL, calibrated_ms BIGINT NOT NULL,"
        " due_end_ms BIGINT NOT NULL, at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL)",
        "CREATE TABLE exclusions (id TEXT PRIMARY KEY,"
        " record_id TEXT NOT NULL REFERENCES records (id), reading_number INTEGER NOT NULL,"
        " reason TEXT NOT NULL, at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL)",
        "CREATE TABLE notes (id TEXT PRIMARY KEY, record_id TEXT NOT NULL REFERENCES records (id),"
        " note TEXT NOT NULL, at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL)",
        "CREATE TABLE checks (id TEXT PRIMARY KEY, record_id TEXT NOT NULL REFERENCES records (id),"
        " standard TEXT NOT NULL, parameters TEXT NOT NULL, verdict TEXT NOT NULL,"
        " at_ms BIGINT NOT NULL, by_whom TEXT NOT NULL)",
        "CREATE TABLE reports (id TEXT PRIMARY KEY,"
        " record_id TEXT NOT NULL REFERENCES records (id), file TEXT NOT NULL,"
        " format TEXT NOT NULL, file_sha256 TEXT NOT NULL, at_ms BIGINT NOT NULL,"
        " by_whom TEXT NOT NULL)",
        "CREATE INDEX record_sightings_record ON record_sightings (record_id)",
        "CREATE INDEX job_assignments_record ON job_assignments (record_id)",
        "CREATE INDEX exclusions_record ON exclusions (record_id)",
        "CREATE INDEX notes_record ON notes (record_id)",
        "CREATE INDEX checks_record ON checks (record_id)",
        "CREATE INDEX reports_record ON reports (record_id)",
    },
    // The station's record of its syncs with the team's server: per server and table the last
    // row pushed (SQLite's rowid: rows are only ever added, one writer at a time, so rowids grow
    // in commit order), the last outcome, and the records whose readings the server holds
    // otherwise. Files of version 1 that have synced already made these tables themselves:
    // hence IF NOT EXISTS.
    {
        "CREATE TABLE IF NOT EXISTS team_sync_marks (server_id TEXT NOT NULL,"
        " table_name TEXT NOT NULL, pushed_rowid BIGINT NOT NULL,"
        " PRIMARY KEY (server_id, table_name))",
        "CREATE TABLE IF NOT EXISTS team_sync_state (id INTEGER PRIMARY KEY CHECK (id = 1),"
        " server_id TEXT, server TEXT NOT NULL, last_sync_ms BIGINT,"
        " last_attempt_ms BIGINT NOT NULL, last_error TEXT NOT NULL)",
        "CREATE TABLE IF NOT EXISTS team_sync_mismatches (record_id TEXT NOT NULL,"
        " server_id TEXT NOT NULL, server_sha256 TEXT NOT NULL, local_sha256 TEXT NOT NULL,"
        " at_ms BIGINT NOT NULL, PRIMARY KEY (record_id, server_id))",
    },
    // The list reads a record's summary from this index alone: the columns stored after the
    // readings in a row sit on its overflow pages, which a list of every record would otherwise
    // read through (some 9 kB a record). It serves the order by time as records_taken did.
    {
        "CREATE INDEX IF NOT EXISTS records_list ON records (taken_at_ms, id, source, group_number,"
        " reading_count, mean_um, unit, readings_sha256, gauge_usb_serial, gauge_port,"
        " station_user, station_host)",
        "DROP INDEX IF EXISTS records_taken",
    },
};

QString Sql(const std::string& statement) {
    QString text = QString::fromStdString(statement);
    text.replace(QLatin1String("@BYTES"), QLatin1String(kBytesType));
    return text;
}

QString NewId() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

std::int64_t NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QVariant& value) {
    return value.toString().toStdString();
}

// A LIKE pattern for "contains": the user's % and _ match themselves.
QString Contains(const std::string& text) {
    QString escaped = Q(text).toLower();
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("%"), QLatin1String("\\%"));
    escaped.replace(QLatin1String("_"), QLatin1String("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

std::string Reason(const QSqlError& error) {
    std::string text = error.databaseText().toStdString();
    if (text.empty()) text = error.text().toStdString();
    return text;
}

// Runs a prepared statement with its values; false with `error` set on failure.
bool Run(QSqlQuery& query, const QString& sql, const std::vector<QVariant>& values,
         std::string& error) {
    if (!query.prepare(sql)) {
        error = Reason(query.lastError());
        return false;
    }
    for (const QVariant& value : values) query.addBindValue(value);
    if (!query.exec()) {
        error = Reason(query.lastError());
        return false;
    }
    return true;
}

// UTC milliseconds at the start of an ISO date's day; nullopt for no valid date.
std::optional<std::int64_t> DayStartMs(const std::string& isoDate) {
    const QDate date = QDate::fromString(Q(isoDate), Qt::ISODate);
    if (!date.isValid() || isoDate.size() != 10) return std::nullopt;
    return date.startOfDay(Qt::UTC).toMSecsSinceEpoch();
}

constexpr std::int64_t kDayMs = 86'400'000;

QByteArray PackValues(const std::vector<std::uint32_t>& values) {
    QByteArray bytes(static_cast<qsizetype>(values.size() * 4), Qt::Uninitialized);
    for (std::size_t k = 0; k < values.size(); ++k)
        qToLittleEndian(values[k], bytes.data() + k * 4);
    return bytes;
}

QByteArray PackTimes(const std::vector<std::int64_t>& times) {
    QByteArray bytes(static_cast<qsizetype>(times.size() * 8), Qt::Uninitialized);
    for (std::size_t k = 0; k < times.size(); ++k) qToLittleEndian(times[k], bytes.data() + k * 8);
    return bytes;
}

std::string JoinTexts(const std::vector<std::string>& texts) {
    std::string joined;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (k) joined += '\n';
        joined += texts[k];
    }
    return joined;
}

std::string Describe(const Record& record) {
    std::string what = std::to_string(record.valueBits.size()) + " readings of ";
    switch (record.source) {
        case Source::Group:
            return what + "group " + std::to_string(record.group);
        case Source::CurrentGroup:
            return what + "the current group";
        case Source::Capture:
            return what + "the capture";
        case Source::Import:
            return what + record.sourceFile;
    }
    return what;
}

// The columns of a summary, over records r; the job's id, then the job's columns follow.
constexpr const char* kSummarySelect =
    "SELECT r.id, r.source, r.group_number, r.taken_at_ms, r.reading_count, r.mean_um, r.unit,"
    " r.readings_sha256, r.gauge_usb_serial, r.gauge_port, r.station_user, r.station_host,"
    " (SELECT c.verdict FROM checks c WHERE c.record_id = r.id"
    "  ORDER BY c.at_ms DESC, c.id DESC LIMIT 1) AS verdict,"
    " (SELECT g.make_model || ' ' || g.serial FROM gauges g"
    "  WHERE g.usb_serial <> '' AND g.usb_serial = r.gauge_usb_serial"
    "  ORDER BY g.at_ms DESC LIMIT 1) AS gauge_name,"
    " (SELECT CASE WHEN k.due_end_ms <= r.taken_at_ms THEN 1 ELSE 0 END"
    "  FROM gauges g JOIN gauge_calibrations k ON k.gauge_id = g.id"
    "  WHERE g.usb_serial <> '' AND g.usb_serial = r.gauge_usb_serial"
    "  AND k.calibrated_ms <= r.taken_at_ms"
    "  ORDER BY k.calibrated_ms DESC, k.at_ms DESC LIMIT 1) AS overdue,"
    " (SELECT a.job_id FROM job_assignments a WHERE a.record_id = r.id"
    "  ORDER BY a.at_ms DESC, a.id DESC LIMIT 1) AS job_id"
    " FROM records r";

RecordSummary SummaryOf(const QSqlQuery& q) {
    RecordSummary s;
    s.id = S(q.value(0));
    s.source = SourceFromWord(S(q.value(1))).value_or(Source::Group);
    s.group = q.value(2).toInt();
    s.takenMs = q.value(3).toLongLong();
    s.readingCount = q.value(4).toInt();
    if (!q.value(5).isNull()) s.meanMicrometres = q.value(5).toDouble();
    s.unitIsMils = S(q.value(6)) == "mils" ? 1 : 0;
    s.sha256 = S(q.value(7));
    s.gauge = S(q.value(13));
    if (s.gauge.empty()) s.gauge = S(q.value(8));
    if (s.gauge.empty()) s.gauge = S(q.value(9));
    s.station = S(q.value(10)) + "@" + S(q.value(11));
    s.verdict = S(q.value(12));
    s.gaugeOverdue = q.value(14).toInt() == 1;
    s.job = S(q.value(16));
    s.structure = S(q.value(17));
    return s;
}

}  // namespace

QString DefaultArchivePath() {
    const QString named = qEnvironmentVariable("ZEPRA_ARCHIVE");
    if (!named.isEmpty()) return named;
    // The generic data folder, not AppDataLocation: that one ends in the program's name, and the
    // windows and zepra-cli share one archive.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/ZEPRA/archive.sqlite");
}

// One write: BEGIN IMMEDIATE takes the write lock at once (waiting up to the busy timeout), so
// two writers queue instead of one failing half-way. Rolled back unless committed.
class Archive::Transaction {
  public:
    explicit Transaction(const QString& connection) : db_(QSqlDatabase::database(connection)) {}
    ~Transaction() {
        if (open_) QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
    }
    bool begin(std::string& error) {
        QSqlQuery query(db_);
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            error = Reason(query.lastError());
            return false;
        }
        open_ = true;
        return true;
    }
    bool commit(std::string& error) {
        QSqlQuery query(db_);
        if (!query.exec(QStringLiteral("COMMIT"))) {
            error = Reason(query.lastError());
            return false;  // the destructor rolls back
        }
        open_ = false;
        return true;
    }
    QSqlDatabase& db() { return db_; }

  private:
    QSqlDatabase db_;
    bool open_ = false;
};

Archive::Archive(QString connection, QString path, bool readOnly)
    : connection_(std::move(connection)),
      path_(std::move(path)),
      readOnly_(readOnly),
      station_(ThisStation()) {}

Archive::~Archive() {
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

std::unique_ptr<Archive> Archive::open(const QString& path, std::string& message) {
    return open(path, message, Options());
}

std::unique_ptr<Archive> Archive::open(const QString& path, std::string& message,
                                       const Options& options) {
    message.clear();
    const std::string where = "The archive " + QDir::toNativeSeparators(path).toStdString();
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        message = where + " cannot be opened: its folder cannot be made.";
        return nullptr;
    }
    // WAL keeps two files beside the database: a folder the user may not write allows reading
    // only, as does a file they may not write.
    const QFileInfo folder(info.absolutePath());
    bool readOnly = (info.exists() && !info.isWritable()) || !folder.isWritable();
    if (readOnly && !info.exists()) {
        message = where + " cannot be made: its folder is read-only.";
        return nullptr;
    }

    const QString connection = QStringLiteral("zepra-archive-") + NewId();
    auto connect = [&](bool readOnlyConnection) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        QString connectOptions =
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=") + QString::number(options.busyTimeoutMs);
        if (readOnlyConnection) connectOptions += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(connectOptions);
        return db.open();
    };
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        message = where + " cannot be opened: Qt's SQLite driver is not installed.";
        return nullptr;
    }
    std::unique_ptr<Archive> archive(new Archive(connection, path, readOnly));
    if (!connect(readOnly)) {
        message = where + " cannot be opened: " +
                  Reason(QSqlDatabase::database(connection, false).lastError());
        return nullptr;
    }
    QSqlDatabase db = QSqlDatabase::database(connection);
    QSqlQuery query(db);
    std::string error;
    // Reading the version reads the file: a file that is no database says so here.
    auto version = [&]() -> std::optional<int> {
        if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            error = Reason(query.lastError());
            return std::nullopt;
        }
        if (!db.tables().contains(QStringLiteral("schema_version"))) return 0;
        if (!query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) ||
            !query.next()) {
            error = Reason(query.lastError());
            return std::nullopt;
        }
        return query.value(0).toInt();
    };
    std::optional<int> found = version();
    if (!found) {
        message = where + " cannot be read: " + error;
        return nullptr;
    }
    if (*found > kSchemaVersion) {
        message = where + " was written by a newer version of the program (schema " +
                  std::to_string(*found) + ", this one knows " + std::to_string(kSchemaVersion) +
                  "): it is opened read-only, and nothing is stored in it.";
        if (!readOnly) {
            query = QSqlQuery();
            db = QSqlDatabase();
            archive.reset();
            archive.reset(new Archive(connection, path, true));
            if (!connect(true)) {
                message = where + " cannot be opened: " +
                          Reason(QSqlDatabase::database(connection, false).lastError());
                return nullptr;
            }
        }
        return archive;
    }
    if (readOnly) {
        message = where + " is read-only: records are shown but nothing new is stored.";
        if (*found < kSchemaVersion) {
            message = where + " is read-only and older than this program: it cannot be used.";
            return nullptr;
        }
        return archive;
    }
    query.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
        message = where + " cannot be opened: " + Reason(query.lastError());
        return nullptr;
    }
    if (*found < kSchemaVersion) {
        Transaction transaction(connection);
        if (!transaction.begin(error)) {
            message = where + " cannot be brought up to date: " + error;
            return nullptr;
        }
        found = version();  // another program may have done it meanwhile
        for (int step = found.value_or(0) + 1; found && step <= kSchemaVersion; ++step) {
            for (const std::string& statement : kMigrations[static_cast<std::size_t>(step - 1)]) {
                if (!query.exec(Sql(statement))) {
                    message = where + " cannot be brought up to date (step " +
                              std::to_string(step) + "): " + Reason(query.lastError());
                    return nullptr;
                }
            }
            if (!Run(query,
                     QStringLiteral(
                         "INSERT INTO schema_version (version, migrated_at_ms) VALUES (?, ?)"),
                     {step, QVariant::fromValue<qint64>(NowMs())}, error)) {
                message = where + " cannot be brought up to date: " + error;
                return nullptr;
            }
        }
        if (!transaction.commit(error)) {
            message = where + " cannot be brought up to date: " + error;
            return nullptr;
        }
    }
    return archive;
}

Archive::Stored Archive::store(Record record, const std::string& jobId) {
    Stored stored;
    const std::string notStored = "The archive did not store the " + Describe(record) + ": ";
    if (readOnly_) {
        stored.error = notStored + "it is open read-only.";
        return stored;
    }
    const std::size_t count = record.valueBits.size();
    if (record.texts.size() != count ||
        (record.source == Source::Capture && record.timesMs.size() != count)) {
        stored.error = notStored + "each reading needs a value, a text and, captured, a time.";
        return stored;
    }
    for (const std::string& text : record.texts) {
        if (text.find('\n') != std::string::npos) {
            stored.error = notStored + "a reading's text holds a line break.";
            return stored;
        }
    }
    if (record.source != Source::Capture) record.timesMs.clear();
    record.sha256 = ReadingsSha256(record);
    record.storedMs = NowMs();
    if (record.takenMs == 0) record.takenMs = record.storedMs;
    record.station = station_;
    if (record.programVersion.empty()) record.programVersion = ZEPRA_VERSION;
    const bool fromGauge = record.source == Source::Group || record.source == Source::CurrentGroup;
    // The same readings with the same limits and unit from the same gauge are one record; a
    // group window's download and All_Grps's of the same group are the same download.
    const std::string repeatKey =
        std::string(fromGauge ? "gauge" : SourceWord(record.source)) + "|" + record.sha256 + "|" +
        std::to_string(record.highLimitBits.value_or(0)) + "|" +
        std::to_string(record.lowLimitBits.value_or(0)) + "|" + std::to_string(record.unitIsMils) +
        "|" + record.gauge.usbSerial + "|" +
        (record.gauge.usbSerial.empty() ? record.gauge.usbPath + "|" + record.gauge.port : "");

    double sum = 0;
    for (std::uint32_t bits : record.valueBits) sum += WidenedValue(bits);
    const QVariant mean = count && std::isfinite(sum) ? QVariant(sum / static_cast<double>(count))
                                                      : QVariant(QMetaType::fromType<double>());
    auto limit = [](const std::optional<std::uint32_t>& bits) {
        return bits ? QVariant::fromValue<qint64>(*bits) : QVariant(QMetaType::fromType<qint64>());
    };
    const QString id = NewId();
    const std::string by = station_.user + "@" + station_.host;

    Transaction transaction(connection_);
    std::string error;
    QSqlQuery query(transaction.db());
    auto fail = [&] {
        stored.error = notStored + error;
        return stored;
    };
    if (!transaction.begin(error)) return fail();
    if (!Run(query,
             QStringLiteral(
                 "INSERT INTO records (id, repeat_key, source, group_number, source_file,"
                 " taken_at_ms, stored_at_ms, unit, high_limit_bits, low_limit_bits,"
                 " reading_count, value_bits, reading_times, reading_texts, readings_sha256,"
                 " mean_um, gauge_usb_serial, gauge_usb_path, gauge_port, station_host,"
                 " station_user, program_version)"
                 " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                 " ON CONFLICT (repeat_key) DO NOTHING"),
             {id,
              Q(repeatKey),
              SourceWord(record.source),
              record.source == Source::Group ? QVariant(record.group)
                                             : QVariant(QMetaType::fromType<int>()),
              record.source == Source::Import ? QVariant(Q(record.sourceFile))
                                              : QVariant(QMetaType::fromType<QString>()),
              QVariant::fromValue<qint64>(record.takenMs),
              QVariant::fromValue<qint64>(record.storedMs),
              record.unitIsMils == 1 ? "mils" : "um",
              limit(record.highLimitBits),
              limit(record.lowLimitBits),
              static_cast<int>(count),
              PackValues(record.valueBits),
              record.timesMs.empty() ? QVariant(QMetaType::fromType<QByteArray>())
                                     : QVariant(PackTimes(record.timesMs)),
              Q(JoinTexts(record.texts)),
              Q(record.sha256),
              mean,
              Q(record.gauge.usbSerial),
              Q(record.gauge.usbPath),
              Q(record.gauge.port),
              Q(station_.host),
              Q(station_.user),
              Q(record.programVersion)},
             error))
        return fail();
    stored.id = id.toStdString();
    if (query.numRowsAffected() == 0) {
        if (!Run(query, QStringLiteral("SELECT id FROM records WHERE repeat_key = ?"),
                 {Q(repeatKey)}, error))
            return fail();
        if (!query.next()) {
            error = "the earlier record vanished.";
            return fail();
        }
        stored.id = S(query.value(0));
        stored.seenAgain = true;
        if (!Run(query,
                 QStringLiteral("INSERT INTO record_sightings (id, record_id, at_ms, by_whom,"
                                " program_version) VALUES (?, ?, ?, ?, ?)"),
                 {NewId(), Q(stored.id), QVariant::fromValue<qint64>(record.storedMs), Q(by),
                  Q(record.programVersion)},
                 error))
            return fail();
    }
    if (!jobId.empty() &&
        !Run(query,
             QStringLiteral("INSERT INTO job_assignments (id, record_id, job_id, at_ms, by_whom)"
                            " VALUES (?, ?, ?, ?, ?)"),
             {NewId(), Q(stored.id), Q(jobId), QVariant::fromValue<qint64>(record.storedMs), Q(by)},
             error))
        return fail();
    if (!transaction.commit(error)) return fail();
    return stored;
}

std::vector<RecordSummary> Archive::list(const Filter& filter, std::string& error,
                                         const Page& page) {
    QString where = QStringLiteral(" WHERE 1 = 1");
    std::vector<QVariant> values;
    if (filter.sinceMs) {
        where += QStringLiteral(" AND x.taken_at_ms >= ?");
        values.push_back(QVariant::fromValue<qint64>(*filter.sinceMs));
    }
    if (filter.untilMs) {
        where += QStringLiteral(" AND x.taken_at_ms < ?");
        values.push_back(QVariant::fromValue<qint64>(*filter.untilMs));
    }
    if (filter.passed) {
        where += QStringLiteral(" AND x.verdict = ?");
        values.push_back(*filter.passed ? QStringLiteral("pass") : QStringLiteral("fail"));
    }
    auto containedIn = [&](const std::string& text, std::initializer_list<const char*> columns) {
        if (text.empty()) return;
        QStringList tests;
        for (const char* column : columns) {
            tests << QStringLiteral("LOWER(%1) LIKE ? ESCAPE '\\'").arg(QLatin1String(column));
            values.push_back(Contains(text));
        }
        where += QStringLiteral(" AND (") + tests.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    };
    containedIn(filter.job, {"j.name", "j.project"});
    containedIn(filter.gauge, {"x.gauge_usb_serial", "x.gauge_port", "x.gauge_name"});
    containedIn(filter.inspector, {"x.station_user"});
    containedIn(filter.text, {"j.name", "j.project", "j.structure", "x.gauge_usb_serial",
                              "x.gauge_port", "x.gauge_name", "x.station_user", "x.station_host"});
    const QString sql = QStringLiteral("SELECT x.*, j.name, j.structure FROM (") +
                        QLatin1String(kSummarySelect) +
                        QStringLiteral(") x LEFT JOIN jobs j ON j.id = x.job_id") + where +
                        QStringLiteral(" ORDER BY x.taken_at_ms DESC, x.id LIMIT ? OFFSET ?");
    values.push_back(page.limit);
    values.push_back(std::max(page.offset, 0));
    QSqlQuery query(QSqlDatabase::database(connection_));
    query.setForwardOnly(true);
    std::vector<RecordSummary> found;
    if (!Run(query, sql, values, error)) return found;
    while (query.next()) found.push_back(SummaryOf(query));
    return found;
}

std::optional<RecordDetails> Archive::details(const std::string& idOrPrefix, std::string& error) {
    QSqlQuery query(QSqlDatabase::database(connection_));
    if (idOrPrefix.empty() || idOrPrefix.find_first_of("%_\\") != std::string::npos) {
        error = "no record '" + ShownValue(idOrPrefix) + "'";
        return std::nullopt;
    }
    if (!Run(query, QStringLiteral("SELECT id FROM records WHERE id LIKE ? LIMIT 2"),
             {Q(idOrPrefix) + QLatin1Char('%')}, error))
        return std::nullopt;
    std::vector<QString> ids;
    while (query.next()) ids.push_back(query.value(0).toString());
    if (ids.size() != 1) {
        error = ids.empty() ? "no record '" + ShownValue(idOrPrefix) + "'"
                            : "'" + ShownValue(idOrPrefix) + "' names more than one record";
        return std::nullopt;
    }
    const QString id = ids[0];
    RecordDetails details;
    if (!Run(query,
             QStringLiteral("SELECT x.*, j.name, j.structure FROM (") +
                 QLatin1String(kSummarySelect) +
                 QStringLiteral(" WHERE r.id = ?) x LEFT JOIN jobs j ON j.id = x.job_id"),
             {id}, error) ||
        !query.next())
        return std::nullopt;
    details.summary = SummaryOf(query);

    if (!Run(query,
             QStringLiteral(
                 "SELECT source, group_number, source_file, taken_at_ms, stored_at_ms, unit,"
                 " high_limit_bits, low_limit_bits, value_bits, reading_times, reading_texts,"
                 " readings_sha256, gauge_usb_serial, gauge_usb_path, gauge_port, station_host,"
                 " station_user, program_version, reading_count FROM records WHERE id = ?"),
             {id}, error) ||
        !query.next())
        return std::nullopt;
    Record& r = details.record;
    r.id = id.toStdString();
    r.source = SourceFromWord(S(query.value(0))).value_or(Source::Group);
    r.group = query.value(1).toInt();
    r.sourceFile = S(query.value(2));
    r.takenMs = query.value(3).toLongLong();
    r.storedMs = query.value(4).toLongLong();
    r.unitIsMils = S(query.value(5)) == "mils" ? 1 : 0;
    if (!query.value(6).isNull()) r.highLimitBits = query.value(6).toLongLong();
    if (!query.value(7).isNull()) r.lowLimitBits = query.value(7).toLongLong();
    const QByteArray values = query.value(8).toByteArray();
    const QByteArray times = query.value(9).toByteArray();
    const auto count = static_cast<std::size_t>(query.value(18).toInt());
    if (static_cast<std::size_t>(values.size()) != count * 4 ||
        (!times.isEmpty() && static_cast<std::size_t>(times.size()) != count * 8)) {
        error = "the readings of record " + r.id + " are damaged";
        return std::nullopt;
    }
    for (std::size_t k = 0; k < count; ++k) {
        r.valueBits.push_back(qFromLittleEndian<std::uint32_t>(values.constData() + k * 4));
        if (!times.isEmpty())
            r.timesMs.push_back(qFromLittleEndian<std::int64_t>(times.constData() + k * 8));
    }
    const std::string texts = S(query.value(10));
    for (std::size_t start = 0; count && start <= texts.size();) {
        const std::size_t end = std::min(texts.find('\n', start), texts.size());
        r.texts.push_back(texts.substr(start, end - start));
        start = end + 1;
    }
    r.texts.resize(count);
    r.sha256 = S(query.value(11));
    r.gauge = {S(query.value(12)), S(query.value(13)), S(query.value(14))};
    r.station = {S(query.value(15)), S(query.value(16))};
    r.programVersion = S(query.value(17));

    if (!r.gauge.usbSerial.empty()) {
        for (Gauge& gauge : gauges(error)) {
            if (gauge.usbSerial == r.gauge.usbSerial) details.gauge = gauge;
        }
    }

    // Everything added beside the record, oldest first.
    const QString history = QStringLiteral(
        "SELECT 'seen again', at_ms, by_whom, 'program ' || program_version"
        " FROM record_sightings WHERE record_id = ?1"
        " UNION ALL SELECT 'job', a.at_ms, a.by_whom, j.name FROM job_assignments a"
        " JOIN jobs j ON j.id = a.job_id WHERE a.record_id = ?1"
        " UNION ALL SELECT 'exclusion', at_ms, by_whom,"
        " 'reading ' || CAST(reading_number AS TEXT) || ': ' || reason"
        " FROM exclusions WHERE record_id = ?1"
        " UNION ALL SELECT 'note', at_ms, by_whom, note FROM notes WHERE record_id = ?1"
        " UNION ALL SELECT 'check', at_ms, by_whom, standard || ' ' || verdict || ' (' ||"
        " parameters || ')' FROM checks WHERE record_id = ?1"
        " UNION ALL SELECT 'report', at_ms, by_whom, format || ' ' || file || ' sha256 ' ||"
        " file_sha256 FROM reports WHERE record_id = ?1"
        " ORDER BY 2");
    QString sql = history;
    sql.replace(QLatin1String("?1"), QLatin1String("?"));
    if (!Run(query, sql, std::vector<QVariant>(6, id), error)) return std::nullopt;
    while (query.next()) {
        details.history.push_back(
            {S(query.value(0)), query.value(1).toLongLong(), S(query.value(2)), S(query.value(3))});
    }
    return details;
}

std::string Archive::addRow(const std::string& what, const QString& sql,
                            const std::vector<QVariant>& values) {
    const std::string notStored = "The archive did not store the " + what + ": ";
    if (readOnly_) return notStored + "it is open read-only.";
    Transaction transaction(connection_);
    std::string error;
    QSqlQuery query(transaction.db());
    if (!transaction.begin(error) || !Run(query, sql, values, error) || !transaction.commit(error))
        return notStored + error;
    return {};
}

std::string Archive::addJob(Job& job) {
    if (job.name.empty()) return "The archive did not store the job: it needs a name.";
    const QString id = NewId();
    std::string error = addRow(
        "job " + job.name,
        QStringLiteral("INSERT INTO jobs (id, name, project, structure, coating, client, notes,"
                       " at_ms, by_whom) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {id, Q(job.name), Q(job.project), Q(job.structure), Q(job.coating), Q(job.client),
         Q(job.notes), QVariant::fromValue<qint64>(NowMs()),
         Q(station_.user + "@" + station_.host)});
    if (error.empty()) job.id = id.toStdString();
    return error;
}

std::vector<Job> Archive::jobs(std::string& error) {
    QSqlQuery query(QSqlDatabase::database(connection_));
    std::vector<Job> found;
    if (!Run(query,
             QStringLiteral("SELECT id, name, project, structure, coating, client, notes FROM jobs"
                            " ORDER BY name"),
             {}, error))
        return found;
    while (query.next()) {
        found.push_back({S(query.value(0)), S(query.value(1)), S(query.value(2)), S(query.value(3)),
                         S(query.value(4)), S(query.value(5)), S(query.value(6))});
    }
    return found;
}

std::optional<Job> Archive::jobNamed(const std::string& name, std::string& error) {
    for (Job& job : jobs(error)) {
        if (job.name == name) return job;
    }
    return std::nullopt;
}

std::string Archive::assignToJob(const std::string& recordId, const std::string& jobId) {
    return addRow("assignment to the job",
                  QStringLiteral("INSERT INTO job_assignments (id, record_id, job_id, at_ms,"
                                 " by_whom) VALUES (?, ?, ?, ?, ?)"),
                  {NewId(), Q(recordId), Q(jobId), QVariant::fromValue<qint64>(NowMs()),
                   Q(station_.user + "@" + station_.host)});
}

std::string Archive::addGauge(Gauge& gauge) {
    if (gauge.serial.empty() && gauge.usbSerial.empty())
        return "The archive did not store the gauge: it needs a serial or a USB serial.";
    const QString id = NewId();
    std::string error =
        addRow("gauge " + gauge.makeModel + " " + gauge.serial,
               QStringLiteral("INSERT INTO gauges (id, make_model, serial, usb_serial, probe,"
                              " at_ms, by_whom) VALUES (?, ?, ?, ?, ?, ?, ?)"),
               {id, Q(gauge.makeModel), Q(gauge.serial), Q(gauge.usbSerial), Q(gauge.probe),
                QVariant::fromValue<qint64>(NowMs()), Q(station_.user + "@" + station_.host)});
    if (!error.empty()) return error;
    gauge.id = id.toStdString();
    if (gauge.calibration) return addCalibration(gauge.id, *gauge.calibration);
    return {};
}

std::vector<Gauge> Archive::gauges(std::string& error) {
    QSqlQuery query(QSqlDatabase::database(connection_));
    std::vector<Gauge> found;
    if (!Run(
            query,
            QStringLiteral("SELECT g.id, g.make_model, g.serial, g.usb_serial, g.probe,"
                           " (SELECT k.certificate || '\n' || k.calibrated_on || '\n' || k.next_due"
                           "  FROM gauge_calibrations k WHERE k.gauge_id = g.id"
                           "  ORDER BY k.at_ms DESC, k.id DESC LIMIT 1)"
                           " FROM gauges g ORDER BY g.make_model, g.serial"),
            {}, error))
        return found;
    while (query.next()) {
        Gauge gauge{S(query.value(0)), S(query.value(1)), S(query.value(2)),
                    S(query.value(3)), S(query.value(4)), std::nullopt};
        if (!query.value(5).isNull()) {
            const QStringList parts = query.value(5).toString().split(QLatin1Char('\n'));
            if (parts.size() == 3) {
                gauge.calibration = Calibration{parts[0].toStdString(), parts[1].toStdString(),
                                                parts[2].toStdString()};
            }
        }
        found.push_back(gauge);
    }
    return found;
}

std::string Archive::addCalibration(const std::string& gaugeRef, const Calibration& calibration) {
    const std::string what = "calibration of gauge " + gaugeRef;
    const std::optional<std::int64_t> calibrated = DayStartMs(calibration.calibratedOn);
    const std::optional<std::int64_t> due = DayStartMs(calibration.nextDue);
    if (!calibrated || !due)
        return "The archive did not store the " + what + ": dates are YYYY-MM-DD.";
    if (calibration.certificate.find('\n') != std::string::npos)
        return "The archive did not store the " + what + ": the certificate is one line.";
    std::string error;
    std::optional<std::string> gaugeId;
    for (const Gauge& gauge : gauges(error)) {
        if (gauge.id == gaugeRef || gauge.serial == gaugeRef || gauge.usbSerial == gaugeRef) {
            if (gaugeId) return "The archive did not store the " + what + ": it names two gauges.";
            gaugeId = gauge.id;
        }
    }
    if (!error.empty()) return "The archive did not store the " + what + ": " + error;
    if (!gaugeId) return "The archive did not store the " + what + ": no such gauge.";
    return addRow(what,
                  QStringLiteral("INSERT INTO gauge_calibrations (id, gauge_id, certificate,"
                                 " calibrated_on, next_due, calibrated_ms, due_end_ms, at_ms,"
                                 " by_whom) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                  {NewId(), Q(*gaugeId), Q(calibration.certificate), Q(calibration.calibratedOn),
                   Q(calibration.nextDue), QVariant::fromValue<qint64>(*calibrated),
                   QVariant::fromValue<qint64>(*due + kDayMs), QVariant::fromValue<qint64>(NowMs()),
                   Q(station_.user + "@" + station_.host)});
}

std::string Archive::addExclusion(const std::string& recordId, int readingNumber,
                                  const std::string& reason) {
    return addRow("exclusion of reading " + std::to_string(readingNumber),
                  QStringLiteral("INSERT INTO exclusions (id, record_id, reading_number, reason,"
                                 " at_ms, by_whom) VALUES (?, ?, ?, ?, ?, ?)"),
                  {NewId(), Q(recordId), readingNumber, Q(reason),
                   QVariant::fromValue<qint64>(NowMs()), Q(station_.user + "@" + station_.host)});
}

std::string Archive::addNote(const std::string& recordId, const std::string& text) {
    return addRow("note",
                  QStringLiteral("INSERT INTO notes (id, record_id, note, at_ms, by_whom)"
                                 " VALUES (?, ?, ?, ?, ?)"),
                  {NewId(), Q(recordId), Q(text), QVariant::fromValue<qint64>(NowMs()),
                   Q(station_.user + "@" + station_.host)});
}

std::string Archive::addCheck(const std::string& recordId, const std::string& standard,
                              const std::string& parameters, const std::string& verdict) {
    return addRow("check against " + standard,
                  QStringLiteral("INSERT INTO checks (id, record_id, standard, parameters,"
                                 " verdict, at_ms, by_whom) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                  {NewId(), Q(recordId), Q(standard), Q(parameters), Q(verdict),
                   QVariant::fromValue<qint64>(NowMs()), Q(station_.user + "@" + station_.host)});
}

std::string Archive::addReport(const std::string& recordId, const std::string& file,
                               const std::string& format, const std::string& fileSha256) {
    return addRow("report " + file,
                  QStringLiteral("INSERT INTO reports (id, record_id, file, format, file_sha256,"
                                 " at_ms, by_whom) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                  {NewId(), Q(recordId), Q(file), Q(format), Q(fileSha256),
                   QVariant::fromValue<qint64>(NowMs()), Q(station_.user + "@" + station_.host)});
}

}  // namespace zepra::archive
