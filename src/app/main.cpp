// The ZEPRA Coating Thickness Tester's desktop companion: the main window and its event loop.

#include <QApplication>
#include <iostream>
#include <memory>
#include <string_view>

#include "data/measurement_store.h"
#include "ui/main/application_setup.h"
#include "ui/main/form1.h"
#include "zepra_version.h"

namespace {

constexpr const char* kUsage =
    "usage: zepra-thickness [--version] [--help] [Qt options such as -platform NAME]\n"
    "The desktop companion of the ZEPRA Coating Thickness Tester: finds the gauge on its CP210x\n"
    "USB-serial port and downloads, captures, charts and saves its readings.\n"
    "  ZEPRA_SERIALCOMM=FILE  the list of serial ports to use (zepra-gauge-emulator writes one)\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before QApplication exists, so that they need no display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--version") {
            std::cout << "zepra-thickness " ZEPRA_VERSION "\n";
            return 0;
        }
        if (option == "--help" || option == "-h") {
            std::cout << kUsage;
            return 0;
        }
    }

    QApplication app(argc, argv);
    zepra::SetUpApplication();

    auto store = std::make_unique<zepra::MeasurementStore>();  // 50,000 samples: on the heap
    zepra::Form1 form(*store, zepra::SystemServices());
    form.formLoad();  // the start-up messages come before the window appears
    form.show();
    return app.exec();
}
