#pragma once
// The inspection report's record besides the readings, opened from the inspection dialog: the
// gauge and its calibration, the zero and shim verification, the surface, the conditions (the
// dew point and the steel's margin above it worked out as the user types, flagged under 3 °C) and
// who signs. Each field has its Alt letter; Enter takes the record, Escape leaves it as it was.

#include <QDialog>

#include "pdf_report/pdf_report.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;

namespace zepra {

class InspectionRecordDialog : public QDialog {
    Q_OBJECT
  public:
    explicit InspectionRecordDialog(const inspection::InspectionRecord& record,
                                    QWidget* parent = nullptr);

    // The fields as typed, the numbers read; valid() is false while one is no number in range or
    // the calibration date is no date (then the dialog cannot be taken).
    inspection::InspectionRecord record() const;
    bool valid() const { return problem().isEmpty(); }

  private:
    QString problem() const;  // what is wrong, for the line under the conditions
    void update();            // the dew point line and the OK button

    QLineEdit* make_ = nullptr;
    QLineEdit* model_ = nullptr;
    QLineEdit* serial_ = nullptr;
    QLineEdit* probe_ = nullptr;
    QLineEdit* certificate_ = nullptr;
    QLineEdit* calibrated_ = nullptr;
    QLineEdit* zeroCheck_ = nullptr;
    QLineEdit* preparation_ = nullptr;
    QLineEdit* profile_ = nullptr;
    QLineEdit* air_ = nullptr;
    QLineEdit* steel_ = nullptr;
    QLineEdit* humidity_ = nullptr;
    QLineEdit* qualification_ = nullptr;
    QLineEdit* inspectorPosition_ = nullptr;
    QLineEdit* client_ = nullptr;
    QLineEdit* clientPosition_ = nullptr;
    QLabel* dewPoint_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// The record kept between reports in the settings (group "inspection/record"); nothing without
// settings.
inspection::InspectionRecord LoadInspectionRecord(QSettings* settings);
void RememberInspectionRecord(QSettings* settings, const inspection::InspectionRecord& record);

// One line for the inspection dialog: "Acme DFT-7, serial 12345; dew point margin 4.2 °C", or
// "none recorded".
QString RecordSummary(const inspection::InspectionRecord& record);

}  // namespace zepra
