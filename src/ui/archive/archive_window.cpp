#include "ui/archive/archive_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "archive/record.h"
#include "archive/team/team_sync_status.h"
#include "reports/reports.h"
#include "ui/archive/archive_editors.h"
#include "ui/archive/archive_list_model.h"
#include "ui/fonts.h"
#include "ui/groups/group_window.h"
#include "ui/main/archive_keeper.h"

namespace zepra {
namespace {

constexpr int kFilterDelayMs = 250;  // typing pauses this long before the list follows

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Plain(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

QLineEdit* Field(const char* name, const char* accessibleName) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAccessibleName(QString::fromLatin1(accessibleName));
    edit->setClearButtonEnabled(true);
    return edit;
}

QPushButton* Button(const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption));
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

std::string LocalTime(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toStdString();
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

}  // namespace

ArchiveWindow::ArchiveWindow(const WindowContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context), unitStore_(std::make_unique<MeasurementStore>()) {
    setObjectName(QStringLiteral("FrmArchive"));
    setWindowTitle(QStringLiteral("Archive"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window);
    setFont(MsSansSerifFont(8.25));
    if (context_.archiveKeeper != nullptr) archive_ = context_.archiveKeeper->archive();
    context_.store = unitStore_.get();  // the save steps write in the record's unit

    model_ = new ArchiveListModel(archive_, this);
    list_ = new QTableView;
    list_->setObjectName(QStringLiteral("Records"));
    list_->setAccessibleName(QStringLiteral("Records"));
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setAlternatingRowColors(true);
    list_->setTabKeyNavigation(false);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->horizontalHeader()->setHighlightSections(false);
    const int widths[] = {150, 130, 110, 150, 50, 80, 60, 80};
    for (int column = 0; column < ArchiveListModel::kColumns; ++column)
        list_->setColumnWidth(column, widths[column]);
    list_->horizontalHeader()->setStretchLastSection(true);
    connect(list_, &QTableView::activated, this, [this] { openSelected(); });

    auto* client = new QWidget;
    auto* layout = new QVBoxLayout(client);
    layout->addWidget(buildRunJob());
    layout->addWidget(buildFilter());
    auto* listLabel = new QLabel(QStringLiteral("&Records:"));
    listLabel->setBuddy(list_);
    layout->addWidget(listLabel);
    layout->addWidget(list_, 1);
    layout->addWidget(buildButtons());
    setCentralWidget(client);

    // The list's state on the left; the right of the status bar is left for other news.
    listStatus_ = new QLabel;
    listStatus_->setObjectName(QStringLiteral("ListStatus"));
    statusBar()->addWidget(listStatus_, 1);
    connect(model_, &ArchiveListModel::errorChanged, this, &ArchiveWindow::showStatus);
    connect(model_, &ArchiveListModel::modelReset, this, &ArchiveWindow::showStatus);
    connect(model_, &ArchiveListModel::rowsInserted, this, &ArchiveWindow::showStatus);
    showTeamSyncStatus();

    filterTimer_ = new QTimer(this);
    filterTimer_->setSingleShot(true);
    filterTimer_->setInterval(kFilterDelayMs);
    connect(filterTimer_, &QTimer::timeout, this, &ArchiveWindow::applyFilter);

    // Top to bottom, left to right, as the window reads.
    QWidget* const order[] = {runJob_,
                              findChild<QWidget*>(QStringLiteral("EditJobs")),
                              findChild<QWidget*>(QStringLiteral("EditGauges")),
                              job_,
                              gauge_,
                              inspector_,
                              sinceOn_,
                              since_,
                              untilOn_,
                              until_,
                              verdict_,
                              text_,
                              list_,
                              findChild<QWidget*>(QStringLiteral("OpenRecord")),
                              findChild<QWidget*>(QStringLiteral("SaveCsv")),
                              findChild<QWidget*>(QStringLiteral("SaveTxt")),
                              findChild<QWidget*>(QStringLiteral("SavePdf")),
                              findChild<QWidget*>(QStringLiteral("AssignJob"))};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    fillJobLists();
    applyFilter();
    if (context_.archiveKeeper != nullptr)
        context_.archiveKeeper->setStoredListener([this] { refresh(); });
    resize(960, 600);
}

// The sync with the team's server, on the status bar's right, when a server is named.
void ArchiveWindow::showTeamSyncStatus() {
    archive::TeamSyncStatus* const status =
        context_.teamSyncStatus ? context_.teamSyncStatus() : nullptr;
    if (status == nullptr) return;
    auto* line = new QLabel;
    line->setObjectName(QStringLiteral("TeamSyncStatus"));
    statusBar()->addPermanentWidget(line);
    const auto show = [line, status] {
        const QString text = status->text();
        line->setText(QString(text).replace(QLatin1Char('\n'), QStringLiteral(" - ")));
        line->setToolTip(text);
        line->setAccessibleDescription(text);
    };
    connect(status, &archive::TeamSyncStatus::changed, line, show);
    show();
}

ArchiveWindow::~ArchiveWindow() {
    if (context_.archiveKeeper != nullptr) context_.archiveKeeper->setStoredListener({});
}

QWidget* ArchiveWindow::buildRunJob() {
    runJob_ = new QComboBox;
    runJob_->setObjectName(QStringLiteral("RunJob"));
    runJob_->setMinimumContentsLength(24);
    runJob_->setAccessibleName(QStringLiteral("Job for this run"));
    auto* label = new QLabel(QStringLiteral("&Job for this run:"));
    label->setBuddy(runJob_);
    connect(runJob_, &QComboBox::activated, this,
            [this] { chooseRunJob(runJob_->currentData().toString().toStdString()); });
    QPushButton* jobs = Button("EditJobs", "Jo&bs...");
    QPushButton* gauges = Button("EditGauges", "&Gauges...");
    connect(jobs, &QPushButton::clicked, this, [this] {
        if (archive_ == nullptr) return;
        JobsDialog(*archive_, context_.messageBox, this).exec();
        fillJobLists();
    });
    connect(gauges, &QPushButton::clicked, this, [this] {
        if (archive_ == nullptr) return;
        GaugesDialog(*archive_, context_.messageBox, this).exec();
        model_->refresh();  // a calibration changes the overdue marks
    });
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(runJob_);
    layout->addStretch();
    layout->addWidget(jobs);
    layout->addWidget(gauges);
    return row;
}

QWidget* ArchiveWindow::buildFilter() {
    auto* box = new QGroupBox(QStringLiteral("Find"));
    box->setObjectName(QStringLiteral("Filter"));
    job_ = Field("FilterJob", "Job");
    gauge_ = Field("FilterGauge", "Gauge");
    inspector_ = Field("FilterInspector", "Inspector");
    text_ = Field("FilterText", "Any text");
    verdict_ = new QComboBox;
    verdict_->setObjectName(QStringLiteral("FilterVerdict"));
    verdict_->addItems({QStringLiteral("Any"), QStringLiteral("Pass"), QStringLiteral("Fail")});
    auto dateEdit = [](const char* name, const char* accessibleName, QDate date) {
        auto* edit = new QDateEdit(date);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setAccessibleName(QString::fromLatin1(accessibleName));
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
        return edit;
    };
    const QDate today = QDate::currentDate();
    since_ = dateEdit("FilterSince", "Taken from", today.addMonths(-1));
    until_ = dateEdit("FilterUntil", "Taken until", today);
    sinceOn_ = new QCheckBox(QStringLiteral("&From:"));
    sinceOn_->setObjectName(QStringLiteral("FilterSinceOn"));
    untilOn_ = new QCheckBox(QStringLiteral("U&ntil:"));
    untilOn_->setObjectName(QStringLiteral("FilterUntilOn"));

    auto label = [](const char* caption, QWidget* buddy) {
        auto* l = new QLabel(QString::fromLatin1(caption));
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout(box);
    grid->addWidget(label("J&ob:", job_), 0, 0);
    grid->addWidget(job_, 0, 1);
    grid->addWidget(label("Ga&uge:", gauge_), 0, 2);
    grid->addWidget(gauge_, 0, 3);
    grid->addWidget(label("&Inspector:", inspector_), 0, 4);
    grid->addWidget(inspector_, 0, 5);
    grid->addWidget(sinceOn_, 1, 0);
    grid->addWidget(since_, 1, 1);
    grid->addWidget(untilOn_, 1, 2);
    grid->addWidget(until_, 1, 3);
    grid->addWidget(label("&Verdict:", verdict_), 1, 4);
    grid->addWidget(verdict_, 1, 5);
    grid->addWidget(label("&Text:", text_), 2, 0);
    grid->addWidget(text_, 2, 1, 1, 5);
    for (int column : {1, 3, 5}) grid->setColumnStretch(column, 1);

    auto later = [this] { filterTimer_->start(); };
    for (QLineEdit* edit : {job_, gauge_, inspector_, text_}) {
        connect(edit, &QLineEdit::textChanged, this, later);
        connect(edit, &QLineEdit::returnPressed, this, &ArchiveWindow::applyFilter);
    }
    connect(verdict_, &QComboBox::currentIndexChanged, this, &ArchiveWindow::applyFilter);
    connect(sinceOn_, &QCheckBox::toggled, since_, &QWidget::setEnabled);
    connect(untilOn_, &QCheckBox::toggled, until_, &QWidget::setEnabled);
    for (QCheckBox* on : {sinceOn_, untilOn_})
        connect(on, &QCheckBox::toggled, this, &ArchiveWindow::applyFilter);
    for (QDateEdit* edit : {since_, until_}) connect(edit, &QDateEdit::dateChanged, this, later);
    return box;
}

QWidget* ArchiveWindow::buildButtons() {
    QPushButton* open = Button("OpenRecord", "&Open");
    QPushButton* csv = Button("SaveCsv", "Save C&SV...");
    QPushButton* txt = Button("SaveTxt", "Save T&XT...");
    QPushButton* pdf = Button("SavePdf", "Save &PDF...");
    QPushButton* assign = Button("AssignJob", "&Assign to job...");
    connect(open, &QPushButton::clicked, this, [this] { openSelected(); });
    connect(csv, &QPushButton::clicked, this, [this] { saveSelected(ReportFormat::Csv); });
    connect(txt, &QPushButton::clicked, this, [this] { saveSelected(ReportFormat::Text); });
    connect(pdf, &QPushButton::clicked, this, &ArchiveWindow::saveSelectedInspection);
    connect(assign, &QPushButton::clicked, this, &ArchiveWindow::askAssignment);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* button : {open, csv, txt, pdf}) layout->addWidget(button);
    layout->addStretch();
    layout->addWidget(assign);
    return row;
}

// The job lists: the run's job (the keeper's, kept when it is no longer in the list).
void ArchiveWindow::fillJobLists() {
    runJob_->clear();
    runJob_->addItem(QStringLiteral("(none)"), QString());
    if (archive_ == nullptr) return;
    std::string error;
    for (const archive::Job& job : archive_->jobs(error))
        runJob_->addItem(Text(job.name), Text(job.name));
    const std::string current =
        context_.archiveKeeper ? context_.archiveKeeper->currentJob().name : "";
    runJob_->setCurrentIndex(std::max(0, runJob_->findData(Text(current))));
    if (!error.empty()) say("The jobs cannot be read: " + error);
}

void ArchiveWindow::chooseRunJob(const std::string& jobName) {
    if (context_.archiveKeeper == nullptr) return;
    archive::Job job;
    if (!jobName.empty() && archive_ != nullptr) {
        std::string error;
        std::optional<archive::Job> found = archive_->jobNamed(jobName, error);
        if (!found) {
            say(error.empty() ? "No job " + jobName + " in the archive." : error);
            return;
        }
        job = *found;
    }
    context_.archiveKeeper->setCurrentJob(job);
    runJob_->setCurrentIndex(std::max(0, runJob_->findData(Text(job.name))));
}

void ArchiveWindow::applyFilter() {
    filterTimer_->stop();
    archive::Filter filter;
    filter.job = Plain(job_);
    filter.gauge = Plain(gauge_);
    filter.inspector = Plain(inspector_);
    filter.text = Plain(text_);
    if (verdict_->currentIndex() > 0) filter.passed = verdict_->currentIndex() == 1;
    // Whole local days: from the start of the first to the end of the last.
    if (sinceOn_->isChecked()) filter.sinceMs = since_->date().startOfDay().toMSecsSinceEpoch();
    if (untilOn_->isChecked())
        filter.untilMs = until_->date().addDays(1).startOfDay().toMSecsSinceEpoch();
    model_->setFilter(filter);
    if (model_->rowCount() > 0) list_->selectRow(0);
}

void ArchiveWindow::refresh() {
    const int row = list_->currentIndex().row();
    model_->refresh();
    if (model_->rowCount() > 0) list_->selectRow(std::clamp(row, 0, model_->rowCount() - 1));
}

void ArchiveWindow::showStatus() {
    if (archive_ == nullptr) {
        listStatus_->setText(QStringLiteral("The archive cannot be opened."));
    } else if (!model_->error().empty()) {
        listStatus_->setText(QStringLiteral("The archive cannot be read: ") +
                             Text(model_->error()));
    } else {
        const int rows = model_->rowCount();
        QString text = rows == 1 ? QStringLiteral("1 record")
                                 : QString::number(rows) + QStringLiteral(" records");
        if (model_->canFetchMore({})) text += QStringLiteral(" shown, more below");
        if (archive_->readOnly()) text += QStringLiteral(" (read-only)");
        listStatus_->setText(text);
    }
}

void ArchiveWindow::say(const std::string& message) {
    if (context_.messageBox != nullptr) context_.messageBox->show(message);
}

std::optional<archive::RecordDetails> ArchiveWindow::selectedDetails() {
    const archive::RecordSummary* summary = model_->summaryAt(list_->currentIndex().row());
    if (summary == nullptr || archive_ == nullptr) return std::nullopt;
    std::string error;
    std::optional<archive::RecordDetails> details = archive_->details(summary->id, error);
    if (!details) say("The record cannot be read: " + error);
    return details;
}

GroupWindow* ArchiveWindow::openSelected() {
    const std::optional<archive::RecordDetails> details = selectedDetails();
    if (!details) return nullptr;
    const archive::Record& record = details->record;
    ShownReadings shown;
    shown.title = "Archived record " + record.id.substr(0, 8) + " (" + details->summary.job +
                  (details->summary.job.empty() ? "" : ", ") + LocalTime(record.takenMs) + ")";
    shown.readings = archive::ReadingsOf(record);
    if (record.highLimitBits) shown.highLimit = archive::WidenedValue(*record.highLimitBits);
    if (record.lowLimitBits) shown.lowLimit = archive::WidenedValue(*record.lowLimitBits);
    shown.unitIsMils = record.unitIsMils;
    // The window's own copy: the list may move on while it is open.
    shown.saveInspectionReport = [this, copy = *details](QWidget* window) {
        saveInspection(copy, window);
    };
    auto* window = new GroupWindow(std::move(shown), context_, this);
    window->show();
    return window;
}

void ArchiveWindow::saveSelected(ReportFormat format) {
    const std::optional<archive::RecordDetails> details = selectedDetails();
    if (!details) return;
    const std::vector<ReadingRecord> readings = archive::ReadingsOf(details->record);
    unitStore_->unitIsMils = details->record.unitIsMils;
    SaveReport(
        format, [&readings] { return std::span<const ReadingRecord>(readings); }, context_);
}

void ArchiveWindow::saveSelectedInspection() {
    if (const std::optional<archive::RecordDetails> details = selectedDetails())
        saveInspection(*details, this);
}

void ArchiveWindow::saveInspection(const archive::RecordDetails& details, QWidget* parent) {
    const archive::Record& record = details.record;
    if (record.valueBits.size() > static_cast<std::size_t>(GroupSlot::kCapacity)) {
        say("The inspection dialog takes a group of up to " + std::to_string(GroupSlot::kCapacity) +
            " readings; this record has " + std::to_string(record.valueBits.size()) +
            ". Its report is written by zepra-cli report --archive " + record.id + ".");
        return;
    }
    GroupSlot group;
    const std::vector<ReadingRecord> readings = archive::ReadingsOf(record);
    std::copy(readings.begin(), readings.end(), group.readings.begin());
    group.readingCount = static_cast<std::int32_t>(readings.size());
    if (record.highLimitBits) group.highLimit = archive::WidenedValue(*record.highLimitBits);
    if (record.lowLimitBits) group.lowLimit = archive::WidenedValue(*record.lowLimitBits);
    unitStore_->unitIsMils = record.unitIsMils;
    const ArchivedSubject subject{record.id, details.summary.job, LocalTime(record.takenMs)};
    SaveInspectionReport(group, Joined(archive::RecordReportLines(details)), context_, parent,
                         &subject);
    refresh();  // a check changes the verdict, a job the job
}

bool ArchiveWindow::assignSelectedTo(const std::string& jobName) {
    const archive::RecordSummary* summary = model_->summaryAt(list_->currentIndex().row());
    if (summary == nullptr || archive_ == nullptr || jobName.empty()) return false;
    std::string error;
    std::optional<archive::Job> job = archive_->jobNamed(jobName, error);
    if (!job && error.empty()) {
        archive::Job added;
        added.name = jobName;
        error = archive_->addJob(added);
        if (error.empty()) job = added;
        fillJobLists();
    }
    if (job) error = archive_->assignToJob(summary->id, job->id);
    if (!error.empty()) {
        say(error);
        return false;
    }
    refresh();
    return true;
}

void ArchiveWindow::askAssignment() {
    const archive::RecordSummary* summary = model_->summaryAt(list_->currentIndex().row());
    if (summary == nullptr || archive_ == nullptr) return;
    QStringList names;
    for (int k = 1; k < runJob_->count(); ++k) names << runJob_->itemText(k);
    bool ok = false;
    const QString name = QInputDialog::getItem(
        this, QStringLiteral("Assign to job"),
        QStringLiteral("The job for this record (a new name adds a job):"), names,
        std::max(0, static_cast<int>(names.indexOf(Text(summary->job)))), true, &ok);
    if (ok) assignSelectedTo(name.trimmed().toStdString());
}

}  // namespace zepra
