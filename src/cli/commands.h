#pragma once
// The four commands of zepra-cli. Each returns its exit code; output goes to standard output (or
// the --output file), messages to standard error.

#include "cli/cli_options.h"

namespace zepra::cli {

int RunPorts(const Options& options);
int RunDownload(const Options& options);
int RunCapture(const Options& options);
int RunCheck(const Options& options);

}  // namespace zepra::cli
