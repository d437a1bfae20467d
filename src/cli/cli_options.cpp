#include "cli/cli_options.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

#include "data/shown_text.h"
#include "data/typed_number.h"
#include "zepra_version.h"

namespace zepra::cli {
namespace {

constexpr const char* kMainHelp =
    "usage: zepra-cli COMMAND [OPTIONS]\n"
    "\n"
    "The ZEPRA Coating Thickness Tester from the command line.\n"
    "\n"
    "Commands:\n"
    "  ports      the serial ports considered for the gauge, and the one that is used\n"
    "  download   download stored groups (1 to 4), the current group or all groups\n"
    "  capture    capture live readings, one line per reading\n"
    "  check      pass or fail of a group or a CSV report against a coating standard\n"
    "  report     a PDF inspection report of a group or a CSV report, optionally with a\n"
    "             standard's verdict\n"
    "  archive    the records kept of every download and capture: list, show, export, import,\n"
    "             jobs, gauges\n"
    "\n"
    "  zepra-cli COMMAND --help   the options of a command\n"
    "  zepra-cli --version        the version\n"
    "\n"
    "Exit codes: 0 done or passed, 1 a verdict failed, 2 a usage error or an output file that\n"
    "cannot be written, 3 no gauge port or it cannot be opened, 4 the gauge did not answer or a\n"
    "transfer broke off, 5 the archive cannot be opened or written or has no such record.\n"
    "\n"
    "The gauge's port is found the way the program's windows find it (ZEPRA_SERIALCOMM may name a\n"
    "file that replaces the system's list of serial ports); --port DEVICE skips the lookup.\n";

// What a command's --help says before its options (the usage and what it does) and after them.
struct CommandText {
    const char* word;
    Command command;
    const char* intro;
    const char* outro;
};

const CommandText kCommandTexts[] = {
    {"ports", Command::Ports,
     "usage: zepra-cli ports\n"
     "\n"
     "Lists the serial ports of the gauge's USB bridge in the order they are looked up: the port\n"
     "name, the device, and which one is used. Exit code 3 when there is none.\n",
     ""},
    {"download", Command::Download,
     "usage: zepra-cli download GROUP [OPTIONS]\n"
     "\n"
     "GROUP is 1, 2, 3, 4 (a stored group), current (the gauge's current group) or all.\n",
     ""},
    {"capture", Command::Capture,
     "usage: zepra-cli capture [OPTIONS]\n"
     "\n"
     "Starts the gauge's live stream and writes one line per captured reading as it arrives:\n"
     "number, value, unit and time. Stops the stream after N readings, after S seconds, on Ctrl-C\n"
     "or when the output is closed.\n",
     ""},
    {"check", Command::Check,
     "usage: zepra-cli check --standard iso19840|imo-pspc|sspc-pa2 (--group GROUP | --file FILE)\n"
     "                       [OPTIONS]\n"
     "\n"
     "Pass or fail of the readings against a coating standard, one row per criterion. Every\n"
     "boundary is decided exactly on decimals: X as typed, a report's texts as saved, a gauge\n"
     "value as the shortest decimal of its float; 1 mil is exactly 25.4 um. X is a plain decimal\n"
     "from 0.001 um to 100 mm, at most 12 decimal places, in --unit. With --group a missing\n"
     "--ndft or --min is the group's low limit and a missing --max its high limit.\n"
     "\n"
     "Every number is written with the desktop's decimal separator; the other of '.' and ',' is\n"
     "taken too unless it could group digits (it is the desktop's grouping character, or three\n"
     "digits follow it): '1,000' is refused with how to write it, never read as 1.\n",
     "Exit code 0 when every criterion passes, 1 when one fails or there are no readings (a\n"
     "report with a header and no readings), 2 for a usage error.\n"},
    {"report", Command::Report,
     "usage: zepra-cli report (GROUP | --file FILE) --output FILE.pdf [OPTIONS]\n"
     "\n"
     "Writes the inspection report as a PDF: the job, the source of the readings, the statistics\n"
     "and limits, the trend chart and the histogram, every reading, and with --standard the\n"
     "criteria and the verdict, as 'check' gives them (see 'zepra-cli check --help'). GROUP\n"
     "downloads group 1, 2, 3, 4 or current from the gauge. Needs no display.\n",
     "Exit code 0 when written (and the verdict passed), 1 when written and the verdict failed,\n"
     "2 a usage error or a file that cannot be written, 3 and 4 as for download.\n"},
    {"archive", Command::Archive,
     "usage: zepra-cli archive list [--job T] [--since DATE] [--until DATE] [--gauge T]\n"
     "                              [--verdict pass|fail] [--format text|json]\n"
     "       zepra-cli archive show ID\n"
     "       zepra-cli archive export ID [--format csv|txt|json] [--output FILE]\n"
     "       zepra-cli archive import FILE.csv... [--job T]\n"
     "       zepra-cli archive jobs [list | add NAME [--project T] [--structure T] ...]\n"
     "       zepra-cli archive gauges [list | add --serial T ... | calibrate GAUGE ...]\n"
     "       zepra-cli archive server-init [--server NAME]\n"
     "       zepra-cli archive sync [--pull-records] [--server NAME]\n"
     "       zepra-cli archive status\n"
     "\n"
     "The archive keeps every download and capture as it was received, with the gauge, the\n"
     "station and the time; jobs, gauges, checks and reports are added beside the records,\n"
     "never changing them. ID is a record's id or the start of it. The file is ZEPRA_ARCHIVE, or\n"
     "archive.sqlite in the user's data folder (~/.local/share/ZEPRA).\n"
     "\n"
     "The team's PostgreSQL server: server-init creates or updates its tables (as the database's\n"
     "owner); sync sends what the server lacks and takes the team's jobs and gauges; status says\n"
     "when the last sync was, what waits and the last error. The server is --server, else\n"
     "ZEPRA_ARCHIVE_SERVER, else the setting archive/server: a libpq connection string or URI\n"
     "(postgresql://station1@qa.example/zepra?sslmode=verify-full); its password comes from\n"
     "~/.pgpass, PGPASSFILE or a service file, never from the name.\n",
     "Exit code 0 when done, 2 a usage error, 5 the archive or the server failed (or no such\n"
     "record); sync: 1 a record's readings differ on the server; status: 1 something waits.\n"},
};

const CommandText* CommandNamed(const std::string& word) {
    for (const CommandText& text : kCommandTexts) {
        if (text.word == word) return &text;
    }
    return nullptr;
}

// The commands as bits of OptionRow::commands.
constexpr unsigned Bit(Command command) {
    return 1u << static_cast<unsigned>(command);
}
constexpr unsigned kDownload = Bit(Command::Download);
constexpr unsigned kCapture = Bit(Command::Capture);
constexpr unsigned kCheck = Bit(Command::Check);
constexpr unsigned kReport = Bit(Command::Report);
constexpr unsigned kArchive = Bit(Command::Archive);
constexpr unsigned kAll = kDownload | kCapture | kCheck | kReport;

// A number as the user types it (typed_number.h); *why says how to write it when it could be
// read two ways, and is kNotADecimalNumber for anything else.
std::optional<double> ParseNumber(const std::string& text, std::string* why = nullptr) {
    return ReadTypedDouble(text, why, true);
}

// A whole number of at most 9 digits, no sign.
std::optional<int> ParseWhole(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::optional<int> ParseGroup(const std::string& text, bool allowAll) {
    if (text == "1" || text == "2" || text == "3" || text == "4") return text[0] - '0';
    if (text == "current") return kCurrentGroup;
    if (allowAll && text == "all") return kAllGroups;
    return std::nullopt;
}

// An option as typed, for its reader.
struct Arg {
    const std::string& name;
    const std::string& value;

    std::string Bad(const std::string& expected) const {
        return "bad value for " + name + ": '" + ShownValue(value) + "' (" + expected + ")";
    }
    // A number that could be read two ways is refused with how to write it; anything else that
    // is no number with what was expected.
    std::string BadNumber(const std::string& why, const std::string& expected) const {
        return Bad(why.empty() || why == kNotADecimalNumber ? expected : why);
    }
    // A whole number from lowest to highest into `into`; the message when it is not one.
    std::string WholeFromTo(int lowest, int highest, std::optional<int>& into) const {
        const std::optional<int> number = ParseWhole(value);
        if (!number || *number < lowest || *number > highest) {
            return Bad("a whole number from " + std::to_string(lowest) + " to " +
                       std::to_string(highest));
        }
        into = number;
        return {};
    }
    std::string Positive(std::optional<double>& target) const {
        std::string why;
        const std::optional<double> number = ParseNumber(value, &why);
        if (!number || *number <= 0) return BadNumber(why, "a number above 0");
        target = number;
        return {};
    }
};

// Reads an option's value into the options; returns an error text or empty.
using Reader = std::string (*)(Options&, const Arg&);

// The text as typed (a thickness is checked in --unit once all options are read).
template <auto field>
std::string Keep(Options& o, const Arg& a) {
    o.*field = a.value;
    return {};
}

// A text of the record as typed.
template <auto field>
std::string Record(Options& o, const Arg& a) {
    o.record.*field = a.value;
    return {};
}

// A number of the record from lowest to highest.
template <auto field, int lowest, int highest>
std::string RecordNumber(Options& o, const Arg& a) {
    std::string why;
    const std::optional<double> number = ParseNumber(a.value, &why);
    if (!number || *number < lowest || *number > highest) {
        return a.BadNumber(
            why, "a number from " + std::to_string(lowest) + " to " + std::to_string(highest));
    }
    o.record.*field = number;
    return {};
}

std::string ReadUnit(Options& o, const Arg& a) {
    if (a.value != "um" && a.value != "mils") return a.Bad("um or mils");
    o.unitIsMils = a.value == "mils" ? 1 : 0;
    return {};
}

std::string ReadFormat(Options& o, const Arg& a) {
    static const std::map<Command, std::map<std::string, OutputFormat>> formats = {
        {Command::Download,
         {{"csv", OutputFormat::Csv}, {"txt", OutputFormat::Text}, {"json", OutputFormat::Json}}},
        {Command::Capture, {{"csv", OutputFormat::Csv}, {"jsonl", OutputFormat::Jsonl}}},
        {Command::Check, {{"text", OutputFormat::Text}, {"json", OutputFormat::Json}}},
        {Command::Archive,
         {{"text", OutputFormat::Text},
          {"json", OutputFormat::Json},
          {"csv", OutputFormat::Csv},
          {"txt", OutputFormat::Text}}}};
    const auto& allowed = formats.at(o.command);
    const auto found = allowed.find(a.value);
    if (found == allowed.end()) {
        std::string names;
        for (const auto& [word, format] : allowed) names += (names.empty() ? "" : ", ") + word;
        return a.Bad(names);
    }
    o.format = found->second;
    return {};
}

std::string ReadTimeout(Options& o, const Arg& a) {
    std::optional<double> seconds;
    if (std::string e = a.Positive(seconds); !e.empty()) return e;
    if (*seconds > 86400) return a.Bad("at most 86400 seconds");
    o.timeoutSeconds = *seconds;
    o.timeoutGiven = true;
    return {};
}

std::string ReadOutput(Options& o, const Arg& a) {
    if (a.value.empty()) return a.Bad("a path");
    o.output = a.value;
    return {};
}

std::string ReadFile(Options& o, const Arg& a) {
    if (a.value.empty()) return a.Bad("a file");
    o.file = a.value;
    return {};
}

// A day (YYYY-MM-DD, local time) or a moment (ISO 8601, local unless it names its zone).
// --until's day is included: the moment is the start of the next day.
std::string ReadDate(Options& o, const Arg& a) {
    const QString text = QString::fromStdString(a.value);
    const bool until = a.name == "--until";
    std::optional<long long> ms;
    if (const QDate day = QDate::fromString(text, Qt::ISODate);
        day.isValid() && text.size() == 10) {
        ms = (until ? day.addDays(1) : day).startOfDay().toMSecsSinceEpoch();
    } else if (const QDateTime moment = QDateTime::fromString(text, Qt::ISODateWithMs);
               moment.isValid()) {
        ms = moment.toMSecsSinceEpoch();
    }
    if (!ms) return a.Bad("a date YYYY-MM-DD or a time YYYY-MM-DDTHH:MM");
    (until ? o.untilMs : o.sinceMs) = ms;
    return {};
}

std::string ReadArea(Options& o, const Arg& a) {
    std::string why;
    if (!ReadTypedNumber(a.value, &why))
        return a.BadNumber(why, "a decimal number above 0, at most 1e9");
    o.area = coating::Surface{Trimmed(a.value), a.name == "--area-ft2"};
    if (coating::AreasToMeasure(*o.area) == 0)
        return a.Bad("a decimal number above 0, at most 1e9");
    return {};
}

// One row per option and help line: a command's --help lists its rows in this order, and the
// parser reads with the row of the option and the command. An option whose help differs between
// commands has a row for each. A value in brackets is optional: taken when the next word is a
// number.
struct OptionRow {
    const char* name;
    const char* value;
    unsigned commands;
    Reader read;
    const char* help;
};

const OptionRow kOptionRows[] = {
    {"--standard", "NAME", kCheck | kReport,
     [](Options& o, const Arg& a) -> std::string {
         static const std::map<std::string, coating::Standard> standards = {
             {"iso19840", coating::Standard::Iso19840},
             {"imo-pspc", coating::Standard::ImoPspc},
             {"sspc-pa2", coating::Standard::SspcPa2}};
         const auto found = standards.find(a.value);
         if (found == standards.end()) return a.Bad("iso19840, imo-pspc or sspc-pa2");
         o.standard = found->second;
         o.standardGiven = true;
         return {};
     },
     "iso19840, imo-pspc or sspc-pa2: the coating standard to judge the readings by"},
    {"--group", "GROUP", kCheck,
     [](Options& o, const Arg& a) -> std::string {
         const std::optional<int> group = ParseGroup(a.value, false);
         if (!group) return a.Bad("1, 2, 3, 4 or current");
         o.group = *group;
         o.groupGiven = true;
         return {};
     },
     "download group 1, 2, 3, 4 or current from the gauge (its stored values)"},
    {"--file", "FILE", kCheck, ReadFile,
     "a CSV report saved by the program (its texts, rounded as the window showed them); a FIFO or "
     "device is read until it ends or --timeout runs out"},
    {"--file", "FILE", kReport, ReadFile,
     "a CSV report saved by the program (micrometres or mils)"},
    {"--output", "FILE.pdf", kReport, ReadOutput,
     "the PDF file to write (replaced as one step; nothing is left on failure)"},
    {"--ndft", "X", kCheck | kReport, Keep<&Options::ndft>,
     "nominal dry-film thickness (iso19840, imo-pspc)"},
    {"--min", "X", kCheck | kReport, Keep<&Options::minimum>,
     "the least thickness specified (sspc-pa2, which needs --min and --max)"},
    {"--max", "X", kCheck | kReport, Keep<&Options::maximum>,
     "the greatest thickness specified; optional but for sspc-pa2 (iso19840 uses 3 x NDFT "
     "without it)"},
    {"--roughness", "GRADE", kCheck | kReport,
     [](Options& o, const Arg& a) -> std::string {
         static const std::map<std::string, coating::Roughness> grades = {
             {"none", coating::Roughness::None},
             {"fine", coating::Roughness::Fine},
             {"medium", coating::Roughness::Medium},
             {"coarse", coating::Roughness::Coarse}};
         const auto found = grades.find(a.value);
         if (found == grades.end()) return a.Bad("none, fine, medium or coarse");
         o.roughness = found->second;
         return {};
     },
     "iso19840: none, fine, medium or coarse, subtracting 0, 10, 25 or 40 um from every reading"},
    {"--area", "M2", kCheck | kReport, ReadArea,
     "iso19840, imo-pspc: square metres, for the least number of readings; sspc-pa2: square "
     "metres, for the number of areas to measure; without it the count is not checked"},
    {"--area-ft2", "FT2", kCheck | kReport, ReadArea,
     "sspc-pa2: the same in square feet (areas of 100 ft2)"},
    {"--level", "3", kCheck | kReport,
     [](Options& o, const Arg& a) -> std::string {
         const std::optional<int> number = ParseWhole(a.value);
         if (!number || *number < 1 || *number > 5) return a.Bad("1 to 5");
         if (*number != 3) return a.Bad("only level 3 is built");
         o.level = number;
         return {};
     },
     "sspc-pa2 restriction level; only level 3, the standard's default, is built (spot means "
     "from 80 % of --min to 120 % of --max, each area's mean from --min to --max): levels 1, 2, "
     "4 and 5 are refused, as no public statement of their limits was at hand to build them "
     "from"},
    {"--readings-per-spot", "N", kCheck | kReport,
     [](Options& o, const Arg& a) { return a.WholeFromTo(3, 1000, o.readingsPerSpot); },
     "sspc-pa2: readings that make a spot, in order (default 3, at least 3)"},
    {"--spots-per-area", "N", kCheck | kReport,
     [](Options& o, const Arg& a) { return a.WholeFromTo(1, 1000, o.spotsPerArea); },
     "sspc-pa2: spots that make an area, in order (default 5)"},
    {"--exclude", "N[,N...]", kCheck | kReport,
     [](Options& o, const Arg& a) -> std::string {
         std::size_t start = 0;
         while (true) {
             const std::size_t comma = a.value.find(',', start);
             const std::optional<int> number = ParseWhole(a.value.substr(start, comma - start));
             if (!number || *number < 1)
                 return a.Bad("reading numbers from 1, separated by commas");
             o.exclude.push_back(*number);
             if (comma == std::string::npos) return {};
             start = comma + 1;
         }
     },
     "readings left out by number (from 1), with --reason saying why"},
    {"--reason", "TEXT", kCheck | kReport,
     [](Options& o, const Arg& a) -> std::string {
         if (a.value.find_first_not_of(" \t") == std::string::npos) return a.Bad("a text");
         o.reason = a.value;
         return {};
     },
     "why the readings of --exclude are left out"},
    {"--archive", "ID", kCheck | kReport,
     [](Options& o, const Arg& a) -> std::string {
         if (a.value.empty()) return a.Bad("a record's id");
         o.archiveId = a.value;
         return {};
     },
     "a record of the archive (its id or the start of it): its readings as the gauge gave them"},
    {"--project", "TEXT", kReport | kArchive, Keep<&Options::project>, "the job's project"},
    {"--structure", "TEXT", kReport | kArchive, Keep<&Options::structure>, "the structure coated"},
    {"--coating", "TEXT", kReport | kArchive, Keep<&Options::coating>, "the coating"},
    {"--client", "TEXT", kArchive, Keep<&Options::client>, "jobs add: the client"},
    {"--server", "NAME", kArchive, Keep<&Options::server>,
     "server-init and sync: the team's server, a libpq connection string or URI"},
    {"--pull-records", "", kArchive,
     [](Options& o, const Arg&) -> std::string {
         o.pullRecords = true;
         return {};
     },
     "sync: take the other stations' records as well"},
    {"--inspector", "TEXT", kReport, Keep<&Options::inspector>, "who inspected it"},
    {"--notes", "TEXT", kReport,
     [](Options& o, const Arg& a) -> std::string {
         // "\n" typed on a command line starts a new line of the notes.
         for (std::size_t i = 0; i < a.value.size(); ++i) {
             const bool lineBreak = a.value.compare(i, 2, "\\n") == 0;
             o.notes += lineBreak ? '\n' : a.value[i];
             if (lineBreak) ++i;
         }
         return {};
     },
     "notes on the job (\\n starts a new line); each part of the job is shown only when given"},
    {"--notes", "TEXT", kArchive, Keep<&Options::notes>, "jobs add: notes on the job"},
    {"--gauge-make", "TEXT", kReport, Record<&inspection::InspectionRecord::gaugeMake>,
     "the gauge's maker"},
    {"--gauge-model", "TEXT", kReport, Record<&inspection::InspectionRecord::gaugeModel>,
     "the gauge's model"},
    {"--gauge-serial", "TEXT", kReport, Record<&inspection::InspectionRecord::gaugeSerial>,
     "the gauge's serial number"},
    {"--probe", "TEXT", kReport, Record<&inspection::InspectionRecord::probe>,
     "the probe (type and serial number)"},
    {"--calibration-certificate", "TEXT", kReport,
     Record<&inspection::InspectionRecord::calibrationCertificate>,
     "the gauge's calibration certificate"},
    {"--calibration-date", "YYYY-MM-DD", kReport,
     [](Options& o, const Arg& a) -> std::string {
         if (!QDate::fromString(QString::fromStdString(a.value), Qt::ISODate).isValid() ||
             a.value.size() != 10) {
             return a.Bad("a date such as 2026-01-31");
         }
         o.record.calibrationDate = a.value;
         return {};
     },
     "the date of that calibration (more than 12 months before the measurement: said to be due)"},
    {"--zero-check", "TEXT", kReport, Record<&inspection::InspectionRecord::zeroCheck>,
     "the zero and shim verification done before measuring, with the shims' values"},
    {"--surface-preparation", "TEXT", kReport,
     Record<&inspection::InspectionRecord::surfacePreparation>,
     "the surface preparation (grade, method)"},
    {"--surface-profile", "TEXT", kReport, Record<&inspection::InspectionRecord::surfaceProfile>,
     "the surface profile measured"},
    {"--air-temperature", "CELSIUS", kReport,
     RecordNumber<&inspection::InspectionRecord::airCelsius, -50, 80>, "the air temperature"},
    {"--steel-temperature", "CELSIUS", kReport,
     RecordNumber<&inspection::InspectionRecord::steelCelsius, -50, 120>,
     "the steel temperature; with the air's and the humidity, the margin above the dew point"},
    {"--humidity", "PERCENT", kReport,
     RecordNumber<&inspection::InspectionRecord::relativeHumidity, 1, 100>,
     "the relative humidity"},
    {"--qualification", "TEXT", kReport,
     Record<&inspection::InspectionRecord::inspectorQualification>,
     "the inspector's qualification (certificate and level)"},
    {"--inspector-position", "TEXT", kReport,
     Record<&inspection::InspectionRecord::inspectorPosition>,
     "the inspector's position, printed under the signature line"},
    {"--client", "TEXT", kReport, Record<&inspection::InspectionRecord::clientName>,
     "who signs for the client, printed under the signature line"},
    {"--client-position", "TEXT", kReport, Record<&inspection::InspectionRecord::clientPosition>,
     "the client signatory's position"},
    {"--page", "SIZE", kReport,
     [](Options& o, const Arg& a) -> std::string {
         if (a.value != "a4" && a.value != "letter") return a.Bad("a4 or letter");
         o.letterPage = a.value == "letter";
         return {};
     },
     "a4 (default) or letter"},
    {"--count", "N", kCapture,
     [](Options& o, const Arg& a) -> std::string {
         std::string why;
         const std::optional<double> number = ParseNumber(a.value, &why);
         if (!number || *number < 1 || *number != std::floor(*number) || *number > 1e12) {
             return a.BadNumber(why, "a whole number from 1");
         }
         o.count = static_cast<long long>(*number);
         return {};
     },
     "stop after N readings"},
    {"--seconds", "S", kCapture,
     [](Options& o, const Arg& a) -> std::string {
         if (std::string e = a.Positive(o.seconds); !e.empty()) return e;
         if (*o.seconds > 2e6) return a.Bad("at most 2000000 seconds");
         return {};
     },
     "stop after S seconds"},
    {"--wait", "[SECONDS]", kCapture,
     [](Options& o, const Arg& a) -> std::string {
         o.wait = true;
         if (a.value.empty()) return {};  // no bound
         if (std::string e = a.Positive(o.waitSeconds); !e.empty()) return e;
         if (*o.waitSeconds > 2e6) return a.Bad("at most 2000000 seconds");
         return {};
     },
     "when no gauge is plugged in, wait for one (at most SECONDS when given) instead of exit "
     "code 3"},
    {"--unit", "um|mils", kDownload, ReadUnit, "the unit of the texts (default um)"},
    {"--unit", "um|mils", kCapture, ReadUnit, "the unit of the values (default um)"},
    {"--unit", "um|mils", kCheck, ReadUnit, "the unit of X and of the output (default um)"},
    {"--unit", "um|mils", kReport, ReadUnit, "the unit of X and of the report (default um)"},
    {"--format", "csv|txt|json", kDownload, ReadFormat,
     "csv or txt: the reports the windows save; json: limits, readings and statistics of each "
     "group (default csv)"},
    {"--format", "csv|jsonl", kCapture, ReadFormat,
     "csv (default) or jsonl, which also reports no-reading and overload frames"},
    {"--format", "text|json", kCheck, ReadFormat, "text (default) or json"},
    {"--output", "PATH", kDownload, ReadOutput,
     "the file to write (default: standard output); for all with csv or txt a folder, which gets "
     "group1 to group4 (all four replaced, or none)"},
    {"--output", "FILE", kArchive, ReadOutput,
     "export: the file to write (default: standard output)"},
    {"--no-archive", "", kDownload | kCapture,
     [](Options& o, const Arg&) -> std::string {
         o.noArchive = true;
         return {};
     },
     "keep nothing in the archive (by default every download and capture is stored)"},
    {"--job", "T", kDownload | kCapture, Keep<&Options::job>,
     "file the record under the job named T (added to the archive when new)"},
    {"--job", "T", kArchive, Keep<&Options::job>,
     "list: records of jobs whose name or project holds T; import: the job to file them under"},
    {"--since", "DATE", kArchive, ReadDate, "list: records taken on or after DATE (YYYY-MM-DD)"},
    {"--until", "DATE", kArchive, ReadDate, "list: records taken on or before DATE"},
    {"--gauge", "T", kArchive, Keep<&Options::gaugeText>,
     "list: records whose gauge (USB serial, port, registered serial or model) holds T"},
    {"--verdict", "pass|fail", kArchive,
     [](Options& o, const Arg& a) -> std::string {
         if (a.value != "pass" && a.value != "fail") return a.Bad("pass or fail");
         o.passed = a.value == "pass";
         return {};
     },
     "list: records whose latest check passed or failed"},
    {"--format", "text|json|csv|txt", kArchive, ReadFormat,
     "list: text (default) or json; export: csv (default), txt or json"},
    {"--model", "T", kArchive, Keep<&Options::model>, "gauges add: make and model as typed"},
    {"--serial", "T", kArchive, Keep<&Options::serial>, "gauges add: the gauge's serial number"},
    {"--usb-serial", "T", kArchive, Keep<&Options::usbSerial>,
     "gauges add: the serial number of its USB cable, which the records name"},
    {"--probe", "T", kArchive, Keep<&Options::probe>, "gauges add: the probe"},
    {"--certificate", "T", kArchive, Keep<&Options::certificate>,
     "gauges add and calibrate: the calibration certificate's number"},
    {"--calibrated", "DATE", kArchive, Keep<&Options::calibrated>,
     "gauges add and calibrate: the calibration's date (YYYY-MM-DD)"},
    {"--due", "DATE", kArchive, Keep<&Options::due>,
     "gauges add and calibrate: the next calibration's due date; records taken after it are "
     "marked"},
    {"--port", "DEVICE", kAll,
     [](Options& o, const Arg& a) -> std::string {
         if (a.value.empty()) return a.Bad("a device");
         o.port = a.value;
         return {};
     },
     "the serial device of the gauge, instead of looking it up"},
    {"--timeout", "SECONDS", kDownload, ReadTimeout,
     "seconds the whole download may take (default 5)"},
    {"--timeout", "SECONDS", kCapture, ReadTimeout,
     "give up (exit code 4) when no frame has arrived for this many seconds (default: wait)"},
    {"--timeout", "SECONDS", kCheck | kReport, ReadTimeout,
     "seconds to wait for the gauge or the file (default 5)"},
};

const OptionRow* RowOf(const std::string& name, Command command) {
    for (const OptionRow& row : kOptionRows) {
        if (row.name == name && (row.commands & Bit(command))) return &row;
    }
    return nullptr;
}

// A command's help: its intro, one entry per option (its help wrapped in the column right of
// the names) and its outro.
std::string HelpFor(const CommandText& text) {
    constexpr std::size_t kHelpColumn = 24;
    constexpr std::size_t kWidth = 92;  // as wide as the texts above
    std::string entries;
    for (const OptionRow& row : kOptionRows) {
        if (!(row.commands & Bit(text.command))) continue;
        std::string line = "  " + std::string(row.name) + " " + row.value;
        line.resize(std::max(line.size() + 2, kHelpColumn), ' ');
        std::istringstream words(row.help);
        for (std::string word; words >> word;) {
            if (line.back() != ' ' && line.size() + 1 + word.size() > kWidth) {
                entries += line + "\n";
                line.assign(kHelpColumn, ' ');
            }
            line += (line.back() == ' ' ? "" : " ") + word;
        }
        entries += line + "\n";
    }
    std::string help = text.intro;
    if (!entries.empty()) help += "\nOptions:\n" + entries;
    if (*text.outro) help += "\n" + std::string(text.outro);
    return help;
}

// The archive's subcommand and its words; sets the format's default.
std::string CheckArchiveWords(Options& o, const std::vector<std::string>& words, bool formatGiven) {
    o.archiveWords = words;
    if (words.empty())
        return "archive needs list, show, export, import, jobs, gauges, server-init, sync or "
               "status";
    const std::string& what = words[0];
    const std::size_t count = words.size();
    if (what == "list") {
        if (count != 1) return "archive list takes no argument";
        if (!formatGiven) o.format = OutputFormat::Text;
        if (o.format == OutputFormat::Csv) return "archive list --format is text or json";
        return {};
    }
    if (formatGiven && what != "export") return "--format applies to archive list and export";
    if (what == "server-init" || what == "sync" || what == "status") {
        if (count != 1) return "archive " + what + " takes no argument";
        if (o.pullRecords && what != "sync") return "--pull-records applies to archive sync";
        if (!o.server.empty() && what == "status")
            return "--server applies to server-init and sync";
        return {};
    }
    if (what == "show" || what == "export") {
        if (count != 2) return "archive " + what + " needs one record ID";
        return {};
    }
    if (what == "import") return count < 2 ? "archive import needs a CSV file" : "";
    if (what == "jobs") {
        if (count == 1 || (count == 2 && words[1] == "list")) return {};
        if (count == 3 && words[1] == "add") return {};
        return "archive jobs takes list, or add NAME";
    }
    if (what == "gauges") {
        if (count == 1 || (count == 2 && (words[1] == "list" || words[1] == "add"))) return {};
        if (count == 3 && words[1] == "calibrate") return {};
        return "archive gauges takes list, add, or calibrate GAUGE";
    }
    return "unknown archive subcommand '" + ShownValue(what) +
           "' (list, show, export, import, jobs, gauges, server-init, sync or status)";
}

// Checks between options, once all are read.
std::string CheckCombination(const Options& o, const std::set<std::string>& given) {
    using coating::Standard;
    if (o.noArchive && given.count("--job"))
        return "--job files the record in the archive: not with --no-archive";
    if (o.command == Command::Download && o.group == kAllGroups && o.format != OutputFormat::Json &&
        !o.output) {
        return "download all as csv or txt needs --output naming a folder";
    }
    if (o.command == Command::Report) {
        if (!o.output) return "report needs --output naming the PDF file";
        if (o.archiveId && (o.groupGiven || o.file))
            return "report takes one of a GROUP, --file or --archive";
        if (!o.archiveId && o.groupGiven == o.file.has_value())
            return "report needs either a GROUP or --file";
        if (!o.standardGiven) {
            for (const char* option :
                 {"--ndft", "--min", "--max", "--roughness", "--area", "--area-ft2", "--level",
                  "--readings-per-spot", "--spots-per-area", "--exclude", "--reason"}) {
                if (given.count(option)) return std::string(option) + " needs --standard";
            }
        }
    }
    if (o.command != Command::Check && o.command != Command::Report) return {};
    if (o.command == Command::Check && !given.count("--standard")) return "check needs --standard";
    if (o.command == Command::Check && o.archiveId && (o.groupGiven || o.file))
        return "check takes one of --group, --file or --archive";
    if (o.command == Command::Check && !o.archiveId && o.groupGiven == o.file.has_value()) {
        return "check needs either --group or --file";
    }
    if (o.archiveId && given.count("--port")) return "--port does not apply to --archive";
    if (o.file && given.count("--port")) {
        return o.command == Command::Check ? "--port applies to --group only"
                                           : "--port applies to a GROUP only";
    }
    if (!o.standardGiven) return {};  // a report without a standard
    const std::string command = o.command == Command::Check ? "check" : "report";
    const bool sspc = o.standard == Standard::SspcPa2;
    if (sspc && given.count("--ndft")) return "--ndft does not apply to sspc-pa2 (use --min)";
    if (!sspc && given.count("--min")) return "--min applies to sspc-pa2 only (use --ndft)";
    if (o.standard != Standard::Iso19840 && given.count("--roughness"))
        return "--roughness applies to iso19840 only";
    if (!sspc && (given.count("--area-ft2") || given.count("--level") ||
                  given.count("--readings-per-spot") || given.count("--spots-per-area"))) {
        return "--area-ft2, --level, --readings-per-spot and --spots-per-area apply to sspc-pa2 "
               "only";
    }
    if (given.count("--area") && given.count("--area-ft2"))
        return "give --area or --area-ft2, not both";
    if (given.count("--exclude") != given.count("--reason"))
        return "--exclude and --reason go together: name the readings and say why";
    const coating::Unit unit = o.unitIsMils == 1 ? coating::Unit::Mils : coating::Unit::Micrometres;
    for (const auto& [name, text] : {std::pair{"--ndft", &o.ndft}, std::pair{"--min", &o.minimum},
                                     std::pair{"--max", &o.maximum}}) {
        if (!*text) continue;
        std::string why;
        const std::optional<std::string> plain = ReadTypedNumber(**text, &why, true);
        const std::optional<coating::ExactValue> v =
            plain ? coating::ParseDecimal(*plain, unit, &why) : std::nullopt;
        if (!v)
            return "bad value for " + std::string(name) + ": '" + ShownValue(**text) + "' (" + why +
                   ")";
        if (*v < coating::LeastLimit()) {
            return "bad value for " + std::string(name) + ": '" + ShownValue(**text) +
                   "' (at least 0.001 um)";
        }
    }
    if (o.file) {
        if (!sspc && !o.ndft) return command + " --file needs --ndft for this standard";
        if (sspc && (!o.minimum || !o.maximum))
            return command + " --file needs --min and --max for sspc-pa2";
    }
    return {};
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
    ParseResult result;
    Options& o = result.options;
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        o.command = Command::Help;
        o.helpText = kMainHelp;
        if (args.empty()) result.error = "no command given";
        return result;
    }
    if (args[0] == "--version") {
        o.command = Command::Version;
        return result;
    }
    const CommandText* command = CommandNamed(args[0]);
    if (!command) {
        result.error = "unknown command '" + ShownValue(args[0]) + "'";
        return result;
    }
    o.command = command->command;
    o.format = o.command == Command::Check ? OutputFormat::Text : OutputFormat::Csv;
    std::set<std::string> given;
    std::vector<std::string> positionals;

    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "--") {  // what follows is no option, even when it starts with "--"
            positionals.insert(positionals.end(), args.begin() + static_cast<long>(i) + 1,
                               args.end());
            break;
        }
        if (name == "--help" || name == "-h") {
            o.helpText = HelpFor(*command);
            o.command = Command::Help;
            return result;
        }
        if (name.rfind("--", 0) != 0) {
            positionals.push_back(name);
            continue;
        }
        std::optional<std::string> value;
        if (const std::size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionRow* row = RowOf(name, o.command);
        if (!row) {
            result.error = "unknown option " + ShownValue(name) + " for " + args[0];
            return result;
        }
        if (!value && row->value[0] == '\0') value = "";  // a switch: takes no value
        if (!value && row->value[0] == '[') {  // an optional value: taken when it is a number
            value = i + 1 < args.size() && ParseNumber(args[i + 1]) ? args[++i] : "";
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                result.error = name + " needs a value";
                return result;
            }
            value = args[++i];
        }
        if (!given.insert(name).second) {
            result.error = name + " is given twice";
            return result;
        }
        if (std::string error = row->read(o, Arg{name, *value}); !error.empty()) {
            result.error = error;
            return result;
        }
    }

    if (o.command == Command::Report && !positionals.empty()) {
        const std::optional<int> group = ParseGroup(positionals[0], false);
        if (positionals.size() > 1) {
            result.error = "report takes one GROUP";
            return result;
        }
        if (!group) {
            result.error = "bad GROUP '" + ShownValue(positionals[0]) + "' (1, 2, 3, 4 or current)";
            return result;
        }
        o.group = *group;
        o.groupGiven = true;
    } else if (o.command == Command::Download) {
        if (positionals.size() != 1) {
            result.error = positionals.empty()
                               ? "download needs a GROUP (1, 2, 3, 4, current or all)"
                               : "download takes one GROUP";
            return result;
        }
        const std::optional<int> group = ParseGroup(positionals[0], true);
        if (!group) {
            result.error =
                "bad GROUP '" + ShownValue(positionals[0]) + "' (1, 2, 3, 4, current or all)";
            return result;
        }
        o.group = *group;
        o.groupGiven = true;
    } else if (o.command == Command::Archive) {
        if (std::string error = CheckArchiveWords(o, positionals, given.count("--format") != 0);
            !error.empty()) {
            result.error = error;
            return result;
        }
    } else if (!positionals.empty()) {
        result.error = "unexpected argument '" + ShownValue(positionals[0]) + "'";
        return result;
    }
    result.error = CheckCombination(o, given);
    return result;
}

std::vector<std::string> OptionNames() {
    std::vector<std::string> names;
    for (const OptionRow& row : kOptionRows) {
        if (std::find(names.begin(), names.end(), row.name) == names.end()) {
            names.push_back(row.name);
        }
    }
    return names;
}

std::string UsageHint(const std::vector<std::string>& args) {
    if (!args.empty() && CommandNamed(args[0])) {
        return "Try 'zepra-cli " + args[0] + " --help'.";
    }
    return "Try 'zepra-cli --help'.";
}

const char* Version() {
    return ZEPRA_VERSION;
}

std::string GroupName(int group) {
    if (group == kAllGroups) return "all groups";
    if (group == kCurrentGroup) return "the current group";
    return "group " + std::to_string(group);
}

}  // namespace zepra::cli
