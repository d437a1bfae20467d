#include "cli/report_csv.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <string_view>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "data/shown_text.h"

namespace zepra::cli {
namespace {

constexpr const char* kHeader = "\"NO.\",\"Samples\",\"Unit\"";

// The two files read: the program's report, and what `capture` writes (number,value,unit,time,
// the time being the computer's when the reading arrived).
struct CsvFormat {
    const char* header;
    std::size_t fieldCount;  // number, value and unit come first
    const char* expected;    // a line's fields, for the message
};
constexpr CsvFormat kReport{kHeader, 3, "expected NO.,\"Samples\",\"Unit\""};
constexpr CsvFormat kCapture{"number,value,unit,time", 4, "expected number,value,unit,time"};
constexpr std::size_t kLargestFile = 64 * 1024 * 1024;

// The fields of a line (views into it): bare texts, or texts in double quotes (no quotes inside)
// that may hold a comma. False when the line is not made of such fields; more than `most` fields
// are not looked at.
bool SplitFields(std::string_view line, std::vector<std::string_view>& fields, std::size_t most) {
    fields.clear();
    std::size_t i = 0;
    while (fields.size() <= most) {
        if (i < line.size() && line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) return false;
            fields.push_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            const std::size_t comma = std::min(line.find(',', i), line.size());
            fields.push_back(line.substr(i, comma - i));
            i = comma;
        }
        if (i == line.size()) return true;
        if (line[i] != ',') return false;
        ++i;
    }
    return true;
}

// The lines of the content without their CR LF or LF ends, one after the other.
class Lines {
  public:
    explicit Lines(std::string_view content) : rest_(content) {}
    bool next(std::string_view& line) {
        if (rest_.empty()) return false;
        const std::size_t end = std::min(rest_.find('\n'), rest_.size());
        line = rest_.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        rest_.remove_prefix(std::min(end + 1, rest_.size()));
        return true;
    }

  private:
    std::string_view rest_;
};

// The double of a decimal text with '.' or ',', locale-independent (for display only; the check
// decides on the text).
double ValueOf(std::string_view text) {
    std::string decimal(text);
    std::replace(decimal.begin(), decimal.end(), ',', '.');
    double value = 0;
    std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
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
    std::string_view text = content;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.remove_prefix(3);  // UTF-8 byte-order mark
    Lines lines(text);
    std::string_view header;
    lines.next(header);
    const CsvFormat* format = header == kReport.header    ? &kReport
                              : header == kCapture.header ? &kCapture
                                                          : nullptr;
    if (!format) {
        result.error = std::string("not a CSV report of readings (the first line must be ") +
                       kHeader + ", or " + kCapture.header + " for a capture)";
        return result;
    }
    result.readings.reserve(
        std::min<std::size_t>(std::count(text.begin(), text.end(), '\n'), coating::kMostReadings));
    std::optional<std::string_view> unit;
    std::vector<std::string_view> fields;
    std::string_view line;
    for (lineNumber = 2; lines.next(line); ++lineNumber) {
        if (line.empty()) {
            // Only at the end.
            while (lines.next(line)) {
                ++lineNumber;
                if (!line.empty()) return fail("a reading after an empty line");
            }
            break;
        }
        if (!SplitFields(line, fields, format->fieldCount) || fields.size() != format->fieldCount) {
            return fail(format->expected);
        }
        const std::string_view number = fields[0];
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
            return fail("'" + ShownValue(number) + "' is not a reading number");
        }
        const std::string expected = std::to_string(result.readings.size() + 1);
        if (number != expected) {
            return fail("reading number " + ShownValue(number) + " where " + expected +
                        " was expected (the numbers run 1, 2, 3, ...)");
        }
        const std::string_view fieldUnit = fields[2];
        if (fieldUnit != "um" && fieldUnit != "mils")
            return fail("unknown unit '" + ShownValue(fieldUnit) + "'");
        if (unit && *unit != fieldUnit) {
            return fail("the unit changes from " + std::string(*unit) + " to " +
                        std::string(fieldUnit));
        }
        unit = fieldUnit;
        const coating::Unit u =
            fieldUnit == "mils" ? coating::Unit::Mils : coating::Unit::Micrometres;
        const std::string_view value = fields[1];
        std::string why;
        const std::optional<coating::ExactValue> exact = coating::ParseDecimal(value, u, &why);
        if (!exact) return fail("'" + ShownValue(value) + "' is no thickness (" + why + ")");
        // Zero is a reading (no coating); a reading between zero and 0.001 um is no gauge's.
        if (*exact > coating::ExactValue() && *exact < coating::LeastLimit())
            return fail("'" + ShownValue(value) + "' is no thickness (below 0.001 um)");
        if (result.readings.size() >= coating::kMostReadings)
            return fail("more than " + std::to_string(coating::kMostReadings) + " readings");
        result.readings.push_back({ValueOf(value), u, std::string(value)});
        if (format == &kCapture) {
            if (result.firstTime.empty()) result.firstTime = fields[3];
            result.lastTime = fields[3];
        }
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
    // A regular file is read into room made once for its size.
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        content.reserve(
            static_cast<std::size_t>(std::min<off_t>(status.st_size, kLargestFile + 1)));
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
