#include "cli/report_csv.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "data/thickness_format.h"
#include "reports/reports.h"

namespace zepra::cli {
namespace {

using coating::Unit;

TEST(ReportCsv, ReadsBackWhatTheReportWriterWrites) {
    std::array<ReadingRecord, 3> records{};
    const double values[] = {10, 20.5, 1234.5};
    for (int unit : {0, 1}) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            records[i] = {static_cast<std::int32_t>(i + 1), values[i],
                          FormatThickness(values[i], unit)};
        }
        const CsvReadings read = ParseReportCsv(CsvReportText(records, unit));
        ASSERT_EQ(read.error, "");
        ASSERT_EQ(read.readings.size(), 3u);
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(read.readings[i].unit, unit == 1 ? Unit::Mils : Unit::Micrometres);
            EXPECT_EQ(NumberToText(read.readings[i].value), records[i].text);
        }
    }
}

TEST(ReportCsv, AcceptsTheProgramsDecimalSeparator) {
    SetDecimalSeparator(',');
    const CsvReadings read =
        ParseReportCsv("\"NO.\",\"Samples\",\"Unit\"\r\n1,\"20,5\",\"um\"\r\n");
    SetDecimalSeparator('.');
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.readings.size(), 1u);
    EXPECT_EQ(read.readings[0].value, 20.5);
}

struct BadCsvCase {
    const char* what;
    std::string content;
    const char* error;
};

TEST(ReportCsv, BadFilesAreRefusedWithTheLine) {
    const std::string header = "\"NO.\",\"Samples\",\"Unit\"\r\n";
    const BadCsvCase cases[] = {
        {"empty", "", "the file is empty"},
        {"other header", "number,value\r\n1,2\r\n",
         "not a CSV report of readings (the first line must be \"NO.\",\"Samples\",\"Unit\")"},
        {"binary",
         std::string("\x7f"
                     "ELF\0\x01",
                     6),
         "not a CSV report of readings (the first line must be \"NO.\",\"Samples\",\"Unit\")"},
        {"two fields", header + "1,\"10\"\r\n", "line 2: expected NO.,\"Samples\",\"Unit\""},
        {"open quote", header + "1,\"10,\"um\r\n", "line 2: expected NO.,\"Samples\",\"Unit\""},
        {"text instead of number", header + "one,\"10\",\"um\"\r\n",
         "line 2: 'one' is not a reading number"},
        {"not a reading", header + "1,\"1O\",\"um\"\r\n", "line 2: '1O' is not a reading"},
        {"empty reading", header + "1,\"\",\"um\"\r\n", "line 2: '' is not a reading"},
        {"NaN", header + "1,\"NaN\",\"um\"\r\n", "line 2: 'NaN' is not a reading"},
        {"exponent", header + "1,\"1e3\",\"um\"\r\n", "line 2: '1e3' is not a reading"},
        {"two points", header + "1,\"1.2.3\",\"um\"\r\n", "line 2: '1.2.3' is not a reading"},
        {"unknown unit", header + "1,\"10\",\"mm\"\r\n", "line 2: unknown unit 'mm'"},
        {"mixed units", header + "1,\"10\",\"um\"\r\n2,\"0.4\",\"mils\"\r\n",
         "line 3: the unit changes from um to mils"},
        {"reading after a gap", header + "1,\"10\",\"um\"\r\n\r\n2,\"10\",\"um\"\r\n",
         "line 4: a reading after an empty line"},
    };
    for (const BadCsvCase& c : cases) {
        SCOPED_TRACE(c.what);
        const CsvReadings read = ParseReportCsv(c.content);
        EXPECT_EQ(read.error, c.error);
        EXPECT_TRUE(read.readings.empty());
    }
    // A header alone is a report without readings; line ends may be LF only.
    const CsvReadings headerOnly = ParseReportCsv("\"NO.\",\"Samples\",\"Unit\"\n");
    EXPECT_EQ(headerOnly.error, "");
    EXPECT_TRUE(headerOnly.readings.empty());
}

TEST(ReportCsv, FileErrorsNameTheFile) {
    QTemporaryDir dir;
    const std::string missing = dir.filePath("missing.csv").toStdString();
    EXPECT_EQ(ReadReportCsv(missing).error, "Cannot read the file \"" + missing + "\".");
    EXPECT_EQ(ReadReportCsv(dir.path().toStdString()).error,
              "Cannot read the file \"" + dir.path().toStdString() + "\".");
    const std::string bad = dir.filePath("bad.csv").toStdString();
    std::ofstream(bad) << "\"NO.\",\"Samples\",\"Unit\"\n1,\"x\",\"um\"\n";
    EXPECT_EQ(ReadReportCsv(bad).error, "The file \"" + bad + "\": line 2: 'x' is not a reading.");
}

}  // namespace
}  // namespace zepra::cli
