#include "ui/fonts.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>
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

const QString kBitmapFamily = QStringLiteral("MS Sans Serif");

const char* const kDesignFontProperty = "zepraDesignFont";

// Puts the widget in the face for its screen's ratio before it shows and before each paint, so a
// move to a screen with another ratio follows (Qt 6.4 tells a widget of it only through paint).
class RatioFollower : public QObject {
  public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint || event->type() == QEvent::Show) {
            auto* widget = static_cast<QWidget*>(watched);
            const QFont wanted = FaceForRatio(DesignFont(widget), widget->devicePixelRatioF());
            if (widget->font() != wanted) widget->setFont(wanted);
        }
        return false;
    }
};

}  // namespace

QFont FaceForRatio(const QFont& font, qreal ratio) {
    if (qFuzzyCompare(ratio, 1.0) || font.families().value(0) != kBitmapFamily) return font;
    QFont scalable = font;
    scalable.setFamilies(
        {kScalableStandInFamily, QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    // The size the bitmap face really draws at (its one strike), not the size asked for.
    scalable.setPixelSize(QFontInfo(font).pixelSize());
    return scalable;
}

void FollowDeviceRatio(QWidget* widget, const QFont& font) {
    // The ratio known now (the parent's screen, else the primary one), so that layouts built
    // before the first paint measure the face that will be drawn.
    widget->setFont(FaceForRatio(font, widget->devicePixelRatioF()));
    if (font.families().value(0) != kBitmapFamily) return;
    widget->setProperty(kDesignFontProperty, font);
    widget->installEventFilter(new RatioFollower(widget));
}

QFont DesignFont(const QWidget* widget) {
    const QVariant design = widget->property(kDesignFontProperty);
    return design.isValid() ? design.value<QFont>() : widget->font();
}

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
    return MakeFont(QStringList{kBitmapFamily, QStringLiteral("Microsoft Sans Serif"),
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
