#pragma once
// The Archive window: the records the archive keeps, found by job, date, gauge, inspector,
// verdict and any text; a record opened in a group window (read-only), written as CSV, TXT or an
// inspection report, assigned to a job; the job for this run; the jobs and gauges (calibrations).
// The status bar at the bottom says what the list shows and what failed.

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "archive/archive.h"
#include "ui/report_menu.h"
#include "ui/window_context.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableView;
class QTimer;

namespace zepra {

class ArchiveListModel;
class GroupWindow;

class ArchiveWindow : public QMainWindow {
    Q_OBJECT
  public:
    // context.archiveKeeper: the archive and the job for this run (none: an empty window).
    explicit ArchiveWindow(const WindowContext& context, QWidget* parent = nullptr);
    ~ArchiveWindow() override;

    ArchiveListModel* model() const { return model_; }
    QTableView* list() const { return list_; }

    // The filter from the fields, applied now (typing applies it a moment later by itself).
    void applyFilter();
    // Reads the list again: something was stored or added.
    void refresh();

    // The selected record in a group window; nullptr when none is selected or it cannot be read.
    GroupWindow* openSelected();
    // Assigns the selected record to the job of that name, added when there is none; false
    // after a message when it could not be done.
    bool assignSelectedTo(const std::string& jobName);
    // The job for this run by name; empty: none.
    void chooseRunJob(const std::string& jobName);

  private:
    QWidget* buildRunJob();
    QWidget* buildFilter();
    QWidget* buildButtons();
    void fillJobLists();
    std::optional<archive::RecordDetails> selectedDetails();
    void saveSelected(ReportFormat format);
    void saveSelectedInspection();
    void saveInspection(const archive::RecordDetails& details, QWidget* parent);
    void askAssignment();
    void showStatus();
    void showTeamSyncStatus();
    void say(const std::string& message);

    WindowContext context_;
    archive::Archive* archive_ = nullptr;
    std::unique_ptr<MeasurementStore> unitStore_;  // the unit of the record written
    ArchiveListModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QTimer* filterTimer_ = nullptr;
    QComboBox* runJob_ = nullptr;
    QLineEdit* job_ = nullptr;
    QLineEdit* gauge_ = nullptr;
    QLineEdit* inspector_ = nullptr;
    QComboBox* verdict_ = nullptr;
    QCheckBox* sinceOn_ = nullptr;
    QDateEdit* since_ = nullptr;
    QCheckBox* untilOn_ = nullptr;
    QDateEdit* until_ = nullptr;
    QLineEdit* text_ = nullptr;
    QLabel* listStatus_ = nullptr;
};

}  // namespace zepra
