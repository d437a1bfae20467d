#pragma once
// The program-wide record of what has been measured and of the state of the link to the gauge.
// One instance lives for the whole run (created in main() and passed to whoever needs it).
// Every value is in micrometres; mils exist only in texts and drawings.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zepra {

// One reading of a list.
struct ReadingRecord {
    std::int32_t number = 0;  // position in its list, counting from 1
    double value = 0.0;       // micrometres: a single-precision gauge value, widened unchanged
    std::string text;         // the reading's text as last formatted for display
};

// What the receive handler expects (values as the gauge protocol state machine uses them).
enum ReceiveModeValue : std::int16_t {
    ModeLive = 0,
    ModeGroup1 = 1,
    ModeGroup2 = 2,
    ModeGroup3 = 3,
    ModeGroup4 = 4,
    ModeAllGroups = 5,
    ModeCurrentGroup = 6,
    ModeIdle = 100,
};

// The readings captured during real-time sampling. The array never grows or shrinks.
struct RealTimeSamples {
    static constexpr std::int32_t kCapacity = 50'000;
    std::vector<ReadingRecord> readings = std::vector<ReadingRecord>(kCapacity);  // on the heap
    std::int32_t readingCount = 0;  // valid entries are 0 .. readingCount - 1
};

// One group of readings downloaded from the gauge.
struct GroupSlot {
    static constexpr std::int32_t kCapacity = 80;
    std::array<ReadingRecord, kCapacity> readings{};
    std::int32_t readingCount = 0;
    double highLimit = 0.0;
    double lowLimit = 0.0;
};

struct MeasurementStore {
    RealTimeSamples realTimeSamples;
    GroupSlot currentGroupSlot;
    std::array<GroupSlot, 4> groupSlots{};  // groups 1 to 4 at indices 0 to 3; see groupSlot()
    std::int32_t unitIsMils = 0;            // 0 = micrometres, 1 = mils; no other value occurs
    std::int16_t receiveMode = 0;           // a ReceiveModeValue
    std::int32_t expectedBytes = 0;         // data bytes awaited after a group's length byte
    std::int32_t allGroupsStage = 0;        // groups stored so far in an all-groups exchange

    // Stored group 1 to 4.
    GroupSlot& groupSlot(int group) { return groupSlots.at(static_cast<std::size_t>(group - 1)); }
    const GroupSlot& groupSlot(int group) const {
        return groupSlots.at(static_cast<std::size_t>(group - 1));
    }
};

// The main window's load step: empty lists, micrometres, idle. expectedBytes and allGroupsStage
// are left alone (each download sets what it needs).
void InitialiseStore(MeasurementStore& store);

}  // namespace zepra
