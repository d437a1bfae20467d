#pragma once
// The inspection report: one PDF that an inspector hands to the client. Who measured what and
// where, the source and unit of the readings, the statistics and limits as the group window shows
// them, optionally a coating standard's criteria and verdict, the trend chart and the histogram,
// every reading, signature lines, and "Page x of y" on every page.
//
// Used by the group windows' inspection dialog and by `zepra-cli report`. Needs a QGuiApplication
// (fonts); no widgets.

#include <QDateTime>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coating/coating_standards.h"
#include "data/measurement_store.h"

namespace zepra::inspection {

enum class PageSize { A4, Letter };

// Who measured what and where. Each line is shown only when it is not empty.
struct JobDetails {
    std::string project;
    std::string structure;  // structure or area
    std::string coating;    // product and coat
    std::string inspector;
    std::string notes;  // may hold several lines ('\n' between them)
};

// A value the standard was judged with, and where it came from:
// {"NDFT", "100 um", "the group's low limit"} or {"Maximum", "300 um", "given"}.
struct ParameterLine {
    std::string name;
    std::string value;
    std::string origin;
};

// A reading left out of the verdict, by its number (counting from 1), and why.
struct Exclusion {
    std::int32_t number = 0;
    std::string reason;
};

// The coating standard's part of the report.
struct StandardSection {
    coating::CheckRequest request;  // every reading, the excluded ones included, in list order
    coating::Verdict verdict;       // the verdict of the readings that are not excluded
    std::vector<ParameterLine> parameters;
    std::vector<Exclusion> exclusions;
};

// Judges request.readings less the excluded ones, and returns the section to put in the report
// (the dialog shows section.verdict as the user types). Exclusions naming no reading, or naming
// one twice, give a verdict whose error says so.
StandardSection JudgeReadings(const coating::CheckRequest& request,
                              std::vector<ParameterLine> parameters,
                              std::vector<Exclusion> exclusions, std::int32_t unitIsMils);

struct ReportContent {
    JobDetails job;
    // "Group 2 downloaded from COM3 (/dev/ttyUSB2) at 14:03:22", "Current group ...",
    // "File capture.csv".
    std::string source;
    std::int32_t unitIsMils = 0;  // 0 micrometres, 1 mils
    PageSize pageSize = PageSize::A4;

    // The readings in list order (values in micrometres; `text` is ignored: the report formats
    // them in its unit as the group window does), a group slot's or a whole file's.
    std::vector<ReadingRecord> readings;
    // The group's high and low limits, micrometres. A file has none.
    std::optional<double> highLimit;
    std::optional<double> lowLimit;

    std::optional<StandardSection> standard;  // none: no standard chosen

    QDateTime createdAt;  // the report's date and time; an invalid one means now
};

// Writes the report to `path` as one step (a temporary file renamed over it): afterwards the file
// is either the whole report or as it was before. Returns an empty text when written, else a
// message naming the file and the reason.
std::string WriteInspectionReport(const ReportContent& content, const std::string& path);

}  // namespace zepra::inspection
