#pragma once
// Reading what a window shows: the contrast of its colours as the web's accessibility guidelines
// compute it, the ink of a rendered area, and renderings kept to be looked at.

#include <QImage>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <map>

namespace zepra::testing {

inline double Luminance(QRgb pixel) {
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) +
           0.0722 * channel(qBlue(pixel));
}

inline double Contrast(QRgb a, QRgb b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The commonest colour of `image` (what the texts stand on) and the strongest contrast any
// other pixel makes with it (the ink).
struct Reading {
    QRgb background = 0;
    double contrast = 1;
};
inline Reading ReadInk(const QImage& image) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y) | 0xff000000];
    Reading reading;
    reading.background =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;
    for (const auto& [colour, count] : counts)
        reading.contrast = std::max(reading.contrast, Contrast(colour, reading.background));
    return reading;
}

// With ZEPRA_LOOK_DIR set, the renderings are kept there as PNG files to be looked at.
inline void SaveForLooking(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("ZEPRA_LOOK_DIR");
    if (!folder.isEmpty()) image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace zepra::testing
