#include "ui/record_dialog.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <optional>
#include <tuple>

#include "data/thickness_format.h"
#include "data/typed_number.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/report_check.h"

namespace zepra {
namespace {

const QColor kFlagColour(192, 0, 0);

QLineEdit* Field(const char* name, const std::string& text) {
    auto* edit = new QLineEdit(QString::fromStdString(text));
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QString NumberText(const std::optional<double>& value) {
    return value ? QString::fromStdString(NumberToText(*value)) : QString();
}

std::string Plain(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

// A number field: empty is none; `ok` false when it is no number from lowest to highest.
std::optional<double> Number(const QLineEdit* edit, double lowest, double highest, bool& ok) {
    const std::string text = Plain(edit);
    if (text.empty()) return std::nullopt;
    // Read as every typed number is: a digit grouping is never taken for a decimal.
    const std::optional<double> value = ReadTypedDouble(text, nullptr, true);
    if (!value || *value < lowest || *value > highest) {
        ok = false;
        return std::nullopt;
    }
    return value;
}

struct Range {
    double lowest;
    double highest;
};
constexpr Range kAir{-50, 80};  // as zepra-cli report takes them
constexpr Range kSteel{-50, 120};
constexpr Range kHumidity{1, 100};

// The settings' keys, one per text field of the record.
struct TextKey {
    const char* key;
    std::string inspection::InspectionRecord::*field;
};
constexpr TextKey kTextKeys[] = {
    {"gaugeMake", &inspection::InspectionRecord::gaugeMake},
    {"gaugeModel", &inspection::InspectionRecord::gaugeModel},
    {"gaugeSerial", &inspection::InspectionRecord::gaugeSerial},
    {"probe", &inspection::InspectionRecord::probe},
    {"calibrationCertificate", &inspection::InspectionRecord::calibrationCertificate},
    {"calibrationDate", &inspection::InspectionRecord::calibrationDate},
    {"zeroCheck", &inspection::InspectionRecord::zeroCheck},
    {"surfacePreparation", &inspection::InspectionRecord::surfacePreparation},
    {"surfaceProfile", &inspection::InspectionRecord::surfaceProfile},
    {"inspectorQualification", &inspection::InspectionRecord::inspectorQualification},
    {"inspectorPosition", &inspection::InspectionRecord::inspectorPosition},
    {"clientName", &inspection::InspectionRecord::clientName},
    {"clientPosition", &inspection::InspectionRecord::clientPosition},
};
struct NumberKey {
    const char* key;
    std::optional<double> inspection::InspectionRecord::*field;
};
constexpr NumberKey kNumberKeys[] = {
    {"airCelsius", &inspection::InspectionRecord::airCelsius},
    {"steelCelsius", &inspection::InspectionRecord::steelCelsius},
    {"relativeHumidity", &inspection::InspectionRecord::relativeHumidity},
};

}  // namespace

InspectionRecordDialog::InspectionRecordDialog(const inspection::InspectionRecord& r,
                                               QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("InspectionRecordDialog"));
    setWindowTitle(QStringLiteral("Gauge, Calibration and Conditions"));
    FollowDeviceRatio(this, MsSansSerifFont(8.25));
    QPalette greyDefaults = palette();
    greyDefaults.setColor(QPalette::PlaceholderText, QColor(128, 128, 128));
    setPalette(greyDefaults);

    make_ = Field("GaugeMake", r.gaugeMake);
    model_ = Field("GaugeModel", r.gaugeModel);
    serial_ = Field("GaugeSerial", r.gaugeSerial);
    probe_ = Field("Probe", r.probe);
    certificate_ = Field("CalibrationCertificate", r.calibrationCertificate);
    calibrated_ = Field("CalibrationDate", r.calibrationDate);
    calibrated_->setPlaceholderText(QStringLiteral("yyyy-mm-dd"));
    zeroCheck_ = Field("ZeroCheck", r.zeroCheck);
    zeroCheck_->setPlaceholderText(QStringLiteral("zero on bare steel, 50 and 250 um shims"));
    preparation_ = Field("SurfacePreparation", r.surfacePreparation);
    preparation_->setPlaceholderText(QStringLiteral("Sa 2 1/2"));
    profile_ = Field("SurfaceProfile", r.surfaceProfile);
    profile_->setPlaceholderText(QStringLiteral("medium (G), 60 um"));
    air_ = Field("AirCelsius", {});
    air_->setText(NumberText(r.airCelsius));
    steel_ = Field("SteelCelsius", {});
    steel_->setText(NumberText(r.steelCelsius));
    humidity_ = Field("RelativeHumidity", {});
    humidity_->setText(NumberText(r.relativeHumidity));
    qualification_ = Field("Qualification", r.inspectorQualification);
    qualification_->setPlaceholderText(QStringLiteral("certificate and level"));
    inspectorPosition_ = Field("InspectorPosition", r.inspectorPosition);
    client_ = Field("Client", r.clientName);
    clientPosition_ = Field("ClientPosition", r.clientPosition);
    dewPoint_ = new QLabel;
    dewPoint_->setObjectName(QStringLiteral("DewPoint"));
    dewPoint_->setWordWrap(true);

    // Every label has a letter of its own in this dialog.
    auto box = [](const char* title, const char* name,
                  std::initializer_list<std::pair<const char*, QWidget*>> rows) {
        auto* group = new QGroupBox(QString::fromUtf8(title));
        group->setObjectName(QString::fromLatin1(name));
        auto* form = new QFormLayout(group);
        for (const auto& [label, field] : rows) form->addRow(QString::fromUtf8(label), field);
        return group;
    };
    QGroupBox* gauge = box("Gauge", "GaugeBox",
                           {{"&Make:", make_},
                            {"M&odel:", model_},
                            {"&Serial number:", serial_},
                            {"&Probe:", probe_},
                            {"Calibration &certificate:", certificate_},
                            {"Calibration &date:", calibrated_},
                            {"&Zero and shims:", zeroCheck_}});
    QGroupBox* surface = box("Surface and conditions", "ConditionsBox",
                             {{"Surface pr&eparation:", preparation_},
                              {"Surface pro&file:", profile_},
                              {"&Air temperature (\u00b0C):", air_},
                              {"S&teel temperature (\u00b0C):", steel_},
                              {"Relative &humidity (%):", humidity_}});
    QGroupBox* signing = box("Signatures", "SignaturesBox",
                             {{"Inspector's &qualification:", qualification_},
                              {"Inspector's pos&ition:", inspectorPosition_},
                              {"Clie&nt:", client_},
                              {"Client's posit&ion:", clientPosition_}});

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("RecordOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("RecordCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // Two columns of equal width: the dew point's line wraps rather than squeezing the gauge's.
    for (QGroupBox* group : {gauge, surface, signing}) group->setMinimumWidth(400);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(gauge);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(surface);
    right->addWidget(signing);
    right->addStretch();
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(dewPoint_);  // across the dialog: the conditions' line is long
    layout->addWidget(buttons);

    for (QLineEdit* edit : {calibrated_, air_, steel_, humidity_})
        connect(edit, &QLineEdit::textChanged, this, &InspectionRecordDialog::update);
    update();
    resize(840, sizeHint().height());
}

QString InspectionRecordDialog::problem() const {
    const std::string date = Plain(calibrated_);
    if (!date.empty() &&
        (date.size() != 10 ||
         !QDate::fromString(QString::fromStdString(date), Qt::ISODate).isValid())) {
        return QStringLiteral("The calibration date must be a date such as 2026-01-31.");
    }
    for (const auto& [edit, range, what] :
         {std::tuple{air_, kAir, "air temperature"},
          std::tuple{steel_, kSteel, "steel temperature"},
          std::tuple{humidity_, kHumidity, "relative humidity"}}) {
        bool ok = true;
        Number(edit, range.lowest, range.highest, ok);
        if (!ok) {
            return QStringLiteral("The %1 must be a number from %2 to %3.")
                .arg(QLatin1String(what))
                .arg(range.lowest)
                .arg(range.highest);
        }
    }
    return {};
}

void InspectionRecordDialog::update() {
    const QString wrong = problem();
    ok_->setEnabled(wrong.isEmpty());
    bool flagged = false;
    const QString line = wrong.isEmpty() ? inspection::ConditionsLine(record(), &flagged) : wrong;
    dewPoint_->setText(line);
    SetPaletteColour(
        dewPoint_, QPalette::WindowText,
        flagged || !wrong.isEmpty() ? kFlagColour : palette().color(QPalette::WindowText));
}

inspection::InspectionRecord InspectionRecordDialog::record() const {
    inspection::InspectionRecord r;
    r.gaugeMake = Plain(make_);
    r.gaugeModel = Plain(model_);
    r.gaugeSerial = Plain(serial_);
    r.probe = Plain(probe_);
    r.calibrationCertificate = Plain(certificate_);
    r.calibrationDate = Plain(calibrated_);
    r.zeroCheck = Plain(zeroCheck_);
    r.surfacePreparation = Plain(preparation_);
    r.surfaceProfile = Plain(profile_);
    bool ok = true;
    r.airCelsius = Number(air_, kAir.lowest, kAir.highest, ok);
    r.steelCelsius = Number(steel_, kSteel.lowest, kSteel.highest, ok);
    r.relativeHumidity = Number(humidity_, kHumidity.lowest, kHumidity.highest, ok);
    r.inspectorQualification = Plain(qualification_);
    r.inspectorPosition = Plain(inspectorPosition_);
    r.clientName = Plain(client_);
    r.clientPosition = Plain(clientPosition_);
    return r;
}

inspection::InspectionRecord LoadInspectionRecord(QSettings* settings) {
    inspection::InspectionRecord r;
    if (settings == nullptr) return r;
    settings->beginGroup(QStringLiteral("inspection/record"));
    for (const TextKey& k : kTextKeys)
        r.*k.field = settings->value(QString::fromLatin1(k.key)).toString().toStdString();
    for (const NumberKey& k : kNumberKeys) {
        bool ok = false;
        const double value = settings->value(QString::fromLatin1(k.key)).toDouble(&ok);
        if (ok) r.*k.field = value;
    }
    settings->endGroup();
    return r;
}

void RememberInspectionRecord(QSettings* settings, const inspection::InspectionRecord& r) {
    if (settings == nullptr) return;
    settings->beginGroup(QStringLiteral("inspection/record"));
    for (const TextKey& k : kTextKeys)
        settings->setValue(QString::fromLatin1(k.key), QString::fromStdString(r.*k.field));
    for (const NumberKey& k : kNumberKeys) {
        if (r.*k.field) {
            settings->setValue(QString::fromLatin1(k.key), *(r.*k.field));
        } else {
            settings->remove(QString::fromLatin1(k.key));
        }
    }
    settings->endGroup();
}

QString RecordSummary(const inspection::InspectionRecord& r) {
    QStringList parts;
    const QString gauge = QString::fromStdString(r.gaugeMake + " " + r.gaugeModel).trimmed();
    if (!gauge.isEmpty()) parts << gauge;
    if (!r.gaugeSerial.empty())
        parts << QStringLiteral("serial %1").arg(QString::fromStdString(r.gaugeSerial));
    if (!r.calibrationDate.empty())
        parts << QStringLiteral("calibrated %1").arg(QString::fromStdString(r.calibrationDate));
    if (r.airCelsius && r.steelCelsius && r.relativeHumidity) {
        bool flagged = false;
        inspection::ConditionsLine(r, &flagged);
        parts << (flagged ? QStringLiteral("steel LESS THAN 3 \u00b0C above the dew point")
                          : QStringLiteral("conditions recorded"));
    }
    return parts.isEmpty() ? QStringLiteral("none recorded") : parts.join(QStringLiteral(", "));
}

}  // namespace zepra
