#pragma once
// The inspection report: one PDF that an inspector hands to the client. Who measured what and
// where, the source and unit of the readings, the statistics and limits as the group window shows
// them, optionally a coating standard's criteria and verdict, the trend chart and the histogram,
// every reading, signature lines, and "Page x of y" on every page.
//
// Used by the group windows' inspection dialog and by `zepra-cli report`. Needs a QGuiApplication
// (fonts); no widgets.

#include <QDateTime>
#include <cmath>
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

// What an auditor asks besides the readings: the gauge and its calibration, the zero check, the
// surface and the conditions, and who signs. Each line is shown only when given.
struct InspectionRecord {
    std::string gaugeMake;
    std::string gaugeModel;
    std::string gaugeSerial;
    std::string probe;
    std::string calibrationCertificate;
    std::string calibrationDate;  // yyyy-MM-dd
    std::string zeroCheck;        // the zero and shim verification done: "zero on bare steel, 50
                                  // and 250 um shims within tolerance"
    std::string surfacePreparation;
    std::string surfaceProfile;
    std::optional<double> airCelsius;
    std::optional<double> steelCelsius;
    std::optional<double> relativeHumidity;  // per cent
    std::string inspectorQualification;
    std::string inspectorPosition;
    std::string clientName;
    std::string clientPosition;
};

// The dew point of air at `celsius` and `relativeHumidity` per cent (Magnus formula with
// b = 17.62 and c = 243.12 °C).
double DewPointCelsius(double celsius, double relativeHumidity);
inline constexpr double kLeastDewPointMargin = 3.0;  // the steel this much above the dew point
// The conditions as the report prints them: "Air 18 °C, steel 21 °C, RH 62 %; dew point 10.7 °C,
// the steel 10.3 °C above it", flagged (and *flagged set) when the margin is under 3 °C; empty
// when none was given.
QString ConditionsLine(const InspectionRecord& record, bool* flagged = nullptr);

// The coating standard's part of the report: the verdict of coating::ResolveCheck, which holds
// the parameters and where each came from, the criteria, the notes (exclusions with their
// reasons, readings not used, scope) and every reading's marks.
struct StandardSection {
    coating::Standard standard = coating::Standard::Iso19840;
    coating::Verdict verdict;
    coating::ReadingSource source = coating::ReadingSource::GaugeValues;  // what was judged
};

// The readings judged as `zepra-cli check` judges them (the dialog shows the verdict as the user
// types).
StandardSection JudgeReadings(const coating::CheckSetup& setup);

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
    InspectionRecord record;
    // When the readings were measured: "2026-03-04 14:03:22 (downloaded)", "2026-03-04 13:50
    // (the file's time)"; empty: not known.
    std::string measuredAt;

    QDateTime createdAt;  // the report's date and time; an invalid one means now
    // Printed on every page; empty: made from the report's date and time, to the millisecond
    // ("20260304-050607-000"), which a station does not repeat.
    std::string reportNumber;
};

// Writes the report to `path` as one step (a temporary file renamed over it): afterwards the file
// is either the whole report or as it was before. A device or a FIFO is written directly. Returns
// an empty text when written, else a message naming the file and the reason.
std::string WriteInspectionReport(const ReportContent& content, const std::string& path);

}  // namespace zepra::inspection
