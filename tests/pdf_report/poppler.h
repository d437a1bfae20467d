#pragma once
// Reading a written PDF back with poppler's command-line tools (Debian's poppler-utils), as any
// viewer would see it.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

namespace poppler {

// Standard output of `tool args`; empty when the tool failed.
inline std::string Run(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return process.readAllStandardOutput().toStdString();
}

inline std::string Text(const QString& pdf) {
    return Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

// Each text in order, each found after the one before; returns the first that is not.
inline std::string FirstOutOfOrder(const std::string& text, const std::vector<std::string>& parts) {
    std::size_t at = 0;
    for (const std::string& part : parts) {
        const std::size_t found = text.find(part, at);
        if (found == std::string::npos) return part;
        at = found + part.size();
    }
    return {};
}

// Every word of the text layer with its page (from 1) and box in points from the page's top.
struct Word {
    int page = 0;
    std::string text;
    double yMin = 0;
    double yMax = 0;
    double xMin = 0;
    double xMax = 0;
};

inline std::vector<Word> Words(const QString& pdf) {
    const std::string html =
        Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    std::vector<Word> words;
    int page = 0;
    const std::regex item(
        "<page |<word xMin=\"([^\"]*)\" yMin=\"([^\"]*)\" xMax=\"([^\"]*)\" "
        "yMax=\"([^\"]*)\">([^<]*)</word>");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), item);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        if (m[0].str().rfind("<page", 0) == 0) {
            ++page;
            continue;
        }
        words.push_back({page, m[5].str(), std::stod(m[2].str()), std::stod(m[4].str()),
                         std::stod(m[1].str()), std::stod(m[3].str())});
    }
    return words;
}

// One page rendered at `dpi` as RGB pixels.
struct Image {
    int width = 0;
    int height = 0;
    QByteArray rgb;

    // Pixels within `tolerance` of the colour on every channel.
    int count(int r, int g, int b, int tolerance = 30) const {
        int n = 0;
        for (qsizetype i = 0; i + 2 < rgb.size(); i += 3) {
            const auto near = [&](qsizetype k, int v) {
                return std::abs(static_cast<std::uint8_t>(rgb[k]) - v) <= tolerance;
            };
            if (near(i, r) && near(i + 1, g) && near(i + 2, b)) ++n;
        }
        return n;
    }
};

inline Image Render(const QString& pdf, int page, int dpi = 50) {
    const std::string ppm =
        Run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
             QString::number(page), QStringLiteral("-l"), QString::number(page), pdf});
    Image image;
    // "P6\n<width> <height>\n255\n" then the pixels.
    std::size_t at = 0;
    auto field = [&]() {
        while (at < ppm.size() && std::isspace(static_cast<unsigned char>(ppm[at]))) ++at;
        const std::size_t start = at;
        while (at < ppm.size() && !std::isspace(static_cast<unsigned char>(ppm[at]))) ++at;
        return ppm.substr(start, at - start);
    };
    if (field() != "P6") return image;
    image.width = std::stoi(field());
    image.height = std::stoi(field());
    field();
    ++at;
    image.rgb = QByteArray::fromStdString(ppm.substr(at));
    return image;
}

}  // namespace poppler
