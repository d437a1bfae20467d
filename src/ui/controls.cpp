#include "ui/controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QWidget>

#include "ui/fonts.h"

namespace zepra {

QRect PxRect(const QRect& twips) {
    return QRect(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height()));
}

QLabel* PlaceLabel(QLabel* label, const char* objectName, const QRect& twips,
                   Qt::Alignment alignment) {
    label->setObjectName(QString::fromLatin1(objectName));
    label->setGeometry(PxRect(twips));
    label->setAlignment(alignment);
    return label;
}

QLabel* MakeLabel(QWidget* parent, const char* objectName, const QString& caption,
                  const QRect& twips, Qt::Alignment alignment) {
    return PlaceLabel(new QLabel(caption, parent), objectName, twips, alignment);
}

QLabel* MakeLabel(QWidget* parent, const char* objectName, const QString& caption,
                  const QRect& twips, const QFont& font, Qt::Alignment alignment) {
    QLabel* label = MakeLabel(parent, objectName, caption, twips, alignment);
    FollowDeviceRatio(label, font);
    return label;
}

void SetPaletteColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

void PaintWhiteBackground(QWidget* widget) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    // Fixed too: a dark theme's light text would vanish on the fixed white.
    palette.setColor(QPalette::WindowText, Qt::black);
    widget->setPalette(palette);
}

namespace {

// Asked for every class of an object from the most derived one up, before Qt's own factory: it
// answers only for the plain QWidget step of a top-level window, so that dialogs, message boxes and
// main windows keep the roles Qt gives them.
QAccessibleInterface* PlainWindowInterface(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget") || object == nullptr || !object->isWidgetType()) {
        return nullptr;
    }
    auto* widget = static_cast<QWidget*>(object);
    if (!widget->isWindow()) return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

}  // namespace

void PresentPlainWindowsAsWindows() {
    static const bool installed = [] {
        QAccessible::installFactory(PlainWindowInterface);
        return true;
    }();
    (void)installed;
}

}  // namespace zepra
