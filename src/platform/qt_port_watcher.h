#pragma once
// Tells when the system's list of serial ports may have changed, without waking the program while
// nothing happens: the kernel's tty events through libudev (where the build has it), Windows'
// WM_DEVICECHANGE messages, and the ZEPRA_SERIALCOMM file. Where none exists it never fires;
// CONNECT still works.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <memory>

namespace zepra {

class PortWatcher : public QObject {
    Q_OBJECT
  public:
    // Watches the port-table file when one is named (also when it appears later or is replaced
    // by a rename) and, with systemDevices, the kernel's ttys.
    explicit PortWatcher(const QString& tableFile, bool systemDevices, QObject* parent = nullptr);
    ~PortWatcher() override;

    // Whether anything is watched at all (tests, the notes of `--wait`).
    bool watchesDevices() const;

  signals:
    void portsChanged();

  private:
    void tableFolderChanged();
    void rewatchTableFile();

    // What the table file looked like at the last look: the folder changes for other files too.
    QString tableState() const;

    QString tableFile_;
    QString lastTableState_;
    QFileSystemWatcher files_;
    struct Udev;
    std::unique_ptr<Udev> udev_;
    class DeviceChanges;  // Windows only
    std::unique_ptr<DeviceChanges> deviceChanges_;
};

// The watcher for this system: the ZEPRA_SERIALCOMM file if that variable is set, otherwise the
// kernel's ttys (Linux) or the device-change messages (Windows).
std::unique_ptr<PortWatcher> CreateSystemPortWatcher();

}  // namespace zepra
