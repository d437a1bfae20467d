// The inspection dialog behind SAVE-*.PDF: the standard's parameters from the typed fields or the
// group's limits, the criteria and verdict as the user types, what is remembered, and the save
// step around it.
#include "ui/report_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
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
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "data/thickness_format.h"
#include "data/typed_number.h"
#include "support/fakes.h"
#include "support/find_control.h"
#include "support/ink.h"
#include "support/modal_answer.h"
#include "ui/record_dialog.h"
#include "ui/report_menu.h"

// Names and texts in the failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

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
                      ChoiceCase{"ndft_could_be_thousands",
                                 Choice(InspectionStandard::Iso19840, "1,000"),
                                 0,
                                 80,
                                 "NDFT: \"1,000\": ',' may group digits: write 1000, or 1.000 "
                                 "for a decimal.",
                                 {},
                                 {}},
                      ChoiceCase{"maximum_with_the_grouping_character",
                                 Choice(InspectionStandard::Iso19840, "", "", "312,5"),
                                 0,
                                 80,
                                 "Maximum: \"312,5\": ',' is no decimal separator here: write "
                                 "312.5.",
                                 {},
                                 {}},
                      ChoiceCase{"area_could_be_thousands",
                                 WithIsoSurface(coating::Roughness::None, "1,000"),
                                 0,
                                 80,
                                 "Area (m2): \"1,000\": ',' may group digits",
                                 {},
                                 {}},
                      ChoiceCase{"mils_three_places_read",
                                 Choice(InspectionStandard::ImoPspc, "2.125"),
                                 1,
                                 80,
                                 "",
                                 {{"NDFT", "2.125 mils", "given"}},
                                 {}},
                      ChoiceCase{"maximum_below_the_ndft",
                                 Choice(InspectionStandard::Iso19840, "100", "", "50"),
                                 0,
                                 80,
                                 "The NDFT must not be above the maximum.",
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
    // Passed, but without the surface the number of readings was not checked: said beside it.
    EXPECT_TRUE(Control<QLabel>(*dialog, "CheckNotes")
                    ->text()
                    .contains("Number of readings not checked: no surface area given"))
        << Control<QLabel>(*dialog, "CheckNotes")->text().toStdString();
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

// --- The gauge, its calibration, the conditions and who signs ---

TEST_F(InspectionDialogTest, RecordDialogTakesEveryFieldAndFlagsTheDewPointMargin) {
    inspection::InspectionRecord given;
    given.gaugeSerial = "12345";
    InspectionRecordDialog editor(given);
    EXPECT_EQ(FindControl<QLineEdit>(&editor, "GaugeSerial")->text(), "12345");
    auto type = [&](const char* field, const QString& text) {
        QLineEdit* edit = FindControl<QLineEdit>(&editor, field);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    };
    type("GaugeMake", "Acme");
    type("GaugeModel", "DFT-7");
    type("Probe", "F1");
    type("CalibrationCertificate", "C-17");
    type("CalibrationDate", "2026-01-15");
    type("ZeroCheck", "zero on bare steel, 50 um shim");
    type("SurfacePreparation", "Sa 2 1/2");
    type("SurfaceProfile", "medium (G)");
    type("Qualification", "NACE CIP 2");
    type("InspectorPosition", "QC inspector");
    type("Client", "B. Jones");
    type("ClientPosition", "Owner's representative");
    // Air 20 °C at 50 %: dew point 9.26 °C. Steel 12 °C is 2.7 °C above it: flagged.
    type("AirCelsius", "20");
    type("RelativeHumidity", "50");
    type("SteelCelsius", "12");
    const auto* dew = FindControl<QLabel>(&editor, "DewPoint");
    EXPECT_TRUE(dew->text().contains("dew point 9.3")) << dew->text().toStdString();
    EXPECT_TRUE(dew->text().contains("LESS THAN 3")) << dew->text().toStdString();
    editor.show();
    testing::SaveForLooking(editor.grab().toImage(), "record-dialog-flagged");
    type("SteelCelsius", "12.5");
    EXPECT_FALSE(dew->text().contains("LESS THAN 3")) << dew->text().toStdString();

    const inspection::InspectionRecord r = editor.record();
    EXPECT_EQ(r.gaugeMake, "Acme");
    EXPECT_EQ(r.gaugeModel, "DFT-7");
    EXPECT_EQ(r.gaugeSerial, "12345");
    EXPECT_EQ(r.probe, "F1");
    EXPECT_EQ(r.calibrationCertificate, "C-17");
    EXPECT_EQ(r.calibrationDate, "2026-01-15");
    EXPECT_EQ(r.zeroCheck, "zero on bare steel, 50 um shim");
    EXPECT_EQ(r.surfacePreparation, "Sa 2 1/2");
    EXPECT_EQ(r.surfaceProfile, "medium (G)");
    EXPECT_EQ(r.airCelsius, 20.0);
    EXPECT_EQ(r.steelCelsius, 12.5);
    EXPECT_EQ(r.relativeHumidity, 50.0);
    EXPECT_EQ(r.inspectorQualification, "NACE CIP 2");
    EXPECT_EQ(r.inspectorPosition, "QC inspector");
    EXPECT_EQ(r.clientName, "B. Jones");
    EXPECT_EQ(r.clientPosition, "Owner's representative");
}

TEST_F(InspectionDialogTest, RecordDialogRefusesWhatIsNoNumberOrDate) {
    InspectionRecordDialog editor(inspection::InspectionRecord{});
    auto* ok = FindControl<QPushButton>(&editor, "RecordOk");
    const auto* line = FindControl<QLabel>(&editor, "DewPoint");
    for (const auto& [field, text, said] :
         {std::tuple{"RelativeHumidity", "lots", "relative humidity"},
          std::tuple{"RelativeHumidity", "140", "relative humidity"},
          std::tuple{"AirCelsius", "-90", "air temperature"},
          std::tuple{"CalibrationDate", "2026-13-01", "calibration date"},
          std::tuple{"CalibrationDate", "15.01.2026", "calibration date"}}) {
        SCOPED_TRACE(text);
        QLineEdit* edit = FindControl<QLineEdit>(&editor, field);
        edit->setText(QString::fromLatin1(text));
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_TRUE(line->text().contains(QString::fromLatin1(said))) << line->text().toStdString();
        EXPECT_FALSE(editor.valid());
        edit->clear();
        EXPECT_TRUE(ok->isEnabled());
    }
}

// Typed once, the record is printed on every report and remembered with the job when the report is
// saved; a record dialog cancelled leaves it as it was.
TEST_F(InspectionDialogTest, RecordIsEditedFromTheDialogAndRemembered) {
    {
        auto dialog = Make();
        EXPECT_EQ(Control<QLabel>(*dialog, "RecordSummary")->text(), "none recorded");
        auto* edit = Control<QPushButton>(*dialog, "EditRecord");
        EXPECT_TRUE(AnswerModal([&] { edit->click(); },
                                [](QDialog& editor) {
                                    FindControl<QLineEdit>(&editor, "GaugeModel")->setText("DFT-7");
                                    FindControl<QLineEdit>(&editor, "AirCelsius")->setText("18");
                                    editor.accept();
                                }));
        EXPECT_EQ(dialog->record().gaugeModel, "DFT-7");
        EXPECT_EQ(Control<QLabel>(*dialog, "RecordSummary")->text(), "DFT-7");
        EXPECT_TRUE(AnswerModal([&] { edit->click(); },
                                [](QDialog& editor) {
                                    FindControl<QLineEdit>(&editor, "GaugeModel")->setText("X");
                                    editor.reject();
                                }));
        EXPECT_EQ(dialog->record().gaugeModel, "DFT-7");
        dialog->accept();
    }
    auto again = Make();
    EXPECT_EQ(again->record().gaugeModel, "DFT-7");
    EXPECT_EQ(again->record().airCelsius, 18.0);
    EXPECT_FALSE(again->record().steelCelsius.has_value());
}

// The user's number format for one test: decimal separator and grouping character.
class NumberFormatGuard {
  public:
    NumberFormatGuard(char decimal, const char* grouping) {
        SetDecimalSeparator(decimal);
        SetTypedNumberGrouping(grouping);
    }
    ~NumberFormatGuard() {
        SetDecimalSeparator('.');
        SetTypedNumberGrouping(",");
    }
    NumberFormatGuard(const NumberFormatGuard&) = delete;
    NumberFormatGuard& operator=(const NumberFormatGuard&) = delete;
};

// Numbers are remembered in one form: what a German desktop saved reads the same on any other,
// in either unit.
TEST_F(InspectionDialogTest, RemembersNumbersTheSameForEveryLocale) {
    {
        const NumberFormatGuard german(',', ".");
        auto saved = Make();
        Control<QComboBox>(*saved, "Standard")->setCurrentText("ISO 19840");
        Type(*saved, "Ndft", "40,5");
        Type(*saved, "Maximum", "1000");
        Type(*saved, "Area", "12,5");
        ASSERT_NE(Verdict(*saved), "NO VERDICT");
        saved->accept();
    }
    QSettings reread(folder_.filePath("settings.ini"), QSettings::IniFormat);
    EXPECT_EQ(reread.value("inspection/ndft").toString(), "40.5");
    EXPECT_EQ(reread.value("inspection/area").toString(), "12.5");

    auto inC = Make();
    EXPECT_EQ(Control(*inC, "Ndft")->text(), "40.5");
    EXPECT_EQ(Control(*inC, "Area")->text(), "12.5");
    EXPECT_NE(Verdict(*inC), "NO VERDICT");
    auto inMils = Make(1);
    EXPECT_EQ(Control(*inMils, "Ndft")->text(), "1.594");
    EXPECT_EQ(Control(*inMils, "Maximum")->text(), "39.37");
}

// Files written before kept the fields as typed under whatever locale: their one '.' or ',' is
// the decimal mark, in either unit.
TEST_F(InspectionDialogTest, ReadsSettingsOfEitherFormerForm) {
    struct Case {
        const char* stored;
        std::int32_t unitIsMils;
        const char* shown;
    };
    const Case cases[] = {
        {"40,5", 0, "40.5"},   {"40.5", 0, "40.5"}, {"40,5", 1, "1.594"},
        {"1.234", 0, "1.234"}, {"8o", 0, "8o"},  // no number: shown for the user to mend
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        settings_.clear();
        settings_.setValue("inspection/standard", "ISO 19840");
        settings_.setValue("inspection/unit", "um");
        settings_.setValue("inspection/ndft", c.stored);
        auto dialog = Make(c.unitIsMils);
        EXPECT_EQ(Control(*dialog, "Ndft")->text(), c.shown);
    }
}

// --- By keyboard ---

// The dialog on screen and active, driven by keys sent to its window as a keyboard sends them:
// the shortcut map and the focused control get them as they get real keys.
class KeyboardTest : public InspectionDialogTest {
  protected:
    std::unique_ptr<InspectionDialog> Show(const char* standard) {
        auto dialog = Make();
        Control<QComboBox>(*dialog, "Standard")->setCurrentText(standard);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->activateWindow();
        QApplication::setActiveWindow(dialog.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }
    // "[Ctrl+Tab]" is a key as QKeySequence spells it (Shift+Tab arrives as Backtab, as from a
    // keyboard); anything else is typed.
    static void Keys(InspectionDialog& dialog, const std::vector<const char*>& steps) {
        QWindow* window = dialog.windowHandle();
        for (const char* step : steps) {
            const QString text = QString::fromUtf8(step);
            if (!text.startsWith(QLatin1Char('[')) || !text.endsWith(QLatin1Char(']'))) {
                for (QChar c : text) QTest::keyClick(window, c.toLatin1());
                continue;
            }
            const QKeySequence sequence = QKeySequence::fromString(text.mid(1, text.size() - 2));
            ASSERT_EQ(sequence.count(), 1) << step;
            const QKeyCombination key = sequence[0];
            const bool backtab =
                key.key() == Qt::Key_Tab && (key.keyboardModifiers() & Qt::ShiftModifier);
            QTest::keyClick(window, backtab ? Qt::Key_Backtab : key.key(), key.keyboardModifiers());
            // A button's Alt letter presses it the way a click shows: after a moment.
            if (key.keyboardModifiers() & Qt::AltModifier) QTest::qWait(200);
        }
    }
    static std::string FocusName() {
        QWidget* focus = QApplication::focusWidget();
        return focus != nullptr ? focus->objectName().toStdString() : std::string();
    }
    static std::vector<std::pair<QString, QString>> Exclusions(const InspectionDialog& dialog) {
        const auto* table = Control<QTableWidget>(dialog, "Exclusions");
        auto cell = [&](int row, int column) {
            const QTableWidgetItem* item = table->item(row, column);
            return item != nullptr ? item->text() : QString();
        };
        std::vector<std::pair<QString, QString>> rows;
        for (int row = 0; row < table->rowCount(); ++row)
            rows.emplace_back(cell(row, 0), cell(row, 1));
        return rows;
    }
};

enum class End { Open, Saved, Cancelled };

struct KeyPath {
    const char* name;
    const char* standard;
    std::vector<const char*> keys;
    End end;
    const char* focus;  // where the focus is at the end, when the dialog is open
    std::vector<std::pair<QString, QString>> exclusions;
    friend void PrintTo(const KeyPath& c, std::ostream* out) { *out << c.name; }
};

class KeyPathTest : public KeyboardTest, public ::testing::WithParamInterface<KeyPath> {};

TEST_P(KeyPathTest, EndsWhereTheUserMeantIt) {
    const KeyPath& path = GetParam();
    auto dialog = Show(path.standard);
    Keys(*dialog, path.keys);
    EXPECT_EQ(dialog->isVisible(), path.end == End::Open);
    if (path.end == End::Open) {
        EXPECT_EQ(FocusName(), path.focus);
    } else {
        EXPECT_EQ(dialog->result(), path.end == End::Saved ? QDialog::Accepted : QDialog::Rejected);
    }
    EXPECT_EQ(Exclusions(*dialog), path.exclusions);
}

using Rows = std::vector<std::pair<QString, QString>>;

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyPathTest,
    ::testing::Values(
        // Tab and Shift+Tab leave a cell being typed in, and the cell keeps what was typed.
        KeyPath{"tab_leaves_the_table",
                "IMO PSPC",
                {"[Alt+D]", "5", "[Tab]"},
                End::Open,
                "AddExclusion",
                Rows{{"5", ""}}},
        KeyPath{"shift_tab_leaves_the_table",
                "IMO PSPC",
                {"[Alt+D]", "5", "[Shift+Tab]"},
                End::Open,
                "Maximum",
                Rows{{"5", ""}}},
        KeyPath{"tab_leaves_the_reason_too",
                "IMO PSPC",
                {"[Alt+D]", "5", "[Ctrl+Tab]", "weld", "[Tab]"},
                End::Open,
                "AddExclusion",
                Rows{{"5", "weld"}}},
        KeyPath{"tab_leaves_the_table_not_typing",
                "IMO PSPC",
                {"[Alt+L]", "[Tab]"},
                End::Open,
                "AddExclusion",
                Rows{}},
        KeyPath{"shift_tab_leaves_the_table_not_typing",
                "IMO PSPC",
                {"[Alt+L]", "[Shift+Tab]"},
                End::Open,
                "Maximum",
                Rows{}},
        // Ctrl+Tab and Ctrl+Shift+Tab go from cell to cell.
        KeyPath{"ctrl_tab_goes_on_to_the_reason",
                "IMO PSPC",
                {"[Alt+D]", "5", "[Ctrl+Tab]", "weld seam", "[Return]"},
                End::Open,
                "Exclusions",
                Rows{{"5", "weld seam"}}},
        KeyPath{"ctrl_shift_tab_goes_back_to_the_reading",
                "IMO PSPC",
                {"[Alt+D]", "5", "[Ctrl+Tab]", "weld", "[Ctrl+Shift+Tab]", "4", "[Return]"},
                End::Open,
                "Exclusions",
                Rows{{"4", "weld"}}},
        // Keys meant for the next controls do not reach the exclusion.
        KeyPath{"six_tabs_and_a_letter_leave_the_exclusion_alone",
                "IMO PSPC",
                {"[Alt+D]", "5", "[Ctrl+Tab]", "weld", "[Tab]", "[Tab]", "[Tab]", "[Tab]", "[Tab]",
                 "[Tab]", "X"},
                End::Open,
                "Cancel",
                Rows{{"5", "weld"}}},
        // Enter: the first keeps the cell being typed in, the next saves.
        KeyPath{"enter_keeps_the_cell_then_saves",
                "IMO PSPC",
                {"[Alt+D]", "5", "[Ctrl+Tab]", "weld", "[Return]", "[Return]"},
                End::Saved,
                "",
                Rows{{"5", "weld"}}},
        KeyPath{"enter_in_a_field_saves",
                "None",
                {"[Alt+P]", "Hull 7", "[Return]"},
                End::Saved,
                "",
                Rows{}},
        KeyPath{
            "enter_in_a_choice_saves", "IMO PSPC", {"[Alt+G]", "[Enter]"}, End::Saved, "", Rows{}},
        KeyPath{"enter_on_add_saves_and_adds_nothing",
                "IMO PSPC",
                {"[Alt+L]", "[Tab]", "[Return]"},
                End::Saved,
                "",
                Rows{}},
        KeyPath{"enter_without_a_verdict_stays",
                "ISO 19840",
                {"[Alt+F]", "4o", "[Return]"},
                End::Open,
                "Ndft",
                Rows{}},
        KeyPath{"enter_on_cancel_cancels",
                "None",
                {"[Alt+G]", "[Tab]", "[Tab]", "[Return]"},
                End::Cancelled,
                "",
                Rows{}},
        // Escape in a cell being typed in drops what was typed there and keeps the dialog.
        KeyPath{"escape_in_a_cell_keeps_the_dialog",
                "IMO PSPC",
                {"[Alt+D]", "5", "[Ctrl+Tab]", "weld", "[Escape]"},
                End::Open,
                "Exclusions",
                Rows{{"5", ""}}},
        // Alt and a label's letter: to its field.
        KeyPath{"alt_u_structure", "None", {"[Alt+U]"}, End::Open, "Structure", Rows{}},
        KeyPath{"alt_o_coating", "None", {"[Alt+O]"}, End::Open, "Coating", Rows{}},
        KeyPath{"alt_i_inspector", "None", {"[Alt+I]"}, End::Open, "Inspector", Rows{}},
        KeyPath{"alt_n_notes", "None", {"[Alt+N]"}, End::Open, "Notes", Rows{}},
        KeyPath{"alt_t_standard", "None", {"[Alt+T]"}, End::Open, "Standard", Rows{}},
        KeyPath{"alt_m_minimum", "SSPC-PA 2", {"[Alt+M]"}, End::Open, "Minimum", Rows{}},
        KeyPath{"alt_x_maximum", "SSPC-PA 2", {"[Alt+X]"}, End::Open, "Maximum", Rows{}},
        KeyPath{"alt_h_roughness", "ISO 19840", {"[Alt+H]"}, End::Open, "Roughness", Rows{}},
        KeyPath{"alt_e_readings_per_spot",
                "SSPC-PA 2",
                {"[Alt+E]"},
                End::Open,
                "ReadingsPerSpot",
                Rows{}},
        KeyPath{
            "alt_a_spots_per_area", "SSPC-PA 2", {"[Alt+A]"}, End::Open, "SpotsPerArea", Rows{}},
        KeyPath{"alt_r_area", "SSPC-PA 2", {"[Alt+R]"}, End::Open, "Area", Rows{}},
        KeyPath{"alt_s_saves", "None", {"[Alt+S]"}, End::Saved, "", Rows{}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(KeyboardTest, AltVRemovesTheCurrentRowAndAltCCancels) {
    auto dialog = Show("IMO PSPC");
    Keys(*dialog,
         {"[Alt+D]", "5", "[Ctrl+Tab]", "weld", "[Return]", "[Alt+D]", "4", "[Return]", "[Alt+V]"});
    EXPECT_EQ(Exclusions(*dialog), (Rows{{"5", "weld"}}));
    Keys(*dialog, {"[Alt+C]"});
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->isVisible());
}

// Every letter leads to one control only, and every control that takes the focus has one (the
// exclusions table through its box's title).
TEST_F(KeyboardTest, EveryControlHasAnAltLetterOfItsOwn) {
    auto dialog = Make();
    std::map<QString, QString> letters;  // letter: the control's name
    auto add = [&](const QString& text, const QWidget* control) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(text);
        ASSERT_FALSE(mnemonic.isEmpty()) << control->objectName().toStdString();
        const QString letter = mnemonic.toString();
        EXPECT_FALSE(letters.count(letter))
            << letter.toStdString() << " for " << control->objectName().toStdString() << " and "
            << letters[letter].toStdString();
        letters[letter] = control->objectName();
    };
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        if (label->buddy() != nullptr) add(label->text(), label->buddy());
    for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->focusPolicy() & Qt::TabFocus) add(button->text(), button);
    add(Control<QGroupBox>(*dialog, "ExclusionBox")->title(),
        Control<QWidget>(*dialog, "Exclusions"));

    QStringList reached;
    for (const auto& [letter, control] : letters) reached << control;
    QStringList focusable;
    // An editable combo box's own line edit passes the focus on to the box (its focus proxy).
    for (const QWidget* widget : dialog->findChildren<QWidget*>())
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->window() == dialog.get() &&
            widget->focusProxy() == nullptr)
            focusable << (widget->objectName().isEmpty()
                              ? QString::fromLatin1(widget->metaObject()->className())
                              : widget->objectName());
    reached.sort();
    focusable.sort();
    EXPECT_EQ(reached, focusable);
}

// Light text on dark grey, as Adwaita dark or Breeze Dark give Qt.
QPalette DarkPalette() {
    QPalette dark;
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::AlternateBase})
        dark.setColor(role, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(0xee, 0xee, 0xee));
    return dark;
}

QPalette LightPalette() {
    return QApplication::style()->standardPalette();
}

struct FocusCycle {
    const char* name;
    const char* standard;
    QPalette (*palette)();
    std::vector<const char*> order;  // from Project on, forward
    friend void PrintTo(const FocusCycle& c, std::ostream* out) { *out << c.name; }
};

class FocusCycleTest : public KeyboardTest, public ::testing::WithParamInterface<FocusCycle> {
  protected:
    ~FocusCycleTest() override { QApplication::setPalette(saved_); }
    const QPalette saved_ = QApplication::palette();
};

// Tab goes round every control in the order they stand, Shift+Tab the other way, and each
// looks different while it has the focus.
TEST_P(FocusCycleTest, ReachesEveryControlBothWaysWithAVisibleFocus) {
    const FocusCycle& cycle = GetParam();
    QApplication::setPalette(cycle.palette());
    auto dialog = Show(cycle.standard);
    Control<QWidget>(*dialog, "Project")->setFocus(Qt::TabFocusReason);
    const int stops = static_cast<int>(cycle.order.size());
    // Each control as it looks with the focus and, last seen, without.
    std::map<std::string, QImage> focused;
    std::map<std::string, QImage> unfocused;
    for (const char* key : {"[Tab]", "[Shift+Tab]"}) {
        const bool forward = std::string_view(key) == "[Tab]";
        for (int step = 0; step <= stops; ++step) {
            const int at = forward ? step % stops : (stops - step) % stops;
            const std::string expected = cycle.order[static_cast<std::size_t>(at)];
            EXPECT_EQ(FocusName(), expected) << key << " step " << step;
            const QImage grab = dialog->grab().toImage();
            for (const char* name : cycle.order) {
                const QWidget* control = Control<QWidget>(*dialog, name);
                const QRect place(control->mapTo(dialog.get(), QPoint(0, 0)), control->size());
                (name == expected ? focused : unfocused)[name] = grab.copy(place);
            }
            if (forward) {
                testing::SaveForLooking(
                    grab, QString::fromStdString("report-dialog-focus-" + std::string(cycle.name) +
                                                 "-" + expected));
            }
            if (step < stops) Keys(*dialog, {key});
        }
    }
    for (const char* name : cycle.order) {
        EXPECT_NE(focused[name], unfocused[name]) << name << " looks the same with the focus";
    }
}

const std::vector<const char*> kIsoOrder = {
    "Project",         "Structure",  "Coating",    "Inspector",
    "Notes",           "Standard",   "Ndft",       "Maximum",
    "Roughness",       "Area",       "Exclusions", "AddExclusion",
    "RemoveExclusion", "EditRecord", "Page",       "SavePdf",
    "Cancel",          "Job"};

INSTANTIATE_TEST_SUITE_P(Cases, FocusCycleTest,
                         ::testing::Values(
                             // No standard: its parameters and the readings left out are not there.
                             FocusCycle{
                                 "none",
                                 "None",
                                 LightPalette,
                                 {"Project", "Structure", "Coating", "Inspector", "Notes",
                                  "Standard", "EditRecord", "Page", "SavePdf", "Cancel", "Job"}},
                             FocusCycle{"iso_light", "ISO 19840", LightPalette, kIsoOrder},
                             FocusCycle{"iso_dark", "ISO 19840", DarkPalette, kIsoOrder}),
                         [](const auto& param) { return std::string(param.param.name); });

// --- Colours ---

// The verdict's colours read at 4.5:1 or more on the palette's backgrounds, light and dark, also
// when the desktop switches its theme with the dialog open.
struct Theme {
    const char* name;
    QPalette (*palette)();
    friend void PrintTo(const Theme& c, std::ostream* out) { *out << c.name; }
};

class VerdictColourTest : public InspectionDialogTest, public ::testing::WithParamInterface<Theme> {
  protected:
    ~VerdictColourTest() override { QApplication::setPalette(saved_); }
    // The contrast of the verdict and of every result in the criteria table, as drawn.
    static void ExpectReadable(InspectionDialog& dialog, const std::string& what) {
        SCOPED_TRACE(what);
        const QImage grab = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
        testing::SaveForLooking(grab, QString::fromStdString("report-dialog-" + what));
        auto crop = [&](const QWidget* widget, QRect rect) {
            return grab.copy(QRect(widget->mapTo(&dialog, rect.topLeft()), rect.size()));
        };
        const auto* verdict = Control<QLabel>(dialog, "Verdict");
        const testing::Reading reading = testing::ReadInk(crop(verdict, verdict->rect()));
        EXPECT_GE(reading.contrast, 4.5) << verdict->text().toStdString();
        const auto* criteria = Control<QTableWidget>(dialog, "Criteria");
        for (int row = 0; row < criteria->rowCount(); ++row) {
            const QTableWidgetItem* result = criteria->item(row, 3);
            // Inside the grid lines.
            const QRect cell = criteria->visualItemRect(result).adjusted(1, 1, -1, -1);
            const testing::Reading ink = testing::ReadInk(crop(criteria->viewport(), cell));
            EXPECT_GE(ink.contrast, 4.5) << "row " << row << " " << result->text().toStdString();
        }
    }
    const QPalette saved_ = QApplication::palette();
};

TEST_P(VerdictColourTest, PassFailAndNoVerdictRead) {
    QApplication::setPalette(GetParam().palette());
    auto dialog = Make();
    dialog->show();
    const std::string theme = GetParam().name;
    Control<QComboBox>(*dialog, "Standard")->setCurrentText("ISO 19840");
    ASSERT_EQ(Verdict(*dialog), "FAIL");  // one row failed, the others passed
    ExpectReadable(*dialog, theme + "-fail");
    Type(*dialog, "Maximum", "600");
    ASSERT_EQ(Verdict(*dialog), "PASS");
    ExpectReadable(*dialog, theme + "-pass");
    Type(*dialog, "Ndft", "4o");
    ASSERT_EQ(Verdict(*dialog), "NO VERDICT");
    ExpectReadable(*dialog, theme + "-no-verdict");

    // The other theme, chosen while the dialog is open.
    QApplication::setPalette(std::string(GetParam().name) == "light" ? DarkPalette()
                                                                     : LightPalette());
    Control(*dialog, "Ndft")->clear();
    Control(*dialog, "Maximum")->clear();
    ASSERT_EQ(Verdict(*dialog), "FAIL");
    ExpectReadable(*dialog, theme + "-then-switched");
}

INSTANTIATE_TEST_SUITE_P(Themes, VerdictColourTest,
                         ::testing::Values(Theme{"light", LightPalette},
                                           Theme{"dark", DarkPalette}),
                         [](const auto& param) { return std::string(param.param.name); });

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
                    openAfterSave_ = dialog.isVisible();
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
    bool openAfterSave_ = false;
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
    EXPECT_FALSE(openAfterSave_);
}

TEST_F(SaveInspectionReportTest, CancellingEitherDialogWritesNothingAndResumes) {
    for (const bool atSaveDialog : {false, true}) {
        SCOPED_TRACE(atSaveDialog ? "save dialog" : "inspection dialog");
        dialog_.requests.clear();
        events_.clear();
        dialog_.answers = {""};
        ASSERT_TRUE(Run(atSaveDialog));
        EXPECT_EQ(dialog_.requests.size(), atSaveDialog ? 1u : 0u);
        EXPECT_EQ(openAfterSave_, atSaveDialog);  // back to the inspection dialog
        EXPECT_TRUE(written_.empty());
        EXPECT_EQ(events_, (std::vector<std::string>{"suspend", "resume"}));
    }
    // Nothing remembered either: no file was written.
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files), QStringList{});
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
    EXPECT_TRUE(openAfterSave_);  // to choose another file
}

// Only a written file closes the dialog: after a cancelled Save dialog it is there as it was,
// its readings left out too, and its fields are remembered once the file is written.
TEST_F(SaveInspectionReportTest, CancelledSaveDialogReturnsToTheDialogAsItWas) {
    const std::string path = folder_.filePath("hull 7.pdf").toStdString();
    dialog_.answers = {"", path};
    ASSERT_TRUE(
        AnswerModal([&] { SaveInspectionReport(group_, "Group 2", context_, nullptr); },
                    [&](QDialog& dialog) {
                        FindControl<QComboBox>(&dialog, "Standard")->setCurrentText("IMO PSPC");
                        FindControl<QLineEdit>(&dialog, "Project")->setText("Hull 7");
                        auto* exclusions = FindControl<QTableWidget>(&dialog, "Exclusions");
                        exclusions->setRowCount(1);
                        exclusions->setItem(0, 0, new QTableWidgetItem("3"));
                        exclusions->setItem(0, 1, new QTableWidgetItem("on a weld"));
                        auto* save = FindControl<QPushButton>(&dialog, "SavePdf");

                        QTest::mouseClick(save, Qt::LeftButton);
                        EXPECT_EQ(dialog_.requests.size(), 1u);
                        EXPECT_TRUE(dialog.isVisible());
                        ASSERT_EQ(exclusions->rowCount(), 1);
                        EXPECT_EQ(exclusions->item(0, 1)->text(), "on a weld");
                        EXPECT_EQ(FindControl<QLineEdit>(&dialog, "Project")->text(), "Hull 7");
                        EXPECT_FALSE(settings_.contains("inspection/project"));

                        QTest::mouseClick(save, Qt::LeftButton);
                        EXPECT_FALSE(dialog.isVisible());
                    }));
    ASSERT_EQ(written_.size(), 1u);
    EXPECT_EQ(written_[0].path, path);
    ASSERT_TRUE(written_[0].content.standard.has_value());
    const coating::Verdict& verdict = written_[0].content.standard->verdict;
    ASSERT_EQ(verdict.readings.size(), 3u);
    EXPECT_TRUE(verdict.readings[2].excluded);
    EXPECT_EQ(verdict.readings[2].reason, "on a weld");
    EXPECT_EQ(settings_.value("inspection/project").toString(), "Hull 7");
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
