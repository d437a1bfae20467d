#include "ui/archive/archive_editors.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/fonts.h"

namespace zepra {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Plain(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

QLineEdit* Field(const char* name, const char* placeholder = "") {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setPlaceholderText(QString::fromLatin1(placeholder));
    return edit;
}

QTableWidget* Table(const char* name, const QStringList& titles) {
    auto* table = new QTableWidget(0, static_cast<int>(titles.size()));
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(titles);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void SetRow(QTableWidget* table, int row, const std::vector<std::string>& cells) {
    for (std::size_t column = 0; column < cells.size(); ++column)
        table->setItem(row, static_cast<int>(column), new QTableWidgetItem(Text(cells[column])));
}

// Grey hints in the empty fields, so that they do not read as typed values.
void GreyPlaceholders(QWidget* dialog) {
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::PlaceholderText, QColor(128, 128, 128));
    dialog->setPalette(palette);
}

QDialogButtonBox* CloseButton(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

JobsDialog::JobsDialog(archive::Archive& archive, MessageBox* messageBox, QWidget* parent)
    : QDialog(parent), archive_(archive), messageBox_(messageBox) {
    setObjectName(QStringLiteral("JobsDialog"));
    setWindowTitle(QStringLiteral("Jobs"));
    setFont(MsSansSerifFont(8.25));
    GreyPlaceholders(this);
    table_ = Table("Jobs", {"Job", "Project", "Structure or area", "Coating", "Client", "Notes"});
    table_->setAccessibleName(QStringLiteral("Jobs"));
    name_ = Field("JobName");
    project_ = Field("JobProject");
    structure_ = Field("JobStructure");
    coating_ = Field("JobCoating", "product and coat");
    client_ = Field("JobClient");
    notes_ = new QPlainTextEdit;
    notes_->setObjectName(QStringLiteral("JobNotes"));
    notes_->setTabChangesFocus(true);
    notes_->setFixedHeight(notes_->fontMetrics().lineSpacing() * 3 + 10);

    auto* box = new QGroupBox(QStringLiteral("New job"));
    auto* form = new QFormLayout(box);
    form->addRow(QStringLiteral("&Name:"), name_);
    form->addRow(QStringLiteral("&Project:"), project_);
    form->addRow(QStringLiteral("Str&ucture or area:"), structure_);
    form->addRow(QStringLiteral("C&oating:"), coating_);
    form->addRow(QStringLiteral("C&lient:"), client_);
    form->addRow(QStringLiteral("No&tes:"), notes_);
    auto* add = new QPushButton(QStringLiteral("&Add job"));
    add->setObjectName(QStringLiteral("AddJob"));
    form->addRow(QString(), add);
    connect(add, &QPushButton::clicked, this, &JobsDialog::addJob);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(box);
    layout->addWidget(CloseButton(this));
    fill();
    resize(760, 520);
}

void JobsDialog::fill() {
    std::string error;
    const std::vector<archive::Job> jobs = archive_.jobs(error);
    table_->setRowCount(static_cast<int>(jobs.size()));
    for (std::size_t row = 0; row < jobs.size(); ++row) {
        const archive::Job& j = jobs[row];
        SetRow(table_, static_cast<int>(row),
               {j.name, j.project, j.structure, j.coating, j.client, j.notes});
    }
    table_->resizeColumnsToContents();
    if (!error.empty() && messageBox_ != nullptr)
        messageBox_->show("The jobs cannot be read: " + error);
}

bool JobsDialog::addJob() {
    archive::Job job;
    job.name = Plain(name_);
    job.project = Plain(project_);
    job.structure = Plain(structure_);
    job.coating = Plain(coating_);
    job.client = Plain(client_);
    job.notes = notes_->toPlainText().trimmed().toStdString();
    if (const std::string error = archive_.addJob(job); !error.empty()) {
        if (messageBox_ != nullptr) messageBox_->show(error);
        return false;
    }
    for (QLineEdit* edit : {name_, project_, structure_, coating_, client_}) edit->clear();
    notes_->clear();
    fill();
    return true;
}

GaugesDialog::GaugesDialog(archive::Archive& archive, MessageBox* messageBox, QWidget* parent)
    : QDialog(parent), archive_(archive), messageBox_(messageBox) {
    setObjectName(QStringLiteral("GaugesDialog"));
    setWindowTitle(QStringLiteral("Gauges"));
    setFont(MsSansSerifFont(8.25));
    GreyPlaceholders(this);
    table_ = Table("Gauges", {"Make and model", "Serial", "USB serial", "Probe", "Certificate",
                              "Calibrated", "Next due"});
    table_->setAccessibleName(QStringLiteral("Gauges"));
    model_ = Field("GaugeModel");
    serial_ = Field("GaugeSerial");
    usbSerial_ = Field("GaugeUsbSerial", "as the records name it");
    probe_ = Field("GaugeProbe");
    certificate_ = Field("CalibrationCertificate");
    calibratedOn_ = Field("CalibratedOn", "YYYY-MM-DD");
    nextDue_ = Field("NextDue", "YYYY-MM-DD");

    auto* gaugeBox = new QGroupBox(QStringLiteral("New gauge"));
    auto* gaugeForm = new QFormLayout(gaugeBox);
    gaugeForm->addRow(QStringLiteral("&Make and model:"), model_);
    gaugeForm->addRow(QStringLiteral("&Serial:"), serial_);
    gaugeForm->addRow(QStringLiteral("&USB serial:"), usbSerial_);
    gaugeForm->addRow(QStringLiteral("&Probe:"), probe_);
    auto* add = new QPushButton(QStringLiteral("&Add gauge"));
    add->setObjectName(QStringLiteral("AddGauge"));
    gaugeForm->addRow(QString(), add);
    connect(add, &QPushButton::clicked, this, &GaugesDialog::addGauge);

    auto* calibrationBox = new QGroupBox(QStringLiteral("Calibration"));
    auto* calibrationForm = new QFormLayout(calibrationBox);
    calibrationForm->addRow(QStringLiteral("&Certificate:"), certificate_);
    calibrationForm->addRow(QStringLiteral("Ca&librated on:"), calibratedOn_);
    calibrationForm->addRow(QStringLiteral("&Next due:"), nextDue_);
    auto* calibrate = new QPushButton(QStringLiteral("Add to the selected &gauge"));
    calibrate->setObjectName(QStringLiteral("AddCalibration"));
    calibrationForm->addRow(QString(), calibrate);
    connect(calibrate, &QPushButton::clicked, this, &GaugesDialog::addCalibration);

    auto* forms = new QHBoxLayout;
    forms->addWidget(gaugeBox);
    forms->addWidget(calibrationBox);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(forms);
    layout->addWidget(CloseButton(this));
    fill();
    resize(820, 480);
}

void GaugesDialog::fill() {
    std::string error;
    gauges_ = archive_.gauges(error);
    table_->setRowCount(static_cast<int>(gauges_.size()));
    for (std::size_t row = 0; row < gauges_.size(); ++row) {
        const archive::Gauge& g = gauges_[row];
        const archive::Calibration c = g.calibration.value_or(archive::Calibration{});
        SetRow(table_, static_cast<int>(row),
               {g.makeModel, g.serial, g.usbSerial, g.probe, c.certificate, c.calibratedOn,
                c.nextDue});
    }
    table_->resizeColumnsToContents();
    if (!error.empty()) report("The gauges cannot be read: " + error);
}

bool GaugesDialog::report(const std::string& error) {
    if (error.empty()) return true;
    if (messageBox_ != nullptr) messageBox_->show(error);
    return false;
}

// The calibration typed, when any of its fields is filled.
std::optional<archive::Calibration> GaugesDialog::calibrationFields() const {
    archive::Calibration c{Plain(certificate_), Plain(calibratedOn_), Plain(nextDue_)};
    if (c.certificate.empty() && c.calibratedOn.empty() && c.nextDue.empty()) return std::nullopt;
    return c;
}

bool GaugesDialog::addGauge() {
    archive::Gauge gauge;
    gauge.makeModel = Plain(model_);
    gauge.serial = Plain(serial_);
    gauge.usbSerial = Plain(usbSerial_);
    gauge.probe = Plain(probe_);
    gauge.calibration = calibrationFields();
    const bool added = report(archive_.addGauge(gauge));
    if (!gauge.id.empty()) {  // the gauge is stored even when its calibration was not
        for (QLineEdit* edit : {model_, serial_, usbSerial_, probe_}) edit->clear();
        if (added)
            for (QLineEdit* edit : {certificate_, calibratedOn_, nextDue_}) edit->clear();
        fill();
    }
    return added;
}

bool GaugesDialog::addCalibration() {
    const int row = table_->currentRow();
    if (row < 0 || row >= static_cast<int>(gauges_.size()))
        return report("Select the gauge that was calibrated.");
    const std::optional<archive::Calibration> calibration = calibrationFields();
    if (!calibration) return report("Give the certificate and the dates of the calibration.");
    if (!report(archive_.addCalibration(gauges_[static_cast<std::size_t>(row)].id, *calibration)))
        return false;
    for (QLineEdit* edit : {certificate_, calibratedOn_, nextDue_}) edit->clear();
    fill();
    table_->selectRow(row);
    return true;
}

}  // namespace zepra
