#include "ui/fonts.h"

#include <QFontDatabase>
#include <QString>
#include <QStringList>
#include <cmath>

namespace zepra {
namespace {

QFont MakeFont(const QStringList& families, double points, bool bold) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setBold(bold);
    return font;
}

}  // namespace

void LoadApplicationFonts() {
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf",
          "/usr/share/wine/fonts/ms_sans_serif.ttf"}) {
        QFontDatabase::addApplicationFont(QString::fromLatin1(file));  // -1 when absent: fine
    }
}

QFont TahomaFont(double points, bool bold) {
    return MakeFont(QStringList{QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"),
                                QStringLiteral("Liberation Sans")},
                    points, bold);
}

QFont MsSansSerifFont(double points, bool bold) {
    return MakeFont(
        QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                    QStringLiteral("Liberation Sans")},
        points, bold);
}

QFont ArialFont(double points, bool bold) {
    return MakeFont(QStringList{QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}, points,
                    bold);
}

QFont ArialNarrowFont(double points, bool bold) {
    return MakeFont(
        QStringList{QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                    QStringLiteral("Liberation Sans")},
        points, bold);
}

}  // namespace zepra
