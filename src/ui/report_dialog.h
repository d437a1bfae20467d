#pragma once
// The inspection dialog behind SAVE-*.PDF of the group windows: the job, the coating standard with
// its parameters, readings left out with a reason, and the criteria with the verdict, judged again
// as the user types. The job, the standard, its parameters and the page size are remembered in the
// settings given (none: nothing is remembered) when the report is written.
//
// By keyboard: Tab and Shift+Tab go through every control, the readings left out included (also
// from a cell being typed in); Ctrl+Tab and Ctrl+Shift+Tab move from cell to cell in that table.
// Enter in a cell being typed in keeps the cell; anywhere else it presses Save PDF... when the
// verdict (or no standard) allows it. Alt and the underlined letter reach each field and button.
// The gauge, its calibration, the conditions and who signs are typed in a dialog of their own
// (Gauge, calibration and conditions...), remembered with the rest.

#include <QDialog>
#include <functional>

#include "archive/archive.h"
#include "data/measurement_store.h"
#include "pdf_report/pdf_report.h"
#include "ui/report_check.h"

class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSettings;
class QTableWidget;

namespace zepra {

class InspectionDialog : public QDialog {
    Q_OBJECT
  public:
    // `group` and `settings` must outlive the dialog.
    InspectionDialog(const GroupSlot& group, std::int32_t unitIsMils, QSettings* settings,
                     QWidget* parent = nullptr);

    inspection::JobDetails job() const;
    inspection::PageSize pageSize() const;
    StandardChoice choice() const;
    // The gauge, calibration, conditions and signatories (Gauge, calibration and conditions...).
    const inspection::InspectionRecord& record() const { return record_; }
    // The standard's section as the criteria table shows it; none for "None".
    std::optional<inspection::StandardSection> section() const { return section_; }

    // What Save PDF... does with the dialog still open behind: ask for the file and write it. The
    // dialog remembers its fields and closes when the step returns true (the file was written);
    // otherwise (the Save dialog cancelled, the file not written) it stays as it was. Without a
    // step Save PDF... remembers and closes at once.
    void setSaveStep(std::function<bool()> step) { saveStep_ = std::move(step); }

    // The archive's jobs to pick from: picking one fills the project, structure and coating.
    void offerJobs(std::vector<archive::Job> jobs);
    // The job as the fields stand: a job offered under that name keeps its id and client; a
    // name typed anew (or, without a name, the project) is a job to add. Empty name: no job.
    archive::Job chosenJob() const;

    void accept() override;

  protected:
    void changeEvent(QEvent* event) override;  // a new palette: the verdict's colours again

  private:
    QGroupBox* buildJob();
    void buildJobPicker(QFormLayout* form);
    void pickJob(int index);
    QGroupBox* buildStandard();
    QGroupBox* buildExclusions();
    QGroupBox* buildCriteria();

    void showParameters();  // the rows of the chosen standard
    void judge();           // the criteria table and the verdict from the fields
    void load();
    void loadNumbers(const QSettings& settings);  // the thickness and area fields
    void remember() const;
    void orderTabs();
    QWidget* buildRecordButton();  // with the line that sums the record up
    void editRecord();

    const GroupSlot& group_;
    std::int32_t unitIsMils_;
    QSettings* settings_;
    std::optional<inspection::StandardSection> section_;

    QComboBox* jobName_ = nullptr;
    std::vector<archive::Job> jobs_;
    QLineEdit* project_ = nullptr;
    QLineEdit* structure_ = nullptr;
    QLineEdit* coating_ = nullptr;
    QLineEdit* inspector_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
    QComboBox* standard_ = nullptr;
    QFormLayout* parameterForm_ = nullptr;
    QLineEdit* ndft_ = nullptr;
    QLineEdit* minimum_ = nullptr;
    QLineEdit* maximum_ = nullptr;
    QComboBox* roughness_ = nullptr;
    QLineEdit* readingsPerSpot_ = nullptr;  // SSPC-PA 2
    QLineEdit* spotsPerArea_ = nullptr;
    QLineEdit* area_ = nullptr;
    QComboBox* page_ = nullptr;
    QGroupBox* exclusionBox_ = nullptr;
    QTableWidget* exclusions_ = nullptr;
    QGroupBox* criteriaBox_ = nullptr;
    QTableWidget* criteria_ = nullptr;
    QLabel* notesLine_ = nullptr;
    QLabel* verdict_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::function<bool()> saveStep_;
    inspection::InspectionRecord record_;
    QPushButton* recordButton_ = nullptr;
    QLabel* recordSummary_ = nullptr;
};

}  // namespace zepra
