#include "cli/archive_server_command.h"

#include <QDateTime>
#include <cstdio>

#include "archive/archive.h"
#include "archive/team/team_server.h"
#include "cli/cli_options.h"
#include "cli/output.h"

namespace zepra::cli {
namespace {

constexpr const char* kHelp =
    "Usage: zepra-cli archive server-init [--server NAME]\n"
    "       zepra-cli archive sync [--pull-records] [--server NAME]\n"
    "       zepra-cli archive status\n"
    "\n"
    "server-init  create or update the archive's tables on the team's PostgreSQL server\n"
    "             (run it as the database's owner)\n"
    "sync         send every record, job, gauge and addition the server lacks; take the team's\n"
    "             jobs and gauges (with --pull-records the other stations' records as well)\n"
    "status       the last sync, what waits to be sent and the last error; exit 0 when\n"
    "             nothing waits, 1 when something does\n"
    "\n"
    "The server is a libpq connection string or URI (postgresql://station@qa.example/zepra?\n"
    "sslmode=verify-full): --server, else ZEPRA_ARCHIVE_SERVER, else the setting archive/server.\n"
    "Passwords come from ~/.pgpass, PGPASSFILE or a service file, never from the name.\n"
    "The archive is ZEPRA_ARCHIVE, else the user's archive.sqlite.\n";

std::string When(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t"))
        .toStdString();
}

void Fail(const std::string& message) {
    std::fprintf(stderr, "zepra-cli: %s\n", message.c_str());
}

int Status() {
    std::string error;
    const std::optional<archive::SyncStatus> status =
        archive::ReadSyncStatus(archive::DefaultArchivePath(), error);
    if (!status) {
        Fail(error);
        return kExitServer;
    }
    std::string out;
    out += "Team server: " +
           (status->server.empty() ? std::string("(never synced)") : status->server) + "\n";
    out += "Last sync: " + (status->lastSyncMs ? When(*status->lastSyncMs) : std::string("never")) +
           "\n";
    out += "Records waiting: " + std::to_string(status->recordsWaiting) + " (" +
           std::to_string(status->rowsWaiting) + " rows in all)\n";
    if (!status->lastError.empty())
        out += "Last attempt (" + When(*status->lastAttemptMs) + ") failed: " + status->lastError +
               "\n";
    if (status->mismatches)
        out +=
            "Records whose readings differ on the server: " + std::to_string(status->mismatches) +
            "\n";
    if (WriteStandardOutput(out) != StandardOutput::Written) return kExitUsage;
    return status->rowsWaiting ? kExitWaiting : kExitDone;
}

int Sync(const std::string& server, bool pullRecords) {
    archive::SyncOptions options;
    options.pullRecords = pullRecords;
    const archive::SyncReport report =
        archive::SyncWithTeamServer(archive::DefaultArchivePath(), server, options);
    long long pushed = 0;
    long long pulled = 0;
    for (const auto& [table, rows] : report.pushed) pushed += rows;
    for (const auto& [table, rows] : report.pulled) pulled += rows;
    const auto count = [](const std::map<std::string, long long>& rows, const char* table) {
        const auto found = rows.find(table);
        return std::to_string(found == rows.end() ? 0 : found->second);
    };
    std::string out = "Sent " + std::to_string(pushed) + " rows (" +
                      count(report.pushed, "records") + " records); took " +
                      std::to_string(pulled) + " rows (" + count(report.pulled, "records") +
                      " records).\n";
    if (WriteStandardOutput(out) != StandardOutput::Written) return kExitUsage;
    for (const std::string& mismatch : report.mismatches) Fail(mismatch);
    if (!report.ok) {
        Fail(report.error);
        return kExitServer;
    }
    return report.mismatches.empty() ? kExitDone : kExitWaiting;
}

}  // namespace

std::optional<int> RunArchiveServerCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0] != "archive" ||
        (args[1] != "server-init" && args[1] != "sync" && args[1] != "status"))
        return std::nullopt;
    const std::string& command = args[1];
    std::string server;
    bool serverGiven = false;
    bool pullRecords = false;
    for (std::size_t k = 2; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return kExitDone;
        }
        if (arg == "--server" && command != "status" && k + 1 < args.size()) {
            server = args[++k];
            serverGiven = true;
        } else if (arg == "--pull-records" && command == "sync") {
            pullRecords = true;
        } else {
            std::fprintf(stderr, "zepra-cli: archive %s: unknown option '%s'\n%s", command.c_str(),
                         arg.c_str(), "Try 'zepra-cli archive sync --help'.\n");
            return kExitUsage;
        }
    }
    if (command == "status") return Status();
    if (!serverGiven) server = archive::ConfiguredTeamServer();
    if (command == "sync") return Sync(server, pullRecords);
    if (server.empty()) {
        Fail(
            "No team server is named: use --server, ZEPRA_ARCHIVE_SERVER or the setting"
            " archive/server.");
        return kExitUsage;
    }
    std::string message;
    const bool done = archive::InitTeamServer(server, message);
    if (!done) {
        Fail(message);
        return kExitServer;
    }
    return WriteStandardOutput(message + "\n") == StandardOutput::Written ? kExitDone : kExitUsage;
}

}  // namespace zepra::cli
