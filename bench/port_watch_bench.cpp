// What the user-interface thread does for one device event while no gauge is connected: the tty
// filter, then the lookup of the gauge's ports with the identity of each candidate.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "link/connection.h"
#include "platform/file_serial_port_list.h"
#include "platform/linux_serial_port_list.h"
#include "platform/port_events.h"

namespace {

void BM_TtyEventFilter(benchmark::State& state) {
    const zepra::UeventProperties properties = {
        {"ACTION", "add"},
        {"SUBSYSTEM", "tty"},
        {"DEVNAME", "/dev/ttyUSB0"},
        {"DEVPATH", "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0"},
        {"MAJOR", "188"},
        {"MINOR", "0"},
        {"SEQNUM", "4711"}};
    for (auto _ : state) benchmark::DoNotOptimize(zepra::IsSerialPortEvent(properties));
}
BENCHMARK(BM_TtyEventFilter);

void Lookup(benchmark::State& state, zepra::SerialPortList& list) {
    for (auto _ : state) {
        const auto entries = zepra::ListGaugePorts(list);
        if (entries) {
            for (const auto& entry : *entries) {
                benchmark::DoNotOptimize(zepra::IdentifyPort(entry.device, entry.portName));
            }
        }
    }
}

// This machine's /sys/class/tty (every tty checked for the bridge's driver).
void BM_LookupSystemTtys(benchmark::State& state) {
    zepra::LinuxSerialPortList list;
    Lookup(state, list);
}
BENCHMARK(BM_LookupSystemTtys)->Unit(benchmark::kMicrosecond);

// A ZEPRA_SERIALCOMM table with two bridges.
void BM_LookupTableFile(benchmark::State& state) {
    const std::string path = "/tmp/zepra-port-watch-bench.ini";
    std::ofstream(path) << "[SERIALCOMM]\n\\Device\\silabser0=COM3\n\\Device\\slabser0=COM4\n"
                           "[PORTS]\nCOM3=/dev/pts/3\nCOM4=/dev/pts/4\n";
    zepra::FileSerialPortList list(path);
    Lookup(state, list);
    std::remove(path.c_str());
}
BENCHMARK(BM_LookupTableFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
