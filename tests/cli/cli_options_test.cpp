#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <string>
#include <vector>

namespace zepra::cli {
namespace {

using Args = std::vector<std::string>;

struct UsageErrorCase {
    Args args;
    const char* error;
};

TEST(CliOptions, UsageErrorsSayWhatIsWrong) {
    const UsageErrorCase cases[] = {
        {{}, "no command given"},
        {{"fetch"}, "unknown command 'fetch'"},
        {{"download"}, "download needs a GROUP (1, 2, 3, 4, current or all)"},
        {{"download", "5"}, "bad GROUP '5' (1, 2, 3, 4, current or all)"},
        {{"download", "1", "2"}, "download takes one GROUP"},
        {{"download", "all"}, "download all as csv or txt needs --output naming a folder"},
        {{"download", "all", "--format", "txt"},
         "download all as csv or txt needs --output naming a folder"},
        {{"download", "1", "--format", "jsonl"},
         "bad value for --format: 'jsonl' (csv, json, txt)"},
        {{"download", "1", "--unit", "mm"}, "bad value for --unit: 'mm' (um or mils)"},
        {{"download", "1", "--timeout", "0"}, "bad value for --timeout: '0' (a number above 0)"},
        {{"download", "1", "--timeout", "5s"}, "bad value for --timeout: '5s' (a number above 0)"},
        {{"download", "1", "--timeout"}, "--timeout needs a value"},
        {{"download", "1", "--unit", "um", "--unit", "mils"}, "--unit is given twice"},
        {{"download", "1", "--count", "3"}, "unknown option --count for download"},
        {{"ports", "--port", "/dev/ttyUSB0"}, "unknown option --port for ports"},
        {{"ports", "extra"}, "unexpected argument 'extra'"},
        {{"capture", "--count", "0"}, "bad value for --count: '0' (a whole number from 1)"},
        {{"capture", "--count", "2.5"}, "bad value for --count: '2.5' (a whole number from 1)"},
        {{"capture", "--seconds", "-1"}, "bad value for --seconds: '-1' (a number above 0)"},
        {{"capture", "--format", "json"}, "bad value for --format: 'json' (csv, jsonl)"},
        {{"capture", "--wait=0"}, "bad value for --wait: '0' (a number above 0)"},
        {{"capture", "--wait", "-3"}, "bad value for --wait: '-3' (a number above 0)"},
        {{"capture", "--wait", "--wait"}, "--wait is given twice"},
        {{"download", "1", "--wait"}, "unknown option --wait for download"},
        {{"download", "1", "--no-archive", "--job", "T"},
         "--job files the record in the archive: not with --no-archive"},
        {{"archive"},
         "archive needs list, show, export, import, jobs, gauges, server-init, sync or status"},
        {{"archive", "sync", "now"}, "archive sync takes no argument"},
        {{"archive", "status", "--pull-records"}, "--pull-records applies to archive sync"},
        {{"archive", "status", "--server", "host=qa"}, "--server applies to server-init and sync"},
        {{"archive", "drop"},
         "unknown archive subcommand 'drop' (list, show, export, import, jobs, gauges, server-init,"
         " sync or status)"},
        {{"archive", "show"}, "archive show needs one record ID"},
        {{"archive", "import"}, "archive import needs a CSV file"},
        {{"archive", "list", "--format", "csv"}, "archive list --format is text or json"},
        {{"archive", "show", "ab", "--format", "json"},
         "--format applies to archive list and export"},
        {{"archive", "list", "--since", "2026-13-01"},
         "bad value for --since: '2026-13-01' (a date YYYY-MM-DD or a time YYYY-MM-DDTHH:MM)"},
        {{"archive", "list", "--verdict", "ok"}, "bad value for --verdict: 'ok' (pass or fail)"},
        {{"archive", "gauges", "calibrate"}, "archive gauges takes list, add, or calibrate GAUGE"},
        {{"check", "--standard", "iso19840", "--archive", "ab", "--group", "1"},
         "check takes one of --group, --file or --archive"},
        {{"report", "1", "--archive", "ab", "--output", "r.pdf"},
         "report takes one of a GROUP, --file or --archive"},
        {{"check", "--group", "1"}, "check needs --standard"},
        {{"check", "--standard", "iso"},
         "bad value for --standard: 'iso' (iso19840, imo-pspc or sspc-pa2)"},
        {{"check", "--standard", "iso19840"}, "check needs either --group or --file"},
        {{"check", "--standard", "iso19840", "--group", "1", "--file", "a.csv"},
         "check needs either --group or --file"},
        {{"check", "--standard", "iso19840", "--group", "all"},
         "bad value for --group: 'all' (1, 2, 3, 4 or current)"},
        {{"check", "--standard", "iso19840", "--file", "a.csv"},
         "check --file needs --ndft for this standard"},
        {{"check", "--standard", "sspc-pa2", "--file", "a.csv", "--min", "100"},
         "check --file needs --min and --max for sspc-pa2"},
        {{"check", "--standard", "sspc-pa2", "--group", "1", "--ndft", "100"},
         "--ndft does not apply to sspc-pa2 (use --min)"},
        {{"check", "--standard", "imo-pspc", "--group", "1", "--min", "100"},
         "--min applies to sspc-pa2 only (use --ndft)"},
        {{"check", "--standard", "imo-pspc", "--group", "1", "--roughness", "fine"},
         "--roughness applies to iso19840 only"},
        {{"check", "--standard", "iso19840", "--group", "1", "--spots-per-area", "3"},
         "--area-ft2, --level, --readings-per-spot and --spots-per-area apply to sspc-pa2 only"},
        {{"check", "--standard", "sspc-pa2", "--group", "1", "--area", "10", "--area-ft2", "100"},
         "give --area or --area-ft2, not both"},
        {{"check", "--standard", "sspc-pa2", "--group", "1", "--level", "2"},
         "bad value for --level: '2' (only level 3 is built)"},
        {{"check", "--standard", "sspc-pa2", "--group", "1", "--level", "6"},
         "bad value for --level: '6' (1 to 5)"},
        {{"check", "--standard", "sspc-pa2", "--group", "1", "--readings-per-spot", "2"},
         "bad value for --readings-per-spot: '2' (a whole number from 3 to 1000)"},
        {{"check", "--standard", "sspc-pa2", "--group", "1", "--spots-per-area", "0"},
         "bad value for --spots-per-area: '0' (a whole number from 1 to 1000)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--exclude", "3"},
         "--exclude and --reason go together: name the readings and say why"},
        {{"check", "--standard", "iso19840", "--group", "1", "--reason", "weld"},
         "--exclude and --reason go together: name the readings and say why"},
        {{"check", "--standard", "iso19840", "--group", "1", "--exclude", "3,,4", "--reason", "x"},
         "bad value for --exclude: '3,,4' (reading numbers from 1, separated by commas)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--exclude", "0", "--reason", "x"},
         "bad value for --exclude: '0' (reading numbers from 1, separated by commas)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--exclude", "2", "--reason", " "},
         "bad value for --reason: ' ' (a text)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--ndft", "1e2"},
         "bad value for --ndft: '1e2' (not a decimal number)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--ndft", "-3"},
         "bad value for --ndft: '-3' (negative)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--ndft", "0.0009"},
         "bad value for --ndft: '0.0009' (at least 0.001 um)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--ndft", "100000.001"},
         "bad value for --ndft: '100000.001' (above 100 mm)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--ndft", "3937.008", "--unit",
          "mils"},
         "bad value for --ndft: '3937.008' (above 100 mm)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--roughness", "rough"},
         "bad value for --roughness: 'rough' (none, fine, medium or coarse)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--area", "0"},
         "bad value for --area: '0' (a decimal number above 0, at most 1e9)"},
        {{"check", "--standard", "iso19840", "--group", "1", "--ndft", "nan"},
         "bad value for --ndft: 'nan' (not a decimal number)"},
        {{"check", "--standard", "iso19840", "--file", "a.csv", "--ndft", "100", "--port",
          "/dev/x"},
         "--port applies to --group only"},
        {{"report", "2", "3", "--output", "r.pdf"}, "report takes one GROUP"},
        {{"report", "all", "--output", "r.pdf"}, "bad GROUP 'all' (1, 2, 3, 4 or current)"},
        {{"report", "2", "--file", "a.csv", "--output", "r.pdf"},
         "report needs either a GROUP or --file"},
        {{"report", "2", "--output", "r.pdf", "--roughness", "fine"},
         "--roughness needs --standard"},
        {{"report", "2", "--output", "r.pdf", "--format", "json"},
         "unknown option --format for report"},
        {{"report", "2", "--output", "r.pdf", "--standard", "sspc-pa2", "--ndft", "100"},
         "--ndft does not apply to sspc-pa2 (use --min)"},
        {{"report", "--file", "a.csv", "--output", "r.pdf", "--standard", "sspc-pa2", "--min", "1"},
         "report --file needs --min and --max for sspc-pa2"},
        {{"report", "--file", "a.csv", "--output", "r.pdf", "--port", "/dev/x"},
         "--port applies to a GROUP only"},
        {{"report", "2", "--output", "r.pdf", "--exclude", "3", "--reason", "slip"},
         "--exclude needs --standard"},
    };
    for (const UsageErrorCase& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        EXPECT_EQ(ParseCommandLine(c.args).error, c.error);
    }
}

// What the user typed comes back in a message with its control characters escaped (they would
// steer the terminal or split the line) and, when long, cut with a mark.
TEST(CliOptions, ValuesInMessagesAreEscapedAndCut) {
    const std::string x64(64, 'x');
    const struct {
        Args args;
        std::string error;
    } cases[] = {
        {{"download", "2", "--unit", "\x1b[2J\a"},
         "bad value for --unit: '\\e[2J\\a' (um or mils)"},
        {{"download", "2", "--unit", "u\nm"}, "bad value for --unit: 'u\\nm' (um or mils)"},
        {{"download", "2", "--unit", "\x7f\xc2\x9b"},
         "bad value for --unit: '\\x7f\\xc2\\x9b' (um or mils)"},
        {{"download", "2", "--unit", std::string(100000, 'x')},
         "bad value for --unit: '" + x64 + "...(99936 more bytes)' (um or mils)"},
        // A cut never splits a character: "\xc3\xa9" is one.
        {{"download", "2", "--unit", std::string(63, 'x') + "\xc3\xa9" + std::string(10, 'y')},
         "bad value for --unit: '" + std::string(63, 'x') + "...(12 more bytes)' (um or mils)"},
        {{"download", "\x1b]0;title\a"}, "bad GROUP '\\e]0;title\\a' (1, 2, 3, 4, current or all)"},
        {{"download", "2", "--\x1b"}, "unknown option --\\e for download"},
        {{"check", "--standard", "iso19840", "--group", "1", "--ndft", "1\r2"},
         "bad value for --ndft: '1\\r2' (not a decimal number)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(ParseCommandLine(c.args).error, c.error);
    }
}

// "--" ends the options: what follows is an argument even when it looks like an option.
TEST(CliOptions, DoubleDashEndsTheOptions) {
    EXPECT_EQ(ParseCommandLine({"download", "--", "--unit"}).error,
              "bad GROUP '--unit' (1, 2, 3, 4, current or all)");
    EXPECT_EQ(ParseCommandLine({"ports", "--", "--help"}).error, "unexpected argument '--help'");
    const ParseResult r = ParseCommandLine({"download", "--unit", "mils", "--", "3"});
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.options.group, 3);
    EXPECT_EQ(r.options.unitIsMils, 1);
    const ParseResult files = ParseCommandLine({"archive", "import", "--", "--odd.csv"});
    EXPECT_EQ(files.error, "");
    EXPECT_EQ(files.options.archiveWords, (std::vector<std::string>{"import", "--odd.csv"}));
}

// archive list's filters; --until's day is included (the moment is the next day's start).
TEST(CliOptions, ReadsTheArchiveListsFilters) {
    const ParseResult r = ParseCommandLine({"archive", "list", "--job", "Tank 3", "--since",
                                            "2026-01-10", "--until", "2026-01-10", "--gauge",
                                            "G-17", "--verdict", "fail", "--format", "json"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.command, Command::Archive);
    EXPECT_EQ(r.options.archiveWords, std::vector<std::string>{"list"});
    EXPECT_EQ(r.options.job, "Tank 3");
    EXPECT_EQ(r.options.gaugeText, "G-17");
    EXPECT_EQ(r.options.passed, false);
    EXPECT_EQ(r.options.format, OutputFormat::Json);
    ASSERT_TRUE(r.options.sinceMs && r.options.untilMs);
    EXPECT_EQ(*r.options.sinceMs, QDate(2026, 1, 10).startOfDay().toMSecsSinceEpoch());
    EXPECT_EQ(*r.options.untilMs, QDate(2026, 1, 11).startOfDay().toMSecsSinceEpoch());
    EXPECT_EQ(ParseCommandLine({"archive", "list"}).options.format, OutputFormat::Text);
    EXPECT_EQ(ParseCommandLine({"archive", "export", "ab"}).options.format, OutputFormat::Csv);
    const ParseResult download = ParseCommandLine({"download", "1", "--no-archive"});
    EXPECT_EQ(download.error, "");
    EXPECT_TRUE(download.options.noArchive);
}

TEST(CliOptions, ReadsEveryOptionOfACommand) {
    ParseResult r =
        ParseCommandLine({"download", "current", "--unit=mils", "--format", "json", "--output",
                          "out.json", "--port", "/dev/pts/3", "--timeout", "2.5"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.command, Command::Download);
    EXPECT_EQ(r.options.group, kCurrentGroup);
    EXPECT_EQ(r.options.unitIsMils, 1);
    EXPECT_EQ(r.options.format, OutputFormat::Json);
    EXPECT_EQ(r.options.output, "out.json");
    EXPECT_EQ(r.options.port, "/dev/pts/3");
    EXPECT_EQ(r.options.timeoutSeconds, 2.5);

    r = ParseCommandLine({"download", "all", "--output", "folder"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.group, kAllGroups);
    EXPECT_EQ(r.options.format, OutputFormat::Csv);
    EXPECT_EQ(r.options.timeoutSeconds, 5);

    r = ParseCommandLine({"capture", "--count", "10", "--seconds", "60", "--format", "jsonl"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.count, 10);
    EXPECT_EQ(r.options.seconds, 60.0);
    EXPECT_EQ(r.options.format, OutputFormat::Jsonl);
    EXPECT_FALSE(r.options.timeoutGiven);
    EXPECT_FALSE(r.options.wait);

    // --wait takes its SECONDS only when a number follows.
    struct WaitCase {
        std::vector<std::string> args;
        std::optional<double> seconds;
        std::optional<long long> count;
    } const waitCases[] = {
        {{"capture", "--wait"}, std::nullopt, std::nullopt},
        {{"capture", "--wait", "30"}, 30.0, std::nullopt},
        {{"capture", "--wait=2.5", "--count", "4"}, 2.5, 4},
        {{"capture", "--wait", "--count", "4"}, std::nullopt, 4},
    };
    for (const WaitCase& c : waitCases) {
        r = ParseCommandLine(c.args);
        ASSERT_EQ(r.error, "") << c.args.back();
        EXPECT_TRUE(r.options.wait);
        EXPECT_EQ(r.options.waitSeconds, c.seconds) << c.args.back();
        EXPECT_EQ(r.options.count, c.count) << c.args.back();
    }

    r = ParseCommandLine({"check", "--standard", "iso19840", "--group", "2", "--ndft", "120",
                          "--max", "400", "--roughness", "coarse", "--area", "12.5"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.standard, coating::Standard::Iso19840);
    EXPECT_EQ(r.options.group, 2);
    EXPECT_EQ(r.options.ndft, "120");
    EXPECT_EQ(r.options.maximum, "400");
    EXPECT_EQ(r.options.roughness, coating::Roughness::Coarse);
    ASSERT_TRUE(r.options.area);
    EXPECT_EQ(r.options.area->text, "12.5");
    EXPECT_FALSE(r.options.area->squareFeet);
    EXPECT_EQ(r.options.format, OutputFormat::Text);

    r = ParseCommandLine({"check", "--standard", "sspc-pa2", "--file", "a.csv", "--min", "3",
                          "--max", "5", "--unit", "mils", "--format", "json"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.file, "a.csv");
    EXPECT_EQ(r.options.minimum, "3");
    EXPECT_EQ(r.options.unitIsMils, 1);

    r = ParseCommandLine({"check",     "--standard",
                          "sspc-pa2",  "--file",
                          "a.csv",     "--min",
                          "3",         "--max",
                          "5",         "--level",
                          "3",         "--readings-per-spot",
                          "4",         "--spots-per-area",
                          "2",         "--area-ft2",
                          "1500",      "--exclude",
                          "2,9",       "--reason",
                          "weld seam", "--timeout",
                          "0.5"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.level, 3);
    EXPECT_EQ(r.options.readingsPerSpot, 4);
    EXPECT_EQ(r.options.spotsPerArea, 2);
    ASSERT_TRUE(r.options.area);
    EXPECT_TRUE(r.options.area->squareFeet);
    EXPECT_EQ(r.options.exclude, (std::vector<int>{2, 9}));
    EXPECT_EQ(r.options.reason, "weld seam");
    EXPECT_EQ(r.options.timeoutSeconds, 0.5);

    r = ParseCommandLine({"report",      "current",     "--output", "r.pdf",     "--project",
                          "Bridge 4",    "--structure", "Span 2",   "--coating", "Epoxy",
                          "--inspector", "A. B.",       "--notes",  "one\\ntwo", "--page",
                          "letter",      "--standard",  "imo-pspc", "--ndft",    "250"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.command, Command::Report);
    EXPECT_EQ(r.options.group, kCurrentGroup);
    EXPECT_EQ(r.options.output, "r.pdf");
    EXPECT_EQ(r.options.project, "Bridge 4");
    EXPECT_EQ(r.options.structure, "Span 2");
    EXPECT_EQ(r.options.coating, "Epoxy");
    EXPECT_EQ(r.options.inspector, "A. B.");
    EXPECT_EQ(r.options.notes, "one\ntwo");
    EXPECT_TRUE(r.options.letterPage);
    EXPECT_TRUE(r.options.standardGiven);
    EXPECT_EQ(r.options.standard, coating::Standard::ImoPspc);

    r = ParseCommandLine({"report", "--file", "a.csv", "--output", "r.pdf"});
    ASSERT_EQ(r.error, "");
    EXPECT_FALSE(r.options.standardGiven);
    EXPECT_FALSE(r.options.letterPage);
}

TEST(CliOptions, HelpOfEachCommandAndTheVersion) {
    for (const char* command : {"ports", "download", "capture", "check", "report"}) {
        SCOPED_TRACE(command);
        const ParseResult r = ParseCommandLine({command, "--unknown-before-help", "--help"});
        // An unknown option before --help is a usage error; --help first always helps.
        EXPECT_NE(r.error, "");
        const ParseResult help = ParseCommandLine({command, "--help"});
        EXPECT_EQ(help.error, "");
        EXPECT_EQ(help.options.command, Command::Help);
        EXPECT_EQ(help.options.helpText.rfind(std::string("usage: zepra-cli ") + command, 0), 0u);
        EXPECT_EQ(UsageHint({command}), std::string("Try 'zepra-cli ") + command + " --help'.");
    }
    EXPECT_EQ(ParseCommandLine({"--version"}).options.command, Command::Version);
    EXPECT_EQ(ParseCommandLine({"--help"}).options.helpText.rfind("usage: zepra-cli COMMAND", 0),
              0u);
}

}  // namespace
}  // namespace zepra::cli
