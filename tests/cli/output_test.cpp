#include "cli/output.h"

#include <gtest/gtest.h>

namespace zepra::cli {
namespace {

TEST(CaptureCsvLine, QuotesAValueWithADecimalComma) {
    EXPECT_EQ(CaptureCsvLine(1, "100", "um", "2026-12-10T10:00:00.000"),
              "1,100,um,2026-12-10T10:00:00.000\n");
    EXPECT_EQ(CaptureCsvLine(12, "3.94", "mils", "t"), "12,3.94,mils,t\n");
    EXPECT_EQ(CaptureCsvLine(2, "20,5", "um", "t"), "2,\"20,5\",um,t\n");
}

}  // namespace
}  // namespace zepra::cli
