#pragma once
// Form1: the main window. Product artwork on the left, the reading panel on it, the button column
// on the right. It owns the serial port and the link to the gauge, and the program's other windows.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSettings>
#include <QSize>
#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "archive/team/team_sync_worker.h"
#include "data/measurement_store.h"
#include "link/connection.h"
#include "link/gauge_link.h"
#include "platform/clock_text.h"
#include "platform/message_box.h"
#include "platform/port_events.h"
#include "platform/qt_port_watcher.h"
#include "platform/save_dialog.h"
#include "platform/serial_port.h"
#include "platform/serial_port_list.h"
#include "ui/fonts.h"
#include "ui/main/app_windows.h"
#include "ui/main/archive_keeper.h"
#include "ui/presenter/gauge_windows.h"
#include "ui/presenter/link_presenter.h"

class QLabel;
class QPushButton;

namespace zepra {

// What the main window works with; tests pass fakes, the program the system's own.
struct Form1Services {
    std::unique_ptr<SerialPortList> portList;
    std::unique_ptr<SerialPort> port;  // may refer to *portList to find its device
    std::unique_ptr<MessageBox> messageBox;
    std::unique_ptr<SaveDialog> saveDialog;
    std::unique_ptr<ClockText> clock;
    std::unique_ptr<LinkClock> linkClock;  // the link's time and wake-ups; Qt's when not given
    std::unique_ptr<QSettings> settings;   // what the inspection dialog remembers; none: nothing
    // Tells when ports come and go; none: connecting is left to CONNECT alone.
    std::unique_ptr<PortWatcher> portWatcher;
};

// The system's list of serial ports, the real serial port and the Qt dialogs.
Form1Services SystemServices();
// The user's settings file (an INI file in the user's settings folder, on Windows as on Linux).
std::unique_ptr<QSettings> ProgramSettings();

// Client-area layout in pixels.
inline constexpr QRect kPicture3Rect{0, 0, Px(4215), Px(7575)};
inline constexpr QRect kPicture2Rect{Px(1440), Px(1440), Px(2175), Px(1575)};
inline constexpr QRect kPicture1Rect{Px(4260), Px(120), Px(2415), Px(7335)};
inline constexpr QSize kForm1ClientSize{Px(6660), Px(7470)};

// Whether a mouse press at this client-area position falls on the window's uncovered background
// (the strips around the button column), where it starts moving the window.
bool IsWindowDragArea(QPoint clientPos);

class Form1 : public QWidget, public GaugeWindows {
    Q_OBJECT
  public:
    Form1(MeasurementStore& store, Form1Services services, QWidget* parent = nullptr);
    ~Form1() override;

    // Form_Load: initialise the store, then the start-up connection (its messages come before the
    // window is shown).
    void formLoad();

    GaugeLink& link() { return link_; }
    // How often the port list's changes led to an attempt to open a port.
    int automaticAttempts() const { return automaticAttempts_; }
    AppWindows& windows() { return windows_; }
    // The sync with the team's server, for other windows to show too; null when no server is
    // named (ZEPRA_ARCHIVE_SERVER, the setting archive/server).
    archive::TeamSyncStatus* teamSyncStatus() { return teamSync_ ? &teamSync_->status() : nullptr; }

    // GaugeWindows
    void setEnabled(MainControl control, bool enabled) override;
    void setShown(MainControl control, bool shown) override;
    void setText(MainControl control, const std::string& text) override;
    void showMessage(const std::string& text) override;
    void reopenGroupWindow(GroupWindowId window) override;
    void showRealTimeList() override;
    void setRealTimeUnitLine(const std::string& unitLine) override;
    void sampleCaptured(const CapturedSampleTexts& texts) override;
    void deviceGone(const std::string& reason) override;
    void showDeviceGoneMessage(const std::string& reason) override;
    void samplingStopped() override;

    using QWidget::setEnabled;  // the window's own enabled state stays reachable

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;  // Form_MouseDown
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;  // Form_Unload

  private:
    WindowContext makeWindowContext();
    void buildControls();
    QWidget* control(MainControl which) const;
    void connectClicked();  // Cmd_Connect_Click
    void unitClicked();     // Cmd_Unit_Click
    void showNotConnectedLook();
    void portsChanged();                           // connects by itself while no port is open
    ShowMessage lookupMessages();                  // the port lookup's messages: message boxes
    void showConnected(bool atStartup);            // after every successful connection
    void nameReading();                            // labeldata's accessible name from what it shows
    archive::GaugeIdentity gaugeIdentity() const;  // the connected gauge's, for the archive
    void keepCapture();
    void buildTeamSyncLine();
    void showTeamSyncStatus();
    void addArchiveEntry();  // the key and the context menu item that open the Archive window

    MeasurementStore& store_;
    Form1Services services_;
    LinkPresenter presenter_;
    GaugeLink link_;
    ArchiveKeeper archive_;  // before windows_: the windows' context calls it
    // Syncs the archive with the team's server in the background, when one is named.
    std::unique_ptr<archive::TeamSyncWorker> teamSync_;
    AppWindows windows_;
    QImage background_;
    // Per group window (GroupWindowId order): where and when its readings were downloaded.
    std::array<std::string, 5> downloads_;
    std::array<std::string, 5> downloadedAt_;  // each group's download date and time
    // The gauge that is (or was last) connected, and the one pulled out, preferred when it returns.
    PortIdentity connectedGauge_;
    PortIdentity pulledOutGauge_;
    int automaticAttempts_ = 0;
    // The device-gone alert while it is open, and the reason it gives.
    std::string openGoneAlert_;
    std::string goneReason_;
    bool closing_ = false;

    QWidget* picture1_ = nullptr;
    QWidget* picture2_ = nullptr;
    QWidget* picture3_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* labelNoPort_ = nullptr;
    QLabel* labelData_ = nullptr;
    QLabel* labelUnit_ = nullptr;
    QLabel* teamSyncLine_ = nullptr;  // over the artwork's top, when a team server is named
    QPushButton* cmdConnect_ = nullptr;
    QPushButton* cmdRealTime_ = nullptr;
    QPushButton* cmdGrp_[4] = {};
    QPushButton* cmdAllGrp_ = nullptr;
    QPushButton* cmdRealTimeGrp_ = nullptr;
    QPushButton* cmdUnit_ = nullptr;
    QPushButton* cmdExit_ = nullptr;

    // Moving the window by hand where the platform cannot start a system move.
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace zepra
