// zepra-cli: the ZEPRA Coating Thickness Tester from the command line (ports, downloads, live
// capture, checks against coating standards), on the same link as the program's windows.

#include <signal.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "data/shown_text.h"
#include "platform/qt_decimal_separator.h"

int main(int argc, char** argv) {
    // A closed output pipe shows up as a failed write, not as a signal that ends the program.
    ::signal(SIGPIPE, SIG_IGN);
    // The report draws text, which needs a QGuiApplication; the offscreen platform lets it run
    // without a display (a server, a nightly job). Every other command stays on QCoreApplication.
    const bool report = argc > 1 && std::string(argv[1]) == "report";
    if (report) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Only the command's own messages on standard error: the platform's notes (such as an
        // unset XDG_RUNTIME_DIR in a nightly job) would read as failures.
        static const QtMessageHandler qtDefault = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                if (type == QtCriticalMsg || type == QtFatalMsg) qtDefault(type, context, text);
            });
    }
    const std::unique_ptr<QCoreApplication> app =
        report ? std::make_unique<QGuiApplication>(argc, argv)
               : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zepra-cli"));
    zepra::UseSystemDecimalSeparator();

    const std::vector<std::string> args(argv + 1, argv + argc);
    const zepra::cli::ParseResult parsed = zepra::cli::ParseCommandLine(args);
    using zepra::cli::Command;
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "zepra-cli: %s\n%s\n",
                     zepra::WithoutControlCharacters(parsed.error).c_str(),
                     zepra::cli::UsageHint(args).c_str());
        return zepra::cli::kExitUsage;
    }
    const zepra::cli::Options& options = parsed.options;
    switch (options.command) {
        case Command::Help:
            std::fputs(options.helpText.c_str(), stdout);
            return 0;
        case Command::Version:
            std::printf("zepra-cli %s\n", zepra::cli::Version());
            return 0;
        case Command::Ports:
            return zepra::cli::RunPorts(options);
        case Command::Download:
            return zepra::cli::RunDownload(options);
        case Command::Capture:
            return zepra::cli::RunCapture(options);
        case Command::Check:
            return zepra::cli::RunCheck(options);
        case Command::Report:
            return zepra::cli::RunReport(options);
        case Command::Archive:
            return zepra::cli::RunArchive(options);
    }
    return 0;
}
