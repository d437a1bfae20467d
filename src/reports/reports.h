#pragma once
// The CSV and text reports of a list of readings: the numbers and texts of the records, in list
// order, with the unit. Every line ends in CR LF, the last one included.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "data/measurement_store.h"

class QIODevice;

namespace zepra {

// "NO.","Samples","Unit" then one line per record: 1,"10","um".
std::string CsvReportText(std::span<const ReadingRecord> records, std::int32_t unitIsMils);

// Title line "Samples Report unit(um)" with the date and the time, an empty line, then one line
// per record: the number with a blank before and after it, then the record's text.
// Items after the first on a line start at the next print zone: zones are 14 columns wide
// (columns 1, 15, 29, ...) and an item goes to the first zone start beyond the text already on
// the line, so that the report reads as columns.
std::string TextReportText(std::span<const ReadingRecord> records, std::int32_t unitIsMils,
                           const std::string& date, const std::string& time);

// The outcome of writing a report file. On failure `error` names the file and the reason.
struct ReportWriteResult {
    bool ok = false;
    std::string error;
};

// Replaces the file at `path` with `content` as one step: either the whole content is there
// afterwards, or the file is as it was before (no partial file) and the result says why.
// Only an existing, writable file in a folder the user may not write is written in place
// (no temporary file can be made beside it); a failure part-way then leaves it cut short.
// An existing target that is no regular file (a device, a FIFO, /dev/stdout) is written
// directly, as a shell's redirection would; it is never replaced by a file.
ReportWriteResult WriteReportFile(const std::string& path, const std::string& content);

// The same for a report too large to hold in memory: `produce` writes it into the device it is
// given (a temporary file beside the target, or the device or FIFO itself) and returns an empty
// text, or why it could not; then the file is replaced as WriteReportFile replaces it.
ReportWriteResult WriteReportStreamed(const std::string& path,
                                      const std::function<std::string(QIODevice&)>& produce);

struct ReportFile {
    std::string path;
    std::string content;
};

// Several files as one step: every file is written beside its target first, and the targets
// are replaced only when all of them were written; otherwise none is, and the result names the
// file and the reason.
ReportWriteResult WriteReportFiles(std::span<const ReportFile> files);

}  // namespace zepra
