#include "archive/record.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSysInfo>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace zepra::archive {
namespace {

constexpr const char* kSourceWords[] = {"group", "current", "capture", "import"};

template <typename T>
void AddLittleEndian(QCryptographicHash& hash, T value) {
    std::array<char, sizeof(T)> bytes{};
    qToLittleEndian(value, bytes.data());
    hash.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace

const char* SourceWord(Source source) {
    return kSourceWords[static_cast<int>(source)];
}

std::optional<Source> SourceFromWord(const std::string& word) {
    for (int k = 0; k < 4; ++k) {
        if (word == kSourceWords[k]) return static_cast<Source>(k);
    }
    return std::nullopt;
}

Station ThisStation() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("LOGNAME");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");  // Windows
    if (user.isEmpty()) user = QDir::home().dirName();
    return {QSysInfo::machineHostName().toStdString(), user.toStdString()};
}

std::uint32_t FloatBits(double widenedValue) {
    return std::bit_cast<std::uint32_t>(static_cast<float>(widenedValue));
}

double WidenedValue(std::uint32_t bits) {
    return static_cast<double>(std::bit_cast<float>(bits));
}

Record RecordOfReadings(std::span<const ReadingRecord> readings, std::int32_t unitIsMils) {
    Record record;
    record.unitIsMils = unitIsMils;
    record.valueBits.reserve(readings.size());
    record.texts.reserve(readings.size());
    for (const ReadingRecord& reading : readings) {
        record.valueBits.push_back(FloatBits(reading.value));
        record.texts.push_back(reading.text);
    }
    return record;
}

Record RecordOfGroup(const GroupSlot& slot, std::int32_t unitIsMils) {
    const auto count = static_cast<std::size_t>(std::clamp(slot.readingCount, 0, 80));
    Record record = RecordOfReadings({slot.readings.data(), count}, unitIsMils);
    record.highLimitBits = FloatBits(slot.highLimit);
    record.lowLimitBits = FloatBits(slot.lowLimit);
    return record;
}

std::vector<ReadingRecord> ReadingsOf(const Record& record) {
    std::vector<ReadingRecord> readings(record.valueBits.size());
    for (std::size_t k = 0; k < readings.size(); ++k) {
        readings[k].number = static_cast<std::int32_t>(k + 1);
        readings[k].value = WidenedValue(record.valueBits[k]);
        if (k < record.texts.size()) readings[k].text = record.texts[k];
    }
    return readings;
}

std::string ReadingsSha256(const Record& record) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const bool timed = record.source == Source::Capture;
    for (std::size_t k = 0; k < record.valueBits.size(); ++k) {
        AddLittleEndian(hash, record.valueBits[k]);
        const std::string& text = k < record.texts.size() ? record.texts[k] : std::string();
        AddLittleEndian(hash, static_cast<std::uint32_t>(text.size()));
        hash.addData(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
        if (timed) AddLittleEndian(hash, k < record.timesMs.size() ? record.timesMs[k] : 0);
    }
    return hash.result().toHex().toStdString();
}

}  // namespace zepra::archive
