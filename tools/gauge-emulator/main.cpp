// zepra-gauge-emulator: a coating-thickness gauge on a pseudo-terminal, for demos and manual tests.
//
//   zepra-gauge-emulator [--scenario demo|empty] [--serialcomm FILE] [--port-name COMn]
//                        [--chunking all|byte|random] [--seed N] [--live-rate N] [--fast]
//   zepra-gauge-emulator --version | --help
//
// Prints the terminal's device path and runs until SIGINT or SIGTERM. With --serialcomm it writes
// the list-of-serial-ports file for ZEPRA_SERIALCOMM and removes it again on the way out.

#include <signal.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "gauge_emulator.h"
#include "zepra_version.h"

namespace {

struct Options {
    gauge_emulator::Scenario scenario = gauge_emulator::DemoScenario();
    gauge_emulator::Timing timing;
    std::optional<double> liveRate;
    std::string serialCommFile;
    std::string portName = "COM3";
};

constexpr const char* kUsage =
    "usage: zepra-gauge-emulator [--scenario demo|empty] [--serialcomm FILE] [--port-name COMn]\n"
    "                            [--chunking all|byte|random] [--seed N] [--live-rate N] [--fast]\n"
    "       zepra-gauge-emulator --version | --help\n"
    "  --scenario    demo: four stored groups, a current group and a live stream (default);\n"
    "                empty: every group empty, no live readings\n"
    "  --serialcomm  write the list of serial ports to FILE (for ZEPRA_SERIALCOMM)\n"
    "  --port-name   the port name in that file (default COM3)\n"
    "  --chunking    how answers reach the terminal: all at once (default), byte by byte,\n"
    "                or split at random points (--seed chooses them)\n"
    "  --live-rate   live frames per second (default 2)\n"
    "  --fast        no 9600-baud pacing\n";

// A number as in the C locale, whatever the locale the emulator runs in.
std::optional<double> ParseNumber(const std::string& text) {
    double value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

// False (after a message) on a bad command line.
bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            std::cout << kUsage;
            std::exit(0);
        }
        if (option == "--version") {
            std::cout << "zepra-gauge-emulator " ZEPRA_VERSION "\n";
            std::exit(0);
        }
        if (option == "--fast") {
            options.timing.fast = true;
            continue;
        }
        const bool takesValue = option == "--scenario" || option == "--serialcomm" ||
                                option == "--port-name" || option == "--chunking" ||
                                option == "--seed" || option == "--live-rate";
        if (!takesValue) {
            std::cerr << "zepra-gauge-emulator: unknown option " << option << "\n" << kUsage;
            return false;
        }
        if (i + 1 >= argc) {
            std::cerr << "zepra-gauge-emulator: " << option << " needs a value\n" << kUsage;
            return false;
        }
        const std::string value = argv[++i];
        bool valid = true;
        if (option == "--scenario") {
            if (value == "demo") {
                options.scenario = gauge_emulator::DemoScenario();
            } else if (value == "empty") {
                options.scenario = gauge_emulator::Scenario{};
            } else {
                valid = false;
            }
        } else if (option == "--serialcomm") {
            options.serialCommFile = value;
        } else if (option == "--port-name") {
            options.portName = value;
        } else if (option == "--chunking") {
            using gauge_emulator::Chunking;
            if (value == "all") {
                options.timing.chunking = Chunking::AllAtOnce;
            } else if (value == "byte") {
                options.timing.chunking = Chunking::ByteByByte;
            } else if (value == "random") {
                options.timing.chunking = Chunking::RandomSplits;
            } else {
                valid = false;
            }
        } else if (option == "--seed") {
            const auto seed = ParseNumber(value);
            valid = seed && *seed >= 0 && *seed <= 4294967295.0;
            if (valid) options.timing.seed = static_cast<std::uint32_t>(*seed);
        } else {  // --live-rate
            options.liveRate = ParseNumber(value);
            valid = options.liveRate && *options.liveRate > 0 && *options.liveRate <= 1000;
        }
        if (!valid) {
            std::cerr << "zepra-gauge-emulator: bad value for " << option << ": " << value << "\n"
                      << kUsage;
            return false;
        }
    }
    if (options.liveRate) options.scenario.liveRate = *options.liveRate;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;

    // Blocked before the emulator's thread starts, so that only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        gauge_emulator::GaugeEmulator gauge(options.scenario, options.timing);
        std::cout << gauge.devicePath() << std::endl;
        if (!options.serialCommFile.empty()) {
            if (!gauge.writeSerialCommFile(options.serialCommFile, options.portName)) {
                std::cerr << "zepra-gauge-emulator: cannot write " << options.serialCommFile
                          << "\n";
                return 1;
            }
            std::cerr << "Port list written: ZEPRA_SERIALCOMM=" << options.serialCommFile << " ("
                      << options.portName << ")\n";
        }
        int received = 0;
        sigwait(&stopSignals, &received);
        if (!options.serialCommFile.empty()) std::remove(options.serialCommFile.c_str());
    } catch (const std::exception& error) {
        std::cerr << "zepra-gauge-emulator: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
