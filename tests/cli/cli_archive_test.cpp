// zepra-cli and the archive, as a user meets them: the built program against the gauge emulator
// on a pseudo-terminal, with the archive in a temporary folder (ZEPRA_ARCHIVE).

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <memory>
#include <string>

#include "gauge_emulator.h"

namespace {

using gauge_emulator::GaugeEmulator;

constexpr int kRunTimeoutMs = 60000;

gauge_emulator::Scenario Gauge() {
    gauge_emulator::Scenario s;
    s.storedGroups[0] = {150.0f, 50.0f, {10.0f, 20.5f, 30.0f}};
    s.storedGroups[1] = {200.0f, 100.0f, {100.0f, 101.0f}};
    s.storedGroups[2] = {100.0f, 50.0f, {}};
    s.storedGroups[3] = {300.0f, 200.0f, {210.0f, 230.5f}};
    s.currentGroup = {150.0f, 100.0f, {120.0f, 118.5f, 125.0f}};
    s.liveReadings = {100.0f, 101.5f, 1234.5f};
    s.liveRate = 50;
    return s;
}

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A second connection to the archive, as another program holds it.
class OtherConnection {
  public:
    explicit OtherConnection(const QString& path) : name_(QUuid::createUuid().toString()) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
    }
    ~OtherConnection() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    QVariant value(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(name_));
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
        return query.next() ? query.value(0) : QVariant();
    }

  private:
    QString name_;
};

class CliArchiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        gauge_ = std::make_unique<GaugeEmulator>(Gauge(), gauge_emulator::Timing{.fast = true});
        ASSERT_TRUE(gauge_->writeSerialCommFile(path("ports.ini").toStdString()));
    }

    QString path(const char* name) const { return dir_.filePath(name); }
    QString archive() const { return path("archive.sqlite"); }

    CliRun run(const QStringList& args, const QStringList& wrapper = {}) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZEPRA_SERIALCOMM", path("ports.ini"));
        env.insert("ZEPRA_ARCHIVE", archive());
        env.insert("LC_ALL", "C");
        process.setProcessEnvironment(env);
        if (wrapper.isEmpty()) {
            process.start(ZEPRA_CLI_PATH, args);
        } else {
            process.start(wrapper[0], wrapper.mid(1) + QStringList{ZEPRA_CLI_PATH} + args);
        }
        EXPECT_TRUE(process.waitForStarted());
        EXPECT_TRUE(process.waitForFinished(kRunTimeoutMs));
        return {process.exitCode(), process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    QJsonArray list(const QStringList& filters = {}) const {
        const CliRun listed = run(QStringList{"archive", "list", "--format", "json"} + filters);
        EXPECT_EQ(listed.exitCode, 0) << listed.err;
        return QJsonDocument::fromJson(QByteArray::fromStdString(listed.out)).array();
    }

    std::string readFile(const QString& name) const {
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll().toStdString();
    }

    QTemporaryDir dir_;
    std::unique_ptr<GaugeEmulator> gauge_;
};

// A download is kept as it came; the same group again is the same record, seen again; the
// export is the very CSV the download wrote.
TEST_F(CliArchiveTest, DownloadIsKeptOnceAndExportedAsDownloaded) {
    const CliRun first = run({"download", "1", "--job", "Tank 3"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.err, "");
    QJsonArray records = list();
    ASSERT_EQ(records.size(), 1);
    const QJsonObject record = records[0].toObject();
    EXPECT_EQ(record["source"].toString(), "group");
    EXPECT_EQ(record["group"].toInt(), 1);
    EXPECT_EQ(record["readings"].toInt(), 3);
    EXPECT_EQ(record["job"].toString(), "Tank 3");
    EXPECT_NE(record["gauge"].toString().indexOf(QString::fromStdString(gauge_->devicePath())), -1)
        << record["gauge"].toString().toStdString();
    const std::string id = record["id"].toString().toStdString();

    ASSERT_EQ(run({"download", "1"}).exitCode, 0);
    ASSERT_EQ(run({"download", "1", "--no-archive"}).exitCode, 0);
    EXPECT_EQ(list().size(), 1);
    const CliRun shown = run({"archive", "show", QString::fromStdString(id.substr(0, 8))});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.out.find("seen again"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find(record["sha256"].toString().toStdString()), std::string::npos);

    const CliRun exported = run({"archive", "export", QString::fromStdString(id)});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out, first.out);

    // All groups: group 1 is seen again, the other three are new (the empty one too).
    ASSERT_EQ(run({"download", "all", "--output", path("all")}).exitCode, 0);
    EXPECT_EQ(list().size(), 4);
    EXPECT_EQ(list({"--job", "tank"}).size(), 1);
    EXPECT_EQ(list({"--gauge", "nothing like it"}).size(), 0);

    const CliRun missing = run({"archive", "show", "ffffffff"});
    EXPECT_EQ(missing.exitCode, 5);
    EXPECT_EQ(missing.err, "The archive has no record 'ffffffff'.\n");
}

TEST_F(CliArchiveTest, CaptureIsKeptWithEachReadingsTime) {
    const CliRun captured = run({"capture", "--count", "3", "--format", "csv"});
    ASSERT_EQ(captured.exitCode, 0) << captured.err;
    const QJsonArray records = list();
    ASSERT_EQ(records.size(), 1);
    const std::string id = records[0].toObject()["id"].toString().toStdString();
    const CliRun exported =
        run({"archive", "export", QString::fromStdString(id), "--format", "json"});
    const QJsonObject document =
        QJsonDocument::fromJson(QByteArray::fromStdString(exported.out)).object();
    const QJsonArray readings = document["readingList"].toArray();
    ASSERT_EQ(readings.size(), 3);
    EXPECT_EQ(readings[2].toObject()["bits"].toString(), "449a5000");  // 1234.5f
    EXPECT_TRUE(readings[0].toObject()["time"].toString().endsWith("Z"));
}

// Another program holds the archive's write lock past the busy timeout: the download's file is
// written all the same, and one message says what was not stored.
TEST_F(CliArchiveTest, LockedArchiveLosesNoDownload) {
    ASSERT_EQ(run({"archive", "jobs"}).exitCode, 0);  // makes the file
    OtherConnection other(archive());
    other.value("BEGIN IMMEDIATE");
    const CliRun locked = run({"download", "1", "--output", path("g1.csv")});
    other.value("ROLLBACK");
    EXPECT_EQ(locked.exitCode, 0);
    EXPECT_EQ(readFile(path("g1.csv")).rfind("\"NO.\",\"Samples\",\"Unit\"", 0), 0u);
    EXPECT_EQ(locked.err,
              "The archive did not store the 3 readings of group 1: database is locked\n");
    EXPECT_EQ(list().size(), 0);
}

// An archive that cannot be written (a newer program's; a file the user may not write) is said
// once; the output is there.
TEST_F(CliArchiveTest, ReadOnlyArchiveLosesNoDownload) {
    ASSERT_EQ(run({"archive", "jobs"}).exitCode, 0);
    {
        OtherConnection other(archive());
        other.value("INSERT INTO schema_version VALUES (99, 0)");
    }
    const CliRun newer = run({"download", "current", "--output", path("current.csv")});
    EXPECT_EQ(newer.exitCode, 0);
    EXPECT_FALSE(readFile(path("current.csv")).empty());
    EXPECT_NE(newer.err.find("newer version of the program"), std::string::npos) << newer.err;
    EXPECT_NE(newer.err.find("did not store the 3 readings of the current group: it is open "
                             "read-only."),
              std::string::npos)
        << newer.err;

    // The file's permissions, as another user (root may write anything).
    QFile::remove(archive());
    ASSERT_EQ(run({"archive", "jobs"}).exitCode, 0);
    ASSERT_EQ(::chmod(archive().toLocal8Bit().constData(), 0444), 0);
    QStringList asUser;
    if (::geteuid() == 0) {
        if (QStandardPaths::findExecutable("setpriv").isEmpty()) GTEST_SKIP() << "no setpriv";
        asUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        ASSERT_EQ(::chmod(dir_.path().toLocal8Bit().constData(), 0777), 0);
        ASSERT_EQ(::chmod(gauge_->devicePath().c_str(), 0666), 0);
    }
    const CliRun readOnly = run({"download", "1", "--output", path("g1.csv")}, asUser);
    EXPECT_EQ(readOnly.exitCode, 0) << readOnly.err;
    EXPECT_FALSE(readFile(path("g1.csv")).empty());
    EXPECT_NE(readOnly.err.find("read-only"), std::string::npos) << readOnly.err;
}

// The program's own reports and capture files join the archive; the same file twice is one
// record; check and report take an archived record, and both join its history.
TEST_F(CliArchiveTest, ImportCheckAndReport) {
    QFile csv(path("dft.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("number,value,unit,time\n1,120,um,t\n2,\"130,5\",um,t\n3,125,um,t\n");
    csv.close();
    const CliRun imported = run({"archive", "import", path("dft.csv"), "--job", "Deck"});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    const CliRun again = run({"archive", "import", path("dft.csv")});
    EXPECT_NE(again.out.find("seen again"), std::string::npos) << again.out;
    const QJsonArray records = list();
    ASSERT_EQ(records.size(), 1);
    const QString id = records[0].toObject()["id"].toString();
    const QString sha = records[0].toObject()["sha256"].toString();

    const CliRun checked =
        run({"check", "--archive", id.left(8), "--standard", "iso19840", "--ndft", "100"});
    EXPECT_EQ(checked.exitCode, 0) << checked.err << checked.out;
    EXPECT_EQ(list({"--verdict", "pass"}).size(), 1);
    EXPECT_EQ(list({"--verdict", "fail"}).size(), 0);

    const CliRun reported = run({"report", "--archive", id, "--output", path("r.pdf")});
    ASSERT_EQ(reported.exitCode, 0) << reported.err;
    QProcess text;
    text.start("pdftotext", {"-layout", path("r.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(kRunTimeoutMs));
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(page.contains(id)) << page.toStdString();
    EXPECT_TRUE(page.contains(sha)) << page.toStdString();
    EXPECT_TRUE(page.contains("Calibration: not recorded")) << page.toStdString();
    const CliRun shown = run({"archive", "show", id});
    EXPECT_NE(shown.out.find("check  ISO 19840 pass"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("report  pdf " + path("r.pdf").toStdString()), std::string::npos);
}

// zepra-cli killed (SIGKILL) at random moments while storing a large record: the file is intact
// and holds either no new record or the whole of it.
TEST_F(CliArchiveTest, KillDuringAStoreLeavesTheRecordWholeOrAbsent) {
    ASSERT_EQ(run({"archive", "jobs"}).exitCode, 0);
    constexpr int kReadings = 100'000;
    QRandomGenerator random(29);
    int before = 0;
    for (int attempt = 0; attempt < 12; ++attempt) {
        const QString file = path("big.csv");
        {
            QFile big(file);
            ASSERT_TRUE(big.open(QIODevice::WriteOnly));
            QByteArray content = "\"NO.\",\"Samples\",\"Unit\"\r\n";
            for (int k = 1; k <= kReadings; ++k)
                content += QByteArray::number(k) + ",\"" +
                           QByteArray::number(attempt * 1000 + k % 997) + "\",\"um\"\r\n";
            big.write(content);
        }
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZEPRA_ARCHIVE", archive());
        process.setProcessEnvironment(env);
        process.start(ZEPRA_CLI_PATH, {"archive", "import", file});
        ASSERT_TRUE(process.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(random.bounded(50, 700)));
        process.kill();  // SIGKILL
        process.waitForFinished(kRunTimeoutMs);

        OtherConnection check(archive());
        EXPECT_EQ(check.value("PRAGMA integrity_check").toString(), "ok");
        const int count = check.value("SELECT count(*) FROM records").toInt();
        EXPECT_TRUE(count == before || count == before + 1) << count;
        EXPECT_EQ(check
                      .value("SELECT count(*) FROM records WHERE reading_count <> " +
                             QString::number(kReadings) + " OR length(value_bits) <> " +
                             QString::number(kReadings * 4))
                      .toInt(),
                  0);
        before = count;
    }
}

}  // namespace
