#include "ui/main/form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <chrono>

#include "archive/archive.h"
#include "link/connection.h"
#include "platform/qt_clock_text.h"
#include "platform/qt_link_clock.h"
#include "platform/qt_message_box.h"
#include "platform/qt_save_dialog.h"
#include "platform/qt_serial_port.h"
#include "ui/controls.h"
#include "ui/main/artwork.h"

namespace zepra {
namespace {

// A picture area: a solid background or an image from its top-left corner. It keeps mouse presses
// to itself, so that a press on it (or on a label over it) never moves the window.
class PictureArea : public QWidget {
  public:
    PictureArea(QWidget* parent, const char* name, QRect geometry) : QWidget(parent) {
        setObjectName(QString::fromLatin1(name));
        setGeometry(geometry);  // no focus: nothing in it takes keys
    }
    void setBackground(const QColor& colour) {
        SetPaletteColour(this, QPalette::Window, colour);
        setAutoFillBackground(true);
    }
    void setImage(QImage image) { image_ = std::move(image); }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (image_.isNull()) return;
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), image_);
    }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }

  private:
    QImage image_;
};

QLabel* ColouredLabel(QWidget* parent, const char* name, const char* text, const QFont& font,
                      const QRect& twips, Qt::Alignment alignment, const QColor& colour) {
    QLabel* label = MakeLabel(parent, name, QString::fromLatin1(text), twips, font, alignment);
    SetPaletteColour(label, QPalette::WindowText, colour);
    return label;
}

// How often the windows sync with the team's server besides at start and after each record.
constexpr std::chrono::minutes kTeamSyncInterval{5};

// The team server's status over the artwork's top, above the gauge: the one free spot of the
// window wide enough for a sentence. At most three lines; what does not fit ends in "...".
constexpr QRect kTeamSyncLineRect{6, 3, 270, 46};
constexpr int kTeamSyncLines = 3;

QString FitLines(const QString& text, const QFontMetrics& metrics) {
    auto fits = [&](const QString& candidate) {
        return metrics
                   .boundingRect(QRect(0, 0, kTeamSyncLineRect.width(), 10'000), Qt::TextWordWrap,
                                 candidate)
                   .height() < metrics.lineSpacing() * kTeamSyncLines + metrics.lineSpacing() / 2;
    };
    if (fits(text)) return text;
    qsizetype shown = text.size();
    while (shown > 0 && !fits(text.left(shown) + QStringLiteral("..."))) --shown;
    return text.left(shown) + QStringLiteral("...");
}

std::string ComName(const SerialPort& port) {
    return "COM" + std::to_string(port.portNumber());
}

}  // namespace

bool IsWindowDragArea(QPoint clientPos) {
    const QRect client(QPoint(0, 0), kForm1ClientSize);
    return client.contains(clientPos) && !kPicture3Rect.contains(clientPos) &&
           !kPicture1Rect.contains(clientPos);
}

std::unique_ptr<QSettings> ProgramSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("ZEPRA"), QStringLiteral("zepra-thickness"));
}

Form1Services SystemServices() {
    Form1Services services;
    services.portList = CreateSystemSerialPortList();
    const SerialPortList* list = services.portList.get();
    services.port = std::make_unique<QtSerialPort>(
        [list](int portNumber) { return list->deviceForPort(portNumber); });
    services.messageBox = std::make_unique<QtMessageBox>();
    services.saveDialog = std::make_unique<QtSaveDialog>();
    services.clock = std::make_unique<QtClockText>();
    services.linkClock = std::make_unique<QtLinkClock>();
    services.settings = ProgramSettings();
    services.portWatcher = CreateSystemPortWatcher();
    return services;
}

namespace {
Form1Services WithLinkClock(Form1Services services) {
    if (!services.linkClock) services.linkClock = std::make_unique<QtLinkClock>();
    return services;
}
}  // namespace

Form1::Form1(MeasurementStore& store, Form1Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | kFixedCloseOnlyFrame),
      store_(store),
      services_(WithLinkClock(std::move(services))),
      presenter_(store, *this),
      link_(store, *services_.port, presenter_, *services_.linkClock),
      // Its message comes after the handler that stored (a download's, a click's) has returned.
      // While Exit closes the window there is no later: the message comes at once.
      archive_(
          [this](const std::string& text) {
              if (closing_) return services_.messageBox->show(text);
              QTimer::singleShot(0, this, [this, text] { services_.messageBox->show(text); });
          },
          [this](bool newRecord) {
              if (!teamSync_) return;
              if (newRecord) {
                  teamSync_->recordStored();
              } else {
                  teamSync_->requestSync();  // its "seen again" row goes to the team as well
              }
          }),
      windows_(makeWindowContext(), this),
      background_(BackgroundImage()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZEPRA Coating Thickness Tester"));
    setWindowIcon(MainWindowIcon());
    setFixedSize(kForm1ClientSize);
    buildControls();
    if (!archive::ConfiguredTeamServer().empty()) {
        teamSync_ = std::make_unique<archive::TeamSyncWorker>(archive::DefaultArchivePath());
        teamSync_->syncEvery(kTeamSyncInterval);
        buildTeamSyncLine();
    }
    addArchiveEntry();
    if (services_.portWatcher) {
        connect(services_.portWatcher.get(), &PortWatcher::portsChanged, this,
                &Form1::portsChanged);
    }
}

Form1::~Form1() = default;

WindowContext Form1::makeWindowContext() {
    WindowContext context;
    context.store = &store_;
    context.saveDialog = services_.saveDialog.get();
    context.messageBox = services_.messageBox.get();
    context.clock = services_.clock.get();
    context.settings = services_.settings.get();
    context.downloadText = [this](GroupWindowId id) {
        return downloads_[static_cast<std::size_t>(id) - 1];
    };
    context.measuredAt = [this](GroupWindowId id) {
        return downloadedAt_[static_cast<std::size_t>(id) - 1];
    };
    context.suspendLiveStream = [this] { link_.suspendLiveStream(); };
    context.resumeLiveStream = [this] { link_.resumeLiveStream(); };
    context.captureSaved = [this] { keepCapture(); };
    context.archiveKeeper = &archive_;
    context.teamSyncStatus = [this] { return teamSyncStatus(); };
    return context;  // the window set adds its toggles
}

// The window's layout stays as the gauge's users know it: the archive is one key away, and in the
// context menu (right button, the Menu key or Shift+F10) that screen readers announce.
void Form1::addArchiveEntry() {
    auto* archive = new QAction(QStringLiteral("&Archive..."), this);
    archive->setObjectName(QStringLiteral("OpenArchive"));
    archive->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    archive->setShortcutContext(Qt::WindowShortcut);
    connect(archive, &QAction::triggered, this, [this] { windows_.showArchive(); });
    addAction(archive);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setAccessibleDescription(QStringLiteral("Ctrl+Shift+A opens the archive"));
}

void Form1::buildControls() {
    auto* picture3 = new PictureArea(this, "Picture3", kPicture3Rect);
    picture3->setImage(ProductIllustration());
    picture3_ = picture3;
    label1_ = ColouredLabel(picture3, "Label1", "ZEPRA Coating Thickness Tester V1.4",
                            ArialNarrowFont(10.5), QRect(720, 4800, 2975, 375), Qt::AlignLeft,
                            palette().color(QPalette::WindowText));
    label1_->setBackgroundRole(QPalette::Base);
    label1_->setAutoFillBackground(true);

    auto* picture2 = new PictureArea(this, "Picture2", kPicture2Rect);
    picture2->setBackground(QColor(192, 255, 255));
    picture2_ = picture2;
    labelNoPort_ =
        ColouredLabel(picture2, "label_noport", "NO PORT", TahomaFont(21.75),
                      QRect(0, 480, 2415, 615), Qt::AlignHCenter | Qt::AlignTop, QColor(255, 0, 0));
    labelData_ =
        ColouredLabel(picture2, "labeldata", "----.-", TahomaFont(21.75, true),
                      QRect(120, 480, 1575, 615), Qt::AlignRight | Qt::AlignTop, Qt::black);
    labelUnit_ = ColouredLabel(picture2, "labelunit", "um", TahomaFont(15, true),
                               QRect(1440, 960, 615, 495), Qt::AlignLeft | Qt::AlignTop, Qt::black);
    labelData_->hide();
    labelUnit_->hide();

    auto* picture1 = new PictureArea(this, "Picture1", kPicture1Rect);
    picture1->setBackground(QColor(192, 192, 192));
    picture1_ = picture1;

    int row = 0;
    auto button = [&](const char* name, const char* caption, bool enabled) {
        auto* b = new QPushButton(QString::fromLatin1(caption), picture1);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(TahomaFont(14.25));
        b->setGeometry(PxRect(QRect(120, 120 + 720 * row++, 2175, 615)));
        b->setEnabled(enabled);
        return b;
    };
    cmdConnect_ = button("Cmd_Connect", "CONNECT", true);
    cmdRealTime_ = button("Cmd_RealTime", "RealTimeSamp", false);
    cmdGrp_[0] = button("Cmd_Grp1", "Group1", false);
    cmdGrp_[1] = button("Cmd_Grp2", "Group2", false);
    cmdGrp_[2] = button("Cmd_Grp3", "Group3", false);
    cmdGrp_[3] = button("Cmd_Grp4", "Group4", false);
    cmdAllGrp_ = button("Cmd_AllGrp", "All_Grps", false);
    cmdRealTimeGrp_ = button("Cmd_RealTimeGrp", "CurrentGrp", false);
    cmdUnit_ = button("Cmd_Unit", "um<->mils", false);
    cmdExit_ = button("Cmd_Exit", "Exit", true);

    // Tab follows the buttons down the column.
    QWidget* const focusOrder[] = {cmdConnect_, cmdRealTime_, cmdGrp_[0], cmdGrp_[1],
                                   cmdGrp_[2],  cmdGrp_[3],   cmdAllGrp_, cmdRealTimeGrp_,
                                   cmdUnit_,    cmdExit_};
    for (std::size_t i = 0; i + 1 < std::size(focusOrder); ++i) {
        setTabOrder(focusOrder[i], focusOrder[i + 1]);
    }
    nameReading();

    connect(cmdConnect_, &QPushButton::clicked, this, &Form1::connectClicked);
    connect(cmdRealTime_, &QPushButton::clicked, this, [this] { link_.toggleRealTime(); });
    constexpr GroupWindowId kGroups[] = {GroupWindowId::Group1, GroupWindowId::Group2,
                                         GroupWindowId::Group3, GroupWindowId::Group4};
    for (int i = 0; i < 4; ++i) {
        const GroupWindowId id = kGroups[i];
        connect(cmdGrp_[i], &QPushButton::clicked, this, [this, id] { link_.requestGroup(id); });
    }
    connect(cmdAllGrp_, &QPushButton::clicked, this, [this] { link_.requestAllGroups(); });
    connect(cmdRealTimeGrp_, &QPushButton::clicked, this,
            [this] { link_.requestGroup(GroupWindowId::Current); });
    connect(cmdUnit_, &QPushButton::clicked, this, &Form1::unitClicked);
    connect(cmdExit_, &QPushButton::clicked, this, &QWidget::close);
}

void Form1::formLoad() {
    InitialiseStore(store_);
    if (teamSync_) teamSync_->requestSync();  // in the background, while the gauge is looked for
    if (ConnectToGauge(true, *services_.portList, *services_.port, lookupMessages())) {
        showConnected(true);
    }
}

void Form1::buildTeamSyncLine() {
    teamSyncLine_ = new QLabel(picture3_);
    teamSyncLine_->setObjectName(QStringLiteral("TeamSyncLine"));
    teamSyncLine_->setGeometry(kTeamSyncLineRect);
    teamSyncLine_->setFont(ArialNarrowFont(8));
    teamSyncLine_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    teamSyncLine_->setWordWrap(true);
    teamSyncLine_->setAccessibleName(QStringLiteral("Team server"));
    connect(&teamSync_->status(), &archive::TeamSyncStatus::changed, this,
            &Form1::showTeamSyncStatus);
    showTeamSyncStatus();
}

void Form1::showTeamSyncStatus() {
    const QString text = teamSync_->status().text();
    teamSyncLine_->setText(FitLines(text, teamSyncLine_->fontMetrics()));
    teamSyncLine_->setToolTip(text);  // the whole of a long error
    teamSyncLine_->setAccessibleDescription(text);
}

void Form1::connectClicked() {
    if (ConnectToGauge(false, *services_.portList, *services_.port, lookupMessages())) {
        showConnected(false);
    }
}

void Form1::portsChanged() {
    if (services_.port->isOpen()) return;
    const auto entries = ListGaugePorts(*services_.portList);
    if (!entries || entries->empty()) return;
    // The gauge that was pulled out comes first, then the lookup's order.
    const GaugePortEntry* chosen = &entries->front();
    int best = 0;
    for (const GaugePortEntry& entry : *entries) {
        const int match =
            IdentityMatch(pulledOutGauge_, IdentifyPort(entry.device, entry.portName));
        if (match > best) {
            best = match;
            chosen = &entry;
        }
    }
    ++automaticAttempts_;
    if (!ConnectQuietly(*chosen, *services_.port)) return;
    showConnected(false);
    if (!openGoneAlert_.empty()) {
        services_.messageBox->replaceOpen(
            openGoneAlert_, ConnectedAgainMessage(goneReason_, ComName(*services_.port)));
    }
}

ShowMessage Form1::lookupMessages() {
    return [this](const std::string& text) { showMessage(text); };
}

// The gauge's identity is read while it is there: once it is pulled out, sysfs no longer knows it.
void Form1::showConnected(bool atStartup) {
    ShowConnectedLook(atStartup, *this);
    const int number = services_.port->portNumber();
    connectedGauge_ =
        IdentifyPort(services_.portList->deviceForPort(number), "COM" + std::to_string(number));
}

void Form1::unitClicked() {
    link_.suspendLiveStream();  // does nothing unless live readings stream
    store_.unitIsMils = store_.unitIsMils == 0 ? 1 : 0;
    windows_.reopenForUnitChange();
    link_.resumeLiveStream();
}

QWidget* Form1::control(MainControl which) const {
    switch (which) {
        case MainControl::Connect:
            return cmdConnect_;
        case MainControl::RealTime:
            return cmdRealTime_;
        case MainControl::Grp1:
            return cmdGrp_[0];
        case MainControl::Grp2:
            return cmdGrp_[1];
        case MainControl::Grp3:
            return cmdGrp_[2];
        case MainControl::Grp4:
            return cmdGrp_[3];
        case MainControl::AllGrp:
            return cmdAllGrp_;
        case MainControl::RealTimeGrp:
            return cmdRealTimeGrp_;
        case MainControl::Unit:
            return cmdUnit_;
        case MainControl::LabelData:
            return labelData_;
        case MainControl::LabelNoPort:
            return labelNoPort_;
        case MainControl::LabelUnit:
            return labelUnit_;
    }
    return nullptr;
}

void Form1::setEnabled(MainControl which, bool enabled) {
    if (QWidget* widget = control(which)) widget->setEnabled(enabled);
}

void Form1::setShown(MainControl which, bool shown) {
    if (QWidget* widget = control(which)) widget->setVisible(shown);
}

void Form1::setText(MainControl which, const std::string& text) {
    QWidget* widget = control(which);
    const QString caption = QString::fromStdString(text);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(caption);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(caption);
    }
    if (widget == labelData_ || widget == labelUnit_) nameReading();
}

// The big digits and their unit are two labels; a screen reader gets them as one sentence.
void Form1::nameReading() {
    labelData_->setAccessibleName(QString::fromStdString(
        SpokenReading(labelData_->text().toStdString(), labelUnit_->text().toStdString())));
}

void Form1::showMessage(const std::string& text) {
    services_.messageBox->show(text);
}

void Form1::reopenGroupWindow(GroupWindowId window) {
    // The link reopens a group window when the group's download has arrived.
    const int number = services_.port->portNumber();
    const std::string device = services_.portList->deviceForPort(number);
    downloads_[static_cast<std::size_t>(window) - 1] = "from COM" + std::to_string(number) +
                                                       (device.empty() ? "" : " (" + device + ")") +
                                                       " at " + services_.clock->recordTime();
    // The gauge keeps no times: the download is when the readings were last known as they are.
    downloadedAt_[static_cast<std::size_t>(window) - 1] =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString() +
        " or before (downloaded)";
    windows_.reopenGroupWindow(window);
    const GroupSlot& slot = window == GroupWindowId::Current
                                ? store_.currentGroupSlot
                                : store_.groupSlot(static_cast<int>(window));
    archive_.keepGroup(window, slot, store_.unitIsMils, gaugeIdentity());
}

archive::GaugeIdentity Form1::gaugeIdentity() const {
    const PortIdentity& gauge = connectedGauge_;
    std::string port = gauge.portName;
    if (!gauge.device.empty())
        port += (port.empty() ? "" : " (") + gauge.device + (port.empty() ? "" : ")");
    return {gauge.usbSerial, gauge.physicalPath, port};
}

void Form1::keepCapture() {
    archive_.keepCapture(store_.realTimeSamples, store_.unitIsMils, gaugeIdentity());
}

void Form1::samplingStopped() {
    keepCapture();
}

void Form1::showRealTimeList() {
    windows_.showRealTimeList();
}

void Form1::setRealTimeUnitLine(const std::string& unitLine) {
    windows_.setRealTimeUnitLine(unitLine);
}

void Form1::sampleCaptured(const CapturedSampleTexts& texts) {
    archive_.sampleCaptured(texts.recordIndex);
    windows_.sampleCaptured(texts);
}

void Form1::deviceGone(const std::string&) {
    pulledOutGauge_ = connectedGauge_;
    showNotConnectedLook();
    cmdUnit_->setEnabled(true);  // switching units needs no gauge
}

// The alert waits while another message is open, and stays open until OK: either way the port
// watcher may have connected the gauge again by then, and the alert then says so.
void Form1::showDeviceGoneMessage(const std::string& reason) {
    if (services_.port->isOpen()) {
        showMessage(ConnectedAgainMessage(reason, ComName(*services_.port)));
        return;
    }
    goneReason_ = reason;
    openGoneAlert_ = DeviceGoneMessage(reason);
    showMessage(openGoneAlert_);
    openGoneAlert_.clear();
}

// Back to the start look, with CONNECT usable so that the user can connect again.
void Form1::showNotConnectedLook() {
    cmdRealTime_->setText(QStringLiteral("RealTimeSamp"));
    for (QPushButton* button : {cmdRealTime_, cmdGrp_[0], cmdGrp_[1], cmdGrp_[2], cmdGrp_[3],
                                cmdAllGrp_, cmdRealTimeGrp_, cmdUnit_}) {
        button->setEnabled(false);
    }
    labelData_->hide();
    labelUnit_->hide();
    labelNoPort_->show();
    cmdConnect_->setEnabled(true);
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), background_);
}

void Form1::mousePressEvent(QMouseEvent* event) {
    // Any button: the press moves the window like a drag of its title bar.
    if (!IsWindowDragArea(event->position().toPoint())) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (QWindow* window = windowHandle(); window != nullptr && window->startSystemMove()) return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - pos();
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    move(event->globalPosition().toPoint() - dragOffset_);
}

void Form1::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;  // the move ends when a button is released
    QWidget::mouseReleaseEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
    closing_ = true;
    keepCapture();  // Exit during a run: the capture is kept before the program ends
    windows_.closeAll();
    event->accept();
}

}  // namespace zepra
