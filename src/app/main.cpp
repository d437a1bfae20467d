// The ZEPRA Coating Thickness Tester's desktop companion: the main window and its event loop.

#include <QApplication>
#include <memory>

#include "data/measurement_store.h"
#include "ui/main/application_setup.h"
#include "ui/main/form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    zepra::SetUpApplication();

    auto store = std::make_unique<zepra::MeasurementStore>();  // 50,000 samples: on the heap
    zepra::Form1 form(*store, zepra::SystemServices());
    form.formLoad();  // the start-up messages come before the window appears
    form.show();
    return app.exec();
}
