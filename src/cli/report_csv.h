#pragma once
// Reading back a CSV file of readings that the program wrote. A report: "NO.","Samples","Unit",
// then one line per reading with its number (1, 2, 3, ... in order), its text and the unit ("um"
// or "mils"). What `zepra-cli capture` writes: number,value,unit,time with the same numbers,
// texts (quoted when they hold a comma) and units; of the times the first and the last are kept,
// for when the readings were measured.
// Files written under any locale are read: a decimal point or a decimal comma (they never group
// digits), an optional UTF-8 byte-order mark, CR LF or LF line ends.

#include <string>
#include <vector>

#include "coating/exact_value.h"

namespace zepra::cli {

struct CsvReadings {
    // In file order, in the file's unit; each keeps its text, which is what a check decides on.
    std::vector<coating::Thickness> readings;
    std::string error;  // empty when the file was read whole
    // A capture's: the first and the last reading's times as written (ISO 8601, the computer's
    // clock when each arrived); empty for a report, which keeps no times.
    std::string firstTime;
    std::string lastTime;
};

CsvReadings ParseReportCsv(const std::string& content);

// Reads the file; errors name it. A FIFO or a device is read like a file, but the reading gives
// up with a message when it has not ended within timeoutSeconds.
CsvReadings ReadReportCsv(const std::string& path, double timeoutSeconds = 5);

}  // namespace zepra::cli
