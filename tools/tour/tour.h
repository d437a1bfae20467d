#pragma once
// The guided tour: drives the main window and every window it opens through their objectNames,
// saves a PNG of each window and a CSV and a text report of a group and of a live capture.

#include <QString>
#include <array>
#include <cstddef>

class QWidget;

namespace tour {

class MessageBoxWatcher;

struct TourOptions {
    QString outputDir;
    int liveSeconds = 4;        // how long live readings are captured
    int stepTimeoutMs = 15000;  // the longest any single step may take
    // How many readings each group holds at the gauge: groups 1 to 4, then the current group.
    std::array<std::size_t, 5> groupSizes{};
};

// The PNGs and reports every tour writes into the output folder.
inline constexpr const char* kWindowShots[] = {
    "Form1",      "frmAbout",       "FrmGrpOne",       "FrmGrpTwo",         "FrmGrpThree",
    "FrmGrpFour", "FrmRealTimeGrp", "FrmRealTimeList", "FrmRealTimeGrpOne", "FrmRealTimeGrpTwo",
    "FrmArchive"};
inline constexpr const char* kReports[] = {"Group1.csv", "Group1.txt", "RealTime.csv",
                                           "RealTime.txt"};

class Tour {
  public:
    // mainWindow: the program's Form1, already loaded and shown.
    Tour(QWidget& mainWindow, MessageBoxWatcher& messages, TourOptions options);

    // Runs every step in order; throws TourFailure naming the step that failed.
    void run();

  private:
    void step(const QString& what);
    void expectNoMessages();
    QString outputPath(const QString& fileName) const;
    void checkConnected();
    void downloadGroups();
    void downloadAllGroups();
    void switchChart();
    void switchUnit();
    void showAbout();
    void saveGroupReports();
    void captureLive();
    void showArchive();
    void exitProgram();
    void waitForFill(const QString& windowName, std::size_t readings);

    QWidget& form_;
    MessageBoxWatcher& messages_;
    TourOptions options_;
    QString currentStep_;
};

}  // namespace tour
