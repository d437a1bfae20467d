// Every number text is the C locale's text with the user's decimal separator for the point,
// whatever locale the C library runs in (Qt sets it from the environment at start, so a German
// desktop has a decimal comma in every locale-dependent call of the C and C++ libraries).
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <string>
#include <vector>

#include "data/sample_statistics.h"
#include "data/thickness_format.h"

namespace zepra {
namespace {

// Every rule that makes a number text, for one value.
std::vector<std::string> AllTexts(double v) {
    std::vector<std::string> texts{NumberToText(v)};
    for (std::int32_t mils : {0, 1}) {
        const LiveReadingText live = FormatLiveReading(v, mils);
        texts.insert(texts.end(), {FormatThickness(v, mils), live.reading, live.unit, live.list,
                                   FormatStatistic(v, mils, StatisticFigure::Extreme),
                                   FormatStatistic(v, mils, StatisticFigure::Mean),
                                   FormatRebuiltStatistic(v, mils, RebuiltFigure::Extreme),
                                   FormatRebuiltStatistic(v, mils, RebuiltFigure::Mean),
                                   FormatRebuiltStatistic(v, mils, RebuiltFigure::Deviation),
                                   FormatRebuiltListText(v, mils), FormatAxisValue(v, mils)});
    }
    texts.push_back(FormatStatisticInMils(v));
    return texts;
}

const double kValues[] = {12.25,   150,    1234,       0.9,  1234.5, -1.25, 49.96875, 850,   99.99,
                          8.16497, 0.0001, 123456.789, 1e-7, 3.93,   25.4,  1e15,     -0.04, 7.25};

// The C library in `locale` for the life of the guard; back to "C" afterwards.
class CLibraryLocale {
  public:
    explicit CLibraryLocale(const char* locale) : ok_(std::setlocale(LC_ALL, locale) != nullptr) {}
    ~CLibraryLocale() {
        std::setlocale(LC_ALL, "C");
        SetDecimalSeparator('.');
    }
    CLibraryLocale(const CLibraryLocale&) = delete;
    CLibraryLocale& operator=(const CLibraryLocale&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_;
};

std::string WithSeparator(std::string text, char separator) {
    for (char& ch : text) {
        if (ch == '.') ch = separator;
    }
    return text;
}

class NumberTextsInLocale : public testing::TestWithParam<const char*> {};

TEST_P(NumberTextsInLocale, AreTheCTextsWithTheDecimalSeparatorReplaced) {
    std::vector<std::vector<std::string>> cTexts;
    {
        const CLibraryLocale c("C");
        for (double v : kValues) cTexts.push_back(AllTexts(v));
    }
    EXPECT_EQ(cTexts[0][0], "12.25");
    EXPECT_EQ(cTexts[2][0], "1234");

    const CLibraryLocale locale(GetParam());
    if (!locale.ok()) {
        GTEST_SKIP() << GetParam() << " is not installed (localedef -i ... -f UTF-8)";
    }
    // The separator as the user's desktop gives it; one that is not a single ASCII character
    // (Persian) is not taken: the point stays.
    const std::string point = std::localeconv()->decimal_point;
    const char separator =
        point.size() == 1 && static_cast<unsigned char>(point[0]) < 0x80 ? point[0] : '.';
    for (char chosen : {separator, '.'}) {
        SetDecimalSeparator(chosen);
        for (std::size_t i = 0; i < std::size(kValues); ++i) {
            const std::vector<std::string> texts = AllTexts(kValues[i]);
            ASSERT_EQ(texts.size(), cTexts[i].size());
            for (std::size_t k = 0; k < texts.size(); ++k) {
                EXPECT_EQ(texts[k], WithSeparator(cTexts[i][k], chosen))
                    << "value " << i << ", text " << k << ", separator " << chosen;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, NumberTextsInLocale,
                         testing::Values("C", "de_DE.UTF-8", "fr_FR.UTF-8", "fa_IR.UTF-8"),
                         [](const testing::TestParamInfo<const char*>& param) {
                             std::string name = param.param;
                             for (char& ch : name) {
                                 if (ch == '.' || ch == '-') ch = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace zepra
