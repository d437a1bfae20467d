#include "ui/report_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "data/thickness_format.h"
#include "ui/fonts.h"

namespace zepra {
namespace {

// The combo's entries, in InspectionStandard order; also the remembered names.
const char* const kStandardNames[] = {"None", "ISO 19840", "IMO PSPC", "SSPC-PA 2"};
const char* const kRoughnessNames[] = {"None", "Fine (10 um)", "Medium (25 um)", "Coarse (40 um)"};
const char* const kPageNames[] = {"A4", "Letter"};

const QColor kPassColour(0, 128, 0);
const QColor kFailColour(192, 0, 0);

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Plain(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

QString UnitName(std::int32_t unitIsMils) {
    return unitIsMils == 1 ? QStringLiteral("mils") : QStringLiteral("um");
}

QLineEdit* Field(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QComboBox* Choices(const char* name, std::initializer_list<const char*> entries) {
    auto* combo = new QComboBox;
    combo->setObjectName(QString::fromLatin1(name));
    for (const char* entry : entries) combo->addItem(QString::fromLatin1(entry));
    return combo;
}

QTableWidget* Table(const char* name, const QStringList& headers) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()));
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(20);
    table->horizontalHeader()->setHighlightSections(false);
    return table;
}

// One label column width for forms stacked above each other, so that their fields line up.
void AlignLabelColumns(std::initializer_list<QFormLayout*> forms) {
    int width = 0;
    for (QFormLayout* form : forms) {
        for (int row = 0; row < form->rowCount(); ++row) {
            if (QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole)) {
                width = std::max(width, label->widget()->sizeHint().width());
            }
        }
    }
    for (QFormLayout* form : forms) {
        for (int row = 0; row < form->rowCount(); ++row) {
            if (QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole)) {
                label->widget()->setMinimumWidth(width);
            }
        }
    }
}

}  // namespace

InspectionDialog::InspectionDialog(const GroupSlot& group, std::int32_t unitIsMils,
                                   QSettings* settings, QWidget* parent)
    : QDialog(parent), group_(group), unitIsMils_(unitIsMils), settings_(settings) {
    setObjectName(QStringLiteral("InspectionDialog"));
    setWindowTitle(QStringLiteral("Inspection Report"));
    FollowDeviceRatio(this, MsSansSerifFont(8.25));
    // Grey defaults in the empty fields, so that they do not read as typed values.
    QPalette greyDefaults = palette();
    greyDefaults.setColor(QPalette::PlaceholderText, QColor(128, 128, 128));
    setPalette(greyDefaults);

    auto* left = new QVBoxLayout;
    QGroupBox* job = buildJob();
    left->addWidget(job);
    left->addWidget(buildStandard());
    AlignLabelColumns({qobject_cast<QFormLayout*>(job->layout()), parameterForm_});
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(buildExclusions());
    right->addWidget(buildCriteria(), 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 0);
    columns->addLayout(right, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setIcon(QIcon());  // like Save PDF...: no icons
    save_ = buttons->addButton(QStringLiteral("Save PDF..."), QDialogButtonBox::AcceptRole);
    save_->setObjectName(QStringLiteral("SavePdf"));
    save_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &InspectionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &InspectionDialog::reject);
    page_ = Choices("Page", {kPageNames[0], kPageNames[1]});
    page_->setAccessibleName(QStringLiteral("Page size"));
    auto* bottom = new QHBoxLayout;
    auto* pageLabel = new QLabel(QStringLiteral("Page size:"));
    pageLabel->setBuddy(page_);  // on Linux a combo box is named by the label that it is buddy of
    bottom->addWidget(pageLabel);
    bottom->addWidget(page_);
    bottom->addStretch();
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(bottom);

    load();
    showParameters();
    judge();
    for (QLineEdit* edit : {ndft_, minimum_, maximum_, readingsPerSpot_, spotsPerArea_, area_}) {
        connect(edit, &QLineEdit::textChanged, this, &InspectionDialog::judge);
    }
    connect(standard_, &QComboBox::currentIndexChanged, this, [this] {
        showParameters();
        judge();
    });
    connect(roughness_, &QComboBox::currentIndexChanged, this, &InspectionDialog::judge);
    connect(exclusions_, &QTableWidget::itemChanged, this, &InspectionDialog::judge);
    resize(980, 600);
}

QGroupBox* InspectionDialog::buildJob() {
    auto* box = new QGroupBox(QStringLiteral("Job"));
    box->setObjectName(QStringLiteral("JobBox"));
    auto* form = new QFormLayout(box);
    project_ = Field("Project");
    structure_ = Field("Structure");
    coating_ = Field("Coating");
    coating_->setPlaceholderText(QStringLiteral("product and coat"));
    inspector_ = Field("Inspector");
    notes_ = new QPlainTextEdit;
    notes_->setObjectName(QStringLiteral("Notes"));
    notes_->setTabChangesFocus(true);
    notes_->setFixedHeight(notes_->fontMetrics().lineSpacing() * 4 + 10);
    form->addRow(QStringLiteral("Project:"), project_);
    form->addRow(QStringLiteral("Structure or area:"), structure_);
    form->addRow(QStringLiteral("Coating:"), coating_);
    form->addRow(QStringLiteral("Inspector:"), inspector_);
    form->addRow(QStringLiteral("Notes:"), notes_);
    box->setMinimumWidth(360);
    return box;
}

QGroupBox* InspectionDialog::buildStandard() {
    auto* box = new QGroupBox(QStringLiteral("Standard"));
    box->setObjectName(QStringLiteral("StandardBox"));
    parameterForm_ = new QFormLayout(box);
    standard_ = Choices(
        "Standard", {kStandardNames[0], kStandardNames[1], kStandardNames[2], kStandardNames[3]});
    ndft_ = Field("Ndft");
    minimum_ = Field("Minimum");
    maximum_ = Field("Maximum");
    roughness_ = Choices("Roughness", {kRoughnessNames[0], kRoughnessNames[1], kRoughnessNames[2],
                                       kRoughnessNames[3]});
    readingsPerSpot_ = Field("ReadingsPerSpot");
    spotsPerArea_ = Field("SpotsPerArea");
    area_ = Field("Area");
    const QString unit = QStringLiteral(" (") + UnitName(unitIsMils_) + QStringLiteral("):");
    parameterForm_->addRow(QStringLiteral("Standard:"), standard_);
    // One row per StandardParameter; the chosen standard's rows show.
    parameterForm_->addRow(Text(ParameterName(StandardParameter::Ndft)) + unit, ndft_);
    parameterForm_->addRow(Text(ParameterName(StandardParameter::Minimum)) + unit, minimum_);
    parameterForm_->addRow(Text(ParameterName(StandardParameter::Maximum)) + unit, maximum_);
    parameterForm_->addRow(Text(ParameterName(StandardParameter::Roughness)) + QLatin1Char(':'),
                           roughness_);
    parameterForm_->addRow(
        Text(ParameterName(StandardParameter::ReadingsPerSpot)) + QLatin1Char(':'),
        readingsPerSpot_);
    parameterForm_->addRow(Text(ParameterName(StandardParameter::SpotsPerArea)) + QLatin1Char(':'),
                           spotsPerArea_);
    parameterForm_->addRow(Text(ParameterName(StandardParameter::Area)) + QLatin1Char(':'), area_);
    for (const auto& [p, edit] : {std::pair{StandardParameter::Ndft, ndft_},
                                  std::pair{StandardParameter::Minimum, minimum_},
                                  std::pair{StandardParameter::Maximum, maximum_},
                                  std::pair{StandardParameter::ReadingsPerSpot, readingsPerSpot_},
                                  std::pair{StandardParameter::SpotsPerArea, spotsPerArea_},
                                  std::pair{StandardParameter::Area, area_}}) {
        edit->setPlaceholderText(Text(DefaultText(p, group_, unitIsMils_)));
    }
    return box;
}

QGroupBox* InspectionDialog::buildExclusions() {
    exclusionBox_ = new QGroupBox(QStringLiteral("Readings left out"));
    exclusionBox_->setObjectName(QStringLiteral("ExclusionBox"));
    auto* layout = new QVBoxLayout(exclusionBox_);
    exclusions_ = Table("Exclusions", {QStringLiteral("Reading"), QStringLiteral("Reason")});
    exclusions_->setAccessibleName(exclusionBox_->title());  // a screen reader names the table
    exclusions_->setColumnWidth(0, 70);
    exclusions_->horizontalHeader()->setStretchLastSection(true);
    exclusions_->setSelectionBehavior(QAbstractItemView::SelectRows);
    exclusions_->setFixedHeight(5 * 20 + exclusions_->horizontalHeader()->sizeHint().height() + 4);
    auto* add = new QPushButton(QStringLiteral("Add"));
    add->setObjectName(QStringLiteral("AddExclusion"));
    auto* remove = new QPushButton(QStringLiteral("Remove"));
    remove->setObjectName(QStringLiteral("RemoveExclusion"));
    connect(add, &QPushButton::clicked, this, [this] {
        const int row = exclusions_->rowCount();
        exclusions_->insertRow(row);
        exclusions_->setCurrentCell(row, 0);
        exclusions_->editItem(exclusions_->item(row, 0));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (exclusions_->currentRow() < 0) return;
        exclusions_->removeRow(exclusions_->currentRow());
        judge();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addWidget(exclusions_);
    layout->addLayout(buttons);
    return exclusionBox_;
}

QGroupBox* InspectionDialog::buildCriteria() {
    criteriaBox_ = new QGroupBox(QStringLiteral("Criteria"));
    criteriaBox_->setObjectName(QStringLiteral("CriteriaBox"));
    auto* layout = new QVBoxLayout(criteriaBox_);
    criteria_ = Table("Criteria", {QStringLiteral("Criterion"), QStringLiteral("Required"),
                                   QStringLiteral("Measured"), QStringLiteral("Result")});
    criteria_->setAccessibleName(criteriaBox_->title());
    criteria_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    criteria_->setSelectionMode(QAbstractItemView::NoSelection);
    criteria_->setFocusPolicy(Qt::NoFocus);
    criteria_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column) {
        criteria_->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    notesLine_ = new QLabel;
    notesLine_->setObjectName(QStringLiteral("CheckNotes"));
    notesLine_->setWordWrap(true);
    verdict_ = new QLabel;
    verdict_->setObjectName(QStringLiteral("Verdict"));
    verdict_->setFont(ArialFont(18, true));
    verdict_->setAlignment(Qt::AlignCenter);
    layout->addWidget(criteria_, 1);
    layout->addWidget(notesLine_);
    layout->addWidget(verdict_);
    return criteriaBox_;
}

void InspectionDialog::showParameters() {
    const auto used = ParametersOf(static_cast<InspectionStandard>(standard_->currentIndex()));
    auto shows = [&](StandardParameter p) {
        return std::find(used.begin(), used.end(), p) != used.end();
    };
    parameterForm_->setRowVisible(ndft_, shows(StandardParameter::Ndft));
    parameterForm_->setRowVisible(minimum_, shows(StandardParameter::Minimum));
    parameterForm_->setRowVisible(maximum_, shows(StandardParameter::Maximum));
    parameterForm_->setRowVisible(roughness_, shows(StandardParameter::Roughness));
    parameterForm_->setRowVisible(readingsPerSpot_, shows(StandardParameter::ReadingsPerSpot));
    parameterForm_->setRowVisible(spotsPerArea_, shows(StandardParameter::SpotsPerArea));
    parameterForm_->setRowVisible(area_, shows(StandardParameter::Area));
    exclusionBox_->setEnabled(!used.empty());
    criteriaBox_->setEnabled(!used.empty());
}

StandardChoice InspectionDialog::choice() const {
    StandardChoice choice;
    choice.standard = static_cast<InspectionStandard>(standard_->currentIndex());
    choice.ndft = Plain(ndft_);
    choice.minimum = Plain(minimum_);
    choice.maximum = Plain(maximum_);
    choice.roughness = static_cast<coating::Roughness>(roughness_->currentIndex());
    choice.readingsPerSpot = Plain(readingsPerSpot_);
    choice.spotsPerArea = Plain(spotsPerArea_);
    choice.area = Plain(area_);
    for (int row = 0; row < exclusions_->rowCount(); ++row) {
        auto cell = [&](int column) {
            const QTableWidgetItem* item = exclusions_->item(row, column);
            return item != nullptr ? item->text().trimmed().toStdString() : std::string();
        };
        choice.exclusions.push_back({cell(0), cell(1)});
    }
    return choice;
}

void InspectionDialog::judge() {
    criteria_->setRowCount(0);
    const StandardChoice chosen = choice();
    if (chosen.standard == InspectionStandard::None) {
        section_.reset();
        notesLine_->setText(
            QStringLiteral("No standard: the report shows the readings and "
                           "their statistics without a verdict."));
        verdict_->clear();
        save_->setEnabled(true);
        return;
    }
    section_ = JudgeChoice(chosen, group_, unitIsMils_);
    const coating::Verdict& verdict = section_->verdict;
    if (!verdict.error.empty()) {
        notesLine_->setText(Text(verdict.error));
        verdict_->setText(QStringLiteral("NO VERDICT"));
        verdict_->setStyleSheet(QStringLiteral("color: %1").arg(kFailColour.name()));
        save_->setEnabled(false);
        return;
    }
    criteria_->setRowCount(static_cast<int>(verdict.criteria.size()));
    for (int row = 0; row < criteria_->rowCount(); ++row) {
        const coating::Criterion& c = verdict.criteria[static_cast<std::size_t>(row)];
        const QString cells[] = {Text(c.name), Text(c.required), Text(c.measured),
                                 c.passed ? QStringLiteral("pass") : QStringLiteral("FAIL")};
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column == 3) item->setForeground(c.passed ? kPassColour : kFailColour);
            criteria_->setItem(row, column, item);
        }
    }
    QStringList notes;
    for (const std::string& note : verdict.notes) notes << Text(note);
    notesLine_->setText(notes.join(QLatin1Char('\n')));
    const bool passed = verdict.passed();
    verdict_->setText(passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    verdict_->setStyleSheet(
        QStringLiteral("color: %1").arg((passed ? kPassColour : kFailColour).name()));
    save_->setEnabled(true);
}

inspection::JobDetails InspectionDialog::job() const {
    return {Plain(project_), Plain(structure_), Plain(coating_), Plain(inspector_),
            notes_->toPlainText().trimmed().toStdString()};
}

inspection::PageSize InspectionDialog::pageSize() const {
    return page_->currentIndex() == 1 ? inspection::PageSize::Letter : inspection::PageSize::A4;
}

void InspectionDialog::accept() {
    if (!save_->isEnabled()) return;  // a standard without a verdict
    remember();
    QDialog::accept();
}

// Thickness values are remembered with the unit they were typed in, and shown converted when the
// program runs in the other unit.
void InspectionDialog::load() {
    if (settings_ == nullptr) return;
    QSettings& s = *settings_;
    s.beginGroup(QStringLiteral("inspection"));
    project_->setText(s.value(QStringLiteral("project")).toString());
    structure_->setText(s.value(QStringLiteral("structure")).toString());
    coating_->setText(s.value(QStringLiteral("coating")).toString());
    inspector_->setText(s.value(QStringLiteral("inspector")).toString());
    notes_->setPlainText(s.value(QStringLiteral("notes")).toString());
    auto pick = [&](QComboBox* combo, const char* key) {
        const int index = combo->findText(s.value(QString::fromLatin1(key)).toString());
        if (index >= 0) combo->setCurrentIndex(index);
    };
    pick(standard_, "standard");
    pick(roughness_, "roughness");
    pick(page_, "page");
    const bool otherUnit = s.value(QStringLiteral("unit")).toString() != UnitName(unitIsMils_);
    for (auto [edit, key] : {std::pair{ndft_, "ndft"}, std::pair{minimum_, "minimum"},
                             std::pair{maximum_, "maximum"}}) {
        const std::string text = s.value(QString::fromLatin1(key)).toString().toStdString();
        double value = 0;
        if (otherUnit && ParseNumber(text, value)) {
            // To the gauge's resolution: 0.001 mils, 0.1 um.
            const double converted =
                unitIsMils_ == 1 ? value / kMicrometresPerMil : value * kMicrometresPerMil;
            const double steps = unitIsMils_ == 1 ? 1000.0 : 10.0;
            edit->setText(Text(NumberToText(std::round(converted * steps) / steps)));
        } else {
            edit->setText(Text(text));
        }
    }
    readingsPerSpot_->setText(s.value(QStringLiteral("readingsPerSpot")).toString());
    spotsPerArea_->setText(s.value(QStringLiteral("spotsPerArea")).toString());
    area_->setText(s.value(QStringLiteral("area")).toString());
    s.endGroup();
}

void InspectionDialog::remember() const {
    if (settings_ == nullptr) return;
    QSettings& s = *settings_;
    s.beginGroup(QStringLiteral("inspection"));
    s.setValue(QStringLiteral("project"), project_->text().trimmed());
    s.setValue(QStringLiteral("structure"), structure_->text().trimmed());
    s.setValue(QStringLiteral("coating"), coating_->text().trimmed());
    s.setValue(QStringLiteral("inspector"), inspector_->text().trimmed());
    s.setValue(QStringLiteral("notes"), notes_->toPlainText().trimmed());
    s.setValue(QStringLiteral("standard"), standard_->currentText());
    s.setValue(QStringLiteral("roughness"), roughness_->currentText());
    s.setValue(QStringLiteral("page"), page_->currentText());
    s.setValue(QStringLiteral("unit"), UnitName(unitIsMils_));
    s.setValue(QStringLiteral("ndft"), ndft_->text().trimmed());
    s.setValue(QStringLiteral("minimum"), minimum_->text().trimmed());
    s.setValue(QStringLiteral("maximum"), maximum_->text().trimmed());
    s.setValue(QStringLiteral("readingsPerSpot"), readingsPerSpot_->text().trimmed());
    s.setValue(QStringLiteral("spotsPerArea"), spotsPerArea_->text().trimmed());
    s.setValue(QStringLiteral("area"), area_->text().trimmed());
    s.endGroup();
    s.sync();
}

}  // namespace zepra
