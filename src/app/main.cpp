// The ZEPRA Coating Thickness Tester's desktop companion: the main window and its event loop.

#include <QApplication>
#include <QLocale>
#include <memory>

#include "data/measurement_store.h"
#include "data/thickness_format.h"
#include "ui/fonts.h"
#include "ui/main/form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPRA Coating Thickness Tester"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZEPRA Coating Thickness Tester"));
    zepra::LoadApplicationFonts();

    const QString decimalPoint = QLocale::system().decimalPoint();
    if (!decimalPoint.isEmpty() && decimalPoint.front().unicode() < 0x80) {
        zepra::SetDecimalSeparator(decimalPoint.front().toLatin1());
    }

    auto store = std::make_unique<zepra::MeasurementStore>();  // 50,000 samples: on the heap
    zepra::Form1 form(*store, zepra::SystemServices());
    form.formLoad();  // the start-up messages come before the window appears
    form.show();
    return app.exec();
}
