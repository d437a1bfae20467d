#include "ui/main/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace zepra {
namespace {

const QColor kBodyLight(74, 86, 100);
const QColor kBodyDark(36, 42, 52);
const QColor kAccent(235, 120, 30);

// A small gauge drawn into a square of the given size (for the icons).
QImage GaugeIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // Probe cable and probe.
    p.setPen(QPen(QColor(30, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable(QPointF(40, 54));
    cable.cubicTo(QPointF(40, 62), QPointF(54, 62), QPointF(54, 50));
    p.drawPath(cable);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 155, 160));
    p.drawRoundedRect(QRectF(50, 36, 8, 15), 2, 2);
    p.setBrush(kAccent);
    p.drawRect(QRectF(50, 36, 8, 3));

    // Body.
    QLinearGradient body(0, 0, 44, 0);
    body.setColorAt(0, kBodyLight);
    body.setColorAt(1, kBodyDark);
    p.setBrush(body);
    p.setPen(QPen(QColor(20, 20, 24), 1.5));
    p.drawRoundedRect(QRectF(8, 3, 38, 54), 7, 7);

    // Display with a reading.
    p.setPen(QPen(QColor(20, 20, 24), 1));
    p.setBrush(QColor(192, 255, 255));
    p.drawRoundedRect(QRectF(13, 9, 28, 17), 2, 2);
    p.setPen(QPen(QColor(20, 20, 24), 2.2));
    for (int i = 0; i < 3; ++i) p.drawLine(QPointF(17 + i * 7, 17.5), QPointF(21.5 + i * 7, 17.5));

    // Keys.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 205, 210));
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col)
            p.drawRoundedRect(QRectF(13 + col * 10, 31 + row * 8, 7, 5), 1.5, 1.5);
    }
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(27, 50), 3.5, 3.5);
    return image;
}

}  // namespace

QImage BackgroundImage() {
    QImage image(600, 600, QImage::Format_RGB888);
    QPainter p(&image);
    QLinearGradient steel(0, 0, 600, 600);
    steel.setColorAt(0, QColor(176, 186, 198));
    steel.setColorAt(1, QColor(112, 124, 140));
    p.fillRect(image.rect(), steel);
    // A fine brushed-metal texture.
    p.setPen(QColor(255, 255, 255, 28));
    for (int y = 0; y < 600; y += 3) p.drawLine(0, y, 599, y);
    return image;
}

QImage ProductIllustration() {
    QImage image(600, 600, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Studio backdrop.
    QLinearGradient backdrop(0, 0, 0, 600);
    backdrop.setColorAt(0, QColor(232, 238, 244));
    backdrop.setColorAt(1, QColor(196, 206, 218));
    p.fillRect(image.rect(), backdrop);

    // Probe: a cable from the foot of the gauge to a pen-shaped probe lying in front of it.
    p.setPen(QPen(QColor(28, 28, 30), 7, Qt::SolidLine, Qt::RoundCap));
    QPainterPath cable(QPointF(154, 450));
    cable.cubicTo(QPointF(154, 478), QPointF(70, 462), QPointF(56, 474));
    p.drawPath(cable);
    p.setPen(QPen(QColor(60, 60, 64), 1));
    QLinearGradient probe(0, 466, 0, 482);
    probe.setColorAt(0, QColor(215, 218, 222));
    probe.setColorAt(1, QColor(128, 132, 138));
    p.setBrush(probe);
    p.drawRoundedRect(QRectF(44, 466, 150, 16), 8, 8);
    p.setBrush(kAccent);
    p.drawRect(QRectF(66, 466, 10, 16));
    p.setBrush(QColor(50, 50, 54));
    p.drawEllipse(QRectF(188, 468, 14, 12));

    // Shadow and body of the handheld.
    const QRectF bodyRect(36, 52, 236, 404);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(bodyRect.translated(6, 8), 34, 34);
    QLinearGradient body(bodyRect.left(), 0, bodyRect.right(), 0);
    body.setColorAt(0, kBodyLight);
    body.setColorAt(0.55, QColor(56, 66, 80));
    body.setColorAt(1, kBodyDark);
    p.setBrush(body);
    p.setPen(QPen(QColor(18, 20, 26), 2));
    p.drawRoundedRect(bodyRect, 34, 34);
    // Rubber grip at the edges.
    p.setPen(QPen(QColor(255, 255, 255, 40), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(bodyRect.adjusted(7, 7, -7, -7), 28, 28);

    // Display bezel around the area of the reading panel.
    p.setPen(QPen(QColor(12, 14, 18), 2));
    p.setBrush(QColor(24, 28, 34));
    p.drawRoundedRect(QRectF(84, 84, 170, 130), 10, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(192, 255, 255));
    p.drawRect(QRectF(96, 96, 145, 105));

    // Key pad: two rows of function keys.
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QRectF key(78 + col * 54, 232 + row * 40, 44, 28);
            QLinearGradient face(0, key.top(), 0, key.bottom());
            face.setColorAt(0, QColor(226, 230, 234));
            face.setColorAt(1, QColor(170, 176, 184));
            p.setPen(QPen(QColor(20, 22, 26), 1.5));
            p.setBrush(face);
            p.drawRoundedRect(key, 7, 7);
        }
    }

    // Name plate (the product label lies over it).
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 22, 28));
    p.drawRoundedRect(QRectF(42, 314, 212, 38), 6, 6);

    // Large measure key.
    QRadialGradient knob(QPointF(154, 398), 34, QPointF(144, 386));
    knob.setColorAt(0, QColor(255, 170, 90));
    knob.setColorAt(1, kAccent.darker(130));
    p.setBrush(knob);
    p.setPen(QPen(QColor(20, 22, 26), 2));
    p.drawEllipse(QPointF(154, 398), 30, 30);

    // Brand line over the display.
    p.setPen(QColor(225, 230, 236));
    QFont brand = p.font();
    brand.setPixelSize(14);
    brand.setBold(true);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(brand);
    p.drawText(QRectF(36, 58, 236, 24), Qt::AlignCenter, QStringLiteral("ZEPRA"));
    return image;
}

QIcon MainWindowIcon() {
    return QIcon(QPixmap::fromImage(GaugeIconImage(64)));
}

QIcon AboutIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(GaugeIconImage(16)));
    icon.addPixmap(QPixmap::fromImage(GaugeIconImage(32)));
    return icon;
}

}  // namespace zepra
