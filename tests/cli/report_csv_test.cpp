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
            EXPECT_EQ(read.readings[i].text, records[i].text);  // what a check decides on
        }
    }
}

struct LocaleCase {
    const char* what;
    std::string content;
    std::vector<std::string> texts;
    std::vector<double> values;
};

// Reports written under any locale read the same, whatever the program's own separator.
TEST(ReportCsv, ReadsReportsWrittenUnderAnyLocale) {
    const std::string header = "\"NO.\",\"Samples\",\"Unit\"";
    const LocaleCase cases[] = {
        {"decimal point, CR LF",
         header + "\r\n1,\"20.5\",\"um\"\r\n2,\"7\",\"um\"\r\n",
         {"20.5", "7"},
         {20.5, 7}},
        {"decimal comma, LF",
         header + "\n1,\"20,5\",\"um\"\n2,\"0,125\",\"um\"\n",
         {"20,5", "0,125"},
         {20.5, 0.125}},
        {"byte-order mark",
         "\xEF\xBB\xBF" + header + "\r\n1,\"1,234\",\"mils\"\r\n",
         {"1,234"},
         {1.234}},
        {"no end of line after the last", header + "\n1,\"3\",\"mils\"", {"3"}, {3}},
        {"mixed line ends", header + "\r\n1,\"3\",\"um\"\n2,\"4\",\"um\"\r\n", {"3", "4"}, {3, 4}},
    };
    for (char separator : {'.', ','}) {
        SetDecimalSeparator(separator);
        for (const LocaleCase& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " with separator " + separator);
            const CsvReadings read = ParseReportCsv(c.content);
            ASSERT_EQ(read.error, "");
            ASSERT_EQ(read.readings.size(), c.texts.size());
            for (std::size_t i = 0; i < c.texts.size(); ++i) {
                EXPECT_EQ(read.readings[i].text, c.texts[i]);
                EXPECT_EQ(read.readings[i].value, c.values[i]);
            }
        }
    }
    SetDecimalSeparator('.');
    // The comma inside a quoted value is its decimal comma, and compares exactly.
    const CsvReadings read = ParseReportCsv(header + "\n1,\"10,1\",\"um\"\n");
    EXPECT_EQ(*coating::ExactOf(read.readings[0], nullptr),
              *coating::ParseDecimal("10.1", Unit::Micrometres, nullptr));
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
         "not a CSV report of readings (the first line must be \"NO.\",\"Samples\",\"Unit\", or "
         "number,value,unit,time for a capture)"},
        {"binary",
         std::string("\x7f"
                     "ELF\0\x01",
                     6),
         "not a CSV report of readings (the first line must be \"NO.\",\"Samples\",\"Unit\", or "
         "number,value,unit,time for a capture)"},
        {"two fields", header + "1,\"10\"\r\n", "line 2: expected NO.,\"Samples\",\"Unit\""},
        {"open quote", header + "1,\"10,\"um\r\n", "line 2: expected NO.,\"Samples\",\"Unit\""},
        {"text instead of number", header + "one,\"10\",\"um\"\r\n",
         "line 2: 'one' is not a reading number"},
        {"numbers not from 1", header + "2,\"10\",\"um\"\r\n",
         "line 2: reading number 2 where 1 was expected (the numbers run 1, 2, 3, ...)"},
        {"a number skipped", header + "1,\"10\",\"um\"\r\n3,\"10\",\"um\"\r\n",
         "line 3: reading number 3 where 2 was expected (the numbers run 1, 2, 3, ...)"},
        {"a number repeated", header + "1,\"10\",\"um\"\r\n1,\"10\",\"um\"\r\n",
         "line 3: reading number 1 where 2 was expected (the numbers run 1, 2, 3, ...)"},
        {"a leading zero", header + "01,\"10\",\"um\"\r\n",
         "line 2: reading number 01 where 1 was expected (the numbers run 1, 2, 3, ...)"},
        {"not a reading", header + "1,\"1O\",\"um\"\r\n",
         "line 2: '1O' is no thickness (not a decimal number)"},
        {"empty reading", header + "1,\"\",\"um\"\r\n",
         "line 2: '' is no thickness (not a decimal number)"},
        {"NaN", header + "1,\"NaN\",\"um\"\r\n",
         "line 2: 'NaN' is no thickness (not a decimal number)"},
        {"exponent", header + "1,\"1e3\",\"um\"\r\n",
         "line 2: '1e3' is no thickness (not a decimal number)"},
        {"two points", header + "1,\"1.2.3\",\"um\"\r\n",
         "line 2: '1.2.3' is no thickness (not a decimal number)"},
        {"point and comma", header + "1,\"1.2,3\",\"um\"\r\n",
         "line 2: '1.2,3' is no thickness (not a decimal number)"},
        {"negative", header + "1,\"-5\",\"um\"\r\n", "line 2: '-5' is no thickness (negative)"},
        {"above 100 mm", header + "1,\"100001\",\"um\"\r\n",
         "line 2: '100001' is no thickness (above 100 mm)"},
        {"below 0.001 um", header + "1,\"0.0009\",\"um\"\r\n",
         "line 2: '0.0009' is no thickness (below 0.001 um)"},
        {"too many places", header + "1,\"0.1234567890123\",\"mils\"\r\n",
         "line 2: '0.1234567890123' is no thickness (more than 12 decimal places)"},
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

// What `zepra-cli capture` writes reads back like a report: the time column is not used.
TEST(ReportCsv, ReadsACaptureFile) {
    const std::string header = "number,value,unit,time";
    const LocaleCase good[] = {
        {"um, LF",
         header + "\n1,121,um,2026-12-10T17:12:34.123\n2,0,um,2026-12-10T17:12:35.001\n",
         {"121", "0"},
         {121, 0}},
        {"mils, byte-order mark, CR LF",
         "\xEF\xBB\xBF" + header + "\r\n1,4.76,mils,2026-12-10T17:12:34.123\r\n",
         {"4.76"},
         {4.76}},
        {"decimal comma, quoted",
         header + "\n1,\"12,3\",um,2026-12-10T17:12:34.123\n2,7,um,2026-12-10T17:12:35.123",
         {"12,3", "7"},
         {12.3, 7}},
        {"header only", header + "\r\n", {}, {}},
    };
    for (const LocaleCase& c : good) {
        SCOPED_TRACE(c.what);
        const CsvReadings read = ParseReportCsv(c.content);
        ASSERT_EQ(read.error, "");
        ASSERT_EQ(read.readings.size(), c.texts.size());
        for (std::size_t i = 0; i < c.texts.size(); ++i) {
            EXPECT_EQ(read.readings[i].text, c.texts[i]);
            EXPECT_EQ(read.readings[i].value, c.values[i]);
            EXPECT_EQ(read.readings[i].unit, c.what[0] == 'm' ? Unit::Mils : Unit::Micrometres);
        }
    }

    // The first and the last reading's times say when the readings were measured; a report has
    // none.
    const CsvReadings timed = ParseReportCsv(good[0].content);
    EXPECT_EQ(timed.firstTime, "2026-12-10T17:12:34.123");
    EXPECT_EQ(timed.lastTime, "2026-12-10T17:12:35.001");
    const CsvReadings report = ParseReportCsv("\"NO.\",\"Samples\",\"Unit\"\n1,\"5\",\"um\"\n");
    ASSERT_EQ(report.error, "");
    EXPECT_EQ(report.firstTime, "");

    const std::string head = header + "\n";
    const std::string t = ",2026-12-10T17:12:34.123\n";
    const BadCsvCase bad[] = {
        {"numbers not from 1", head + "2,10,um" + t,
         "line 2: reading number 2 where 1 was expected (the numbers run 1, 2, 3, ...)"},
        {"numbers out of order", head + "1,10,um" + t + "3,10,um" + t + "2,10,um" + t,
         "line 3: reading number 3 where 2 was expected (the numbers run 1, 2, 3, ...)"},
        {"mixed units", head + "1,10,um" + t + "2,0.4,mils" + t,
         "line 3: the unit changes from um to mils"},
        {"a bad value", head + "1,10,um" + t + "2,12O,um" + t,
         "line 3: '12O' is no thickness (not a decimal number)"},
        {"a decimal comma unquoted", head + "1,12,3,um" + t,
         "line 2: expected number,value,unit,time"},
        {"no time", head + "1,10,um\n", "line 2: expected number,value,unit,time"},
        {"unknown unit", head + "1,10,\"mm\"" + t, "line 2: unknown unit 'mm'"},
        {"capture header with report lines", head + "1,\"10\",\"um\"\n",
         "line 2: expected number,value,unit,time"},
        {"report header with capture lines", "\"NO.\",\"Samples\",\"Unit\"\n1,10,um" + t,
         "line 2: expected NO.,\"Samples\",\"Unit\""},
        {"header with spaces", "number, value, unit, time\n1,10,um" + t,
         "not a CSV report of readings (the first line must be \"NO.\",\"Samples\",\"Unit\", or "
         "number,value,unit,time for a capture)"},
    };
    for (const BadCsvCase& c : bad) {
        SCOPED_TRACE(c.what);
        const CsvReadings read = ParseReportCsv(c.content);
        EXPECT_EQ(read.error, c.error);
        EXPECT_TRUE(read.readings.empty());
    }
}

TEST(ReportCsv, FileErrorsNameTheFile) {
    QTemporaryDir dir;
    const std::string missing = dir.filePath("missing.csv").toStdString();
    EXPECT_EQ(ReadReportCsv(missing).error, "Cannot read the file \"" + missing + "\".");
    EXPECT_EQ(ReadReportCsv(dir.path().toStdString()).error,
              "Cannot read the file \"" + dir.path().toStdString() + "\".");
    const std::string bad = dir.filePath("bad.csv").toStdString();
    std::ofstream(bad) << "\"NO.\",\"Samples\",\"Unit\"\n1,\"x\",\"um\"\n";
    EXPECT_EQ(ReadReportCsv(bad).error,
              "The file \"" + bad + "\": line 2: 'x' is no thickness (not a decimal number).");
}

}  // namespace
}  // namespace zepra::cli
