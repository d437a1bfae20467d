// The archive on real SQLite files in a temporary folder.

#include "archive/archive.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
#include <thread>

namespace zepra::archive {
namespace {

// A second connection to the file, as another program would hold it.
class RawConnection {
  public:
    explicit RawConnection(const QString& path) : name_(QUuid::createUuid().toString()) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
    }
    ~RawConnection() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    bool exec(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(name_));
        const bool ok = query.exec(sql);
        EXPECT_TRUE(ok) << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return ok;
    }
    QVariant value(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(name_));
        EXPECT_TRUE(query.exec(sql) && query.next()) << sql.toStdString();
        return query.value(0);
    }

  private:
    QString name_;
};

// A filter with one part given.
template <typename T, typename V>
Filter With(T Filter::*part, V value) {
    Filter filter;
    filter.*part = value;
    return filter;
}

class ArchiveTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString file() const { return dir_.filePath("archive.sqlite"); }

    std::unique_ptr<Archive> open(Archive::Options options = {}) {
        std::string message;
        std::unique_ptr<Archive> archive = Archive::open(file(), message, options);
        EXPECT_TRUE(archive) << message;
        EXPECT_EQ(message, "");
        return archive;
    }

    static Record Group1(std::string usbSerial = "0001") {
        Record record;
        record.source = Source::Group;
        record.group = 1;
        record.valueBits = {std::bit_cast<std::uint32_t>(10.0f),
                            std::bit_cast<std::uint32_t>(20.5f)};
        record.texts = {"10", "20.5"};
        record.highLimitBits = std::bit_cast<std::uint32_t>(150.0f);
        record.lowLimitBits = std::bit_cast<std::uint32_t>(50.0f);
        record.gauge = {std::move(usbSerial), "1-1.2:1.0", "/dev/ttyUSB0"};
        return record;
    }

    QTemporaryDir dir_;
};

// Whatever bits the gauge sent come back: NaNs with payloads (quiet and signalling), both
// zeros, denormals, infinities; with their texts, times and limits, after the file is closed.
TEST_F(ArchiveTest, ReadingsComeBackBitForBitAfterReopening) {
    Record capture;
    capture.source = Source::Capture;
    capture.valueBits = {
        0x7fc12345u, 0x7f800001u, 0xffbadbadu, 0x80000000u, 0x00000000u,
        0x00000001u, 0x807fffffu, 0x7f800000u, 0xff800000u, std::bit_cast<std::uint32_t>(1234.5f)};
    for (std::size_t k = 0; k < capture.valueBits.size(); ++k) {
        capture.texts.push_back(k == 3 ? "" : "t" + std::to_string(k) + ",\"é\"");
        capture.timesMs.push_back(1'700'000'000'000 + static_cast<std::int64_t>(k) * 333 -
                                  (k == 9 ? 4'000'000'000'000 : 0));  // one before 1970
    }
    capture.takenMs = capture.timesMs[0];
    capture.highLimitBits = 0x7fc00001u;  // a NaN limit too
    capture.unitIsMils = 1;
    capture.gauge = {"SER\"1'", "path", "COM3"};
    std::string id;
    {
        const std::unique_ptr<Archive> archive = open();
        const Archive::Stored stored = archive->store(capture);
        ASSERT_EQ(stored.error, "");
        id = stored.id;
        EXPECT_EQ(id.size(), 36u);  // a UUID
    }
    const std::unique_ptr<Archive> archive = open();
    std::string error;
    const std::optional<RecordDetails> details = archive->details(id.substr(0, 8), error);
    ASSERT_TRUE(details) << error;
    const Record& back = details->record;
    EXPECT_EQ(back.id, id);
    EXPECT_EQ(back.valueBits, capture.valueBits);
    EXPECT_EQ(back.texts, capture.texts);
    EXPECT_EQ(back.timesMs, capture.timesMs);
    EXPECT_EQ(back.highLimitBits, capture.highLimitBits);
    EXPECT_EQ(back.lowLimitBits, std::nullopt);
    EXPECT_EQ(back.unitIsMils, 1);
    EXPECT_EQ(back.source, Source::Capture);
    EXPECT_EQ(back.gauge.usbSerial, "SER\"1'");
    EXPECT_EQ(back.gauge.port, "COM3");
    EXPECT_EQ(back.sha256, ReadingsSha256(capture));
    EXPECT_EQ(back.takenMs, capture.takenMs);
    EXPECT_EQ(details->summary.readingCount, 10);
}

// The digest covers every bit of a value, every byte of a text and, for captures, the times.
TEST(ReadingsSha256Test, ChangesWithAnyBitOfTheReadings) {
    Record a;
    a.source = Source::Capture;
    a.valueBits = {1, 2};
    a.texts = {"a", "b"};
    a.timesMs = {5, 6};
    const std::string digest = ReadingsSha256(a);
    EXPECT_EQ(digest.size(), 64u);
    Record b = a;
    b.valueBits[1] ^= 0x80000000u;
    EXPECT_NE(ReadingsSha256(b), digest);
    b = a;
    b.texts = {"ab", ""};  // the same bytes joined, told apart by the lengths
    EXPECT_NE(ReadingsSha256(b), digest);
    b = a;
    b.timesMs[1] = 7;
    EXPECT_NE(ReadingsSha256(b), digest);
    // The input as documented: value LE, text length LE, text (no times for a download).
    Record empty;
    EXPECT_EQ(ReadingsSha256(empty),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

// An unchanged group downloaded again from the same gauge is the same record, seen again; from
// another gauge, or with one value changed, it is a record of its own.
TEST_F(ArchiveTest, UnchangedRepeatIsSeenAgainNotCopied) {
    const std::unique_ptr<Archive> archive = open();
    const Archive::Stored first = archive->store(Group1());
    ASSERT_EQ(first.error, "");
    EXPECT_FALSE(first.seenAgain);
    Record allGroups = Group1();  // All_Grps brings the same group
    allGroups.source = Source::Group;
    const Archive::Stored again = archive->store(allGroups);
    EXPECT_EQ(again.id, first.id);
    EXPECT_TRUE(again.seenAgain);

    EXPECT_NE(archive->store(Group1("0002")).id, first.id);
    Record changed = Group1();
    changed.valueBits[0] ^= 1;
    EXPECT_NE(archive->store(changed).id, first.id);

    std::string error;
    EXPECT_EQ(archive->list({}, error).size(), 3u);
    const auto details = archive->details(first.id, error);
    ASSERT_TRUE(details);
    ASSERT_EQ(details->history.size(), 1u);
    EXPECT_EQ(details->history[0].kind, "seen again");
}

TEST_F(ArchiveTest, EmptyFileGetsTheSchema) {
    {
        QFile empty(file());
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    const std::unique_ptr<Archive> archive = open();
    ASSERT_TRUE(archive);
    EXPECT_FALSE(archive->readOnly());
    RawConnection raw(file());
    EXPECT_EQ(raw.value("SELECT MAX(version) FROM schema_version").toInt(),
              Archive::kSchemaVersion);
    EXPECT_EQ(raw.value("PRAGMA journal_mode").toString(), "wal");
    EXPECT_EQ(archive->store(Group1()).error, "");
}

// A file of version 1 is brought up to date and keeps what it had: one that never synced, and
// one whose sync tables an earlier program made beside the versioned schema.
class VersionOneFileTest : public ArchiveTest, public ::testing::WithParamInterface<bool> {};

TEST_P(VersionOneFileTest, IsMigratedAndKeepsItsRows) {
    const bool synced = GetParam();
    {
        const std::unique_ptr<Archive> archive = open();
        ASSERT_EQ(archive->store(Group1()).error, "");
    }
    {
        RawConnection raw(file());
        raw.exec("DELETE FROM schema_version WHERE version > 1");
        if (synced) {
            raw.exec("INSERT INTO team_sync_state VALUES (1, 'S', 'server', 5, 6, '')");
            raw.exec("INSERT INTO team_sync_marks VALUES ('S', 'records', 1)");
        } else {
            for (const char* table : {"team_sync_marks", "team_sync_state", "team_sync_mismatches"})
                raw.exec(QString("DROP TABLE %1").arg(table));
        }
    }
    const std::unique_ptr<Archive> archive = open();
    ASSERT_TRUE(archive);
    EXPECT_FALSE(archive->readOnly());
    RawConnection raw(file());
    EXPECT_EQ(raw.value("SELECT MAX(version) FROM schema_version").toInt(), 3);
    EXPECT_EQ(raw.value("SELECT count(*) FROM records").toInt(), 1);
    EXPECT_EQ(raw.value("SELECT count(*) FROM team_sync_mismatches").toInt(), 0);
    EXPECT_EQ(raw.value("SELECT count(*) FROM team_sync_marks").toInt(), synced ? 1 : 0);
    EXPECT_EQ(raw.value("SELECT count(*) FROM team_sync_state").toInt(), synced ? 1 : 0);
    EXPECT_EQ(archive->store(Group1("0002")).error, "");
}

INSTANTIATE_TEST_SUITE_P(SyncedBefore, VersionOneFileTest, ::testing::Bool());

// A file of the first schema is brought up to date in place: its records stay, and the list reads
// their summaries from the index made for it.
TEST_F(ArchiveTest, FirstSchemaIsMigratedKeepingItsRecords) {
    std::string id;
    {
        const std::unique_ptr<Archive> archive = open();
        id = archive->store(Group1()).id;
    }
    {
        RawConnection raw(file());  // back to the first schema's indexes and version
        raw.exec("DROP INDEX records_list");
        raw.exec("CREATE INDEX records_taken ON records (taken_at_ms)");
        raw.exec("DELETE FROM schema_version WHERE version > 1");
    }
    const std::unique_ptr<Archive> archive = open();
    ASSERT_TRUE(archive);
    std::string error;
    const std::vector<RecordSummary> listed = archive->list({}, error);
    ASSERT_EQ(listed.size(), 1u) << error;
    EXPECT_EQ(listed[0].id, id);
    RawConnection raw(file());
    EXPECT_EQ(raw.value("SELECT MAX(version) FROM schema_version").toInt(), 3);
    EXPECT_EQ(raw.value("SELECT count(*) FROM sqlite_master WHERE name = 'records_list'").toInt(),
              1);
}

// A file from a newer program is read but never written.
TEST_F(ArchiveTest, NewerSchemaOpensReadOnly) {
    std::string id;
    {
        const std::unique_ptr<Archive> archive = open();
        id = archive->store(Group1()).id;
    }
    {
        RawConnection raw(file());
        raw.exec(
            QString("INSERT INTO schema_version VALUES (%1, 0)").arg(Archive::kSchemaVersion + 1));
    }
    std::string message;
    const std::unique_ptr<Archive> archive = Archive::open(file(), message);
    ASSERT_TRUE(archive) << message;
    EXPECT_TRUE(archive->readOnly());
    EXPECT_NE(message.find("newer version"), std::string::npos) << message;
    EXPECT_NE(message.find("read-only"), std::string::npos) << message;
    std::string error;
    EXPECT_EQ(archive->list({}, error).size(), 1u) << error;
    const Archive::Stored stored = archive->store(Group1("other"));
    EXPECT_EQ(stored.id, "");
    EXPECT_EQ(stored.error,
              "The archive did not store the 2 readings of group 1: it is open read-only.");
    Job job;
    job.name = "Tank 3";
    EXPECT_NE(archive->addJob(job), "");
    RawConnection raw(file());
    EXPECT_EQ(raw.value("SELECT count(*) FROM records").toInt(), 1);
}

TEST_F(ArchiveTest, FileThatIsNoDatabaseIsRefusedWithAMessage) {
    {
        QFile junk(file());
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(8192, 'x'));
    }
    std::string message;
    EXPECT_FALSE(Archive::open(file(), message));
    EXPECT_NE(message.find("cannot be read"), std::string::npos) << message;
}

// Another program holding the write lock longer than the busy timeout: the store says what it
// did not store, stores nothing, and works once the lock is gone.
TEST_F(ArchiveTest, LockedDatabaseSaysWhatWasNotStored) {
    const std::unique_ptr<Archive> archive = open({.busyTimeoutMs = 200});
    RawConnection other(file());
    other.exec("BEGIN IMMEDIATE");
    const Archive::Stored stored = archive->store(Group1());
    EXPECT_EQ(stored.id, "");
    EXPECT_EQ(stored.error.rfind("The archive did not store the 2 readings of group 1: ", 0), 0u)
        << stored.error;
    EXPECT_NE(stored.error.find("locked"), std::string::npos) << stored.error;
    other.exec("ROLLBACK");
    EXPECT_EQ(archive->store(Group1()).error, "");
}

// Jobs, gauges, calibrations and checks beside the records, and the list's filters over them.
TEST_F(ArchiveTest, ListFiltersByJobGaugeDateAndVerdict) {
    const std::unique_ptr<Archive> archive = open();
    Job tank;
    tank.name = "Tank 3";
    tank.project = "Harbour";
    ASSERT_EQ(archive->addJob(tank), "");
    Job duplicate;
    duplicate.name = "Tank 3";
    EXPECT_NE(archive->addJob(duplicate), "");  // names are unique
    Gauge gauge;
    gauge.makeModel = "ZEPRA CT";
    gauge.serial = "G-17";
    gauge.usbSerial = "0001";
    gauge.calibration = Calibration{"CERT-1", "2025-01-10", "2026-01-10"};
    ASSERT_EQ(archive->addGauge(gauge), "");

    Record inTime = Group1();
    inTime.takenMs = QDateTime(QDate(2026, 1, 10), QTime(23, 59), Qt::UTC).toMSecsSinceEpoch();
    Record late = Group1();
    late.group = 2;
    late.takenMs = QDateTime(QDate(2026, 1, 11), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    late.valueBits[0] = 7;
    Record other = Group1("0002");
    other.takenMs = inTime.takenMs - 1000;
    const std::string a = archive->store(inTime, tank.id).id;
    const std::string b = archive->store(late).id;
    const std::string c = archive->store(other).id;
    ASSERT_FALSE(a.empty() || b.empty() || c.empty());
    EXPECT_EQ(archive->assignToJob(b, tank.id), "");
    EXPECT_EQ(archive->addCheck(a, "iso19840", "ndft 100", "pass"), "");
    EXPECT_EQ(archive->addCheck(b, "iso19840", "ndft 100", "fail"), "");
    EXPECT_EQ(archive->addNote(a, "north wall"), "");
    EXPECT_EQ(archive->addExclusion(a, 2, "probe slipped"), "");

    auto ids = [&](const Filter& filter) {
        std::string error;
        std::vector<std::string> found;
        for (const RecordSummary& s : archive->list(filter, error)) found.push_back(s.id);
        EXPECT_EQ(error, "");
        return found;
    };
    EXPECT_EQ(ids({}), (std::vector<std::string>{b, a, c}));  // newest first
    EXPECT_EQ(ids(With(&Filter::job, "tank")), (std::vector<std::string>{b, a}));
    EXPECT_EQ(ids(With(&Filter::job, "harb")), (std::vector<std::string>{b, a}));
    EXPECT_EQ(ids(With(&Filter::job, "%")),
              std::vector<std::string>{});  // the user's % is a character
    EXPECT_EQ(ids(With(&Filter::gauge, "G-17")), (std::vector<std::string>{b, a}));
    EXPECT_EQ(ids(With(&Filter::gauge, "0002")), std::vector<std::string>{c});
    EXPECT_EQ(ids(With(&Filter::sinceMs, inTime.takenMs)), (std::vector<std::string>{b, a}));
    EXPECT_EQ(ids(With(&Filter::untilMs, inTime.takenMs)), std::vector<std::string>{c});
    EXPECT_EQ(ids(With(&Filter::passed, true)), std::vector<std::string>{a});
    EXPECT_EQ(ids(With(&Filter::passed, false)), std::vector<std::string>{b});
    EXPECT_EQ(ids(With(&Filter::job, "Tank 3'; DROP TABLE records; --")),
              std::vector<std::string>{});

    std::string error;
    const std::vector<RecordSummary> all = archive->list({}, error);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(all[0].gaugeOverdue);   // taken the day after the due day
    EXPECT_FALSE(all[1].gaugeOverdue);  // on the due day
    EXPECT_FALSE(all[2].gaugeOverdue);  // no calibration known
    EXPECT_EQ(all[1].gauge, "ZEPRA CT G-17");
    EXPECT_EQ(all[1].job, "Tank 3");
    EXPECT_EQ(all[1].verdict, "pass");

    const auto details = archive->details(a, error);
    ASSERT_TRUE(details) << error;
    ASSERT_TRUE(details->gauge && details->gauge->calibration);
    EXPECT_EQ(details->gauge->calibration->certificate, "CERT-1");
    std::vector<std::string> kinds;
    for (const Addition& addition : details->history) kinds.push_back(addition.kind);
    EXPECT_EQ(kinds.size(), 4u);  // job, check, note, exclusion
    EXPECT_EQ(archive->addCalibration("G-17", {"CERT-2", "2026-01-05", "not a date"}),
              "The archive did not store the calibration of gauge G-17: dates are YYYY-MM-DD.");
    EXPECT_EQ(archive->addCalibration("G-17", {"CERT-2", "2026-01-05", "2027-01-05"}), "");
    EXPECT_EQ(archive->list({}, error)[0].gaugeOverdue, false);  // calibrated again before
}

// Records are never changed: the store refuses a reading whose text would not come back alone.
TEST_F(ArchiveTest, RefusesReadingsThatWouldNotComeBackWhole) {
    const std::unique_ptr<Archive> archive = open();
    Record record = Group1();
    record.texts[1] = "20\n5";
    EXPECT_EQ(archive->store(record).error,
              "The archive did not store the 2 readings of group 1: a reading's text holds a "
              "line break.");
    record = Group1();
    record.texts.pop_back();
    EXPECT_NE(archive->store(record).error, "");
    std::string error;
    EXPECT_TRUE(archive->list({}, error).empty());
}

// Two programs storing at once, each on its own connection: every record arrives, none twice.
TEST_F(ArchiveTest, TwoWritersAtOnceLoseNothing) {
    open();  // made and migrated once, as the first program to start would
    auto writer = [this](std::string usbSerial, int& stored) {
        std::string message;
        const std::unique_ptr<Archive> archive = Archive::open(file(), message);
        if (!archive) return;
        for (int k = 0; k < 40; ++k) {
            Record record = Group1(usbSerial);
            record.valueBits[0] = static_cast<std::uint32_t>(k);
            if (archive->store(record).error.empty()) ++stored;
        }
    };
    int first = 0;
    int second = 0;
    std::thread a(writer, "A", std::ref(first));
    std::thread b(writer, "B", std::ref(second));
    a.join();
    b.join();
    EXPECT_EQ(first, 40);
    EXPECT_EQ(second, 40);
    RawConnection raw(file());
    EXPECT_EQ(raw.value("SELECT count(*) FROM records").toInt(), 80);
}

}  // namespace
}  // namespace zepra::archive
