#pragma once
// The inspection archive in an SQLite file: records (what the gauge gave, never changed), and
// beside them, each row with who and when, jobs and assignments to them, gauges and their
// calibrations, exclusions, notes, checks and the reports written.
//
// The schema uses only what PostgreSQL has as well (text, 64-bit integers, double precision,
// bytes), UUID text keys made here and UTC times as integer milliseconds, so that the team's
// server can hold the same rows. Changes of the schema are numbered migrations in archive.cpp.
// One Archive is one connection, used on the thread that opened it; several processes may share
// the file (SQLite's locking, WAL, a busy timeout).

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/record.h"

namespace zepra::archive {

// The file used: ZEPRA_ARCHIVE when set, otherwise archive.sqlite in the user's data folder
// (~/.local/share/ZEPRA on Linux, %LOCALAPPDATA%/ZEPRA on Windows), shared by all programs.
QString DefaultArchivePath();

struct Job {
    std::string id;
    std::string name;  // how inspectors call it; unique
    std::string project;
    std::string structure;
    std::string coating;
    std::string client;
    std::string notes;
};

struct Calibration {
    std::string certificate;
    std::string calibratedOn;  // ISO date, YYYY-MM-DD
    std::string nextDue;       // ISO date: a record taken after this day is marked overdue
};

struct Gauge {
    std::string id;
    std::string makeModel;  // as typed
    std::string serial;     // the instrument's serial number
    std::string usbSerial;  // its USB cable's serial number, as records name it
    std::string probe;
    std::optional<Calibration> calibration;  // the latest entered
};

// What `list` finds: all given parts must match.
struct Filter {
    std::string job;    // part of the job's name or project
    std::string gauge;  // part of the USB serial or port, or of a registered gauge's serial/model
    std::optional<std::int64_t> sinceMs;  // taken at or after
    std::optional<std::int64_t> untilMs;  // taken before
    std::optional<bool> passed;           // the latest check's verdict
    std::string inspector;                // part of the user who stored it
    std::string text;                     // part of the job, gauge, port, notes, station
};

// A part of the list: `limit` rows (all when negative) after the first `offset`.
struct Page {
    int offset = 0;
    int limit = -1;
};

struct RecordSummary {
    std::string id;
    Source source = Source::Group;
    int group = 0;
    std::int64_t takenMs = 0;
    int readingCount = 0;
    std::optional<double> meanMicrometres;
    std::int32_t unitIsMils = 0;
    std::string job;
    std::string structure;
    std::string gauge;    // the registered gauge's make and serial, else the USB serial or port
    std::string station;  // user@host
    std::string verdict;  // "pass", "fail" or empty
    bool gaugeOverdue = false;
    std::string sha256;
};

// Things added beside a record, in the order they were added.
struct Addition {
    std::string kind;  // "seen again", "job", "exclusion", "note", "check", "report"
    std::int64_t atMs = 0;
    std::string by;    // user@host
    std::string text;  // what was added, in words
};

struct RecordDetails {
    Record record;
    RecordSummary summary;
    std::optional<Gauge> gauge;
    std::vector<Addition> history;
};

class Archive {
  public:
    struct Options {
        int busyTimeoutMs = 5000;  // how long a write waits for another writer
    };
    // Opens the file, creating it (and its folder) and bringing its schema up to date. nullptr
    // when it cannot be opened; `message` says why. A file from a newer program is opened
    // read-only, with `message` saying so.
    static std::unique_ptr<Archive> open(const QString& path, std::string& message);
    static std::unique_ptr<Archive> open(const QString& path, std::string& message,
                                         const Options& options);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    static constexpr int kSchemaVersion = 3;
    bool readOnly() const { return readOnly_; }
    QString path() const { return path_; }

    struct Stored {
        std::string id;          // empty when nothing was stored; then `error` says what not
        bool seenAgain = false;  // the same readings from the same gauge were stored before
        std::string error;
    };
    // Stores the record in one transaction, or nothing. An unchanged repeat (same readings,
    // limits, unit and gauge) is the record stored before, with a "seen again" row. jobId: assign
    // it to that job as well.
    Stored store(Record record, const std::string& jobId = {});

    // Newest first.
    std::vector<RecordSummary> list(const Filter& filter, std::string& error,
                                    const Page& page = {});
    // A record by its id or a prefix of it that names one record.
    std::optional<RecordDetails> details(const std::string& idOrPrefix, std::string& error);

    // Additions: each returns an empty text when stored, else what was not stored and why.
    std::string addJob(Job& job);  // sets job.id
    std::vector<Job> jobs(std::string& error);
    std::optional<Job> jobNamed(const std::string& name, std::string& error);
    std::string assignToJob(const std::string& recordId, const std::string& jobId);
    std::string addGauge(Gauge& gauge);  // sets gauge.id; with its calibration, if any
    std::vector<Gauge> gauges(std::string& error);
    // gaugeRef: the id, serial or USB serial of a registered gauge.
    std::string addCalibration(const std::string& gaugeRef, const Calibration& calibration);
    std::string addExclusion(const std::string& recordId, int readingNumber,
                             const std::string& reason);
    std::string addNote(const std::string& recordId, const std::string& text);
    // standard: its name; parameters: a text of the settings; verdict "pass" or "fail".
    std::string addCheck(const std::string& recordId, const std::string& standard,
                         const std::string& parameters, const std::string& verdict);
    std::string addReport(const std::string& recordId, const std::string& file,
                          const std::string& format, const std::string& fileSha256);

  private:
    Archive(QString connection, QString path, bool readOnly);
    class Transaction;
    std::string addRow(const std::string& what, const QString& sql,
                       const std::vector<QVariant>& values);

    QString connection_;
    QString path_;
    bool readOnly_ = false;
    Station station_;
};

// What names an archived record in a report: its id and source, the gauge, the gauge's
// calibration (and whether it was overdue when taken) and the readings' SHA-256, one per line.
std::vector<std::string> RecordReportLines(const RecordDetails& details);

}  // namespace zepra::archive
