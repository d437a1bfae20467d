#include "data/group_texts.h"

#include <algorithm>

#include "data/thickness_format.h"

namespace zepra {

GroupTexts FillGroupTexts(GroupSlot& slot, std::int32_t unitIsMils) {
    const std::int32_t n = std::clamp(slot.readingCount, 0, GroupSlot::kCapacity);
    return FillGroupTexts(
        std::span<ReadingRecord>(slot.readings.data(), static_cast<std::size_t>(n)), slot.highLimit,
        slot.lowLimit, unitIsMils);
}

GroupTexts FillGroupTexts(std::span<ReadingRecord> records, double highLimit, double lowLimit,
                          std::int32_t unitIsMils) {
    for (ReadingRecord& record : records) record.text = FormatThickness(record.value, unitIsMils);

    GroupTexts texts;
    texts.highLimit = FormatThickness(highLimit, unitIsMils);
    texts.lowLimit = FormatThickness(lowLimit, unitIsMils);
    if (records.empty()) return texts;
    texts.statistics = GroupStatistics(records, unitIsMils);
    texts.mean = FormatThickness(texts.statistics.mean, unitIsMils);
    texts.minimum = FormatThickness(texts.statistics.minimum, unitIsMils);
    texts.maximum = FormatThickness(texts.statistics.maximum, unitIsMils);
    texts.deviation = FormatThickness(texts.statistics.deviation, unitIsMils);
    return texts;
}

}  // namespace zepra
