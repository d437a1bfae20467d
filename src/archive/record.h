#pragma once
// A record of the archive: one batch of readings exactly as the gauge gave them (a downloaded
// group, a live capture, or an imported report), with where, when and by what it was taken.
// Records are evidence: once stored they are never changed.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/measurement_store.h"

namespace zepra::archive {

enum class Source { Group, CurrentGroup, Capture, Import };
// "group", "current", "capture", "import": the words stored and shown.
const char* SourceWord(Source source);
std::optional<Source> SourceFromWord(const std::string& word);

// The hardware the readings came through, as the port watcher identifies it.
struct GaugeIdentity {
    std::string usbSerial;
    std::string usbPath;
    std::string port;  // the device file, or "COM3"
};

// Who stored it: the computer and the user logged in.
struct Station {
    std::string host;
    std::string user;
};
Station ThisStation();

struct Record {
    std::string id;  // a UUID, given by the archive when stored
    Source source = Source::Group;
    int group = 0;           // Source::Group: 1 to 4
    std::string sourceFile;  // Source::Import: the file read
    // One entry per reading, in list order.
    std::vector<std::uint32_t> valueBits;  // the gauge's 32-bit float (micrometres), bit for bit
    std::vector<std::string> texts;        // the reading's text as shown, in `unitIsMils`
    std::vector<std::int64_t> timesMs;     // Capture: each reading's UTC time; otherwise empty
    std::int64_t takenMs = 0;  // UTC milliseconds: the download's time, a capture's start
    std::optional<std::uint32_t> highLimitBits;  // a group's limits as the gauge sent them
    std::optional<std::uint32_t> lowLimitBits;
    std::int32_t unitIsMils = 0;
    GaugeIdentity gauge;
    Station station;
    std::string programVersion;
    std::string sha256;         // ReadingsSha256, hex; set when stored
    std::int64_t storedMs = 0;  // set when stored
};

// The bits of a gauge value that the link widened to double (exact: a float widens and narrows
// back unchanged, NaN payloads included), and back.
std::uint32_t FloatBits(double widenedValue);
double WidenedValue(std::uint32_t bits);

// A group's readings and limits as the windows and zepra-cli hold them.
Record RecordOfReadings(std::span<const ReadingRecord> readings, std::int32_t unitIsMils);
Record RecordOfGroup(const GroupSlot& slot, std::int32_t unitIsMils);
// The readings as the store holds them (values widened, texts).
std::vector<ReadingRecord> ReadingsOf(const Record& record);

// The SHA-256 (lower-case hex) that identifies a record's readings. Its input, for each reading
// in order: the value's 4 bytes little-endian, the text's length in bytes as 4 bytes
// little-endian, the text's UTF-8 bytes, and for a capture the reading's time in UTC
// milliseconds as 8 bytes little-endian (two's complement). Nothing else: the same readings give
// the same digest on any station, and a changed bit, text or time gives another.
std::string ReadingsSha256(const Record& record);

}  // namespace zepra::archive
