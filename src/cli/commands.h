#pragma once
// The four commands of zepra-cli. Each returns its exit code; output goes to standard output (or
// the --output file), messages to standard error.

#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "coating/coating_standards.h"
#include "data/measurement_store.h"

namespace zepra::cli {

int RunPorts(const Options& options);
int RunDownload(const Options& options);
int RunCapture(const Options& options);
int RunCheck(const Options& options);
int RunReport(const Options& options);  // needs a QGuiApplication

// What check and report share: a limit the standard is judged with, and where it came from.
struct CheckLimit {
    std::string name;  // "NDFT", "Minimum", "Maximum"
    coating::Thickness value;
    std::string origin;  // "given", "the group's low limit"
};

// Fills the request from the standard's options (all but the readings) and lists its limits;
// with a group's `slot`, a missing --ndft/--min is the group's low limit and a missing --max its
// high limit. Returns kExitDone, or kExitUsage after the message.
int PrepareCheck(const Options& options, const GroupSlot* slot, coating::CheckRequest& request,
                 std::vector<CheckLimit>& limits);
// The exit code for a verdict that has an error: readings that cannot pass fail (1), values
// given wrongly are a usage error (2).
int CheckErrorExit(const coating::CheckRequest& request);
// "100 um": a limit as the check writes it.
std::string CheckValueText(const coating::Thickness& value, std::int32_t unitIsMils);

}  // namespace zepra::cli
