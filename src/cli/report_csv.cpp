#include "cli/report_csv.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>

#include "data/thickness_format.h"

namespace zepra::cli {
namespace {

constexpr const char* kHeader = "\"NO.\",\"Samples\",\"Unit\"";
constexpr std::size_t kLargestFile = 64 * 1024 * 1024;

// The fields of a line: bare digits, or texts in double quotes (no quotes inside).
std::optional<std::vector<std::string>> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (true) {
        std::string field;
        if (i < line.size() && line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string::npos) return std::nullopt;
            field = line.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const std::size_t comma = line.find(',', i);
            field = line.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
            i = comma == std::string::npos ? line.size() : comma;
        }
        fields.push_back(field);
        if (i == line.size()) return fields;
        if (line[i] != ',') return std::nullopt;
        ++i;
    }
}

// A reading's text as the program writes it: optional minus, digits, optional separator and
// digits.
std::optional<double> ParseReading(std::string text) {
    const char separator = DecimalSeparator();
    bool digits = false;
    bool point = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        char& c = text[k];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits = true;
        } else if ((c == '.' || c == separator) && !point) {
            point = true;
            c = '.';
        } else if (!(c == '-' && k == 0)) {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

CsvReadings ParseReportCsv(const std::string& content) {
    CsvReadings result;
    std::istringstream in(content);
    std::string line;
    int lineNumber = 0;
    std::optional<std::string> unit;
    auto fail = [&](const std::string& why) {
        result.readings.clear();
        result.error = "line " + std::to_string(lineNumber) + ": " + why;
        return result;
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNumber == 1) {
            if (line != kHeader) {
                result.error =
                    std::string("not a CSV report of readings (the first line must be ") + kHeader +
                    ")";
                return result;
            }
            continue;
        }
        if (line.empty()) {
            // Only at the end.
            std::string rest;
            while (std::getline(in, rest)) {
                ++lineNumber;
                if (!rest.empty() && rest != "\r") return fail("a reading after an empty line");
            }
            break;
        }
        const std::optional<std::vector<std::string>> fields = SplitFields(line);
        if (!fields || fields->size() != 3) return fail("expected NO.,\"Samples\",\"Unit\"");
        const std::string& number = (*fields)[0];
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
            return fail("'" + number + "' is not a reading number");
        }
        const std::string& fieldUnit = (*fields)[2];
        if (fieldUnit != "um" && fieldUnit != "mils")
            return fail("unknown unit '" + fieldUnit + "'");
        if (unit && *unit != fieldUnit)
            return fail("the unit changes from " + *unit + " to " + fieldUnit);
        unit = fieldUnit;
        const std::optional<double> value = ParseReading((*fields)[1]);
        if (!value) return fail("'" + (*fields)[1] + "' is not a reading");
        result.readings.push_back(
            {*value, fieldUnit == "mils" ? coating::Unit::Mils : coating::Unit::Micrometres});
    }
    if (lineNumber == 0) result.error = "the file is empty";
    return result;
}

CsvReadings ReadReportCsv(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    CsvReadings result;
    if (!file) {
        result.error = "Cannot read the file \"" + path + "\".";
        return result;
    }
    std::string content;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        content.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (content.size() > kLargestFile) {
            result.error = "The file \"" + path + "\" is too large for a report of readings.";
            return result;
        }
    }
    if (file.bad()) {
        result.error = "Cannot read the file \"" + path + "\".";
        return result;
    }
    result = ParseReportCsv(content);
    if (!result.error.empty()) result.error = "The file \"" + path + "\": " + result.error + ".";
    return result;
}

}  // namespace zepra::cli
