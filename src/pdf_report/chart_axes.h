#pragma once
// The inspection report's chart axes: tick values on round numbers (1, 2 or 5 times a power of
// ten), so that a reader can take a value off the chart; counts in whole numbers. The windows keep
// the gauge software's axes; this is the report's own.

#include <string>
#include <vector>

namespace zepra::inspection {

struct AxisTick {
    double value = 0;
    std::string text;  // with the digits the step needs, in the program's decimal separator
};

// The multiples of the round step within [lo, hi], about `wanted` of them; with `whole` the step
// is a whole number (a count). Empty when the range is empty or not finite.
std::vector<AxisTick> RoundTicks(double lo, double hi, int wanted, bool whole = false);

}  // namespace zepra::inspection
