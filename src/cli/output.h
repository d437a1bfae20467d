#pragma once
// Writing results: to standard output or a file, and the group texts the windows show.

#include <QJsonObject>
#include <cstdint>
#include <optional>
#include <string>

#include "data/group_texts.h"
#include "data/measurement_store.h"

namespace zepra::cli {

enum class StandardOutput { Written, Closed, Failed };

// Writes everything to standard output and flushes. A reader that went away (a closed pipe) is
// `Closed` and said nowhere; any other failure (a full disk) is `Failed`, with the system's
// reason on standard error.
StandardOutput WriteStandardOutput(const std::string& text);

// To `path` (replaced as one step) or, without a path, to standard output. On failure the
// message is on standard error and the result is false.
bool WriteResult(const std::optional<std::string>& path, const std::string& content);

// A captured reading as a line of the capture's CSV: number,value,unit,time. The value is quoted
// when it holds a comma (a decimal comma).
std::string CaptureCsvLine(long long number, const std::string& value, const std::string& unit,
                           const std::string& time);

// A group as the group window shows it: limits, readings (micrometres and texts) and statistics
// (numbers in micrometres and the label texts), from the slot after FillGroupTexts and its result.
// `name` is "1" .. "4" or "current".
QJsonObject GroupJson(const GroupSlot& slot, const GroupTexts& texts, const std::string& name,
                      std::int32_t unitIsMils);

}  // namespace zepra::cli
