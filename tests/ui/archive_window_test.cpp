// The Archive window and its list over a real SQLite file in a temporary folder: paging, each
// filter, the overdue mark; opening a record, assigning it to a job, the job for this run, the
// inspection report written from a record, the gauges' calibrations.
#include "ui/archive/archive_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <bit>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "support/fakes.h"
#include "support/find_control.h"
#include "support/ink.h"
#include "support/modal_answer.h"
#include "ui/archive/archive_editors.h"
#include "ui/archive/archive_list_model.h"
#include "ui/groups/group_window.h"
#include "ui/main/archive_keeper.h"

namespace zepra {
namespace {

using testing::AnswerModal;
using testing::FakeMessageBox;
using testing::FakeSaveDialog;
using testing::FindControl;

std::int64_t Utc(int year, int month, int day) {
    return QDateTime(QDate(year, month, day), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
}

archive::Record Group(std::vector<float> values, std::string usbSerial, std::int64_t takenMs) {
    archive::Record record;
    record.source = archive::Source::Group;
    record.group = 1;
    for (float value : values) {
        record.valueBits.push_back(std::bit_cast<std::uint32_t>(value));
        record.texts.push_back(QString::number(value).toStdString());
    }
    record.highLimitBits = std::bit_cast<std::uint32_t>(300.0f);
    record.lowLimitBits = std::bit_cast<std::uint32_t>(50.0f);
    record.gauge = {std::move(usbSerial), "1-1.2:1.0", "/dev/ttyUSB0"};
    record.takenMs = takenMs;
    return record;
}

// The records of each test: two jobs, two gauges (one past its due date), two inspectors.
class ArchiveFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        earlierUser_ = qgetenv("USER");
        earlierArchive_ = qgetenv("ZEPRA_ARCHIVE");
        qputenv("ZEPRA_ARCHIVE", path().toLocal8Bit());
        archive_ = open("alice");
        ASSERT_TRUE(archive_);
    }
    void TearDown() override {
        archive_.reset();
        qputenv("USER", earlierUser_);
        qputenv("ZEPRA_ARCHIVE", earlierArchive_);
    }
    QString path() const { return dir_.filePath("archive.sqlite"); }
    // The archive as the user logged in stores into it.
    std::unique_ptr<archive::Archive> open(const char* user) {
        qputenv("USER", user);
        std::string message;
        std::unique_ptr<archive::Archive> archive = archive::Archive::open(path(), message);
        EXPECT_TRUE(archive) << message;
        return archive;
    }
    std::string store(archive::Archive& archive, const archive::Record& record,
                      const std::string& jobId = {}) {
        const archive::Archive::Stored stored = archive.store(record, jobId);
        EXPECT_EQ(stored.error, "");
        return stored.id;
    }
    archive::Job addJob(const char* name, const char* project, const char* structure) {
        archive::Job job;
        job.name = name;
        job.project = project;
        job.structure = structure;
        EXPECT_EQ(archive_->addJob(job), "");
        return job;
    }

    // A: Tank 3, old gauge (overdue), alice, pass.  B: Tank 3, new gauge, bob, fail.
    // C: Bridge 9, new gauge, alice.  D: no job, a gauge known by its port only, bob.
    void fillFour() {
        tank_ = addJob("Tank 3", "Refinery", "North wall");
        bridge_ = addJob("Bridge 9", "Viaduct", "Pier 2");
        archive::Gauge old;
        old.makeModel = "ZEPRA CT";
        old.serial = "OLD-1";
        old.usbSerial = "U-OLD";
        old.calibration = archive::Calibration{"C-1", "2025-01-01", "2026-01-05"};
        ASSERT_EQ(archive_->addGauge(old), "");
        archive::Gauge fresh = old;
        fresh.serial = "NEW-2";
        fresh.usbSerial = "U-NEW";
        fresh.calibration = archive::Calibration{"C-2", "2026-01-01", "2027-01-01"};
        ASSERT_EQ(archive_->addGauge(fresh), "");
        const std::unique_ptr<archive::Archive> bob = open("bob");
        a_ = store(*archive_, Group({100, 110}, "U-OLD", Utc(2026, 1, 10)), tank_.id);
        b_ = store(*bob, Group({90, 95, 99}, "U-NEW", Utc(2026, 2, 10)), tank_.id);
        c_ = store(*archive_, Group({120}, "U-NEW", Utc(2026, 3, 10)), bridge_.id);
        archive::Record byPort = Group({130, 131}, "", Utc(2026, 3, 20));
        byPort.gauge.port = "/dev/ttyUSB7";
        d_ = store(*bob, byPort);
        EXPECT_EQ(archive_->addCheck(a_, "iso19840", "ndft 100", "pass"), "");
        EXPECT_EQ(archive_->addCheck(b_, "iso19840", "ndft 100", "fail"), "");
    }

    QTemporaryDir dir_;
    QByteArray earlierUser_;
    QByteArray earlierArchive_;
    std::unique_ptr<archive::Archive> archive_;
    archive::Job tank_;
    archive::Job bridge_;
    std::string a_, b_, c_, d_;
};

// --- The list ---

class ArchiveListModelTest : public ArchiveFixture {
  protected:
    std::vector<std::string> ids(ArchiveListModel& model) {
        std::vector<std::string> found;
        for (int row = 0; row < model.rowCount(); ++row) found.push_back(model.summaryAt(row)->id);
        return found;
    }
    QString cell(ArchiveListModel& model, int row, int column) {
        return model.data(model.index(row, column)).toString();
    }
};

TEST_F(ArchiveListModelTest, ReadsAPageAtATimeNewestFirst) {
    constexpr int kRecords = 2 * ArchiveListModel::kPageRows + 50;
    for (int k = 0; k < kRecords; ++k)
        store(*archive_, Group({static_cast<float>(k)}, "U", Utc(2026, 1, 1) + k * 60'000));
    ArchiveListModel model(archive_.get());
    model.setFilter({});
    EXPECT_EQ(model.rowCount(), ArchiveListModel::kPageRows);
    EXPECT_EQ(model.summaryAt(0)->takenMs, Utc(2026, 1, 1) + (kRecords - 1) * 60'000);
    ASSERT_TRUE(model.canFetchMore({}));
    model.fetchMore({});
    EXPECT_EQ(model.rowCount(), 2 * ArchiveListModel::kPageRows);
    model.fetchMore({});
    EXPECT_EQ(model.rowCount(), kRecords);
    EXPECT_FALSE(model.canFetchMore({}));
    const std::vector<std::string> all = ids(model);
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size());  // no overlap
    for (int row = 1; row < model.rowCount(); ++row)
        ASSERT_GT(model.summaryAt(row - 1)->takenMs, model.summaryAt(row)->takenMs) << row;
    EXPECT_EQ(model.error(), "");
}

struct FilterCase {
    const char* name;
    archive::Filter filter;
    std::vector<char> expected;  // the records, newest first
};

class ArchiveListFilterTest : public ArchiveListModelTest,
                              public ::testing::WithParamInterface<FilterCase> {};

TEST_P(ArchiveListFilterTest, FindsTheRecordsThatMatch) {
    fillFour();
    ArchiveListModel model(archive_.get());
    model.setFilter(GetParam().filter);
    std::vector<std::string> expected;
    for (char record : GetParam().expected)
        expected.push_back(record == 'a' ? a_ : record == 'b' ? b_ : record == 'c' ? c_ : d_);
    EXPECT_EQ(ids(model), expected);
    EXPECT_EQ(model.error(), "");
}

archive::Filter Job(const char* text) {
    archive::Filter f;
    f.job = text;
    return f;
}
archive::Filter GaugeText(const char* text) {
    archive::Filter f;
    f.gauge = text;
    return f;
}
archive::Filter Inspector(const char* text) {
    archive::Filter f;
    f.inspector = text;
    return f;
}
archive::Filter Passed(bool passed) {
    archive::Filter f;
    f.passed = passed;
    return f;
}
archive::Filter Between(std::optional<std::int64_t> since, std::optional<std::int64_t> until) {
    archive::Filter f;
    f.sinceMs = since;
    f.untilMs = until;
    return f;
}
archive::Filter AnyText(const char* text) {
    archive::Filter f;
    f.text = text;
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Filters, ArchiveListFilterTest,
    ::testing::Values(
        FilterCase{"none", {}, {'d', 'c', 'b', 'a'}},
        FilterCase{"job_by_name", Job("TANK"), {'b', 'a'}},
        FilterCase{"job_by_project", Job("viaduct"), {'c'}},
        FilterCase{"gauge_by_serial", GaugeText("new-2"), {'c', 'b'}},
        FilterCase{"gauge_by_port", GaugeText("ttyUSB7"), {'d'}},
        FilterCase{"inspector", Inspector("bo"), {'d', 'b'}},
        FilterCase{"inspector_not_a_host", Inspector("@"), {}},
        FilterCase{"verdict_pass", Passed(true), {'a'}},
        FilterCase{"verdict_fail", Passed(false), {'b'}},
        FilterCase{"since", Between(Utc(2026, 2, 10), std::nullopt), {'d', 'c', 'b'}},
        FilterCase{"until_excludes_its_end", Between(std::nullopt, Utc(2026, 2, 10)), {'a'}},
        FilterCase{"date_range", Between(Utc(2026, 2, 1), Utc(2026, 3, 15)), {'c', 'b'}},
        FilterCase{"text_structure", AnyText("pier"), {'c'}},
        FilterCase{"text_inspector", AnyText("alice"), {'c', 'a'}},
        FilterCase{"text_wildcards_are_characters", AnyText("_%"), {}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ArchiveListModelTest, ShowsEachRecordsFiguresAndMarksAnOverdueGauge) {
    fillFour();
    ArchiveListModel model(archive_.get());
    model.setFilter({});
    ASSERT_EQ(model.rowCount(), 4);
    // Row 3 is A: taken after its gauge's due date.
    EXPECT_EQ(cell(model, 3, ArchiveListModel::Job), "Tank 3");
    EXPECT_EQ(cell(model, 3, ArchiveListModel::Structure), "North wall");
    EXPECT_EQ(cell(model, 3, ArchiveListModel::Gauge), "ZEPRA CT OLD-1");
    EXPECT_EQ(cell(model, 3, ArchiveListModel::Count), "2");
    EXPECT_EQ(cell(model, 3, ArchiveListModel::Mean), "105 um");
    EXPECT_EQ(cell(model, 3, ArchiveListModel::Verdict), "PASS");
    EXPECT_EQ(cell(model, 3, ArchiveListModel::Calibration), "OVERDUE");
    EXPECT_FALSE(model.data(model.index(3, ArchiveListModel::Calibration), Qt::ToolTipRole)
                     .toString()
                     .isEmpty());
    EXPECT_EQ(cell(model, 3, ArchiveListModel::Taken),
              QDateTime::fromMSecsSinceEpoch(Utc(2026, 1, 10)).toString("yyyy-MM-dd HH:mm"));
    // B: the new gauge, in date; C: no check; D: the port names the gauge.
    EXPECT_EQ(cell(model, 2, ArchiveListModel::Calibration), "");
    EXPECT_EQ(cell(model, 2, ArchiveListModel::Verdict), "FAIL");
    EXPECT_EQ(cell(model, 1, ArchiveListModel::Verdict), "");
    EXPECT_EQ(cell(model, 0, ArchiveListModel::Gauge), "/dev/ttyUSB7");
    EXPECT_EQ(cell(model, 0, ArchiveListModel::Job), "");
}

TEST_F(ArchiveListModelTest, WithoutAnArchiveTheListIsEmpty) {
    ArchiveListModel model(nullptr);
    model.setFilter({});
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.canFetchMore({}));
}

// --- The window ---

class ArchiveWindowTest : public ArchiveFixture {
  protected:
    void SetUp() override {
        ArchiveFixture::SetUp();
        context_.store = &store_;
        context_.saveDialog = &saveDialog_;
        context_.messageBox = &messages_;
        context_.archiveKeeper = &keeper_;
    }
    void TearDown() override {
        window_.reset();
        ArchiveFixture::TearDown();
    }
    ArchiveWindow& show() {
        window_ = std::make_unique<ArchiveWindow>(context_);
        window_->setAttribute(Qt::WA_DeleteOnClose, false);
        window_->show();
        return *window_;
    }
    void select(const std::string& id) {
        ArchiveListModel& model = *window_->model();
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.summaryAt(row)->id == id) return window_->list()->selectRow(row);
        ADD_FAILURE() << "no row for " << id;
    }
    std::optional<archive::RecordDetails> details(const std::string& id) {
        std::string error;
        auto found = archive_->details(id, error);
        EXPECT_TRUE(found) << error;
        return found;
    }

    MeasurementStore store_;
    FakeSaveDialog saveDialog_;
    FakeMessageBox messages_;
    ArchiveKeeper keeper_{[this](const std::string& text) { messages_.show(text); }};
    WindowContext context_;
    std::unique_ptr<ArchiveWindow> window_;
};

TEST_F(ArchiveWindowTest, OpensTheSelectedRecordInAGroupWindowReadOnly) {
    fillFour();
    show();
    select(b_);
    GroupWindow* group = window_->openSelected();
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->windowTitle().startsWith(
        QString::fromStdString("Archived record " + b_.substr(0, 8))));
    QLabel* count = FindControl<QLabel>(group, "Label24");
    ASSERT_TRUE(QTest::qWaitFor([&] { return count->text().endsWith(" 3"); }, 2000))
        << count->text().toStdString();
    EXPECT_TRUE(FindControl<QLabel>(group, "Label20")->text().contains("90"));
    const auto* grid = FindControl<QTableWidget>(group, "MSFlexGrid1");
    EXPECT_EQ(grid->rowCount(), 4);  // the readings and the empty row below
    EXPECT_EQ(grid->item(2, 1)->text(), "99");
    testing::SaveForLooking(window_->grab().toImage(), "archive-window");
    testing::SaveForLooking(group->grab().toImage(), "archive-record-window");
    // The gauge's group slots are not touched.
    EXPECT_EQ(store_.groupSlot(1).readingCount, 0);
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(ArchiveWindowTest, AssignsTheSelectedRecordToAJobAddedOnTheWay) {
    fillFour();
    show();
    select(d_);
    ASSERT_TRUE(window_->assignSelectedTo("Hull 7"));
    std::string error;
    ASSERT_TRUE(archive_->jobNamed("Hull 7", error));
    EXPECT_EQ(details(d_)->summary.job, "Hull 7");
    select(d_);  // the list was read again
    EXPECT_EQ(window_->model()
                  ->data(window_->model()->index(window_->list()->currentIndex().row(),
                                                 ArchiveListModel::Job))
                  .toString(),
              "Hull 7");
    // An existing job: no second job of that name, the record's history says both.
    ASSERT_TRUE(window_->assignSelectedTo("Tank 3"));
    EXPECT_EQ(details(d_)->summary.job, "Tank 3");
    int assignments = 0;
    const archive::RecordDetails after = *details(d_);
    for (const archive::Addition& a : after.history) assignments += a.kind == "job";
    EXPECT_EQ(assignments, 2);
    EXPECT_TRUE(messages_.messages.empty());
}

// The job chosen for this run goes with every record the windows store, and the list shows them
// as they come.
TEST_F(ArchiveWindowTest, JobForThisRunIsGivenToEachRecordStored) {
    fillFour();
    show();
    auto* runJob = FindControl<QComboBox>(window_.get(), "RunJob");
    EXPECT_EQ(runJob->currentText(), "(none)");
    window_->chooseRunJob("Bridge 9");
    EXPECT_EQ(keeper_.currentJob().name, "Bridge 9");
    EXPECT_EQ(runJob->currentText(), "Bridge 9");

    GroupSlot slot;
    slot.readings[0] = {1, 200.0, ""};
    slot.readings[1] = {2, 210.0, ""};
    slot.readingCount = 2;
    keeper_.keepGroup(GroupWindowId::Group2, slot, 0, {"U-NEW", "1-1", "/dev/ttyUSB0"});
    ASSERT_EQ(window_->model()->rowCount(), 5);
    const archive::RecordSummary* newest = window_->model()->summaryAt(0);
    EXPECT_EQ(newest->job, "Bridge 9");
    EXPECT_EQ(newest->readingCount, 2);

    window_->chooseRunJob("");  // none again
    EXPECT_TRUE(keeper_.currentJob().id.empty());
    slot.readings[0].value = 201.0;
    keeper_.keepGroup(GroupWindowId::Group2, slot, 0, {"U-NEW", "1-1", "/dev/ttyUSB0"});
    EXPECT_EQ(window_->model()->summaryAt(0)->job, "");
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(ArchiveWindowTest, FilterFieldsNarrowTheList) {
    fillFour();
    show();
    FindControl<QLineEdit>(window_.get(), "FilterInspector")->setText("bob");
    window_->applyFilter();
    EXPECT_EQ(window_->model()->rowCount(), 2);
    FindControl<QComboBox>(window_.get(), "FilterVerdict")->setCurrentText("Fail");
    ASSERT_EQ(window_->model()->rowCount(), 1);
    EXPECT_EQ(window_->model()->summaryAt(0)->id, b_);
    EXPECT_EQ(FindControl<QLabel>(window_.get(), "ListStatus")->text(), "1 record");
}

// The inspection report of a record: the record, its gauge and digest in the report; the job
// typed is added and given to the record; the check and the file join its history.
TEST_F(ArchiveWindowTest, InspectionReportOfARecordIsKeptBesideIt) {
    fillFour();
    std::vector<inspection::ReportContent> written;
    context_.writeInspectionReport = [&](const inspection::ReportContent& content,
                                         const std::string&) {
        written.push_back(content);
        return std::string();
    };
    show();
    select(a_);
    const std::string pdf = dir_.filePath("tank.pdf").toStdString();
    saveDialog_.answers = {pdf};
    ASSERT_TRUE(AnswerModal(
        [&] {
            QTest::mouseClick(FindControl<QPushButton>(window_.get(), "SavePdf"), Qt::LeftButton);
        },
        [&](QDialog& dialog) {
            auto* job = FindControl<QComboBox>(&dialog, "Job");
            EXPECT_GE(job->findText("Bridge 9"), 0);  // the archive's jobs to pick from
            job->setEditText("Hull 9");
            testing::SaveForLooking(dialog.grab().toImage(), "archive-inspection-dialog");
            FindControl<QLineEdit>(&dialog, "Project")->setText("Dock");
            FindControl<QComboBox>(&dialog, "Standard")->setCurrentText("IMO PSPC");
            QTest::mouseClick(FindControl<QPushButton>(&dialog, "SavePdf"), Qt::LeftButton);
        }));
    ASSERT_EQ(written.size(), 1u);
    const std::string& source = written[0].source;
    EXPECT_NE(source.find("Archived record " + a_), std::string::npos) << source;
    EXPECT_NE(source.find("OLD-1"), std::string::npos) << source;
    EXPECT_NE(source.find("OVERDUE"), std::string::npos) << source;
    EXPECT_NE(source.find(details(a_)->record.sha256), std::string::npos) << source;
    EXPECT_EQ(written[0].readings.size(), 2u);

    std::string error;
    const std::optional<archive::Job> hull = archive_->jobNamed("Hull 9", error);
    ASSERT_TRUE(hull);
    EXPECT_EQ(hull->project, "Dock");
    const archive::RecordDetails after = *details(a_);
    EXPECT_EQ(after.summary.job, "Hull 9");
    std::vector<std::string> kinds;
    for (const archive::Addition& a : after.history) kinds.push_back(a.kind);
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), "check"), kinds.end());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), "report"), kinds.end());
    EXPECT_TRUE(messages_.messages.empty()) << messages_.messages[0];
}

TEST_F(ArchiveWindowTest, CaptureTooLongForTheDialogIsSaidNotCut) {
    archive::Record capture =
        Group(std::vector<float>(GroupSlot::kCapacity + 1, 100.0f), "U", Utc(2026, 4, 1));
    capture.source = archive::Source::Capture;
    capture.timesMs.assign(capture.valueBits.size(), Utc(2026, 4, 1));
    const std::string id = store(*archive_, capture);
    show();
    select(id);
    QTest::mouseClick(FindControl<QPushButton>(window_.get(), "SavePdf"), Qt::LeftButton);
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find("zepra-cli report --archive " + id), std::string::npos);
    EXPECT_TRUE(saveDialog_.requests.empty());
    // The group window shows the whole capture.
    GroupWindow* group = window_->openSelected();
    ASSERT_NE(group, nullptr);
    QTest::qWait(200);
    EXPECT_EQ(FindControl<QTableWidget>(group, "MSFlexGrid1")->rowCount(),
              GroupSlot::kCapacity + 2);
}

// --- Gauges ---

TEST_F(ArchiveWindowTest, GaugeAndCalibrationAddedInTheEditorMarkOverdueRecords) {
    const std::string id = store(*archive_, Group({100}, "U-9", Utc(2026, 6, 1)));
    GaugesDialog dialog(*archive_, &messages_);
    FindControl<QLineEdit>(&dialog, "GaugeModel")->setText("ZEPRA CT");
    FindControl<QLineEdit>(&dialog, "GaugeSerial")->setText("G-9");
    FindControl<QLineEdit>(&dialog, "GaugeUsbSerial")->setText("U-9");
    FindControl<QLineEdit>(&dialog, "CalibrationCertificate")->setText("C-9");
    FindControl<QLineEdit>(&dialog, "CalibratedOn")->setText("2025-01-01");
    FindControl<QLineEdit>(&dialog, "NextDue")->setText("2026-05-31");
    ASSERT_TRUE(dialog.addGauge());
    EXPECT_TRUE(details(id)->summary.gaugeOverdue);

    // A new calibration for the selected gauge; a bad date stores nothing and says so.
    FindControl<QTableWidget>(&dialog, "Gauges")->selectRow(0);
    FindControl<QLineEdit>(&dialog, "CalibrationCertificate")->setText("C-10");
    FindControl<QLineEdit>(&dialog, "CalibratedOn")->setText("2026-06-02");
    FindControl<QLineEdit>(&dialog, "NextDue")->setText("31/05/2027");
    EXPECT_FALSE(dialog.addCalibration());
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find("YYYY-MM-DD"), std::string::npos);
    FindControl<QLineEdit>(&dialog, "NextDue")->setText("2027-05-31");
    ASSERT_TRUE(dialog.addCalibration());
    dialog.show();
    testing::SaveForLooking(dialog.grab().toImage(), "archive-gauges-dialog");
    std::string error;
    const std::vector<archive::Gauge> gauges = archive_->gauges(error);
    ASSERT_EQ(gauges.size(), 1u);
    EXPECT_EQ(gauges[0].calibration->certificate, "C-10");
    EXPECT_EQ(FindControl<QTableWidget>(&dialog, "Gauges")->item(0, 4)->text(), "C-10");
    // The record was taken before the new calibration, under the lapsed one: still overdue.
    EXPECT_TRUE(details(id)->summary.gaugeOverdue);
}

TEST_F(ArchiveWindowTest, JobsEditorAddsJobsWithUniqueNames) {
    JobsDialog dialog(*archive_, &messages_);
    FindControl<QLineEdit>(&dialog, "JobName")->setText("Tank 5");
    FindControl<QLineEdit>(&dialog, "JobClient")->setText("Port Authority");
    ASSERT_TRUE(dialog.addJob());
    EXPECT_EQ(FindControl<QTableWidget>(&dialog, "Jobs")->rowCount(), 1);
    FindControl<QLineEdit>(&dialog, "JobName")->setText("Tank 5");
    EXPECT_FALSE(dialog.addJob());
    EXPECT_EQ(messages_.messages.size(), 1u);
    FindControl<QLineEdit>(&dialog, "JobName")->clear();
    EXPECT_FALSE(dialog.addJob());  // a job needs a name
    std::string error;
    ASSERT_EQ(archive_->jobs(error).size(), 1u);
    EXPECT_EQ(archive_->jobs(error)[0].client, "Port Authority");
}

}  // namespace
}  // namespace zepra
