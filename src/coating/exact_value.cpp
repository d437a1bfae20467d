#include "coating/exact_value.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "data/thickness_format.h"

namespace zepra::coating {
namespace {

using Natural = std::vector<std::uint32_t>;

constexpr int kLowestExponent = -1074;  // of the least significant bit of any double

void Trim(Natural& n) {
    while (!n.empty() && n.back() == 0) n.pop_back();
}

// n += value * 2^shift.
void AddShifted(Natural& n, std::uint64_t value, int shift) {
    const auto word = static_cast<std::size_t>(shift / 32);
    const int bit = shift % 32;
    const std::uint64_t low = value << bit;
    const std::uint64_t high = bit == 0 ? 0 : value >> (64 - bit);
    const std::uint32_t parts[3] = {static_cast<std::uint32_t>(low),
                                    static_cast<std::uint32_t>(low >> 32),
                                    static_cast<std::uint32_t>(high)};
    if (n.size() < word + 3) n.resize(word + 3, 0);
    std::uint64_t carry = 0;
    for (std::size_t i = word; i < n.size(); ++i) {
        const std::size_t k = i - word;
        if (k >= 3 && carry == 0) break;
        const std::uint64_t sum = carry + n[i] + (k < 3 ? parts[k] : 0);
        n[i] = static_cast<std::uint32_t>(sum);
        carry = sum >> 32;
    }
    if (carry != 0) n.push_back(static_cast<std::uint32_t>(carry));
    Trim(n);
}

void Add(Natural& n, const Natural& other) {
    for (std::size_t i = 0; i < other.size(); ++i)
        AddShifted(n, other[i], static_cast<int>(32 * i));
}

Natural Multiply(const Natural& n, std::uint32_t factor) {
    Natural out;
    out.reserve(n.size() + 1);
    std::uint64_t carry = 0;
    for (std::uint32_t word : n) {
        const std::uint64_t product = static_cast<std::uint64_t>(word) * factor + carry;
        out.push_back(static_cast<std::uint32_t>(product));
        carry = product >> 32;
    }
    if (carry != 0) out.push_back(static_cast<std::uint32_t>(carry));
    Trim(out);
    return out;
}

int CompareNatural(const Natural& a, const Natural& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

}  // namespace

double Thickness::micrometres() const {
    return unit == Unit::Mils ? value * kMicrometresPerMil : value;
}

ExactValue::ExactValue(const Thickness& thickness) {
    assert(std::isfinite(thickness.value));
    if (!std::isfinite(thickness.value) || thickness.value == 0) return;
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(thickness.value), &exponent);  // [0.5, 1)
    // |value| = mantissa * 2^(exponent - 53), mantissa < 2^53, exact.
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    int lowBit = exponent - 53;
    // Subnormals: drop the zero bits below the lowest representable one.
    while (lowBit < kLowestExponent) {
        mantissa >>= 1;
        ++lowBit;
    }
    const std::uint64_t perUnit = thickness.unit == Unit::Mils ? 254 : 10;  // tenths of um
    Natural magnitude;
    AddShifted(magnitude, mantissa, lowBit - kLowestExponent);
    magnitude = Multiply(magnitude, static_cast<std::uint32_t>(perUnit));
    (thickness.value < 0 ? negative_ : positive_) = std::move(magnitude);
}

ExactValue& ExactValue::operator+=(const ExactValue& other) {
    Add(positive_, other.positive_);
    Add(negative_, other.negative_);
    return *this;
}

ExactValue ExactValue::operator+(const ExactValue& other) const {
    ExactValue sum = *this;
    sum += other;
    return sum;
}

ExactValue ExactValue::operator-(const ExactValue& other) const {
    ExactValue negated;
    negated.positive_ = other.negative_;
    negated.negative_ = other.positive_;
    return *this + negated;
}

ExactValue ExactValue::operator*(std::uint32_t factor) const {
    ExactValue product;
    product.positive_ = Multiply(positive_, factor);
    product.negative_ = Multiply(negative_, factor);
    return product;
}

int Compare(const ExactValue& a, const ExactValue& b) {
    Natural left = a.positive_;
    Add(left, b.negative_);
    Natural right = b.positive_;
    Add(right, a.negative_);
    return CompareNatural(left, right);
}

}  // namespace zepra::coating
