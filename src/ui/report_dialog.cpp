#include "ui/report_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "data/thickness_format.h"
#include "data/typed_number.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/record_dialog.h"

namespace zepra {
namespace {

// The combo's entries, in InspectionStandard order; also the remembered names.
const char* const kStandardNames[] = {"None", "ISO 19840", "IMO PSPC", "SSPC-PA 2"};
const char* const kRoughnessNames[] = {"None", "Fine (10 um)", "Medium (25 um)", "Coarse (40 um)"};
const char* const kPageNames[] = {"A4", "Letter"};

const QColor kPassColour(0, 128, 0);
const QColor kFailColour(192, 0, 0);
constexpr double kLeastContrast = 4.5;  // for text of normal size

// Relative luminance and contrast ratio as the web's accessibility guidelines define them.
double Luminance(const QColor& colour) {
    auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The verdict's green or red in a shade that reads on `background`: as it is where it does,
// otherwise lighter on a dark background (a dark theme) or darker on a light one, step by step
// until it does.
QColor ReadableOn(const QColor& background, const QColor& ink) {
    // Below this luminance white stands out more than black.
    const bool darkBackground = Luminance(background) < 0.18;
    float hue = 0;
    float saturation = 0;
    float lightness = 0;
    ink.getHslF(&hue, &saturation, &lightness);
    QColor readable = ink;
    while (ContrastRatio(readable, background) < kLeastContrast && lightness > 0 && lightness < 1) {
        lightness = std::clamp(lightness + (darkBackground ? 0.02f : -0.02f), 0.0f, 1.0f);
        readable = QColor::fromHslF(hue, saturation, lightness);
    }
    return readable;
}

// The label's text with `letter` (its first occurrence) underlined as the Alt shortcut.
QString WithMnemonic(QString text, QChar letter) {
    const qsizetype at = text.indexOf(letter);
    if (at >= 0) text.insert(at, QLatin1Char('&'));
    return text;
}

// Fusion outlines the focused button as it outlines the default one (Save PDF..., which Enter
// presses): a focus rectangle inside tells the one with the keyboard focus.
class Button final : public QPushButton {
  public:
    using QPushButton::QPushButton;

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPushButton::paintEvent(event);
        if (!hasFocus()) return;
        QStyleOptionButton button;
        initStyleOption(&button);
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &button, this);
        QStylePainter(this).drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
};

// The readings left out. Tab and Shift+Tab leave the table for the dialog's next or previous
// control, as from any other field, also from a cell being typed in (what was typed is kept).
// Ctrl+Tab and Ctrl+Shift+Tab go from cell to cell, typing or not: the item views' own Tab. Enter
// in a cell being typed in keeps the cell and stays in the table; the next Enter saves.
class ExclusionTable final : public QTableWidget {
  public:
    using QTableWidget::QTableWidget;

  protected:
    // Tab without Ctrl (the item view's version moves the current cell).
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

    // An empty table shows no current cell: its frame in the highlight colour shows the focus.
    bool event(QEvent* event) override {
        const bool handled = QTableWidget::event(event);
        if (event->type() == QEvent::Paint && hasFocus()) {
            QPainter painter(this);
            painter.setPen(palette().color(QPalette::Highlight));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        return handled;
    }
    void focusInEvent(QFocusEvent* event) override {
        QTableWidget::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QTableWidget::focusOutEvent(event);
        update();
    }

    // The cell editor ends on every Tab with the hint to edit the next or previous cell; the
    // modifiers of the key that ended it tell which Tab it was.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
        const bool tab = hint == QAbstractItemDelegate::EditNextItem ||
                         hint == QAbstractItemDelegate::EditPreviousItem;
        if (!tab || (QGuiApplication::keyboardModifiers() & Qt::ControlModifier)) {
            QTableWidget::closeEditor(editor, hint);
            return;
        }
        QTableWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
        focusNextPrevChild(hint == QAbstractItemDelegate::EditNextItem);
    }

    // Enter in a cell editor reaches the table after the editor has seen it (the cell is kept a
    // moment later): taken here, it does not go on to the dialog's Save PDF....
    void keyPressEvent(QKeyEvent* event) override {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && state() == EditingState) {
            event->accept();
            return;
        }
        QTableWidget::keyPressEvent(event);
    }
};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Plain(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

// Numbers are remembered in one form for every locale: a plain decimal with '.', marked by
// kNumbersKey. Files without the mark hold the fields as typed under some locale; the dialog never
// took a grouping there, so their one '.' or ',' is the decimal mark.
const QString kNumbersKey = QStringLiteral("numbers");
const QString kPlainNumbers = QStringLiteral("plain");

// The field's number as remembered: the plain decimal, or empty for a field that holds none.
QString RememberedNumber(const QLineEdit* edit) {
    const std::optional<std::string> plain = ReadTypedNumber(Plain(edit), nullptr);
    return plain ? QString::fromStdString(*plain) : QString();
}

// A remembered number as a plain decimal; empty when it is none. Old files: either mark.
std::optional<std::string> PlainOfRemembered(const QString& stored, bool plainForm) {
    std::string text = stored.trimmed().toStdString();
    if (!plainForm) std::replace(text.begin(), text.end(), ',', '.');
    return ReadTypedNumber(text, TypedNumberFormat{'.', ""}, nullptr);
}

// A plain decimal as the field shows it: with the program's decimal separator.
QString ShownNumber(std::string plain) {
    std::replace(plain.begin(), plain.end(), '.', DecimalSeparator());
    return QString::fromStdString(plain);
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

QTableWidget* Table(QTableWidget* table, const char* name, const QStringList& headers) {
    table->setColumnCount(static_cast<int>(headers.size()));
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

    auto* buttons = new QDialogButtonBox;
    save_ = new Button(QStringLiteral("&Save PDF..."));
    save_->setObjectName(QStringLiteral("SavePdf"));
    buttons->addButton(save_, QDialogButtonBox::AcceptRole);
    cancel_ = new Button(QStringLiteral("&Cancel"));
    cancel_->setObjectName(QStringLiteral("Cancel"));
    buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &InspectionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &InspectionDialog::reject);
    page_ = Choices("Page", {kPageNames[0], kPageNames[1]});
    page_->setAccessibleName(QStringLiteral("Page size"));
    auto* pageLabel = new QLabel(QStringLiteral("Pa&ge size:"));
    pageLabel->setBuddy(page_);  // on Linux a combo box is named by the label that it is buddy of
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(buildRecordButton(), 1);
    bottom->addWidget(pageLabel);
    bottom->addWidget(page_);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(bottom);
    // Enter presses Save PDF... from every field; set once the button is in the dialog, which
    // keeps it as the default to return to when a focused button (Cancel) gives Enter up.
    save_->setDefault(true);
    orderTabs();

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
    buildJobPicker(form);
    form->addRow(QStringLiteral("&Project:"), project_);
    form->addRow(QStringLiteral("Str&ucture or area:"), structure_);
    form->addRow(QStringLiteral("C&oating:"), coating_);
    form->addRow(QStringLiteral("&Inspector:"), inspector_);
    form->addRow(QStringLiteral("&Notes:"), notes_);
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
    parameterForm_->addRow(QStringLiteral("S&tandard:"), standard_);
    // One row per StandardParameter; the chosen standard's rows show. Each has a shortcut letter
    // of its own, none shared with the rest of the dialog, whichever rows show.
    struct Row {
        StandardParameter parameter;
        QChar mnemonic;
        QWidget* field;
        bool thickness;
    };
    for (const Row& row : {Row{StandardParameter::Ndft, u'F', ndft_, true},
                           Row{StandardParameter::Minimum, u'M', minimum_, true},
                           Row{StandardParameter::Maximum, u'x', maximum_, true},
                           Row{StandardParameter::Roughness, u'h', roughness_, false},
                           Row{StandardParameter::ReadingsPerSpot, u'e', readingsPerSpot_, false},
                           Row{StandardParameter::SpotsPerArea, u'a', spotsPerArea_, false},
                           Row{StandardParameter::Area, u'r', area_, false}}) {
        const QString name = WithMnemonic(Text(ParameterName(row.parameter)), row.mnemonic);
        parameterForm_->addRow(name + (row.thickness ? unit : QStringLiteral(":")), row.field);
    }
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
    // Its shortcut takes the focus to the table.
    exclusionBox_ = new QGroupBox(QStringLiteral("Readings &left out"));
    exclusionBox_->setObjectName(QStringLiteral("ExclusionBox"));
    auto* layout = new QVBoxLayout(exclusionBox_);
    exclusions_ = Table(new ExclusionTable, "Exclusions",
                        {QStringLiteral("Reading"), QStringLiteral("Reason")});
    exclusions_->setAccessibleName(
        QStringLiteral("Readings left out"));  // a screen reader names the table
    exclusions_->setColumnWidth(0, 70);
    exclusions_->horizontalHeader()->setStretchLastSection(true);
    exclusions_->setSelectionBehavior(QAbstractItemView::SelectRows);
    exclusions_->setFixedHeight(5 * 20 + exclusions_->horizontalHeader()->sizeHint().height() + 4);
    // Never the default button, not even with the focus: Enter saves, and Space presses them.
    add_ = new Button(QStringLiteral("A&dd"));
    add_->setObjectName(QStringLiteral("AddExclusion"));
    add_->setAutoDefault(false);
    remove_ = new Button(QStringLiteral("Remo&ve"));
    remove_->setObjectName(QStringLiteral("RemoveExclusion"));
    remove_->setAutoDefault(false);
    connect(add_, &QPushButton::clicked, this, [this] {
        const int row = exclusions_->rowCount();
        exclusions_->insertRow(row);
        exclusions_->setCurrentCell(row, 0);
        exclusions_->edit(exclusions_->model()->index(row, 0));
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        if (exclusions_->currentRow() < 0) return;
        exclusions_->removeRow(exclusions_->currentRow());
        judge();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(remove_);
    buttons->addStretch();
    layout->addWidget(exclusions_);
    layout->addLayout(buttons);
    return exclusionBox_;
}

QGroupBox* InspectionDialog::buildCriteria() {
    criteriaBox_ = new QGroupBox(QStringLiteral("Criteria"));
    criteriaBox_->setObjectName(QStringLiteral("CriteriaBox"));
    auto* layout = new QVBoxLayout(criteriaBox_);
    criteria_ = Table(new QTableWidget, "Criteria",
                      {QStringLiteral("Criterion"), QStringLiteral("Required"),
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

QWidget* InspectionDialog::buildRecordButton() {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    recordButton_ = new Button(QStringLiteral("Gauge, cali&bration and conditions..."));
    recordButton_->setObjectName(QStringLiteral("EditRecord"));
    recordButton_->setAutoDefault(false);  // Enter saves
    recordSummary_ = new QLabel;
    recordSummary_->setObjectName(QStringLiteral("RecordSummary"));
    connect(recordButton_, &QPushButton::clicked, this, &InspectionDialog::editRecord);
    row->addWidget(recordButton_);
    row->addWidget(recordSummary_, 1);
    return box;
}

void InspectionDialog::editRecord() {
    InspectionRecordDialog editor(record_, this);
    if (editor.exec() == QDialog::Accepted && editor.valid()) record_ = editor.record();
    recordSummary_->setText(RecordSummary(record_));
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
    // In shades that read on this palette's backgrounds, a dark theme's too.
    const QColor tablePass = ReadableOn(criteria_->palette().color(QPalette::Base), kPassColour);
    const QColor tableFail = ReadableOn(criteria_->palette().color(QPalette::Base), kFailColour);
    const QColor behindVerdict = verdict_->palette().color(verdict_->backgroundRole());
    auto showVerdict = [&](const QString& text, const QColor& colour) {
        verdict_->setText(text);
        SetPaletteColour(verdict_, QPalette::WindowText, ReadableOn(behindVerdict, colour));
    };
    if (!verdict.error.empty()) {
        notesLine_->setText(Text(verdict.error));
        showVerdict(QStringLiteral("NO VERDICT"), kFailColour);
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
            if (column == 3) item->setForeground(c.passed ? tablePass : tableFail);
            criteria_->setItem(row, column, item);
        }
    }
    QStringList notes;
    for (const std::string& note : verdict.notes) notes << Text(note);
    if (!verdict.unchecked.empty()) {  // a PASS that did not check everything says so
        QString unchecked = Text(verdict.unchecked);
        unchecked[0] = unchecked[0].toUpper();
        notes << unchecked;
    }
    notesLine_->setText(notes.join(QLatin1Char('\n')));
    const bool passed = verdict.passed();
    showVerdict(passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
                passed ? kPassColour : kFailColour);
    save_->setEnabled(true);
}

inspection::JobDetails InspectionDialog::job() const {
    return {Plain(project_), Plain(structure_), Plain(coating_), Plain(inspector_),
            notes_->toPlainText().trimmed().toStdString()};
}

// The job's name: one of the archive's jobs (they fill the fields below) or a new name.
void InspectionDialog::buildJobPicker(QFormLayout* form) {
    jobName_ = new QComboBox;
    jobName_->setObjectName(QStringLiteral("Job"));
    jobName_->setEditable(true);
    jobName_->setInsertPolicy(QComboBox::NoInsert);
    jobName_->lineEdit()->setPlaceholderText(QStringLiteral("a job of the archive, or a new one"));
    auto* label = new QLabel(QStringLiteral("&Job:"));
    label->setBuddy(jobName_);
    form->addRow(label, jobName_);
    connect(jobName_, &QComboBox::activated, this, &InspectionDialog::pickJob);
}

void InspectionDialog::offerJobs(std::vector<archive::Job> jobs) {
    const QString typed = jobName_->currentText();
    jobs_ = std::move(jobs);
    jobName_->clear();
    for (const archive::Job& job : jobs_) jobName_->addItem(Text(job.name));
    jobName_->setCurrentIndex(-1);
    jobName_->setEditText(typed);
}

void InspectionDialog::pickJob(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= jobs_.size()) return;
    const archive::Job& job = jobs_[static_cast<std::size_t>(index)];
    project_->setText(Text(job.project));
    structure_->setText(Text(job.structure));
    coating_->setText(Text(job.coating));
}

archive::Job InspectionDialog::chosenJob() const {
    archive::Job job;
    job.name = jobName_->currentText().trimmed().toStdString();
    job.project = Plain(project_);
    job.structure = Plain(structure_);
    job.coating = Plain(coating_);
    if (job.name.empty()) job.name = job.project;
    for (const archive::Job& offered : jobs_) {
        if (offered.name == job.name) {
            job.id = offered.id;
            job.client = offered.client;
            job.notes = offered.notes;
        }
    }
    return job;
}

inspection::PageSize InspectionDialog::pageSize() const {
    return page_->currentIndex() == 1 ? inspection::PageSize::Letter : inspection::PageSize::A4;
}

void InspectionDialog::accept() {
    if (!save_->isEnabled()) return;  // a standard without a verdict
    // The step runs the Save dialog's event loop, in which the window that owns this dialog may
    // close and take it along: the step is called from a copy, and nothing here is touched after
    // that unless the dialog is still there.
    const QPointer<InspectionDialog> alive(this);
    const std::function<bool()> step = saveStep_;
    if (step && !step()) return;
    if (alive.isNull()) return;
    remember();
    QDialog::accept();
}

void InspectionDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && verdict_ != nullptr) judge();
}

// Top to bottom, left column first, then the buttons as they stand from left to right (the
// button box adds its buttons in an order of its own).
void InspectionDialog::orderTabs() {
    QWidget* const order[] = {jobName_,   project_,         structure_,    coating_, inspector_,
                              notes_,     standard_,        ndft_,         minimum_, maximum_,
                              roughness_, readingsPerSpot_, spotsPerArea_, area_,    exclusions_,
                              add_,       remove_,          recordButton_, page_,    save_,
                              cancel_};
    for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

// Thickness values are remembered with the unit they were typed in, and shown converted when the
// program runs in the other unit.
void InspectionDialog::load() {
    record_ = LoadInspectionRecord(settings_);
    recordSummary_->setText(RecordSummary(record_));
    if (settings_ == nullptr) return;
    QSettings& s = *settings_;
    s.beginGroup(QStringLiteral("inspection"));
    jobName_->setEditText(s.value(QStringLiteral("job")).toString());
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
    loadNumbers(s);
    readingsPerSpot_->setText(s.value(QStringLiteral("readingsPerSpot")).toString());
    spotsPerArea_->setText(s.value(QStringLiteral("spotsPerArea")).toString());
    s.endGroup();
}

void InspectionDialog::loadNumbers(const QSettings& s) {
    const bool plainForm = s.value(kNumbersKey).toString() == kPlainNumbers;
    const bool otherUnit = s.value(QStringLiteral("unit")).toString() != UnitName(unitIsMils_);
    struct Field {
        QLineEdit* edit;
        const char* key;
        bool thickness;
    };
    for (const Field& field : {Field{ndft_, "ndft", true}, Field{minimum_, "minimum", true},
                               Field{maximum_, "maximum", true}, Field{area_, "area", false}}) {
        const QString stored = s.value(QString::fromLatin1(field.key)).toString();
        const std::optional<std::string> plain = PlainOfRemembered(stored, plainForm);
        if (!plain) {
            // An old file's text that is no number is shown as it was, for the user to mend.
            field.edit->setText(plainForm ? QString() : stored.trimmed());
        } else if (field.thickness && otherUnit) {
            // To the gauge's resolution: 0.001 mils, 0.1 um.
            double value = 0;  // from_chars: the plain form whatever the C library's locale
            std::from_chars(plain->data(), plain->data() + plain->size(), value);
            const double converted =
                unitIsMils_ == 1 ? value / kMicrometresPerMil : value * kMicrometresPerMil;
            const double steps = unitIsMils_ == 1 ? 1000.0 : 10.0;
            field.edit->setText(Text(NumberToText(std::round(converted * steps) / steps)));
        } else {
            field.edit->setText(ShownNumber(*plain));
        }
    }
}

void InspectionDialog::remember() const {
    if (settings_ == nullptr) return;
    QSettings& s = *settings_;
    s.beginGroup(QStringLiteral("inspection"));
    s.setValue(QStringLiteral("job"), jobName_->currentText().trimmed());
    s.setValue(QStringLiteral("project"), project_->text().trimmed());
    s.setValue(QStringLiteral("structure"), structure_->text().trimmed());
    s.setValue(QStringLiteral("coating"), coating_->text().trimmed());
    s.setValue(QStringLiteral("inspector"), inspector_->text().trimmed());
    s.setValue(QStringLiteral("notes"), notes_->toPlainText().trimmed());
    s.setValue(QStringLiteral("standard"), standard_->currentText());
    s.setValue(QStringLiteral("roughness"), roughness_->currentText());
    s.setValue(QStringLiteral("page"), page_->currentText());
    s.setValue(QStringLiteral("unit"), UnitName(unitIsMils_));
    s.setValue(kNumbersKey, kPlainNumbers);
    s.setValue(QStringLiteral("ndft"), RememberedNumber(ndft_));
    s.setValue(QStringLiteral("minimum"), RememberedNumber(minimum_));
    s.setValue(QStringLiteral("maximum"), RememberedNumber(maximum_));
    s.setValue(QStringLiteral("readingsPerSpot"), readingsPerSpot_->text().trimmed());
    s.setValue(QStringLiteral("spotsPerArea"), spotsPerArea_->text().trimmed());
    s.setValue(QStringLiteral("area"), RememberedNumber(area_));
    s.endGroup();
    RememberInspectionRecord(settings_, record_);
    s.sync();
}

}  // namespace zepra
