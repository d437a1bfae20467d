#include "data/group_texts.h"

#include <algorithm>
#include <span>

#include "data/thickness_format.h"

namespace zepra {

GroupTexts FillGroupTexts(GroupSlot& slot, std::int32_t unitIsMils) {
    const std::int32_t n = std::clamp(slot.readingCount, 0, GroupSlot::kCapacity);
    const std::span<ReadingRecord> records(slot.readings.data(), static_cast<std::size_t>(n));
    for (ReadingRecord& record : records) record.text = FormatThickness(record.value, unitIsMils);

    GroupTexts texts;
    texts.highLimit = FormatThickness(slot.highLimit, unitIsMils);
    texts.lowLimit = FormatThickness(slot.lowLimit, unitIsMils);
    if (n == 0) return texts;
    texts.statistics = GroupStatistics(records, unitIsMils);
    texts.mean = FormatThickness(texts.statistics.mean, unitIsMils);
    texts.minimum = FormatThickness(texts.statistics.minimum, unitIsMils);
    texts.maximum = FormatThickness(texts.statistics.maximum, unitIsMils);
    texts.deviation = FormatThickness(texts.statistics.deviation, unitIsMils);
    return texts;
}

}  // namespace zepra
