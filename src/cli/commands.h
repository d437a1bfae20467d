#pragma once
// The four commands of zepra-cli. Each returns its exit code; output goes to standard output (or
// the --output file), messages to standard error.

#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "coating/coating_standards.h"

namespace zepra::cli {

int RunPorts(const Options& options);
int RunDownload(const Options& options);
int RunCapture(const Options& options);
int RunCheck(const Options& options);
int RunReport(const Options& options);  // needs a QGuiApplication

// What check and report share: the standard's request from the options (all but the readings,
// which the caller adds with the source and, for a group, its limits).
coating::CheckSetup CheckSetupOf(const Options& options);

}  // namespace zepra::cli
