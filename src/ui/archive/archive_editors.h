#pragma once
// The Archive window's editors: the jobs (added, never changed: records name them), and the
// gauges with their calibrations (a new calibration is added beside the earlier ones).

#include <QDialog>
#include <optional>
#include <vector>

#include "archive/archive.h"
#include "platform/message_box.h"

class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

namespace zepra {

class JobsDialog : public QDialog {
    Q_OBJECT
  public:
    JobsDialog(archive::Archive& archive, MessageBox* messageBox, QWidget* parent = nullptr);
    // Adds the job in the fields; false after a message when it was not stored.
    bool addJob();

  private:
    void fill();

    archive::Archive& archive_;
    MessageBox* messageBox_;
    QTableWidget* table_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* project_ = nullptr;
    QLineEdit* structure_ = nullptr;
    QLineEdit* coating_ = nullptr;
    QLineEdit* client_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
};

class GaugesDialog : public QDialog {
    Q_OBJECT
  public:
    GaugesDialog(archive::Archive& archive, MessageBox* messageBox, QWidget* parent = nullptr);
    // Adds the gauge in the fields, with the calibration when one is given.
    bool addGauge();
    // Adds the calibration in the fields to the gauge selected.
    bool addCalibration();

  private:
    void fill();
    std::optional<archive::Calibration> calibrationFields() const;
    bool report(const std::string& error);

    archive::Archive& archive_;
    MessageBox* messageBox_;
    std::vector<archive::Gauge> gauges_;
    QTableWidget* table_ = nullptr;
    QLineEdit* model_ = nullptr;
    QLineEdit* serial_ = nullptr;
    QLineEdit* usbSerial_ = nullptr;
    QLineEdit* probe_ = nullptr;
    QLineEdit* certificate_ = nullptr;
    QLineEdit* calibratedOn_ = nullptr;
    QLineEdit* nextDue_ = nullptr;
};

}  // namespace zepra
