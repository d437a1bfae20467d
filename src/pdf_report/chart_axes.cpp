#include "pdf_report/chart_axes.h"

#include <QString>
#include <cmath>

#include "coating/number_texts.h"

namespace zepra::inspection {

std::vector<AxisTick> RoundTicks(double lo, double hi, int wanted, bool whole) {
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo) || wanted < 1) return {};
    const double raw = (hi - lo) / wanted;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * power;
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw * (1 - 1e-9)) {
            step = factor * power;
            break;
        }
    }
    if (whole) step = std::max(1.0, std::round(step));
    // Digits after the separator: as many as the step has (0.2: one, 0.05: two).
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    // Ticks as whole multiples of the step: no sum drifts off the round value.
    const auto first = static_cast<long long>(std::ceil(lo / step - 1e-9));
    const auto last = static_cast<long long>(std::floor(hi / step + 1e-9));
    std::vector<AxisTick> ticks;
    for (long long k = first; k <= last; ++k) {
        const double value = static_cast<double>(k) * step;
        const QString text = QString::number(k == 0 ? 0.0 : value, 'f', decimals);
        ticks.push_back({value, coating::Localised(text.toStdString())});
    }
    return ticks;
}

}  // namespace zepra::inspection
