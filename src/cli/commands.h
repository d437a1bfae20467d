#pragma once
// The four commands of zepra-cli. Each returns its exit code; output goes to standard output (or
// the --output file), messages to standard error.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "cli/cli_options.h"
#include "cli/gauge_session.h"
#include "coating/coating_standards.h"

namespace zepra::cli {

int RunPorts(const Options& options);
int RunDownload(const Options& options);
int RunCapture(const Options& options);
int RunCheck(const Options& options);
int RunReport(const Options& options);  // needs a QGuiApplication
int RunArchive(const Options& options);

// Stores what download or capture took from the gauge, unless --no-archive, filed under --job.
// Never fails the command: what was not stored is said on standard error, in one message.
void StoreInArchive(const Options& options, std::vector<archive::Record> records);
// The gauge's identity as the port watcher records it, for the open port of the session.
archive::GaugeIdentity GaugeIdentityOf(const Options& options, GaugeSession& session);

// What check and report share: the standard's request from the options (all but the readings,
// which the caller adds with the source and, for a group, its limits).
coating::CheckSetup CheckSetupOf(const Options& options);

// The readings check and report judge: a saved CSV report's (--file), an archived record's
// (--archive), or a group's downloaded from the gauge. Returns kExitDone, or the exit code after
// its message.
struct CheckInput {
    coating::CheckSetup setup;              // CheckSetupOf with the readings and their source
    const GroupSlot* slot = nullptr;        // the group's slot, in the session's store
    std::unique_ptr<GaugeSession> session;  // a group's: the port stays open until the end
    std::optional<archive::RecordDetails> archived;  // --archive: the record
    std::string firstTime;  // --file of a capture: the first and last readings' times (ISO 8601)
    std::string lastTime;
};
int ReadCheckInput(const Options& options, CheckInput& input);

// The archive, opened; nullptr after the message on standard error.
std::unique_ptr<archive::Archive> OpenArchive();
// The exit code of a judged verdict, the same for check and report: kExitDone (PASS),
// kExitVerdictFailed (FAIL), kExitNoVerdict (NO VERDICT).
int ExitCodeOf(const coating::Verdict& verdict);

}  // namespace zepra::cli
