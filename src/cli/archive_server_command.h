#pragma once
// zepra-cli archive server-init | sync | status: the station's archive and the team's server.

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace zepra::cli {

// Exit codes of these commands besides kExitDone and kExitUsage.
inline constexpr int kExitWaiting = 1;  // status: rows wait; sync: readings differ on the server
inline constexpr int kExitServer =
    kExitArchive;  // the server or the archive failed: the message says how

// options.archiveWords[0]: "server-init", "sync" or "status".
int RunTeamServer(const Options& options);

}  // namespace zepra::cli
