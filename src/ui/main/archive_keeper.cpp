#include "ui/main/archive_keeper.h"

#include <QDateTime>
#include <algorithm>

#include "data/group_texts.h"

namespace zepra {
namespace {

// The windows never wait long on the file: another program's write lock held longer than
// this is a failure to store, said in a message, not a frozen window.
constexpr int kWindowBusyTimeoutMs = 500;

}  // namespace

ArchiveKeeper::ArchiveKeeper(std::function<void(const std::string&)> showMessage,
                             std::function<void(bool newRecord)> stored)
    : showMessage_(std::move(showMessage)), stored_(std::move(stored)) {}

ArchiveKeeper::~ArchiveKeeper() = default;

void ArchiveKeeper::keepGroup(GroupWindowId window, const GroupSlot& slot, std::int32_t unitIsMils,
                              const archive::GaugeIdentity& gauge) {
    // The texts as the group window lists them (it fills its own slot a moment later).
    GroupSlot listed = slot;
    FillGroupTexts(listed, unitIsMils);
    archive::Record record = archive::RecordOfGroup(listed, unitIsMils);
    record.source =
        window == GroupWindowId::Current ? archive::Source::CurrentGroup : archive::Source::Group;
    record.group = window == GroupWindowId::Current ? 0 : static_cast<int>(window);
    record.takenMs = QDateTime::currentMSecsSinceEpoch();
    record.gauge = gauge;
    store(std::move(record));
}

void ArchiveKeeper::sampleCaptured(std::int32_t recordIndex) {
    const auto index = static_cast<std::size_t>(std::max(recordIndex, 0));
    if (index < times_.size()) {  // a new capture starts over
        times_.resize(index);
        storedSamples_ = 0;
    }
    times_.resize(index, 0);
    times_.push_back(QDateTime::currentMSecsSinceEpoch());
}

void ArchiveKeeper::keepCapture(const RealTimeSamples& samples, std::int32_t unitIsMils,
                                const archive::GaugeIdentity& gauge) {
    const std::int32_t count = std::clamp<std::int32_t>(
        samples.readingCount, 0, static_cast<std::int32_t>(samples.readings.size()));
    if (count == 0 || count == storedSamples_) return;
    archive::Record record = archive::RecordOfReadings(
        std::span<const ReadingRecord>(samples.readings.data(), static_cast<std::size_t>(count)),
        unitIsMils);
    record.source = archive::Source::Capture;
    record.timesMs = times_;
    record.timesMs.resize(static_cast<std::size_t>(count), times_.empty() ? 0 : times_.back());
    record.takenMs = record.timesMs.front();
    record.gauge = gauge;
    storedSamples_ = count;
    store(std::move(record));
}

archive::Archive* ArchiveKeeper::archive() {
    if (archive_) return archive_.get();
    std::string message;
    archive_ = archive::Archive::open(archive::DefaultArchivePath(), message,
                                      {.busyTimeoutMs = kWindowBusyTimeoutMs});
    // Read-only or from a newer program: said once, and the archive is still shown.
    if (!message.empty()) showMessage_(message);
    return archive_.get();
}

void ArchiveKeeper::store(archive::Record record) {
    std::string message;
    if (!archive_) {
        archive_ = archive::Archive::open(archive::DefaultArchivePath(), message,
                                          {.busyTimeoutMs = kWindowBusyTimeoutMs});
    }
    if (archive_) {
        const archive::Archive::Stored stored = archive_->store(std::move(record), currentJob_.id);
        if (stored.error.empty()) {
            failing_ = false;
            if (stored_) stored_(!stored.seenAgain);
            if (storedListener_) storedListener_();
            return;
        }
        message += (message.empty() ? "" : "\n") + stored.error;
    } else {
        message += "\nNot stored: the " + std::to_string(record.valueBits.size()) +
                   " readings just received.";
    }
    // One message while the archive keeps failing; the windows and their files go on working.
    if (failing_) return;
    failing_ = true;
    showMessage_(message + "\nThe windows keep working without the archive.");
}

}  // namespace zepra
