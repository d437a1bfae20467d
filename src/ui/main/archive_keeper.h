#pragma once
// What the windows keep in the archive: every completed download, and the live capture when it
// is saved, when sampling stops and before the program ends. The main window owns one and tells
// it; the link knows nothing of it. The archive is opened at the first record. When it cannot be
// opened or written, one message box says so and what was not stored (once, until a store works
// again); the windows carry on as before.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "data/measurement_store.h"
#include "link/link_events.h"

namespace zepra {

class ArchiveKeeper {
  public:
    // showMessage: a message box (shown after the current handler returns). stored: after each
    // store that worked; newRecord is false for an unchanged repeat (a "seen again" row).
    explicit ArchiveKeeper(std::function<void(const std::string&)> showMessage,
                           std::function<void(bool newRecord)> stored = {});
    ~ArchiveKeeper();

    // A group's download arrived (in the slot).
    void keepGroup(GroupWindowId window, const GroupSlot& slot, std::int32_t unitIsMils,
                   const archive::GaugeIdentity& gauge);
    // A sample was captured at index recordIndex: its time is taken now.
    void sampleCaptured(std::int32_t recordIndex);
    // The capture as it stands, unless it is stored already as it stands.
    void keepCapture(const RealTimeSamples& samples, std::int32_t unitIsMils,
                     const archive::GaugeIdentity& gauge);

    // The archive, opened now if it is not yet; nullptr after the message saying why not.
    archive::Archive* archive();

    // The job every record stored from now on in this run is assigned to; none when empty.
    void setCurrentJob(const archive::Job& job) { currentJob_ = job; }
    const archive::Job& currentJob() const { return currentJob_; }
    // Called after each record stored (the Archive window shows it); none: nobody is told.
    void setStoredListener(std::function<void()> listener) {
        storedListener_ = std::move(listener);
    }

  private:
    void store(archive::Record record);

    std::function<void(const std::string&)> showMessage_;
    std::function<void(bool newRecord)> stored_;
    std::unique_ptr<archive::Archive> archive_;
    archive::Job currentJob_;
    std::function<void()> storedListener_;
    bool failing_ = false;  // the last store failed and said so: the next failure is quiet
    std::vector<std::int64_t> times_;  // each captured sample's UTC time
    std::int32_t storedSamples_ = 0;   // the capture stored last had this many readings
};

}  // namespace zepra
