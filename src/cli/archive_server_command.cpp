#include "cli/archive_server_command.h"

#include <QDateTime>
#include <cstdio>

#include "archive/archive.h"
#include "archive/team/team_server.h"
#include "cli/cli_options.h"
#include "cli/output.h"

namespace zepra::cli {
namespace {

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
    if (!WriteResult(std::nullopt, out)) return kExitUsage;
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
    for (const std::string& mismatch : report.mismatches) Fail(mismatch);
    if (!report.ok) {
        Fail(report.error);
        return kExitServer;
    }
    const std::string out = "Sent " + std::to_string(pushed) + " rows (" +
                            count(report.pushed, "records") + " records); took " +
                            std::to_string(pulled) + " rows (" + count(report.pulled, "records") +
                            " records).\n";
    if (!WriteResult(std::nullopt, out)) return kExitUsage;
    return report.mismatches.empty() ? kExitDone : kExitWaiting;
}

}  // namespace

int RunTeamServer(const Options& options) {
    const std::string& command = options.archiveWords[0];
    if (command == "status") return Status();
    const std::string server =
        options.server.empty() ? archive::ConfiguredTeamServer() : options.server;
    if (command == "sync") return Sync(server, options.pullRecords);
    if (server.empty()) {
        Fail(
            "No team server is named: use --server, ZEPRA_ARCHIVE_SERVER or the setting"
            " archive/server.");
        return kExitUsage;
    }
    std::string message;
    if (!archive::InitTeamServer(server, message)) {
        Fail(message);
        return kExitServer;
    }
    return WriteResult(std::nullopt, message + "\n") ? kExitDone : kExitUsage;
}

}  // namespace zepra::cli
