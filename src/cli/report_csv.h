#pragma once
// Reading back a CSV report that the program saved: "NO.","Samples","Unit", then one line per
// reading with its number, its text and the unit ("um" or "mils").

#include <string>
#include <vector>

#include "coating/exact_value.h"

namespace zepra::cli {

struct CsvReadings {
    std::vector<coating::Thickness> readings;  // in file order, in the file's unit
    std::string error;                         // empty when the file was read whole
};

// Decimal texts with '.' or the program's decimal separator.
CsvReadings ParseReportCsv(const std::string& content);

// Reads the file; errors name it.
CsvReadings ReadReportCsv(const std::string& path);

}  // namespace zepra::cli
