#include "cli/report_csv.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "data/shown_text.h"

namespace zepra::cli {
namespace {

constexpr const char* kHeader = "\"NO.\",\"Samples\",\"Unit\"";

// The two files read: the program's report, and what `capture` writes (number,value,unit,time,
// the time being the computer's and of no use to a report or check).
struct CsvFormat {
    const char* header;
    std::size_t fieldCount;  // number, value and unit come first
    const char* expected;    // a line's fields, for the message
};
constexpr CsvFormat kReport{kHeader, 3, "expected NO.,\"Samples\",\"Unit\""};
constexpr CsvFormat kCapture{"number,value,unit,time", 4, "expected number,value,unit,time"};
constexpr std::size_t kLargestFile = 64 * 1024 * 1024;

// The fields of a line: bare texts, or texts in double quotes (no quotes inside) that may hold
// a comma.
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

// The lines of the content without their CR LF or LF ends.
std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// The double of a decimal text with '.' or ',', locale-independent (for display only; the check
// decides on the text).
double ValueOf(std::string text) {
    for (char& c : text) {
        if (c == ',') c = '.';
    }
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

CsvReadings ParseReportCsv(const std::string& content) {
    CsvReadings result;
    std::size_t lineNumber = 0;
    auto fail = [&](const std::string& why) {
        result.readings.clear();
        result.error = "line " + std::to_string(lineNumber) + ": " + why;
        return result;
    };
    if (content.empty()) {
        result.error = "the file is empty";
        return result;
    }
    std::vector<std::string> lines = Lines(content);
    if (lines[0].rfind("\xEF\xBB\xBF", 0) == 0) lines[0].erase(0, 3);  // UTF-8 byte-order mark
    const CsvFormat* format = lines[0] == kReport.header    ? &kReport
                              : lines[0] == kCapture.header ? &kCapture
                                                            : nullptr;
    if (!format) {
        result.error = std::string("not a CSV report of readings (the first line must be ") +
                       kHeader + ", or " + kCapture.header + " for a capture)";
        return result;
    }
    std::optional<std::string> unit;
    for (lineNumber = 2; lineNumber <= lines.size(); ++lineNumber) {
        const std::string& line = lines[lineNumber - 1];
        if (line.empty()) {
            // Only at the end.
            for (std::size_t k = lineNumber; k < lines.size(); ++k) {
                if (!lines[k].empty()) {
                    lineNumber = k + 1;
                    return fail("a reading after an empty line");
                }
            }
            break;
        }
        const std::optional<std::vector<std::string>> fields = SplitFields(line);
        if (!fields || fields->size() != format->fieldCount) return fail(format->expected);
        const std::string& number = (*fields)[0];
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
            return fail("'" + ShownValue(number) + "' is not a reading number");
        }
        const std::string expected = std::to_string(result.readings.size() + 1);
        if (number != expected) {
            return fail("reading number " + ShownValue(number) + " where " + expected +
                        " was expected (the numbers run 1, 2, 3, ...)");
        }
        const std::string& fieldUnit = (*fields)[2];
        if (fieldUnit != "um" && fieldUnit != "mils")
            return fail("unknown unit '" + ShownValue(fieldUnit) + "'");
        if (unit && *unit != fieldUnit)
            return fail("the unit changes from " + *unit + " to " + fieldUnit);
        unit = fieldUnit;
        const coating::Unit u =
            fieldUnit == "mils" ? coating::Unit::Mils : coating::Unit::Micrometres;
        const std::string& text = (*fields)[1];
        std::string why;
        const std::optional<coating::ExactValue> exact = coating::ParseDecimal(text, u, &why);
        if (!exact) return fail("'" + ShownValue(text) + "' is no thickness (" + why + ")");
        // Zero is a reading (no coating); a reading between zero and 0.001 um is no gauge's.
        if (*exact > coating::ExactValue() && *exact < coating::LeastLimit())
            return fail("'" + ShownValue(text) + "' is no thickness (below 0.001 um)");
        if (result.readings.size() >= coating::kMostReadings)
            return fail("more than " + std::to_string(coating::kMostReadings) + " readings");
        result.readings.push_back({ValueOf(text), u, text});
    }
    return result;
}

CsvReadings ReadReportCsv(const std::string& path, double timeoutSeconds) {
    CsvReadings result;
    const std::string cannot = "Cannot read the file \"" + path + "\".";
    std::string content;
    const std::string tooLarge = "The file \"" + path + "\" is too large for a report of readings.";
#ifdef _WIN32
    (void)timeoutSeconds;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        result.error = cannot;
        return result;
    }
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        content.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (content.size() > kLargestFile) {
            result.error = tooLarge;
            return result;
        }
    }
    if (file.bad()) {
        result.error = cannot;
        return result;
    }
#else
    // Non-blocking, so that a FIFO without a writer or a silent device cannot hold the program:
    // poll() waits at most until the deadline.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = cannot;
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long long>(timeoutSeconds * 1000));
    char buffer[65536];
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::close(fd);
            char seconds[32];
            const auto written = std::to_chars(seconds, seconds + sizeof seconds, timeoutSeconds);
            result.error = "The file \"" + path + "\" did not end within " +
                           std::string(seconds, written.ptr) + " s (--timeout).";
            return result;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) {
            ::close(fd);
            result.error = cannot;
            return result;
        }
        if (ready <= 0) continue;
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            content.append(buffer, static_cast<std::size_t>(got));
            if (content.size() > kLargestFile) {
                ::close(fd);
                result.error = tooLarge;
                return result;
            }
        } else if (got == 0) {
            break;  // the end
        } else if (errno != EAGAIN && errno != EINTR) {
            ::close(fd);
            result.error = cannot;
            return result;
        }
    }
    ::close(fd);
#endif
    result = ParseReportCsv(content);
    if (!result.error.empty()) result.error = "The file \"" + path + "\": " + result.error + ".";
    return result;
}

}  // namespace zepra::cli
