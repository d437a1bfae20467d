#pragma once
// FrmRealTimeList: the readings captured in real time, newest on top, with running statistics.

#include <QMainWindow>

#include "link/gauge_windows.h"
#include "ui/window_context.h"

class QLabel;
class QTableView;
class QTimer;

namespace zepra {

class RealTimeListModel;

class RealTimeListWindow : public QMainWindow {
    Q_OBJECT
  public:
    // Builds the window from the store. mainWindow is the window it is placed beside.
    RealTimeListWindow(const WindowContext& context, const QWidget* mainWindow,
                       QWidget* parent = nullptr);
    ~RealTimeListWindow() override;

    // Label7, as the live capture writes it.
    void setUnitLine(const std::string& unitLine);
    // A sample was appended to the store: add it on top and set the labels.
    void appendCapturedSample(const CapturedSampleTexts& texts);

    // Timer1: the clock line.
    void Timer1_Timer();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenu();
    QLabel* addLabel(const char* name, const char* caption, int leftTwips, int topTwips,
                     int widthTwips);
    void placeBeside(const QWidget* mainWindow);
    void Form_Load();
    void saveReport(bool csv);

    WindowContext context_;
    RealTimeListModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    QTimer* clockTimer_ = nullptr;
    QLabel* clockLine_ = nullptr;      // Label6
    QLabel* countLine_ = nullptr;      // Label1
    QLabel* unitLine_ = nullptr;       // Label7
    QLabel* meanLine_ = nullptr;       // Label2
    QLabel* deviationLine_ = nullptr;  // Label3
    QLabel* maximumLine_ = nullptr;    // Label4
    QLabel* minimumLine_ = nullptr;    // Label5
};

}  // namespace zepra
