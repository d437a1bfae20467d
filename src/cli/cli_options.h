#pragma once
// The command line of zepra-cli: commands, options, help texts and exit codes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coating/coating_standards.h"
#include "pdf_report/pdf_report.h"

namespace zepra::cli {

enum ExitCode {
    kExitDone = 0,           // done, or the verdict passed
    kExitVerdictFailed = 1,  // a verdict failed
    kExitUsage = 2,          // a usage error (also: an output file that cannot be written)
    kExitNoPort = 3,         // no gauge port, or it cannot be opened
    kExitGauge = 4,          // the gauge did not answer, or a transfer broke off
    kExitArchive = 5,        // the archive cannot be opened or written, or has no such record
    kExitNoVerdict = 6,      // no verdict: no readings to judge (none, or every one excluded)
};

enum class Command { Help, Version, Ports, Download, Capture, Check, Report, Archive };
enum class OutputFormat { Csv, Text, Json, Jsonl };

// Which groups: 1 .. 4 the stored groups, kCurrentGroup the gauge's current group, kAllGroups.
inline constexpr int kCurrentGroup = 5;
inline constexpr int kAllGroups = 0;

struct Options {
    Command command = Command::Help;
    std::string helpText;  // Command::Help: what to print

    std::optional<std::string> port;  // --port DEVICE
    double timeoutSeconds = 5;        // --timeout
    bool timeoutGiven = false;
    std::int32_t unitIsMils = 0;  // --unit
    OutputFormat format = OutputFormat::Csv;
    std::optional<std::string> output;  // download --output, report --output

    int group = 1;  // download GROUP, check --group, report GROUP
    bool groupGiven = false;

    std::optional<long long> count;  // capture
    std::optional<double> seconds;
    bool wait = false;                  // capture --wait: wait for a gauge to be plugged in
    std::optional<double> waitSeconds;  // --wait SECONDS: at most this long

    coating::Standard standard = coating::Standard::Iso19840;  // check
    std::optional<std::string> file;
    // Thicknesses as typed, in --unit: decided on these decimals.
    std::optional<std::string> ndft;
    std::optional<std::string> minimum;
    std::optional<std::string> maximum;
    coating::Roughness roughness = coating::Roughness::None;
    std::optional<coating::Surface> area;  // --area (m2) or --area-ft2
    std::optional<int> level;
    std::optional<int> readingsPerSpot;
    std::optional<int> spotsPerArea;
    std::vector<int> exclude;  // reading numbers
    std::string reason;
    bool standardGiven = false;  // report: a standard is optional

    // report: the job (each shown only when given) and the paper
    std::string project;
    std::string structure;
    std::string coating;
    std::string inspector;
    std::string notes;
    inspection::InspectionRecord record;  // the gauge, its calibration, the conditions
    bool letterPage = false;              // --page letter; A4 otherwise

    // The archive: download and capture store what they took unless --no-archive.
    bool noArchive = false;
    std::string job;                       // --job: the job to file under, or to list
    std::optional<std::string> archiveId;  // check and report --archive ID
    // archive: the subcommand and its words (archive show ID: {"show", "ID"}).
    std::vector<std::string> archiveWords;
    std::optional<long long> sinceMs;  // --since, --until: UTC milliseconds; until is exclusive
    std::optional<long long> untilMs;
    std::string gaugeText;       // archive list --gauge
    std::optional<bool> passed;  // archive list --verdict
    std::string client;          // archive jobs add
    std::string model;           // archive gauges add
    std::string serial;
    std::string usbSerial;
    std::string probe;
    std::string certificate;  // archive gauges add and calibrate
    std::string calibrated;
    std::string due;
    // archive server-init and sync: the team's server (a libpq connection string or URI).
    std::string server;
    bool pullRecords = false;  // archive sync: the other stations' records as well
};

struct ParseResult {
    Options options;
    std::string error;  // a usage error: print it with the hint, exit kExitUsage
};

// args without the program name.
ParseResult ParseCommandLine(const std::vector<std::string>& args);

// Every option of the commands ("--unit"), once each.
std::vector<std::string> OptionNames();

// "Try 'zepra-cli download --help'." for the command named in args, else for zepra-cli.
std::string UsageHint(const std::vector<std::string>& args);

// The program's version, "1.4.0".
const char* Version();

// "group 2", "the current group", "all groups".
std::string GroupName(int group);

}  // namespace zepra::cli
