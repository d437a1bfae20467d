#include "cli/cli_options.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>

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
    "\n"
    "  zepra-cli COMMAND --help   the options of a command\n"
    "  zepra-cli --version        the version\n"
    "\n"
    "Exit codes: 0 done or passed, 1 a verdict failed, 2 a usage error or an output file that\n"
    "cannot be written, 3 no gauge port or it cannot be opened, 4 the gauge did not answer or a\n"
    "transfer broke off.\n"
    "\n"
    "The gauge's port is found the way the program's windows find it (ZEPRA_SERIALCOMM may name a\n"
    "file that replaces the system's list of serial ports); --port DEVICE skips the lookup.\n";

constexpr const char* kPortsHelp =
    "usage: zepra-cli ports\n"
    "\n"
    "Lists the serial ports of the gauge's USB bridge in the order they are looked up: the port\n"
    "name, the device, and which one is used. Exit code 3 when there is none.\n";

constexpr const char* kDownloadHelp =
    "usage: zepra-cli download GROUP [--unit um|mils] [--format csv|txt|json] [--output PATH]\n"
    "                          [--port DEVICE] [--timeout SECONDS]\n"
    "\n"
    "GROUP is 1, 2, 3, 4 (a stored group), current (the gauge's current group) or all.\n"
    "  --unit      the unit of the texts (default um)\n"
    "  --format    csv or txt: the reports the windows save; json: limits, readings and\n"
    "              statistics of each group (default csv)\n"
    "  --output    the file to write (default: standard output); for all with csv or txt a\n"
    "              folder, which gets group1 to group4 (all four replaced, or none)\n"
    "  --port      the serial device of the gauge, instead of looking it up\n"
    "  --timeout   seconds the whole download may take (default 5)\n";

constexpr const char* kCaptureHelp =
    "usage: zepra-cli capture [--count N] [--seconds S] [--unit um|mils] [--format csv|jsonl]\n"
    "                         [--port DEVICE] [--timeout SECONDS] [--wait [SECONDS]]\n"
    "\n"
    "Starts the gauge's live stream and writes one line per captured reading as it arrives:\n"
    "number, value, unit and time. Stops the stream after N readings, after S seconds, on Ctrl-C\n"
    "or when the output is closed.\n"
    "  --format    csv (default) or jsonl, which also reports no-reading and overload frames\n"
    "  --timeout   give up (exit code 4) when no frame has arrived for this many seconds\n"
    "              (default: wait)\n"
    "  --wait      when no gauge is plugged in, wait for one (at most SECONDS when given)\n"
    "              instead of exit code 3\n";

constexpr const char* kCheckHelp =
    "usage: zepra-cli check --standard iso19840|imo-pspc|sspc-pa2 (--group GROUP | --file FILE)\n"
    "                       [--ndft X] [--min X] [--max X] [--roughness none|fine|medium|coarse]\n"
    "                       [--area M2 | --area-ft2 FT2] [--level 3] [--readings-per-spot N]\n"
    "                       [--spots-per-area N] [--exclude N[,N...] --reason TEXT]\n"
    "                       [--unit um|mils] [--format text|json] [--port DEVICE]\n"
    "                       [--timeout SECONDS]\n"
    "\n"
    "Pass or fail of the readings against a coating standard, one row per criterion. Every\n"
    "boundary is decided exactly on decimals: X as typed, a report's texts as saved, a gauge\n"
    "value as the shortest decimal of its float; 1 mil is exactly 25.4 um.\n"
    "  --group      download group 1, 2, 3, 4 or current from the gauge (its stored values)\n"
    "  --file       a CSV report saved by the program (its texts, rounded as the window showed\n"
    "               them); a FIFO or device is read until it ends or --timeout runs out\n"
    "  --ndft       nominal dry-film thickness (iso19840, imo-pspc)\n"
    "  --min --max  the specified range (sspc-pa2 needs both); --max is optional otherwise\n"
    "               (iso19840 uses 3 x NDFT without it). With --group a missing --ndft or --min\n"
    "               is the group's low limit and a missing --max its high limit. X: a plain\n"
    "               decimal from 0.001 um to 100 mm, at most 12 decimal places\n"
    "  --roughness  iso19840: subtract 0, 10, 25 or 40 um from every reading\n"
    "  --area       iso19840: square metres, for the least number of readings;\n"
    "               sspc-pa2: square metres, for the number of areas to measure\n"
    "  --area-ft2   sspc-pa2: the same in square feet (areas of 100 ft2)\n"
    "  --level      sspc-pa2 restriction level; only level 3, the standard's default, is built\n"
    "               (spot means from 80 % of --min to 120 % of --max, each area's mean from\n"
    "               --min to --max): levels 1, 2, 4 and 5 are refused, as no public statement\n"
    "               of their limits was at hand to build them from\n"
    "  --readings-per-spot  sspc-pa2: readings that make a spot, in order (default 3, at least 3)\n"
    "  --spots-per-area     sspc-pa2: spots that make an area, in order (default 5)\n"
    "  --exclude    readings left out by number (from 1), with --reason saying why\n"
    "  --unit       the unit of X and of the output (default um)\n"
    "  --format     text (default) or json\n"
    "  --timeout    seconds to wait for the gauge or the file (default 5)\n"
    "Exit code 0 when every criterion passes, 1 when one fails or there are no readings (a\n"
    "report with a header and no readings), 2 for a usage error.\n";

constexpr const char* kReportHelp =
    "usage: zepra-cli report (GROUP | --file FILE) --output FILE.pdf\n"
    "                        [--standard iso19840|imo-pspc|sspc-pa2 and its options]\n"
    "                        [--project T] [--structure T] [--coating T] [--inspector T]\n"
    "                        [--notes T] [--unit um|mils] [--page a4|letter]\n"
    "                        [--port DEVICE] [--timeout SECONDS]\n"
    "\n"
    "Writes the inspection report as a PDF: the job, the source of the readings, the statistics\n"
    "and limits, the trend chart and the histogram, every reading, and with --standard the\n"
    "criteria and the verdict, as 'check' gives them. Needs no display.\n"
    "  GROUP        download group 1, 2, 3, 4 or current from the gauge\n"
    "  --file       a CSV report saved by the program (micrometres or mils)\n"
    "  --output     the PDF file to write (replaced as one step; nothing is left on failure)\n"
    "  --standard and its options as for 'zepra-cli check' (see 'zepra-cli check --help')\n"
    "  --project --structure --coating --inspector --notes\n"
    "               the job; each is shown only when given (\\n in --notes starts a new line)\n"
    "  --unit       the unit of X and of the report (default um)\n"
    "  --page       a4 (default) or letter\n"
    "Exit code 0 when written (and the verdict passed), 1 when written and the verdict failed,\n"
    "2 a usage error or a file that cannot be written, 3 and 4 as for download.\n";

const std::map<std::string, Command> kCommands = {{"ports", Command::Ports},
                                                  {"download", Command::Download},
                                                  {"capture", Command::Capture},
                                                  {"check", Command::Check},
                                                  {"report", Command::Report}};

const char* HelpFor(Command command) {
    switch (command) {
        case Command::Ports:
            return kPortsHelp;
        case Command::Download:
            return kDownloadHelp;
        case Command::Capture:
            return kCaptureHelp;
        case Command::Check:
            return kCheckHelp;
        case Command::Report:
            return kReportHelp;
        default:
            return kMainHelp;
    }
}

// The options each command takes (all take a value).
const std::set<std::string>& OptionsOf(Command command) {
    static const std::set<std::string> none;
    static const std::set<std::string> download = {"--unit", "--format", "--output", "--port",
                                                   "--timeout"};
    static const std::set<std::string> capture = {"--count", "--seconds", "--unit", "--format",
                                                  "--port",  "--timeout", "--wait"};
    static const std::set<std::string> check = {"--standard",
                                                "--group",
                                                "--file",
                                                "--ndft",
                                                "--min",
                                                "--max",
                                                "--roughness",
                                                "--area",
                                                "--area-ft2",
                                                "--level",
                                                "--readings-per-spot",
                                                "--spots-per-area",
                                                "--exclude",
                                                "--reason",
                                                "--unit",
                                                "--format",
                                                "--port",
                                                "--timeout"};
    static const std::set<std::string> report = {
        "--standard",       "--file",    "--ndft",     "--min",       "--max",
        "--roughness",      "--area",    "--area-ft2", "--level",     "--readings-per-spot",
        "--spots-per-area", "--exclude", "--reason",   "--unit",      "--output",
        "--port",           "--timeout", "--project",  "--structure", "--coating",
        "--inspector",      "--notes",   "--page"};
    switch (command) {
        case Command::Report:
            return report;
        case Command::Download:
            return download;
        case Command::Capture:
            return capture;
        case Command::Check:
            return check;
        default:
            return none;
    }
}

std::optional<double> ParseNumber(const std::string& text) {
    double value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
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

// Applies one option; returns an error text or empty.
std::string Apply(Options& o, const std::string& name, const std::string& value) {
    auto bad = [&](const std::string& expected) {
        return "bad value for " + name + ": '" + value + "' (" + expected + ")";
    };
    auto positive = [&](std::optional<double>& target) -> std::string {
        const std::optional<double> number = ParseNumber(value);
        if (!number || *number <= 0) return bad("a number above 0");
        target = number;
        return {};
    };
    if (name == "--port") {
        if (value.empty()) return bad("a device");
        o.port = value;
    } else if (name == "--timeout") {
        std::optional<double> seconds;
        if (std::string e = positive(seconds); !e.empty()) return e;
        if (*seconds > 86400) return bad("at most 86400 seconds");
        o.timeoutSeconds = *seconds;
        o.timeoutGiven = true;
    } else if (name == "--unit") {
        if (value != "um" && value != "mils") return bad("um or mils");
        o.unitIsMils = value == "mils" ? 1 : 0;
    } else if (name == "--format") {
        static const std::map<Command, std::map<std::string, OutputFormat>> formats = {
            {Command::Download,
             {{"csv", OutputFormat::Csv},
              {"txt", OutputFormat::Text},
              {"json", OutputFormat::Json}}},
            {Command::Capture, {{"csv", OutputFormat::Csv}, {"jsonl", OutputFormat::Jsonl}}},
            {Command::Check, {{"text", OutputFormat::Text}, {"json", OutputFormat::Json}}}};
        const auto& allowed = formats.at(o.command);
        const auto found = allowed.find(value);
        if (found == allowed.end()) {
            std::string names;
            for (const auto& [word, format] : allowed) names += (names.empty() ? "" : ", ") + word;
            return bad(names);
        }
        o.format = found->second;
    } else if (name == "--output") {
        if (value.empty()) return bad("a path");
        o.output = value;
    } else if (name == "--wait") {
        o.wait = true;
        if (value.empty()) return {};  // no bound
        if (std::string e = positive(o.waitSeconds); !e.empty()) return e;
        if (*o.waitSeconds > 2e6) return bad("at most 2000000 seconds");
    } else if (name == "--count") {
        const std::optional<double> number = ParseNumber(value);
        if (!number || *number < 1 || *number != std::floor(*number) || *number > 1e12) {
            return bad("a whole number from 1");
        }
        o.count = static_cast<long long>(*number);
    } else if (name == "--seconds") {
        if (std::string e = positive(o.seconds); !e.empty()) return e;
        if (*o.seconds > 2e6) return bad("at most 2000000 seconds");
    } else if (name == "--standard") {
        static const std::map<std::string, coating::Standard> standards = {
            {"iso19840", coating::Standard::Iso19840},
            {"imo-pspc", coating::Standard::ImoPspc},
            {"sspc-pa2", coating::Standard::SspcPa2}};
        const auto found = standards.find(value);
        if (found == standards.end()) return bad("iso19840, imo-pspc or sspc-pa2");
        o.standard = found->second;
        o.standardGiven = true;
    } else if (name == "--group") {
        const std::optional<int> group = ParseGroup(value, false);
        if (!group) return bad("1, 2, 3, 4 or current");
        o.group = *group;
        o.groupGiven = true;
    } else if (name == "--file") {
        if (value.empty()) return bad("a file");
        o.file = value;
    } else if (name == "--ndft" || name == "--min" || name == "--max") {
        // Checked in --unit once all options are read.
        (name == "--ndft" ? o.ndft : name == "--min" ? o.minimum : o.maximum) = value;
    } else if (name == "--area" || name == "--area-ft2") {
        o.area = coating::Surface{value, name == "--area-ft2"};
        if (coating::AreasToMeasure(*o.area) == 0)
            return bad("a decimal number above 0, at most 1e9");
    } else if (name == "--level" || name == "--readings-per-spot" || name == "--spots-per-area") {
        const std::optional<int> number = ParseWhole(value);
        if (name == "--level") {
            if (!number || *number < 1 || *number > 5) return bad("1 to 5");
            if (*number != 3) return bad("only level 3 is built");
            o.level = number;
        } else if (name == "--readings-per-spot") {
            if (!number || *number < 3 || *number > 1000)
                return bad("a whole number from 3 to 1000");
            o.readingsPerSpot = number;
        } else {
            if (!number || *number < 1 || *number > 1000)
                return bad("a whole number from 1 to 1000");
            o.spotsPerArea = number;
        }
    } else if (name == "--exclude") {
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = value.find(',', start);
            const std::optional<int> number = ParseWhole(value.substr(start, comma - start));
            if (!number || *number < 1) return bad("reading numbers from 1, separated by commas");
            o.exclude.push_back(*number);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    } else if (name == "--reason") {
        if (value.find_first_not_of(" \t") == std::string::npos) return bad("a text");
        o.reason = value;
    } else if (name == "--roughness") {
        static const std::map<std::string, coating::Roughness> grades = {
            {"none", coating::Roughness::None},
            {"fine", coating::Roughness::Fine},
            {"medium", coating::Roughness::Medium},
            {"coarse", coating::Roughness::Coarse}};
        const auto found = grades.find(value);
        if (found == grades.end()) return bad("none, fine, medium or coarse");
        o.roughness = found->second;
    } else if (name == "--page") {
        if (value != "a4" && value != "letter") return bad("a4 or letter");
        o.letterPage = value == "letter";
    } else if (name == "--notes") {
        // "\n" typed on a command line starts a new line of the notes.
        for (std::size_t i = 0; i < value.size(); ++i) {
            const bool lineBreak = value.compare(i, 2, "\\n") == 0;
            o.notes += lineBreak ? '\n' : value[i];
            if (lineBreak) ++i;
        }
    } else {
        static const std::map<std::string, std::string Options::*> job = {
            {"--project", &Options::project},
            {"--structure", &Options::structure},
            {"--coating", &Options::coating},
            {"--inspector", &Options::inspector}};
        if (const auto field = job.find(name); field != job.end()) o.*(field->second) = value;
    }
    return {};
}

// Checks between options, once all are read.
std::string CheckCombination(const Options& o, const std::set<std::string>& given) {
    using coating::Standard;
    if (o.command == Command::Download && o.group == kAllGroups && o.format != OutputFormat::Json &&
        !o.output) {
        return "download all as csv or txt needs --output naming a folder";
    }
    if (o.command == Command::Report) {
        if (!o.output) return "report needs --output naming the PDF file";
        if (o.groupGiven == o.file.has_value()) return "report needs either a GROUP or --file";
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
    if (o.command == Command::Check && o.groupGiven == o.file.has_value()) {
        return "check needs either --group or --file";
    }
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
    if (o.standard == Standard::ImoPspc && given.count("--area"))
        return "--area applies to iso19840 and sspc-pa2 only";
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
        const std::optional<coating::ExactValue> v = coating::ParseDecimal(**text, unit, &why);
        if (!v) return "bad value for " + std::string(name) + ": '" + **text + "' (" + why + ")";
        if (*v < coating::LeastLimit()) {
            return "bad value for " + std::string(name) + ": '" + **text + "' (at least 0.001 um)";
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
    const auto command = kCommands.find(args[0]);
    if (command == kCommands.end()) {
        result.error = "unknown command '" + args[0] + "'";
        return result;
    }
    o.command = command->second;
    o.format = o.command == Command::Check ? OutputFormat::Text : OutputFormat::Csv;
    const std::set<std::string>& known = OptionsOf(o.command);
    std::set<std::string> given;
    std::vector<std::string> positionals;

    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "--help" || name == "-h") {
            o.helpText = HelpFor(o.command);
            o.command = Command::Help;
            return result;
        }
        if (name.rfind("--", 0) != 0 || name == "--") {
            positionals.push_back(name);
            continue;
        }
        std::optional<std::string> value;
        if (const std::size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (!known.count(name)) {
            result.error = "unknown option " + name + " for " + args[0];
            return result;
        }
        if (!value && name == "--wait") {
            // Its SECONDS are optional: taken when the next word is a number.
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
        if (std::string error = Apply(o, name, *value); !error.empty()) {
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
            result.error = "bad GROUP '" + positionals[0] + "' (1, 2, 3, 4 or current)";
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
            result.error = "bad GROUP '" + positionals[0] + "' (1, 2, 3, 4, current or all)";
            return result;
        }
        o.group = *group;
        o.groupGiven = true;
    } else if (!positionals.empty()) {
        result.error = "unexpected argument '" + positionals[0] + "'";
        return result;
    }
    result.error = CheckCombination(o, given);
    return result;
}

std::string UsageHint(const std::vector<std::string>& args) {
    if (!args.empty() && kCommands.count(args[0])) {
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
