#pragma once
// FrmRealTimeList: the readings captured in real time, newest on top, with running statistics.

#include <QMainWindow>
#include <cstdint>
#include <optional>
#include <string>

#include "ui/presenter/gauge_windows.h"
#include "ui/window_context.h"

class QLabel;
class QTableView;
class QTimer;

namespace zepra {

class RealTimeListModel;

class RealTimeListWindow : public QMainWindow {
    Q_OBJECT
  public:
    // Builds the window from the store. mainWindow is the window whose height it takes.
    RealTimeListWindow(const WindowContext& context, const QWidget* mainWindow,
                       QWidget* parent = nullptr);
    ~RealTimeListWindow() override;

    // Label7, as the live capture writes it before each sample (gathered like the samples).
    void setUnitLine(const std::string& unitLine);
    // A sample was appended to the store: add it on top and set the labels. Samples arriving
    // close together are gathered and shown at once, kShowDelayMs after the first of them (about
    // a screen refresh): the rows in capture order, the labels of the newest. At the line's full
    // rate that is one insertion and repaint for four samples instead of one for each.
    void appendCapturedSample(const CapturedSampleTexts& texts);
    // Shows the gathered samples now.
    void showCapturedSamples();
    static constexpr int kShowDelayMs = 20;

    // Timer1: the clock line.
    void Timer1_Timer();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void buildMenu();
    void scheduleShowing();
    QLabel* addLabel(const char* name, const char* caption, int leftTwips, int topTwips,
                     int widthTwips);
    void takeHeightOf(const QWidget* mainWindow);
    void Form_Load();
    void saveReport(bool csv);

    WindowContext context_;
    RealTimeListModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    QTimer* clockTimer_ = nullptr;
    QTimer* showTimer_ = nullptr;                 // shows the gathered samples
    std::optional<CapturedSampleTexts> pending_;  // the newest sample's texts, not shown yet
    std::optional<std::string> pendingUnitLine_;  // Label7, not shown yet
    std::int32_t pendingCount_ = 0;               // records to show up to
    QLabel* clockLine_ = nullptr;                 // Label6
    QLabel* countLine_ = nullptr;                 // Label1
    QLabel* unitLine_ = nullptr;                  // Label7
    QLabel* meanLine_ = nullptr;                  // Label2
    QLabel* deviationLine_ = nullptr;             // Label3
    QLabel* maximumLine_ = nullptr;               // Label4
    QLabel* minimumLine_ = nullptr;               // Label5
};

}  // namespace zepra
