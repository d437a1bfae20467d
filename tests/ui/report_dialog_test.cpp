// The inspection dialog behind SAVE-*.PDF: the standard's parameters from the typed fields or the
// group's limits, the criteria and verdict as the user types, what is remembered, and the save
// step around it.
#include "ui/report_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "support/fakes.h"
#include "support/find_control.h"
#include "support/modal_answer.h"
#include "ui/report_menu.h"

namespace zepra {
namespace {

using testing::AnswerModal;
using testing::FakeMessageBox;
using testing::FakeSaveDialog;
using testing::FindControl;

GroupSlot MakeGroup(const std::vector<double>& values, double low, double high) {
    GroupSlot group;
    for (std::size_t i = 0; i < values.size(); ++i) {
        group.readings[i] = {static_cast<std::int32_t>(i + 1), values[i], ""};
    }
    group.readingCount = static_cast<std::int32_t>(values.size());
    group.lowLimit = low;
    group.highLimit = high;
    return group;
}

// --- The standard's part as plain data ---

struct ChoiceCase {
    const char* name;
    StandardChoice choice;
    std::int32_t unitIsMils;
    double low;
    std::string error;  // a part of it; empty: judged
    // Parameters as the check names them (those not listed may be there too): name, text, origin.
    std::vector<std::array<std::string, 3>> parameters;
    std::vector<coating::Exclusion> exclusions;
};

class JudgeChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(JudgeChoiceTest, TakesTypedValuesOrTheGroupsLimits) {
    const ChoiceCase& c = GetParam();
    const GroupSlot group = MakeGroup({100, 110, 120, 130}, c.low, 300);
    const inspection::StandardSection section = JudgeChoice(c.choice, group, c.unitIsMils);
    if (!c.error.empty()) {
        EXPECT_NE(section.verdict.error.find(c.error), std::string::npos) << section.verdict.error;
        return;
    }
    ASSERT_EQ(section.verdict.error, "");
    const coating::Verdict& verdict = section.verdict;
    ASSERT_EQ(verdict.readings.size(), 4u);
    for (const auto& [name, text, origin] : c.parameters) {
        const auto found =
            std::find_if(verdict.parameters.begin(), verdict.parameters.end(),
                         [&](const coating::Parameter& p) { return p.name == name; });
        ASSERT_NE(found, verdict.parameters.end()) << name;
        EXPECT_EQ(found->text, text) << name;
        EXPECT_EQ(found->origin, origin) << name;
    }
    std::size_t excluded = 0;
    for (const coating::ReadingMark& mark : verdict.readings) excluded += mark.excluded ? 1 : 0;
    EXPECT_EQ(excluded, c.exclusions.size());
    for (const coating::Exclusion& e : c.exclusions) {
        const coating::ReadingMark& mark = verdict.readings[static_cast<std::size_t>(e.number - 1)];
        EXPECT_TRUE(mark.excluded) << e.number;
        EXPECT_EQ(mark.reason, e.reason);
    }
}

StandardChoice Choice(InspectionStandard standard, std::string ndft = "", std::string minimum = "",
                      std::string maximum = "") {
    StandardChoice choice;
    choice.standard = standard;
    choice.ndft = std::move(ndft);
    choice.minimum = std::move(minimum);
    choice.maximum = std::move(maximum);
    return choice;
}

StandardChoice WithIsoSurface(coating::Roughness roughness, std::string area) {
    StandardChoice choice = Choice(InspectionStandard::Iso19840);
    choice.roughness = roughness;
    choice.area = std::move(area);
    return choice;
}

StandardChoice WithExclusions(std::vector<StandardChoice::ExcludedRow> rows) {
    StandardChoice choice = Choice(InspectionStandard::ImoPspc);
    choice.exclusions = std::move(rows);
    return choice;
}

const std::string kLow = "the group's low limit";
const std::string kHigh = "the group's high limit";

INSTANTIATE_TEST_SUITE_P(
    Cases, JudgeChoiceTest,
    ::testing::Values(ChoiceCase{"iso_defaults",
                                 Choice(InspectionStandard::Iso19840),
                                 0,
                                 80,
                                 "",
                                 {{"NDFT", "80 um", kLow}, {"Maximum", "300 um", kHigh}},
                                 {}},
                      ChoiceCase{"sspc_typed_minimum",
                                 Choice(InspectionStandard::SspcPa2, "999", "90"),
                                 0,
                                 80,
                                 "",
                                 {{"Minimum", "90 um", "given"}, {"Maximum", "300 um", kHigh}},
                                 {}},
                      ChoiceCase{"pspc_typed_in_mils",
                                 Choice(InspectionStandard::ImoPspc, "3.5", "", " 12 "),
                                 1,
                                 80,
                                 "",
                                 {{"NDFT", "3.5 mils", "given"}, {"Maximum", "12 mils", "given"}},
                                 {}},
                      ChoiceCase{"iso_surface",
                                 WithIsoSurface(coating::Roughness::Medium, "12.5"),
                                 0,
                                 80,
                                 "",
                                 {{"NDFT", "80 um", kLow},
                                  {"Maximum", "300 um", kHigh},
                                  {"Roughness correction", "25 um", "given"},
                                  {"Area", "12.5 m2", "given"}},
                                 {}},
                      ChoiceCase{"exclusions_blank_rows_skipped",
                                 WithExclusions({{"2", "probe on a weld"}, {"", ""}}),
                                 0,
                                 80,
                                 "",
                                 {{"NDFT", "80 um", kLow}, {"Maximum", "300 um", kHigh}},
                                 {{2, "probe on a weld"}}},
                      ChoiceCase{"ndft_not_a_number",
                                 Choice(InspectionStandard::Iso19840, "8o"),
                                 0,
                                 80,
                                 "NDFT: \"8o\" is not a number.",
                                 {},
                                 {}},
                      ChoiceCase{"maximum_infinite",
                                 Choice(InspectionStandard::Iso19840, "", "", "inf"),
                                 0,
                                 80,
                                 "Maximum: \"inf\" is not a number.",
                                 {},
                                 {}},
                      ChoiceCase{"area_not_a_number",
                                 WithIsoSurface(coating::Roughness::None, "ten"),
                                 0,
                                 80,
                                 "The area must be a decimal number above 0",
                                 {},
                                 {}},
                      ChoiceCase{"no_low_limit_to_stand_in",
                                 Choice(InspectionStandard::SspcPa2),
                                 0,
                                 0,
                                 "The group's low limit (0 um) cannot stand in for the minimum",
                                 {},
                                 {}},
                      ChoiceCase{"exclusion_not_a_number",
                                 WithExclusions({{"2a", "weld"}}),
                                 0,
                                 80,
                                 "\"2a\" is not a reading number",
                                 {},
                                 {}},
                      ChoiceCase{"exclusion_without_reason",
                                 WithExclusions({{"3", ""}}),
                                 0,
                                 80,
                                 "give the reason for leaving out reading 3",
                                 {},
                                 {}}),
    [](const auto& param) { return std::string(param.param.name); });

// --- The dialog ---

class InspectionDialogTest : public ::testing::Test {
  protected:
    InspectionDialogTest()
        : settings_(folder_.filePath("settings.ini"), QSettings::IniFormat),
          group_(MakeGroup({100, 110, 120, 130, 500}, 80, 300)) {
        testing::LoadFontsOnce();
    }

    std::unique_ptr<InspectionDialog> Make(std::int32_t unitIsMils = 0) {
        return std::make_unique<InspectionDialog>(group_, unitIsMils, &settings_);
    }
    template <typename Widget = QLineEdit>
    static Widget* Control(const InspectionDialog& dialog, const char* name) {
        return FindControl<Widget>(&dialog, name);
    }
    static QString Verdict(const InspectionDialog& dialog) {
        return Control<QLabel>(dialog, "Verdict")->text();
    }
    static void Type(const InspectionDialog& dialog, const char* field, const QString& text) {
        QLineEdit* edit = Control(dialog, field);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static bool RowShown(const InspectionDialog& dialog, const char* field) {
        QWidget* widget = Control<QWidget>(dialog, field);
        auto* form = qobject_cast<QFormLayout*>(widget->parentWidget()->layout());
        return form != nullptr && form->isRowVisible(widget);
    }

    QTemporaryDir folder_;
    QSettings settings_;
    GroupSlot group_;
};

TEST_F(InspectionDialogTest, ShowsTheChosenStandardsParametersWithTheGroupsLimitsAsDefaults) {
    auto dialog = Make();
    EXPECT_EQ(Control<QComboBox>(*dialog, "Standard")->currentText(), "None");
    EXPECT_FALSE(Control<QGroupBox>(*dialog, "CriteriaBox")->isEnabled());
    EXPECT_FALSE(Control<QGroupBox>(*dialog, "ExclusionBox")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(*dialog, "SavePdf")->isEnabled());
    EXPECT_FALSE(dialog->section().has_value());
    EXPECT_EQ(Control(*dialog, "Ndft")->placeholderText(), "80 um (the group's low limit)");
    EXPECT_EQ(Control(*dialog, "Minimum")->placeholderText(), "80 um (the group's low limit)");
    EXPECT_EQ(Control(*dialog, "Maximum")->placeholderText(), "300 um (the group's high limit)");

    struct Rows {
        const char* standard;
        bool ndft, minimum, maximum, roughness, spots, area;
    };
    for (const Rows& rows : {Rows{"None", false, false, false, false, false, false},
                             Rows{"ISO 19840", true, false, true, true, false, true},
                             Rows{"IMO PSPC", true, false, true, false, false, false},
                             Rows{"SSPC-PA 2", false, true, true, false, true, true}}) {
        SCOPED_TRACE(rows.standard);
        Control<QComboBox>(*dialog, "Standard")->setCurrentText(rows.standard);
        EXPECT_EQ(RowShown(*dialog, "Ndft"), rows.ndft);
        EXPECT_EQ(RowShown(*dialog, "Minimum"), rows.minimum);
        EXPECT_EQ(RowShown(*dialog, "Maximum"), rows.maximum);
        EXPECT_EQ(RowShown(*dialog, "Roughness"), rows.roughness);
        EXPECT_EQ(RowShown(*dialog, "ReadingsPerSpot"), rows.spots);
        EXPECT_EQ(RowShown(*dialog, "SpotsPerArea"), rows.spots);
        EXPECT_EQ(RowShown(*dialog, "Area"), rows.area);
    }
}

TEST_F(InspectionDialogTest, CriteriaAndVerdictFollowWhatTheUserTypes) {
    auto dialog = Make();
    auto* criteria = Control<QTableWidget>(*dialog, "Criteria");
    auto* save = Control<QPushButton>(*dialog, "SavePdf");
    auto failedRows = [&] {
        int failed = 0;
        for (int row = 0; row < criteria->rowCount(); ++row) {
            if (criteria->item(row, 3)->text() == "FAIL") ++failed;
        }
        return failed;
    };

    // 500 um is above the group's high limit.
    Control<QComboBox>(*dialog, "Standard")->setCurrentText("ISO 19840");
    EXPECT_EQ(Verdict(*dialog), "FAIL");
    ASSERT_GT(criteria->rowCount(), 0);
    EXPECT_EQ(criteria->rowCount(), static_cast<int>(dialog->section()->verdict.criteria.size()));
    EXPECT_EQ(failedRows(), 1);

    Type(*dialog, "Maximum", "600");
    EXPECT_EQ(Verdict(*dialog), "PASS");
    EXPECT_EQ(failedRows(), 0);
    EXPECT_EQ(dialog->section()->verdict.parameters[1].name, "Maximum");
    EXPECT_EQ(dialog->section()->verdict.parameters[1].origin, "given");

    Type(*dialog, "Ndft", "4o");
    EXPECT_EQ(Verdict(*dialog), "NO VERDICT");
    EXPECT_EQ(criteria->rowCount(), 0);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(Control<QLabel>(*dialog, "CheckNotes")->text(), "NDFT: \"4o\" is not a number.");

    QTest::keyClick(Control(*dialog, "Ndft"), Qt::Key_Backspace);
    EXPECT_EQ(Verdict(*dialog), "PASS");
    EXPECT_TRUE(save->isEnabled());

    // Back to the group's high limit, then reading 5 left out: the row is judged as it is typed.
    Control(*dialog, "Maximum")->clear();
    EXPECT_EQ(Verdict(*dialog), "FAIL");
    auto* exclusions = Control<QTableWidget>(*dialog, "Exclusions");
    QTest::mouseClick(Control<QPushButton>(*dialog, "AddExclusion"), Qt::LeftButton);
    ASSERT_EQ(exclusions->rowCount(), 1);
    exclusions->setItem(0, 0, new QTableWidgetItem("5"));
    EXPECT_EQ(Verdict(*dialog), "NO VERDICT");  // no reason yet
    exclusions->setItem(0, 1, new QTableWidgetItem("probe on a weld seam"));
    EXPECT_EQ(Verdict(*dialog), "PASS");
    ASSERT_GE(dialog->section()->verdict.readings.size(), 5u);
    EXPECT_TRUE(dialog->section()->verdict.readings[4].excluded);
    EXPECT_EQ(dialog->section()->verdict.readings[4].reason, "probe on a weld seam");
    exclusions->setCurrentCell(0, 0);
    QTest::mouseClick(Control<QPushButton>(*dialog, "RemoveExclusion"), Qt::LeftButton);
    EXPECT_EQ(exclusions->rowCount(), 0);
    EXPECT_EQ(Verdict(*dialog), "FAIL");
}

TEST_F(InspectionDialogTest, RemembersTheJobStandardAndParametersWhenSavedOnly) {
    auto fill = [&](InspectionDialog& dialog) {
        Type(dialog, "Project", "Tank farm T-4");
        Type(dialog, "Structure", "Shell, course 2");
        Type(dialog, "Coating", "Epoxy primer, coat 1");
        Type(dialog, "Inspector", "A. Smith");
        Control<QPlainTextEdit>(dialog, "Notes")->setPlainText("Dry.\nAir 18 C.");
        Control<QComboBox>(dialog, "Standard")->setCurrentText("SSPC-PA 2");
        Type(dialog, "Minimum", "90");
        Type(dialog, "Maximum", "520");
        Type(dialog, "SpotsPerArea", "1");  // five readings: one spot, one area
        Control<QComboBox>(dialog, "Page")->setCurrentText("Letter");
        QTest::mouseClick(Control<QPushButton>(dialog, "AddExclusion"), Qt::LeftButton);
    };
    {
        auto cancelled = Make();
        fill(*cancelled);
        cancelled->reject();
    }
    EXPECT_EQ(Control(*Make(), "Project")->text(), "");

    {
        auto saved = Make();
        fill(*saved);
        saved->accept();
    }
    QSettings reread(folder_.filePath("settings.ini"), QSettings::IniFormat);
    EXPECT_EQ(reread.value("inspection/project").toString(), "Tank farm T-4");

    auto again = Make();
    EXPECT_EQ(Control(*again, "Project")->text(), "Tank farm T-4");
    EXPECT_EQ(Control(*again, "Structure")->text(), "Shell, course 2");
    EXPECT_EQ(Control(*again, "Coating")->text(), "Epoxy primer, coat 1");
    EXPECT_EQ(Control(*again, "Inspector")->text(), "A. Smith");
    EXPECT_EQ(Control<QPlainTextEdit>(*again, "Notes")->toPlainText(), "Dry.\nAir 18 C.");
    EXPECT_EQ(Control<QComboBox>(*again, "Standard")->currentText(), "SSPC-PA 2");
    EXPECT_EQ(Control(*again, "Minimum")->text(), "90");
    EXPECT_EQ(Control(*again, "Maximum")->text(), "520");
    EXPECT_EQ(Control(*again, "SpotsPerArea")->text(), "1");
    EXPECT_EQ(Control(*again, "ReadingsPerSpot")->text(), "");
    EXPECT_EQ(again->pageSize(), inspection::PageSize::Letter);
    EXPECT_EQ(Control<QTableWidget>(*again, "Exclusions")->rowCount(), 0);  // per group
    EXPECT_EQ(Verdict(*again), "PASS");
    const inspection::JobDetails job = again->job();
    EXPECT_EQ(job.notes, "Dry.\nAir 18 C.");

    // Thicknesses keep their meaning when the program runs in the other unit.
    auto inMils = Make(1);
    EXPECT_EQ(Control(*inMils, "Minimum")->text(), "3.543");
    EXPECT_EQ(Control(*inMils, "Maximum")->text(), "20.472");
}

// --- The save step ---

class SaveInspectionReportTest : public ::testing::Test {
  protected:
    SaveInspectionReportTest() : settings_(folder_.filePath("settings.ini"), QSettings::IniFormat) {
        context_.store = &store_;
        context_.saveDialog = &dialog_;
        context_.messageBox = &messages_;
        context_.settings = &settings_;
        context_.suspendLiveStream = [this] { events_.push_back("suspend"); };
        context_.resumeLiveStream = [this] { events_.push_back("resume"); };
        context_.writeInspectionReport = [this](const inspection::ReportContent& content,
                                                const std::string& path) {
            written_.push_back({content, path});
            return writeError_;
        };
        group_ = MakeGroup({100, 110, 120}, 80, 300);
    }

    // Chooses IMO PSPC and a project in the dialog, then presses Save PDF... or Cancel.
    bool Run(bool save) {
        return AnswerModal(
            [&] { SaveInspectionReport(group_, "Group 2", context_, nullptr); },
            [&](QDialog& dialog) {
                FindControl<QComboBox>(&dialog, "Standard")->setCurrentText("IMO PSPC");
                FindControl<QLineEdit>(&dialog, "Project")->setText("Hull 7");
                if (save) {
                    QTest::mouseClick(FindControl<QPushButton>(&dialog, "SavePdf"), Qt::LeftButton);
                } else {
                    dialog.reject();
                }
            });
    }

    struct Written {
        inspection::ReportContent content;
        std::string path;
    };
    QTemporaryDir folder_;
    QSettings settings_;
    MeasurementStore store_;
    GroupSlot group_;
    FakeSaveDialog dialog_;
    FakeMessageBox messages_;
    WindowContext context_;
    std::vector<std::string> events_;
    std::vector<Written> written_;
    std::string writeError_;
};

TEST_F(SaveInspectionReportTest, EmptyGroupDoesNothingAtAll) {
    group_.readingCount = 0;
    EXPECT_FALSE(Run(true));
    EXPECT_TRUE(dialog_.requests.empty());
    EXPECT_TRUE(events_.empty());
    EXPECT_TRUE(written_.empty());
}

TEST_F(SaveInspectionReportTest, WritesTheGroupsReportToTheNameAsTyped) {
    store_.unitIsMils = 1;
    const std::string path = folder_.filePath("hull 7").toStdString();  // no extension added
    dialog_.answers = {path};
    ASSERT_TRUE(Run(true));
    ASSERT_EQ(dialog_.requests.size(), 1u);
    EXPECT_EQ(dialog_.requests[0],
              std::make_pair(std::string("Save"), std::string("pdf files (*.pdf)|*.pdf")));
    ASSERT_EQ(written_.size(), 1u);
    EXPECT_EQ(written_[0].path, path);
    const inspection::ReportContent& content = written_[0].content;
    EXPECT_EQ(content.job.project, "Hull 7");
    EXPECT_EQ(content.source, "Group 2");
    EXPECT_EQ(content.unitIsMils, 1);
    ASSERT_EQ(content.readings.size(), 3u);
    EXPECT_EQ(content.readings[2].value, 120);
    EXPECT_EQ(content.lowLimit, 80);
    EXPECT_EQ(content.highLimit, 300);
    ASSERT_TRUE(content.standard.has_value());
    EXPECT_EQ(content.standard->standard, coating::Standard::ImoPspc);
    EXPECT_TRUE(content.standard->verdict.passed());
    EXPECT_EQ(events_, (std::vector<std::string>{"suspend", "resume"}));
    EXPECT_TRUE(messages_.messages.empty());
    EXPECT_EQ(settings_.value("inspection/project").toString(), "Hull 7");
}

TEST_F(SaveInspectionReportTest, CancellingEitherDialogWritesNothingAndResumes) {
    for (const bool atSaveDialog : {false, true}) {
        SCOPED_TRACE(atSaveDialog ? "save dialog" : "inspection dialog");
        dialog_.requests.clear();
        events_.clear();
        dialog_.answers = {""};
        ASSERT_TRUE(Run(atSaveDialog));
        EXPECT_EQ(dialog_.requests.size(), atSaveDialog ? 1u : 0u);
        EXPECT_TRUE(written_.empty());
        EXPECT_EQ(events_, (std::vector<std::string>{"suspend", "resume"}));
    }
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files), QStringList{"settings.ini"});
}

TEST_F(SaveInspectionReportTest, WindowClosedUnderTheDialogWritesNothing) {
    auto* window = new QWidget;
    dialog_.answers = {folder_.filePath("report.pdf").toStdString()};
    EXPECT_TRUE(AnswerModal([&] { SaveInspectionReport(group_, "Group 2", context_, window); },
                            [&](QDialog&) { delete window; }));
    EXPECT_TRUE(dialog_.requests.empty());
    EXPECT_TRUE(written_.empty());
    EXPECT_EQ(events_, (std::vector<std::string>{"suspend", "resume"}));
}

TEST_F(SaveInspectionReportTest, FailureIsShownAndStillResumes) {
    writeError_ = "The file /ro/x.pdf cannot be written: permission denied.";
    dialog_.answers = {"/ro/x.pdf"};
    ASSERT_TRUE(Run(true));
    EXPECT_EQ(messages_.messages, std::vector<std::string>{writeError_});
    EXPECT_EQ(events_, (std::vector<std::string>{"suspend", "resume"}));
}

// Without a writer of its own the step writes the PDF with the inspection library.
TEST_F(SaveInspectionReportTest, WritesAPdfFile) {
    context_.writeInspectionReport = nullptr;
    const QString path = folder_.filePath("report.pdf");
    dialog_.answers = {path.toStdString()};
    ASSERT_TRUE(Run(true));
    EXPECT_TRUE(messages_.messages.empty()) << messages_.messages[0];
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
}

}  // namespace
}  // namespace zepra
