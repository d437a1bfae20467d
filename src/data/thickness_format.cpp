#include "data/thickness_format.h"

#include <charconv>
#include <cmath>

namespace zepra {

namespace {

char decimalSeparator = '.';

// Rounds half away from zero by the sign of the value (the general rule).
struct Offsets {
    double o0, o1, o2, o3;
};

Offsets OffsetsFor(double v) {
    if (v < 0) {
        return {-0.5, -0.05, -0.005, -0.0005};
    }
    return {0.5, 0.05, 0.005, 0.0005};
}

// g = trunc(x * scale) / scale, the shape of every decimal rule here.
double TruncateTo(double x, double scale) {
    return Truncate(x * scale) / scale;
}

}  // namespace

void SetDecimalSeparator(char separator) {
    decimalSeparator = separator;
}

char DecimalSeparator() {
    return decimalSeparator;
}

double Truncate(double x) {
    if (!std::isfinite(x)) {
        return x;
    }
    return std::trunc(x);
}

std::string NumberToText(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Inf" : "Inf";
    }
    if (value == 0) {
        return "0";  // also for negative zero
    }
    // 15 significant digits in scientific form, then laid out as plain decimal. to_chars writes
    // as in the C locale whatever locale the program runs in ("1.22500000000000e+01").
    char buffer[40];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                       std::chars_format::scientific, 14);
    const char* const end = written.ptr;
    std::string digits;
    const char* p = buffer;
    for (; p != end && *p != 'e'; ++p) {
        if (*p != '.') {
            digits += *p;
        }
    }
    int exponent = 0;  // value = d.ddd... x 10^exponent
    if (p != end) {
        const char* e = p + 1;
        if (e != end && *e == '+') ++e;  // from_chars takes a minus sign only
        std::from_chars(e, end, exponent);
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const int digitCount = static_cast<int>(digits.size());

    std::string text = value < 0 ? "-" : "";
    if (exponent < 0) {
        text += '0';
        text += decimalSeparator;
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    } else if (exponent + 1 >= digitCount) {
        text += digits;
        text.append(static_cast<std::size_t>(exponent + 1 - digitCount), '0');
    } else {
        text += digits.substr(0, static_cast<std::size_t>(exponent + 1));
        text += decimalSeparator;
        text += digits.substr(static_cast<std::size_t>(exponent + 1));
    }
    return text;
}

std::string NumberToText(std::int32_t value) {
    return std::to_string(value);
}

std::string FormatThickness(double micrometres, std::int32_t unitIsMils) {
    const double v = micrometres;
    const Offsets o = OffsetsFor(v);
    double g;
    if (unitIsMils == 0) {
        if (v >= 850) {
            g = Truncate(v);
        } else if (v >= 50) {
            g = Truncate(v + o.o0);
        } else {
            g = TruncateTo(v + o.o1, 10);
        }
    } else {
        const double m = v / kMicrometresPerMil;
        if (m < 1.9685) {
            g = TruncateTo(m + o.o3, 1000);
        } else if (m < 33.4645) {
            g = TruncateTo(m + o.o2, 100);
        } else {
            g = TruncateTo(m + o.o1, 10);
        }
    }
    return NumberToText(g);
}

LiveReadingText FormatLiveReading(double micrometres, std::int32_t unitIsMils) {
    const double v = micrometres;
    if (unitIsMils != 0) {
        const double m = v / kMicrometresPerMil;
        double g;
        if (m < 1.9685) {
            g = TruncateTo(m + 0.0005, 1000);
        } else if (m < 33.4645) {
            g = TruncateTo(m + 0.005, 100);
        } else {
            g = TruncateTo(m + 0.05, 10);
        }
        const std::string text = NumberToText(g);
        return {text, "mils", text};
    }
    if (v >= 850) {
        // Millimetres with two decimals, to the nearest 10 micrometres; the list stays in um.
        const double k = Truncate((v + 5) * 100 / 1000);
        return {NumberToText(k / 100), "mm", NumberToText(Truncate(v))};
    }
    const double g = v >= 50 ? Truncate(v + 0.5) : TruncateTo(v + 0.05, 10);
    const std::string text = NumberToText(g);
    return {text, "um", text};
}

std::string FormatStatistic(double micrometres, std::int32_t unitIsMils, StatisticFigure figure) {
    const double x = micrometres;
    if (unitIsMils == 0) {
        return NumberToText(x >= 100 ? Truncate(x) : TruncateTo(x, 10));
    }
    const double y = x / kMicrometresPerMil;
    const double scale = y >= 3.93 ? 100 : 1000;
    if (figure == StatisticFigure::Mean) {
        return NumberToText(Truncate(x * scale / kMicrometresPerMil) / scale);
    }
    return NumberToText(TruncateTo(y, scale));
}

std::string FormatStatisticInMils(double mils) {
    return NumberToText(TruncateTo(mils, mils >= 3.93 ? 100 : 1000));
}

}  // namespace zepra
