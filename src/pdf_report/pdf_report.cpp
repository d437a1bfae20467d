#include "pdf_report/pdf_report.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <span>

#include "charts/chart_drawing.h"
#include "charts/chart_math.h"
#include "data/group_texts.h"
#include "data/sample_statistics.h"
#include "data/thickness_format.h"
#include "pdf_report/standard_adapter.h"
#include "reports/reports.h"
#include "zepra_version.h"

namespace zepra::inspection {
namespace {

constexpr const char* kProgram = "ZEPRA Coating Thickness Tester";
constexpr const char* kTitle = "Coating Thickness Inspection Report";
constexpr int kDotsPerInch = 1200;  // the writer's resolution; layout is in millimetres
constexpr double kMarginMm = 18;
constexpr double kFooterMm = 10;  // below the body, above the bottom margin
constexpr const char* kFontFamily = "Liberation Sans";

const QColor kPassColour(0, 128, 0);
const QColor kFailColour(200, 0, 0);
const QColor kNoVerdictColour(90, 90, 90);
const QColor kHighLimitColour(0, 70, 200);
const QColor kLowLimitColour(200, 110, 0);
const QColor kGroupLimitColour(110, 110, 110);
const QColor kRuleColour(120, 120, 120);
const QColor kMarkColour(200, 0, 0);

double Mm(double mm) {
    return mm * kDotsPerInch / 25.4;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string UnitWord(std::int32_t unitIsMils) {
    return unitIsMils == 1 ? "mils" : "\u00b5m";
}

// "Max:  " -> "Max:": the group window's label prefixes without their padding.
QString Label(const char* prefix) {
    return QString::fromLatin1(prefix).trimmed();
}

QFont Font(double points, bool bold = false) {
    QFont font(QString::fromLatin1(kFontFamily));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// "2026-12-10 17:20:31 UTC+01:00"
QString DateTimeText(const QDateTime& when) {
    const int offset = when.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" UTC%1%2:%3")
               .arg(offset < 0 ? '-' : '+')
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// A limit marked on the charts: the standard's as judged (dashed), the group's (dotted).
struct ChartLine {
    double micrometres = 0;
    QString legend;  // "NDFT 62.5 µm"
    QColor colour;
    Qt::PenStyle style = Qt::DashLine;
};

// Everything the pages show, computed once before the layout.
struct Content {
    const ReportContent& report;
    std::vector<ReadingRecord> readings;  // with their texts in the report's unit
    GroupTexts texts;
    std::optional<StandardTexts> standard;
    std::vector<bool> outsideStandard;  // per reading
    std::vector<ChartLine> lines;       // marked on the charts
    std::string unit;
    std::string reportNumber;
    QDateTime created;   // the report's date and time
    QDate measuredDate;  // for the calibration's age: the measurement's, else the report's
};

// Lays the document out from top to bottom; a pass without a painter only counts the pages.
class Pages {
  public:
    Pages(QPdfWriter& writer, QPainter* painter, int pageCount, QString number, QString project)
        : writer_(writer),
          painter_(painter),
          pageCount_(pageCount),
          footerNumber_(std::move(number)),
          footerProject_(std::move(project)) {
        footerProject_.removeIf([](QChar ch) { return ch.unicode() < 0x20; });
        const QRectF page(0, 0, writer.width(), writer.height());
        body_ = page.adjusted(Mm(kMarginMm), Mm(kMarginMm), -Mm(kMarginMm),
                              -Mm(kMarginMm) - Mm(kFooterMm));
        y_ = body_.top();
    }

    int page() const { return page_; }
    double left() const { return body_.left(); }
    double width() const { return body_.width(); }
    double y() const { return y_; }
    void advance(double height) { y_ += height; }
    double room() const { return body_.bottom() - y_; }
    double fullRoom() const { return body_.height(); }  // on a fresh page
    QPainter* painter() const { return painter_; }
    const QPaintDevice* device() const { return &writer_; }

    // Starts a new page unless `height` fits below.
    void need(double height) {
        if (height > room() && y_ > body_.top()) newPage();
    }
    void newPage() {
        footer();
        if (painter_ != nullptr) writer_.newPage();
        ++page_;
        y_ = body_.top();
    }
    void finish() { footer(); }

    // The lines `text` takes in `width`: broken at '\n', wrapped at spaces, and a word longer
    // than the width broken anywhere, so that nothing is cut off.
    QStringList lines(const QFont& font, double width, const QString& text) const {
        QStringList out;
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        // Control characters have no glyph: a tab reads as a space, the others are left out.
        QString printable = text;
        printable.replace(QLatin1Char('\t'), QLatin1Char(' '));
        printable.removeIf([](QChar ch) { return ch.unicode() < 0x20 && ch != u'\n'; });
        for (const QString& paragraph : printable.split(QLatin1Char('\n'))) {
            QTextLayout layout(paragraph, font, &writer_);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                out.push_back(paragraph.mid(line.textStart(), line.textLength()));
            }
            layout.endLayout();
            if (paragraph.isEmpty()) out.push_back(QString());
        }
        return out;
    }
    double textHeight(const QFont& font, double width, const QString& text) const {
        return static_cast<double>(lines(font, width, text).size()) * lineHeight(font);
    }
    double lineHeight(const QFont& font) const { return QFontMetricsF(font, &writer_).height(); }
    double textWidth(const QFont& font, const QString& text) const {
        return QFontMetricsF(font, &writer_).horizontalAdvance(text);
    }

    // Draws lines one below the other from (x, y) in `width`.
    void drawLines(double x, double y, double width, const QFont& font, const QStringList& lines,
                   const QColor& colour = Qt::black, int flags = Qt::AlignLeft) {
        if (painter_ == nullptr) return;
        painter_->setFont(font);
        painter_->setPen(colour);
        const double height = lineHeight(font);
        for (const QString& line : lines) {
            painter_->drawText(QRectF(x, y, width, height), flags | Qt::TextDontClip, line);
            y += height;
        }
    }

    // Draws wrapped text at (x, y) in `width` where the caller has made room; returns its height.
    double text(double x, double y, double width, const QFont& font, const QString& text,
                const QColor& colour = Qt::black, int flags = Qt::AlignLeft) {
        const QStringList all = lines(font, width, text);
        drawLines(x, y, width, font, all, colour, flags);
        return static_cast<double>(all.size()) * lineHeight(font);
    }

    // Wrapped text at the cursor, at x in `width`, flowing onto further pages line by line.
    void flow(double x, double width, const QFont& font, const QString& content,
              const QColor& colour = Qt::black) {
        const double height = lineHeight(font);
        for (const QString& line : lines(font, width, content)) {
            need(height);
            drawLines(x, y_, width, font, {line}, colour);
            advance(height);
        }
    }

    // A paragraph at the cursor, across the body; a long one flows onto further pages.
    void paragraph(const QFont& font, const QString& content, const QColor& colour = Qt::black) {
        flow(left(), width(), font, content, colour);
    }

    // A heading kept on one page with the next `keepMm` of what follows.
    void heading(const QString& title, double keepMm = 30) {
        const QFont font = Font(12, true);
        const double height = lineHeight(font);
        need(height + Mm(7) + Mm(keepMm));
        advance(Mm(4));
        text(left(), y_, width(), font, title);
        advance(height + Mm(0.8));
        rule(y_, kRuleColour);
        advance(Mm(2));
    }

    void rule(double y, const QColor& colour, double widthMm = 0.25) {
        if (painter_ == nullptr) return;
        painter_->setPen(QPen(colour, Mm(widthMm)));
        painter_->drawLine(QPointF(left(), y), QPointF(left() + width(), y));
    }

  private:
    // The report number, the project (shortened to the line when long: page 1 has it whole) and
    // the program on the left, "Page x of y" on the right: a loose page can be traced.
    void footer() {
        if (painter_ == nullptr) return;
        const QFont font = Font(8);
        const double top = body_.bottom() + Mm(kFooterMm) - lineHeight(font);
        rule(top - Mm(1.5), kRuleColour, 0.15);
        const QString page = QStringLiteral("Page %1 of %2").arg(page_).arg(pageCount_);
        const QString program = QStringLiteral("%1 %2").arg(QString::fromLatin1(kProgram),
                                                            QString::fromLatin1(ZEPRA_VERSION));
        QString line = QStringLiteral("Report %1").arg(footerNumber_);
        const double room = width() - textWidth(font, page) - Mm(6);
        if (!footerProject_.isEmpty()) {
            const double forProject =
                room - textWidth(font, line + QStringLiteral(" \u00b7  \u00b7 ") + program);
            line += QStringLiteral(" \u00b7 ") +
                    QFontMetricsF(font, &writer_)
                        .elidedText(footerProject_, Qt::ElideRight, std::max(forProject, Mm(10)));
        }
        line += QStringLiteral(" \u00b7 ") + program;
        drawLines(left(), top, room, font, {line});
        drawLines(left(), top, width(), font, {page}, Qt::black, Qt::AlignRight);
    }

    QPdfWriter& writer_;
    QPainter* painter_;
    int pageCount_;
    QString footerNumber_;
    QString footerProject_;
    int page_ = 1;
    QRectF body_;
    double y_ = 0;
};

// Rows of label and value; a long value flows onto further pages.
void LabelledRows(Pages& pages, const std::vector<std::pair<QString, QString>>& rows,
                  double labelMm = 42) {
    const QFont label = Font(10, true);
    const QFont value = Font(10);
    const double valueWidth = pages.width() - Mm(labelMm);
    for (const auto& [name, text] : rows) {
        pages.need(pages.lineHeight(value));
        pages.text(pages.left(), pages.y(), Mm(labelMm), label, name);
        pages.flow(pages.left() + Mm(labelMm), valueWidth, value, text);
        pages.advance(Mm(0.8));
    }
}

void TitleBlock(Pages& pages, const Content& c) {
    pages.paragraph(Font(20, true), QString::fromLatin1(kTitle));
    pages.advance(Mm(1));
    const QDateTime& when = c.created;
    pages.paragraph(Font(10), QStringLiteral("%1 %2, report of %3")
                                  .arg(QString::fromLatin1(kProgram),
                                       QString::fromLatin1(ZEPRA_VERSION), DateTimeText(when)));
}

// "21 °C": a temperature or a share as typed, in the program's decimal separator.
QString Number(double value) {
    return Q(coating::Localised(coating::ShortestDecimal(value)));
}

// A temperature difference to one decimal, rounded down so that a margin is never shown larger
// than it is.
QString Margin(double celsius) {
    std::string text = QString::number(std::floor(celsius * 10) / 10, 'f', 1).toStdString();
    std::replace(text.begin(), text.end(), '.', DecimalSeparator());
    return Q(text);
}

// The gauge in one line, or empty: "Acme DFT-7, serial 12345, probe F1".
QString GaugeLine(const InspectionRecord& r) {
    QStringList parts;
    const QString name = (Q(r.gaugeMake) + ' ' + Q(r.gaugeModel)).trimmed();
    if (!name.isEmpty()) parts << name;
    if (!r.gaugeSerial.empty()) parts << QStringLiteral("serial %1").arg(Q(r.gaugeSerial));
    if (!r.probe.empty()) parts << QStringLiteral("probe %1").arg(Q(r.probe));
    return parts.join(QStringLiteral(", "));
}

// "certificate C-17 of 2026-01-15", with "(due: more than 12 months before the measurement)".
QString CalibrationLine(const InspectionRecord& r, const QDate& measured) {
    QStringList parts;
    if (!r.calibrationCertificate.empty())
        parts << QStringLiteral("certificate %1").arg(Q(r.calibrationCertificate));
    if (!r.calibrationDate.empty()) {
        QString date = QStringLiteral("of %1").arg(Q(r.calibrationDate));
        const QDate calibrated = QDate::fromString(Q(r.calibrationDate), Qt::ISODate);
        if (calibrated.isValid() && measured.isValid() && calibrated.addMonths(12) < measured)
            date += QStringLiteral(" (due: more than 12 months before the measurement)");
        parts << date;
    }
    return parts.join(' ');
}

// "Air 18 °C, steel 21 °C, RH 62 %; dew point 10.7 °C, the steel 10.3 °C above it", with the
// flag when the margin is under 3 °C.
QString EnvironmentLine(const InspectionRecord& r, bool* flagged = nullptr) {
    QStringList parts;
    const QString degrees = QStringLiteral(" \u00b0C");
    if (r.airCelsius) parts << QStringLiteral("air ") + Number(*r.airCelsius) + degrees;
    if (r.steelCelsius) parts << QStringLiteral("steel ") + Number(*r.steelCelsius) + degrees;
    if (r.relativeHumidity) parts << QStringLiteral("RH ") + Number(*r.relativeHumidity) + " %";
    QString line = parts.join(QStringLiteral(", "));
    if (r.airCelsius && r.relativeHumidity) {
        const double dew = DewPointCelsius(*r.airCelsius, *r.relativeHumidity);
        QString dewText = QString::number(dew, 'f', 1);
        dewText.replace(QLatin1Char('.'), QLatin1Char(DecimalSeparator()));
        line += QStringLiteral("; dew point ") + dewText + degrees;
        if (r.steelCelsius) {
            const double margin = *r.steelCelsius - dew;
            line += QStringLiteral(", the steel ") + Margin(margin) + degrees +
                    (margin >= 0 ? QStringLiteral(" above it") : QStringLiteral(" below it"));
            if (margin < kLeastDewPointMargin) {
                line += QStringLiteral(": LESS THAN 3 \u00b0C ABOVE THE DEW POINT");
                if (flagged != nullptr) *flagged = true;
            }
        }
    }
    if (!line.isEmpty()) line[0] = line[0].toUpper();
    return line;
}

// The SHA-256 of the readings judged: their texts as printed, one a line ('\n' after each).
QString ReadingsDigest(const std::vector<ReadingRecord>& readings) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const ReadingRecord& r : readings) {
        hash.addData(QByteArray::fromStdString(r.text));
        hash.addData(QByteArrayView("\n"));
    }
    return QString::fromLatin1(hash.result().toHex());
}

// Page 1's conclusion in a frame: the verdict in large type and colour, why there is none, what
// failed in words, what was not checked, the readings and values judged, the report number.
void ConclusionBlock(Pages& pages, const Content& c) {
    QString label = QStringLiteral("Readings only: no coating standard was chosen");
    QString word;
    QColor colour = kNoVerdictColour;
    QStringList lines;
    if (c.standard) {
        const StandardTexts& s = *c.standard;
        label = QStringLiteral("Verdict (%1):").arg(Q(s.name));
        word = Q(s.verdictWord);
        colour = s.passed ? kPassColour : s.verdictWord == "FAIL" ? kFailColour : kNoVerdictColour;
        if (!s.error.empty()) lines << QStringLiteral("No verdict: %1").arg(Q(s.error));
        constexpr std::size_t kShown = 6;  // the rest are in the criteria table
        for (std::size_t i = 0; i < std::min(kShown, s.failing.size()); ++i)
            lines << QStringLiteral("Failed: %1").arg(Q(s.failing[i]));
        if (s.failing.size() > kShown) {
            lines << QStringLiteral("and %1 more failed criteria: see the criteria below")
                         .arg(s.failing.size() - kShown);
        }
        if (!s.unchecked.empty()) {
            QString unchecked = Q(s.unchecked);
            unchecked[0] = unchecked[0].toUpper();
            lines << unchecked;
        }
        lines << QStringLiteral("Readings judged: %1").arg(Q(s.judged));
        lines << QStringLiteral("Values judged: %1").arg(Q(s.valuesJudged));
    } else {
        lines << QStringLiteral("Readings: %1").arg(c.readings.size());
    }
    const InspectionRecord& record = c.report.record;
    const QString gauge = GaugeLine(record);
    lines << QStringLiteral("Gauge: %1")
                 .arg(gauge.isEmpty() ? QStringLiteral("not recorded") : gauge);
    const QString calibration = CalibrationLine(record, c.measuredDate);
    lines << QStringLiteral("Calibration: %1")
                 .arg(calibration.isEmpty() ? QStringLiteral("not recorded") : calibration);
    bool flagged = false;
    const QString environment = EnvironmentLine(record, &flagged);
    if (flagged) lines << QStringLiteral("Conditions: %1").arg(environment);
    lines << QStringLiteral("Readings SHA-256: %1").arg(ReadingsDigest(c.readings));
    lines << QStringLiteral("Report number: %1").arg(Q(c.reportNumber));

    const QFont big = Font(40, true);
    const QFont labelFont = Font(14, true);
    const QFont body = Font(10);
    const double pad = Mm(4);
    const double inner = pages.width() - 2 * pad;
    const double head =
        word.isEmpty() ? pages.textHeight(labelFont, inner, label) : pages.lineHeight(big);
    double height = head + Mm(2) + 2 * pad;
    for (const QString& line : lines) height += pages.textHeight(body, inner, line);
    pages.advance(Mm(4));
    pages.need(height);
    if (QPainter* painter = pages.painter()) {
        painter->setPen(QPen(colour, Mm(0.8)));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(pages.left(), pages.y(), pages.width(), height));
    }
    const double x = pages.left() + pad;
    double y = pages.y() + pad;
    if (word.isEmpty()) {
        pages.text(x, y, inner, labelFont, label);
    } else {
        pages.text(x, y + (head - pages.lineHeight(labelFont)) / 2, Mm(60), labelFont, label);
        pages.text(x + Mm(56), y, inner - Mm(56), big, word, colour);
    }
    y += head + Mm(2);
    for (const QString& line : lines) y += pages.text(x, y, inner, body, line);
    pages.advance(height);
}

void JobBlock(Pages& pages, const Content& c) {
    const JobDetails& job = c.report.job;
    std::vector<std::pair<QString, QString>> rows;
    auto add = [&](const char* name, const std::string& value) {
        if (!value.empty()) rows.emplace_back(QString::fromLatin1(name), Q(value));
    };
    add("Project", job.project);
    add("Structure or area", job.structure);
    add("Coating", job.coating);
    add("Inspector", job.inspector);
    add("Notes", job.notes);
    if (rows.empty()) return;
    pages.heading(QStringLiteral("Job"));
    LabelledRows(pages, rows);
}

void RecordBlock(Pages& pages, const Content& c) {
    const InspectionRecord& r = c.report.record;
    std::vector<std::pair<QString, QString>> rows;
    auto add = [&](const char* name, const QString& value) {
        if (!value.isEmpty()) rows.emplace_back(QString::fromLatin1(name), value);
    };
    add("Gauge", GaugeLine(r));
    add("Calibration", CalibrationLine(r, c.measuredDate));
    add("Zero and shims", Q(r.zeroCheck));
    add("Surface preparation", Q(r.surfacePreparation));
    add("Surface profile", Q(r.surfaceProfile));
    add("Conditions", EnvironmentLine(r));
    add("Qualification", Q(r.inspectorQualification));
    if (rows.empty()) return;
    pages.heading(QStringLiteral("Gauge, calibration and conditions"));
    LabelledRows(pages, rows);
}

void SourceBlock(Pages& pages, const Content& c) {
    pages.heading(QStringLiteral("Readings measured"));
    std::vector<std::pair<QString, QString>> rows = {
        {QStringLiteral("Source"), Q(c.report.source)}};
    if (!c.report.measuredAt.empty())
        rows.emplace_back(QStringLiteral("Measured"), Q(c.report.measuredAt));
    LabelledRows(pages, rows);
    LabelledRows(pages, {{QStringLiteral("Unit"), Q(c.unit)},
                         {QStringLiteral("Readings"), QString::number(c.readings.size())}});
}

// The statistics in the group window's words, four to a row.
void StatisticsBlock(Pages& pages, const Content& c) {
    pages.heading(QStringLiteral("Statistics and limits"));
    const GroupTexts& t = c.texts;
    const bool any = !c.readings.empty();
    std::vector<std::pair<QString, QString>> cells = {
        {Label(labels::kGroupCount), QString::number(c.readings.size())},
        {Label(labels::kGroupMean), any ? Q(t.mean) : QString()},
        {Label(labels::kGroupMax), any ? Q(t.maximum) : QString()},
        {Label(labels::kGroupMin), any ? Q(t.minimum) : QString()},
        {Label(labels::kDeviation), any ? Q(t.deviation) : QString()},
        {QStringLiteral("Unit:"), Q(c.unit)},
    };
    if (c.report.highLimit) cells.emplace_back(Label(labels::kHighLimit), Q(t.highLimit));
    if (c.report.lowLimit) cells.emplace_back(Label(labels::kLowLimit), Q(t.lowLimit));
    const QFont label = Font(10, true);
    const QFont value = Font(10);
    const double cell = pages.width() / 4;
    const double height = pages.lineHeight(value) + Mm(1);
    for (std::size_t i = 0; i < cells.size(); i += 4) {
        pages.need(height);
        for (std::size_t k = i; k < std::min(i + 4, cells.size()); ++k) {
            const double x = pages.left() + cell * static_cast<double>(k - i);
            pages.text(x, pages.y(), Mm(22), label, cells[k].first);
            pages.text(x + Mm(22), pages.y(), cell - Mm(22), value, cells[k].second);
        }
        pages.advance(height);
    }
}

// A table with wrapped cells; columns share the width in the given proportions. The header
// starts every page the table is on; a row taller than the room left goes on in slices of lines.
void Table(Pages& pages, const std::vector<QString>& header,
           const std::vector<std::vector<QString>>& rows, const std::vector<double>& shares,
           const std::vector<QColor>& lastColumnColours) {
    const QFont bold = Font(9, true);
    const QFont plain = Font(9);
    std::vector<double> widths;
    for (double share : shares) widths.push_back(pages.width() * share);
    const double pad = Mm(1);
    const double line = pages.lineHeight(plain);
    auto cellLines = [&](const std::vector<QString>& cells, const QFont& font) {
        std::vector<QStringList> out;
        for (std::size_t k = 0; k < cells.size(); ++k)
            out.push_back(pages.lines(font, widths[k] - 2 * pad, cells[k]));
        return out;
    };
    const std::vector<QStringList> headerLines = cellLines(header, bold);
    // Draws lines [from, to) of each cell as one band of the row.
    auto band = [&](const std::vector<QStringList>& cells, std::size_t from, std::size_t to,
                    const QFont& font, const QColor& last) {
        double x = pages.left();
        for (std::size_t k = 0; k < cells.size(); ++k) {
            const bool result = k + 1 == cells.size() && last != Qt::black;
            const QStringList part =
                from < static_cast<std::size_t>(cells[k].size())
                    ? cells[k].mid(static_cast<qsizetype>(from), static_cast<qsizetype>(to - from))
                    : QStringList();
            pages.drawLines(x + pad, pages.y() + pad, widths[k] - 2 * pad, result ? bold : font,
                            part, k + 1 == cells.size() ? last : Qt::black);
            x += widths[k];
        }
        pages.advance(static_cast<double>(to - from) * line + 2 * pad);
        pages.rule(pages.y(), kRuleColour, 0.15);
    };
    auto tallest = [](const std::vector<QStringList>& cells) {
        std::size_t n = 1;
        for (const QStringList& cell : cells)
            n = std::max(n, static_cast<std::size_t>(cell.size()));
        return n;
    };
    const double headerHeight = static_cast<double>(tallest(headerLines)) * line + 2 * pad;
    auto drawHeader = [&] { band(headerLines, 0, tallest(headerLines), bold, Qt::black); };
    auto newPage = [&] {
        pages.newPage();
        drawHeader();
    };
    pages.need(headerHeight + line + 2 * pad);
    drawHeader();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::vector<QStringList> cells = cellLines(rows[i], plain);
        const std::size_t count = tallest(cells);
        const double height = static_cast<double>(count) * line + 2 * pad;
        // A row that fits on a fresh page is not split.
        if (height > pages.room() && height <= pages.fullRoom() - headerHeight) newPage();
        std::size_t from = 0;
        while (from < count) {
            if (line + 2 * pad > pages.room()) newPage();
            const auto fit = static_cast<std::size_t>((pages.room() - 2 * pad) / line);
            const std::size_t to = std::min(count, from + std::max<std::size_t>(1, fit));
            band(cells, from, to, plain, lastColumnColours[i]);
            from = to;
        }
    }
}

// Items in columns that fill downwards, page by page; each further page starts with `title`
// and "(continued)".
void Columns(Pages& pages, std::size_t count, double columnMm, double rowHeight,
             const QString& title,
             const std::function<void(std::size_t, double, double)>& drawItem) {
    const int columns = std::max(1, static_cast<int>(pages.width() / Mm(columnMm)));
    const double columnWidth = pages.width() / columns;
    std::size_t next = 0;
    while (next < count) {
        pages.need(rowHeight * 3);
        const auto rows =
            std::max<std::size_t>(1, static_cast<std::size_t>(pages.room() / rowHeight));
        const std::size_t remaining = count - next;
        // A short list is spread over the columns instead of filling the first.
        const std::size_t perColumn =
            std::min(rows, (remaining + static_cast<std::size_t>(columns) - 1) / columns);
        for (int column = 0; column < columns && next < count; ++column) {
            for (std::size_t row = 0; row < perColumn && next < count; ++row, ++next) {
                drawItem(next, pages.left() + column * columnWidth,
                         pages.y() + static_cast<double>(row) * rowHeight);
            }
        }
        pages.advance(static_cast<double>(perColumn) * rowHeight);
        if (next < count) {
            pages.newPage();
            pages.paragraph(Font(9, true), title + QStringLiteral(" (continued)"));
            pages.advance(Mm(1));
        }
    }
}

void StandardBlock(Pages& pages, const Content& c) {
    const StandardTexts& s = *c.standard;
    pages.heading(QStringLiteral("Standard: %1").arg(Q(s.name)));
    if (!s.parameters.empty()) {
        std::vector<std::pair<QString, QString>> rows;
        for (const ParameterLine& p : s.parameters) {
            rows.emplace_back(
                Q(p.name), Q(p.value) + (p.origin.empty() ? QString() : " (" + Q(p.origin) + ")"));
        }
        LabelledRows(pages, rows);
    }
    if (!s.criteria.empty()) {
        pages.advance(Mm(2));
        std::vector<std::vector<QString>> rows;
        std::vector<QColor> colours;
        for (const CriterionRow& row : s.criteria) {
            rows.push_back({Q(row.name), Q(row.required), Q(row.measured),
                            row.passed ? QStringLiteral("pass") : QStringLiteral("FAIL")});
            colours.push_back(row.passed ? kPassColour : kFailColour);
        }
        Table(pages,
              {QStringLiteral("Criterion"), QStringLiteral("Required"), QStringLiteral("Measured"),
               QStringLiteral("Result")},
              rows, {0.34, 0.32, 0.22, 0.12}, colours);
    }
    if (!s.spots.empty()) {
        pages.advance(Mm(2));
        pages.paragraph(Font(10, true), QStringLiteral("Spot means (readings: mean)"));
        const QFont font = Font(8);
        const double rowHeight = pages.lineHeight(font) + Mm(0.4);
        Columns(pages, s.spots.size(), 34, rowHeight, QStringLiteral("Spot means"),
                [&](std::size_t i, double x, double y) {
                    pages.text(x, y, Mm(34), font, Q(s.spots[i]));
                });
    }
    if (!s.notes.empty() || !s.error.empty()) {
        pages.advance(Mm(2));
        if (!s.error.empty()) pages.paragraph(Font(10, true), Q(s.error), kFailColour);
        for (const std::string& note : s.notes) pages.paragraph(Font(9), Q(note));
    }
}

// A limit line across the chart (in chart coordinates).
void LimitLine(QPainter& painter, const QLineF& line, const ChartLine& limit, double unitsPerMm) {
    painter.setPen(QPen(limit.colour, 0.6 * unitsPerMm, limit.style));
    painter.drawLine(line);
}

void ChartBlock(Pages& pages, const Content& c, bool trend) {
    const TrendChartData trendData = ComputeTrendChart(c.readings, c.report.unitIsMils);
    const HistogramChartData histogram = ComputeHistogramChart(c.readings, c.report.unitIsMils, 1);
    const bool drawable = trend ? trendData.drawable : histogram.drawable;
    const QFont axis = Font(7);
    const double axisHeight = pages.lineHeight(axis);
    const double labelWidth = Mm(16);
    // Both charts fit on one page of either paper size.
    const double chartWidth = std::min(pages.width() - labelWidth - Mm(2), Mm(140));
    const double scale = chartWidth / kChartWidth;
    const double chartHeight = kChartHeight * scale;
    const double total = chartHeight + axisHeight * 4 + Mm(4);
    pages.heading(trend ? QStringLiteral("Trend (%1 by reading number)").arg(Q(c.unit))
                        : QStringLiteral("Histogram (readings by %1)").arg(Q(c.unit)),
                  total / Mm(1));
    pages.advance(axisHeight / 2);
    const double x0 = pages.left() + labelWidth + Mm(2);
    const double y0 = pages.y();
    QPainter* painter = pages.painter();
    if (painter != nullptr) {
        painter->save();
        painter->translate(x0, y0);
        painter->scale(scale, scale);
        const QRectF area(0, 0, kChartWidth, kChartHeight);
        painter->fillRect(area, Qt::white);
        painter->setClipRect(area);
        const double unitsPerMm = Mm(1) / scale;
        if (trend && trendData.drawable) {
            DrawTrend(*painter, trendData.points);
            DrawChartControls(*painter, nullptr);
            for (const ChartLine& limit : c.lines) {
                const double y = TrendValueY(trendData, limit.micrometres);
                LimitLine(*painter, QLineF(0, y, kChartWidth, y), limit, unitsPerMm);
            }
        } else if (!trend && histogram.drawable) {
            DrawChartControls(*painter, &histogram.bars);
            for (const ChartLine& limit : c.lines) {
                const double x = HistogramValueX(histogram, limit.micrometres);
                LimitLine(*painter, QLineF(x, 0, x, kChartHeight), limit, unitsPerMm);
            }
        } else {
            DrawChartControls(*painter, nullptr);
        }
        painter->setClipping(false);
        painter->setPen(QPen(kRuleColour, 0.3 * unitsPerMm));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(area);
        painter->restore();
    }
    // Axis captions where the group window puts its labels: values left, numbers or values below.
    auto left = [&](double chartY, const std::string& text) {
        pages.text(pages.left(), y0 + chartY * scale - axisHeight / 2, labelWidth, axis, Q(text),
                   Qt::black, Qt::AlignRight);
    };
    auto below = [&](double chartX, const std::string& text, double row = 0) {
        const double width = pages.textWidth(axis, Q(text));
        const double x = std::clamp(x0 + chartX * scale - width / 2, pages.left(),
                                    pages.left() + pages.width() - width);
        pages.text(x, y0 + chartHeight + Mm(0.5) + row * axisHeight, width + Mm(1), axis, Q(text));
    };
    if (drawable && trend) {
        for (int i = 0; i < kTrendValueLabels; ++i) {
            // Label i stands for m + S (3 - i) / 3.
            left(TrendValueY(trendData, trendData.mean + trendData.halfSpan * (3 - i) / 3),
                 trendData.valueLabels[static_cast<std::size_t>(i)]);
        }
        const double n = static_cast<double>(c.readings.size());
        const double fractions[kTrendNumberLabels] = {0.25, 0.5, 0.75, 1.0};
        for (int i = 0; i < kTrendNumberLabels; ++i) {
            below(735.0 * std::nearbyint(n * fractions[i]) / n,  // where the label's number is
                  trendData.numberLabels[static_cast<std::size_t>(i)]);
        }
    } else if (drawable) {
        left(kHistogramBaseline, "0");
        for (int i = 0; i < kHistogramCountLabels; ++i) {
            left(kHistogramBaseline - kHistogramBaseline * (i + 1) / 6.0,
                 histogram.countLabels[static_cast<std::size_t>(i)]);
        }
        below(HistogramValueX(histogram, histogram.lo), histogram.valueLabels[0], 1);
        for (int label = 1; label <= 10; ++label) {
            below(ChartTickRect(3 * label - 1).center().x(),
                  histogram.valueLabels[static_cast<std::size_t>(label)], label % 2 == 0 ? 1 : 0);
        }
        below(HistogramValueX(histogram, histogram.hi), histogram.valueLabels[11], 1);
    } else {
        pages.text(x0, y0 + chartHeight / 2, chartWidth, Font(10),
                   QStringLiteral("Too few readings for this chart."), Qt::black, Qt::AlignHCenter);
    }
    pages.advance(chartHeight + axisHeight * (trend ? 1 : 2) + Mm(1));
    // The legend of the limit lines, each in its line's colour and pattern, row after row.
    if (drawable && !c.lines.empty()) {
        const double start = pages.left() + labelWidth + Mm(2);
        double x = start;
        for (const ChartLine& limit : c.lines) {
            QString text = limit.legend;
            const double where = trend ? TrendValueY(trendData, limit.micrometres)
                                       : HistogramValueX(histogram, limit.micrometres);
            if (!(where >= 0 && where <= (trend ? kChartHeight : kChartWidth))) {
                text += QStringLiteral(" (off the scale)");
            }
            const double width = Mm(9) + pages.textWidth(axis, text);
            if (x > start && x + width > pages.left() + pages.width()) {
                pages.advance(axisHeight);
                x = start;
            }
            if (QPainter* p = pages.painter()) {
                p->setPen(QPen(limit.colour, Mm(0.4), limit.style));
                const double middle = pages.y() + axisHeight / 2;
                p->drawLine(QPointF(x, middle), QPointF(x + Mm(7), middle));
            }
            pages.text(x + Mm(8), pages.y(), width, axis, text, limit.colour);
            x += width + Mm(6);
        }
        pages.advance(axisHeight);
    }
    pages.advance(Mm(3));
}

// H above the high limit, L below the low limit, S outside the standard's bounds.
QString MarkOf(const Content& c, std::size_t i) {
    const double v = c.readings[i].value;
    QString mark;
    if (c.report.highLimit && v > *c.report.highLimit) mark += 'H';
    if (c.report.lowLimit && v < *c.report.lowLimit) mark += 'L';
    if (i < c.outsideStandard.size() && c.outsideStandard[i]) mark += 'S';
    return mark;
}

void ReadingsBlock(Pages& pages, const Content& c) {
    pages.heading(QStringLiteral("Readings (%1)").arg(Q(c.unit)));
    const std::set<std::int32_t> none;
    const std::set<std::int32_t>& excluded = c.standard ? c.standard->excluded : none;

    // The legend: only the marks that occur.
    QString occurring;
    for (std::size_t i = 0; i < c.readings.size(); ++i) {
        for (const QChar mark : MarkOf(c, i)) {
            if (!occurring.contains(mark)) occurring += mark;
        }
    }
    QStringList legend;
    if (occurring.contains('H')) {
        legend.push_back(
            QStringLiteral("H above the high limit (%1 %2)").arg(Q(c.texts.highLimit), Q(c.unit)));
    }
    if (occurring.contains('L')) {
        legend.push_back(
            QStringLiteral("L below the low limit (%1 %2)").arg(Q(c.texts.lowLimit), Q(c.unit)));
    }
    if (occurring.contains('S')) {
        legend.push_back(QStringLiteral("S fails %1 on its own: %2")
                             .arg(Q(c.standard->name), Q(c.standard->boundsExplanation)));
    }
    if (!excluded.empty()) {
        legend.push_back(
            QStringLiteral("struck through: excluded from the verdict (see the notes)"));
    }
    for (const QString& line : legend) pages.paragraph(Font(8), line);
    pages.advance(Mm(1));

    const QFont font = Font(8);
    const double rowHeight = pages.lineHeight(font) + Mm(0.3);
    const double numberWidth = Mm(11);
    const double valueWidth = Mm(15);
    // Tens of thousands of cells: single lines at their baseline, measured with one metrics
    // object, and nothing at all in the counting pass.
    const QFont markFont = Font(8, true);
    const QFontMetricsF metrics(font, pages.device());
    const double ascent = metrics.ascent();
    QPainter* painter = pages.painter();
    const QPen numberPen(Qt::darkGray);
    const QPen valuePen(Qt::black);
    const QPen strikePen(Qt::black, Mm(0.2));
    Columns(pages, c.readings.size(), 34, rowHeight, QStringLiteral("Readings (%1)").arg(Q(c.unit)),
            [&](std::size_t i, double x, double y) {
                if (painter == nullptr) return;
                const ReadingRecord& r = c.readings[i];
                const QString mark = MarkOf(c, i);
                const QString number = QString::number(r.number);
                const QString value = Q(r.text);
                painter->setFont(font);
                painter->setPen(numberPen);
                painter->drawText(
                    QPointF(x + numberWidth - metrics.horizontalAdvance(number), y + ascent),
                    number);
                painter->setPen(valuePen);
                const double valueRight = x + numberWidth + Mm(2) + valueWidth;
                painter->drawText(
                    QPointF(valueRight - metrics.horizontalAdvance(value), y + ascent), value);
                if (!mark.isEmpty()) {
                    painter->setFont(markFont);
                    painter->setPen(kMarkColour);
                    painter->drawText(QPointF(valueRight + Mm(1), y + ascent), mark);
                }
                if (excluded.count(r.number)) {
                    const double middle = y + rowHeight * 0.45;
                    painter->setPen(strikePen);
                    painter->drawLine(QPointF(x + Mm(2), middle),
                                      QPointF(valueRight + Mm(0.5), middle));
                }
            });
}

// Signature lines with the printed name and position under each.
void SignatureBlock(Pages& pages, const Content& c) {
    const InspectionRecord& r = c.report.record;
    const QFont font = Font(9);
    const double gap = Mm(8);
    const double width = (pages.width() - 2 * gap) / 3;
    const QString under[3] = {
        QStringList{QStringLiteral("Inspector"), Q(c.report.job.inspector), Q(r.inspectorPosition)}
            .join('\n')
            .trimmed(),
        QStringList{QStringLiteral("Client"), Q(r.clientName), Q(r.clientPosition)}
            .join('\n')
            .trimmed(),
        QStringLiteral("Date")};
    double below = 0;
    for (const QString& text : under) below = std::max(below, pages.textHeight(font, width, text));
    pages.need(Mm(15) + below);
    pages.advance(Mm(14));
    for (int i = 0; i < 3; ++i) {
        const double x = pages.left() + i * (width + gap);
        if (QPainter* painter = pages.painter()) {
            painter->setPen(QPen(Qt::black, Mm(0.25)));
            painter->drawLine(QPointF(x, pages.y()), QPointF(x + width, pages.y()));
        }
        pages.text(x, pages.y() + Mm(1), width, font, under[i]);
    }
    pages.advance(below + Mm(2));
}

// Returns the number of pages.
int Layout(Pages& pages, const Content& c) {
    TitleBlock(pages, c);
    ConclusionBlock(pages, c);
    JobBlock(pages, c);
    RecordBlock(pages, c);
    SourceBlock(pages, c);
    StatisticsBlock(pages, c);
    if (c.standard) StandardBlock(pages, c);
    ChartBlock(pages, c, true);
    ChartBlock(pages, c, false);
    ReadingsBlock(pages, c);
    SignatureBlock(pages, c);
    pages.finish();
    return pages.page();
}

// Text for the XMP: XML 1.0 takes no control characters but tab, line feed and return.
QString XmlEscaped(const std::string& text) {
    QString clean = Q(text);
    clean.removeIf(
        [](QChar ch) { return ch.unicode() < 0x20 && ch != u'\t' && ch != u'\n' && ch != u'\r'; });
    return clean.toHtmlEscaped();
}

// The document's XMP: title, author (the inspector), subject (the project), creator tool, and
// the PDF/A-1b identification that Qt's own XMP would carry.
QByteArray XmpMetadata(const ReportContent& report, const QString& creator,
                       const QDateTime& created) {
    const QString title = QString::fromLatin1(kTitle);
    QString xmp = QStringLiteral(
        "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
        " xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
        " xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n"
        "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">%1</rdf:li></rdf:Alt></dc:title>\n");
    xmp = xmp.arg(title.toHtmlEscaped());
    if (!report.job.inspector.empty()) {
        xmp += QStringLiteral("<dc:creator><rdf:Seq><rdf:li>%1</rdf:li></rdf:Seq></dc:creator>\n")
                   .arg(XmlEscaped(report.job.inspector));
    }
    if (!report.job.project.empty()) {
        xmp += QStringLiteral(
                   "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">%1</rdf:li></rdf:Alt>"
                   "</dc:description>\n")
                   .arg(XmlEscaped(report.job.project));
    }
    xmp += QStringLiteral(
               "<xmp:CreatorTool>%1</xmp:CreatorTool>\n"
               "<xmp:CreateDate>%3</xmp:CreateDate>\n<xmp:ModifyDate>%3</xmp:ModifyDate>\n"
               "<xmp:MetadataDate>%3</xmp:MetadataDate>\n"
               "<pdf:Producer>Qt %2</pdf:Producer>\n"
               "<pdfaid:part>1</pdfaid:part>\n<pdfaid:conformance>B</pdfaid:conformance>\n"
               "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end='w'?>")
               .arg(creator.toHtmlEscaped(), QString::fromLatin1(qVersion()),
                    created.toOffsetFromUtc(created.offsetFromUtc()).toString(Qt::ISODate));
    return xmp.toUtf8();
}

// The characters of the texts that no installed font can draw (each once, in order): printed they
// would be empty boxes, missing from the text layer, and the file no PDF/A.
QString UnprintableCharacters(const ReportContent& report) {
    const JobDetails& j = report.job;
    const InspectionRecord& r = report.record;
    QString all;
    for (const std::string* text :
         {&j.project, &j.structure, &j.coating, &j.inspector, &j.notes, &r.gaugeMake, &r.gaugeModel,
          &r.gaugeSerial, &r.probe, &r.calibrationCertificate, &r.zeroCheck, &r.surfacePreparation,
          &r.surfaceProfile, &r.inspectorQualification, &r.inspectorPosition, &r.clientName,
          &r.clientPosition}) {
        all += Q(*text);
    }
    if (report.standard) {
        for (const coating::ReadingMark& mark : report.standard->verdict.readings)
            all += Q(mark.reason);
    }
    QString missing;
    std::set<char32_t> seen;
    const QFont font = Font(10);
    for (const char32_t ch : all.toUcs4()) {
        if (ch < 0x80 || !seen.insert(ch).second) continue;
        // Laid out alone, with Qt's fallback fonts: glyph 0 is the empty box.
        QTextLayout layout(QString::fromUcs4(&ch, 1), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        bool drawn = false;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            for (const quint32 glyph : run.glyphIndexes()) drawn = drawn || glyph != 0;
        }
        if (!drawn) {
            missing += QStringLiteral("%1%2 (U+%3)")
                           .arg(missing.isEmpty() ? QString() : QStringLiteral(", "))
                           .arg(QString::fromUcs4(&ch, 1))
                           .arg(static_cast<uint>(ch), 4, 16, QLatin1Char('0'))
                           .toUpper();
        }
    }
    return missing;
}

}  // namespace

double DewPointCelsius(double celsius, double relativeHumidity) {
    constexpr double b = 17.62;
    constexpr double c = 243.12;
    const double gamma = std::log(relativeHumidity / 100) + b * celsius / (c + celsius);
    return c * gamma / (b - gamma);
}

std::string WriteInspectionReport(const ReportContent& report, const std::string& path) {
    const QString name = QString::fromStdString(path);
    auto failure = [&name](const QString& reason) {
        return QStringLiteral("Cannot write the file \"%1\": %2").arg(name, reason).toStdString();
    };
    if (path.empty()) return failure(QStringLiteral("no file name"));
    // Nothing is printed as an empty box: a text no font here can draw is said, and nothing is
    // written.
    if (const QString missing = UnprintableCharacters(report); !missing.isEmpty()) {
        return failure(QStringLiteral("no installed font has the characters %1; install a font "
                                      "that has them (for Chinese, Japanese and Korean the "
                                      "package fonts-wqy-microhei)")
                           .arg(missing));
    }

    Content c{report,
              report.readings,
              {},
              {},
              {},
              {},
              UnitWord(report.unitIsMils),
              report.reportNumber,
              {},
              {}};
    const QDateTime created =
        report.createdAt.isValid() ? report.createdAt : QDateTime::currentDateTime();
    c.created = created;
    c.measuredDate = QDate::fromString(Q(report.measuredAt).left(10), Qt::ISODate);
    if (!c.measuredDate.isValid()) c.measuredDate = created.date();
    if (c.reportNumber.empty()) {
        c.reportNumber = created.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")).toStdString();
    }
    c.texts = FillGroupTexts(std::span<ReadingRecord>(c.readings), report.highLimit.value_or(0),
                             report.lowLimit.value_or(0), report.unitIsMils);
    if (report.standard) {
        c.standard = DescribeStandard(*report.standard);
        c.outsideStandard = c.standard->outside;
    }
    // Every reading as judged: the standard's text of it, else the caller's (a file's text as
    // written), else in micrometres the gauge value's shortest decimal; the statistics' Min and
    // Max and the group's limits likewise.
    const bool um = report.unitIsMils != 1;
    const std::vector<coating::ReadingMark>* marks =
        report.standard ? &report.standard->verdict.readings : nullptr;
    for (std::size_t i = 0; i < c.readings.size(); ++i) {
        if (marks != nullptr && marks->size() == c.readings.size()) {
            c.readings[i].text = (*marks)[i].value.text;
        } else if (!report.readings[i].text.empty()) {
            c.readings[i].text = report.readings[i].text;
        } else if (um) {
            c.readings[i].text = coating::GivenText(coating::Thickness{c.readings[i].value});
        }
    }
    if (!c.readings.empty()) {
        const auto [lowest, highest] = std::minmax_element(
            c.readings.begin(), c.readings.end(),
            [](const ReadingRecord& a, const ReadingRecord& b) { return a.value < b.value; });
        c.texts.minimum = lowest->text;
        c.texts.maximum = highest->text;
    }
    if (um && report.highLimit)
        c.texts.highLimit = coating::GivenText(coating::Thickness{*report.highLimit});
    if (um && report.lowLimit)
        c.texts.lowLimit = coating::GivenText(coating::Thickness{*report.lowLimit});
    // The charts mark the limits the standard judged by, as given, and the group's limits
    // (the H and L marks) in their own pattern.
    if (c.standard && c.standard->highLine) {
        c.lines.push_back({*c.standard->highLine,
                           QStringLiteral("maximum ") + Q(c.standard->highLineText),
                           kHighLimitColour, Qt::DashLine});
    }
    if (c.standard && c.standard->lowLine) {
        c.lines.push_back({*c.standard->lowLine,
                           Q(c.standard->lowLineName) + ' ' + Q(c.standard->lowLineText),
                           kLowLimitColour, Qt::DashLine});
    }
    const QString group = c.standard ? QStringLiteral("group's ") : QString();
    if (report.highLimit) {
        c.lines.push_back(
            {*report.highLimit,
             group + QStringLiteral("high limit %1 %2").arg(Q(c.texts.highLimit), Q(c.unit)),
             c.standard ? kGroupLimitColour : kHighLimitColour,
             c.standard ? Qt::DotLine : Qt::DashLine});
    }
    if (report.lowLimit) {
        c.lines.push_back(
            {*report.lowLimit,
             group + QStringLiteral("low limit %1 %2").arg(Q(c.texts.lowLimit), Q(c.unit)),
             c.standard ? kGroupLimitColour : kLowLimitColour,
             c.standard ? Qt::DotLine : Qt::DashLine});
    }

    // The document is made in memory and then saved as the other reports are (replaced as one
    // step, or written directly to a device or a FIFO).
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&document);
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        writer.setResolution(kDotsPerInch);
        writer.setPageSize(report.pageSize == PageSize::Letter ? QPageSize(QPageSize::Letter)
                                                               : QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        const QString creator = QStringLiteral("%1 %2").arg(QString::fromLatin1(kProgram),
                                                            QString::fromLatin1(ZEPRA_VERSION));
        writer.setTitle(QString::fromLatin1(kTitle));
        writer.setCreator(creator);
        Pages counting(writer, nullptr, 0, {}, {});
        const int pageCount = Layout(counting, c);
        // The writer stamps its information dictionary when the painter begins; the XMP dates
        // must be the same second (the next second when this one is nearly over).
        QDateTime now = QDateTime::currentDateTime();
        if (now.time().msec() > 950) {
            QThread::msleep(static_cast<unsigned long>(1000 - now.time().msec()));
            now = QDateTime::currentDateTime();
        }
        writer.setDocumentXmpMetadata(XmpMetadata(report, creator, now));
        QPainter painter;
        if (!painter.begin(&writer)) {
            return failure(QStringLiteral("the PDF writer could not start"));
        }
        Pages pages(writer, &painter, pageCount, Q(c.reportNumber), Q(report.job.project));
        Layout(pages, c);
        painter.end();
    }
    const QByteArray& bytes = document.data();
    return WriteReportFile(path,
                           std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())))
        .error;
}

}  // namespace zepra::inspection
