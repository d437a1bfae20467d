#pragma once
// What the link tests check of a stored group.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "data/measurement_store.h"

namespace zepra::testing {

// The slot holds exactly the group the gauge sent: limits, count, and records numbered from 1.
inline void ExpectSlotHolds(const GroupSlot& slot, float highLimit, float lowLimit,
                            const std::vector<float>& readings) {
    EXPECT_EQ(slot.highLimit, static_cast<double>(highLimit));
    EXPECT_EQ(slot.lowLimit, static_cast<double>(lowLimit));
    ASSERT_EQ(slot.readingCount, static_cast<std::int32_t>(readings.size()));
    for (std::size_t k = 0; k < readings.size(); ++k) {
        EXPECT_EQ(slot.readings[k].number, static_cast<std::int32_t>(k + 1));
        EXPECT_EQ(slot.readings[k].value, static_cast<double>(readings[k]));
    }
}

}  // namespace zepra::testing
