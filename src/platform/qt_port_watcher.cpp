#include "platform/qt_port_watcher.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSocketNotifier>

#include "platform/port_events.h"

#ifdef ZEPRA_HAVE_LIBUDEV
#include <libudev.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include "platform/win32_device_change.h"
#endif

namespace zepra {

#ifdef ZEPRA_HAVE_LIBUDEV
// A netlink monitor of udev's processed events (the device node has its owner and mode by then),
// filtered in the kernel to the tty subsystem and once more by IsSerialPortEvent.
struct PortWatcher::Udev {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;

    ~Udev() {
        notifier.reset();
        if (monitor) udev_monitor_unref(monitor);
        if (context) udev_unref(context);
    }

    bool start() {
        context = udev_new();
        if (!context) return false;
        monitor = udev_monitor_new_from_netlink(context, "udev");
        if (!monitor) return false;
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr);
        return udev_monitor_enable_receiving(monitor) == 0 && udev_monitor_get_fd(monitor) >= 0;
    }

    // Reads every waiting event; true when one of them concerns a serial port.
    bool takeEvents() {
        bool relevant = false;
        while (udev_device* device = udev_monitor_receive_device(monitor)) {
            UeventProperties properties;
            for (udev_list_entry* entry = udev_device_get_properties_list_entry(device); entry;
                 entry = udev_list_entry_get_next(entry)) {
                const char* value = udev_list_entry_get_value(entry);
                properties[udev_list_entry_get_name(entry)] = value ? value : "";
            }
            relevant = IsSerialPortEvent(properties) || relevant;
            udev_device_unref(device);
        }
        return relevant;
    }
};
#else
struct PortWatcher::Udev {};
#endif

#ifdef Q_OS_WIN
// WM_DEVICECHANGE reaches every top-level window; the filter sees them all and hands a port's
// change on once the system's dispatch is over.
class PortWatcher::DeviceChanges : public QAbstractNativeEventFilter {
  public:
    explicit DeviceChanges(PortWatcher& watcher) : watcher_(watcher) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~DeviceChanges() override {
        if (QCoreApplication* application = QCoreApplication::instance()) {
            application->removeNativeEventFilter(this);
        }
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "windows_generic_MSG") return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_DEVICECHANGE &&
            IsSerialPortDeviceChange(msg->wParam, static_cast<std::intptr_t>(msg->lParam))) {
            PortWatcher* watcher = &watcher_;
            QMetaObject::invokeMethod(
                watcher, [watcher] { emit watcher->portsChanged(); }, Qt::QueuedConnection);
        }
        return false;
    }

  private:
    PortWatcher& watcher_;
};
#else
class PortWatcher::DeviceChanges {};
#endif

PortWatcher::PortWatcher(const QString& tableFile, bool systemDevices, QObject* parent)
    : QObject(parent), tableFile_(tableFile) {
    if (!tableFile_.isEmpty()) {
        // The folder tells when the file appears or is replaced by a rename (which drops a watch
        // on the file itself); the file tells when it is rewritten in place.
        files_.addPath(QFileInfo(tableFile_).absolutePath());
        rewatchTableFile();
        lastTableState_ = tableState();
        connect(&files_, &QFileSystemWatcher::fileChanged, this, [this] {
            rewatchTableFile();
            lastTableState_ = tableState();
            emit portsChanged();
        });
        connect(&files_, &QFileSystemWatcher::directoryChanged, this,
                &PortWatcher::tableFolderChanged);
    }
#ifdef ZEPRA_HAVE_LIBUDEV
    if (systemDevices) {
        auto udev = std::make_unique<Udev>();
        if (udev->start()) {
            udev->notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(udev->monitor),
                                                               QSocketNotifier::Read);
            connect(udev->notifier.get(), &QSocketNotifier::activated, this, [this] {
                if (udev_->takeEvents()) emit portsChanged();
            });
            udev_ = std::move(udev);
        }
    }
#elif defined(Q_OS_WIN)
    // The messages reach windows only: a program without a GUI gets none.
    if (systemDevices && QCoreApplication::instance() != nullptr &&
        QCoreApplication::instance()->inherits("QGuiApplication")) {
        deviceChanges_ = std::make_unique<DeviceChanges>(*this);
    }
#else
    Q_UNUSED(systemDevices);
#endif
}

PortWatcher::~PortWatcher() = default;

bool PortWatcher::watchesDevices() const {
    return udev_ != nullptr || deviceChanges_ != nullptr || !files_.directories().isEmpty();
}

void PortWatcher::tableFolderChanged() {
    // Other files of the folder change too; only the table's appearing, going or being replaced
    // counts.
    rewatchTableFile();
    QString state = tableState();
    if (state == lastTableState_) return;
    lastTableState_ = std::move(state);
    emit portsChanged();
}

QString PortWatcher::tableState() const {
    const QFileInfo info(tableFile_);
    if (!info.exists()) return {};
    // A rename over the file changes its status-change time even when size and time stay.
    return QStringLiteral("%1 %2 %3")
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch())
        .arg(info.metadataChangeTime().toMSecsSinceEpoch());
}

void PortWatcher::rewatchTableFile() {
    files_.removePath(tableFile_);
    if (QFileInfo::exists(tableFile_)) files_.addPath(tableFile_);
}

std::unique_ptr<PortWatcher> CreateSystemPortWatcher() {
    const QString table = qEnvironmentVariable("ZEPRA_SERIALCOMM");
    return std::make_unique<PortWatcher>(table, table.isEmpty());
}

}  // namespace zepra
