// The parser's table of options against what tells of them: each command's --help and the manual
// page.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "cli/cli_options.h"

namespace zepra::cli {
namespace {

// The options the page names, as "--name" (troff writes a hyphen as "\-").
std::set<std::string> OptionsNamedIn(const std::string& page) {
    const std::string text = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    const std::regex option("--[a-z0-9][a-z0-9-]*");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
         it != std::sregex_iterator(); ++it) {
        names.insert(it->str());
    }
    return names;
}

// Each command's help lists each option it takes once, and only those: an option may have a row
// per command, and two rows of one command would list it twice.
TEST(CliOptionTable, HelpListsTheOptionsTheParserTakes) {
    for (const char* command : {"ports", "download", "capture", "check", "report", "archive"}) {
        SCOPED_TRACE(command);
        std::istringstream help(ParseCommandLine({command, "--help"}).options.helpText);
        std::map<std::string, int> listed;
        for (std::string line; std::getline(help, line);) {
            if (line.rfind("  --", 0) == 0) ++listed[line.substr(2, line.find(' ', 2) - 2)];
        }
        for (const std::string& option : OptionNames()) {
            const std::string error = ParseCommandLine({command, option, "x"}).error;
            const bool taken = error != "unknown option " + option + " for " + command;
            EXPECT_EQ(listed[option], taken ? 1 : 0) << option;
        }
        EXPECT_EQ(listed.size(), OptionNames().size());  // nothing listed outside the table
    }
}

// A new option gets its paragraph in the manual, and the manual describes no option the program
// has lost.
TEST(CliOptionTable, ManualNamesEveryOptionAndNoOther) {
    std::ifstream file(ZEPRA_CLI_MANUAL);
    ASSERT_TRUE(file) << ZEPRA_CLI_MANUAL;
    std::ostringstream page;
    page << file.rdbuf();
    std::set<std::string> named = OptionsNamedIn(page.str());
    ASSERT_TRUE(named.count("--port")) << "the page's options were not found";

    for (const std::string& option : OptionNames()) {
        EXPECT_TRUE(named.erase(option)) << option << " is missing from the manual page";
    }
    // Read before the table; and the emulator's option that writes the port list.
    for (const char* other : {"--help", "--version", "--serialcomm"}) named.erase(other);
    for (const std::string& option : named) {
        ADD_FAILURE() << "the manual page names " << option << ", which zepra-cli does not take";
    }
}

}  // namespace
}  // namespace zepra::cli
