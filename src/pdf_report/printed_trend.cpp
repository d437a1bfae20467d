#include "pdf_report/printed_trend.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "charts/chart_drawing.h"

namespace zepra::inspection {
namespace {

constexpr double kTraceHalfWidth = 0.5;  // the trace's pen is one unit wide
constexpr double kMarginUnits = 4;       // around the plot area: markers reach past its edges

// The dots that what is drawn later covers; the drawing is walked from its end.
class Coverage {
  public:
    explicit Coverage(double dotsPerUnit)
        : scale_(dotsPerUnit),
          width_(static_cast<int>(std::ceil((kChartWidth + 2 * kMarginUnits) * scale_))),
          height_(static_cast<int>(std::ceil((kChartHeight + 2 * kMarginUnits) * scale_))),
          covered_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {
        const double reach = kTraceMarkerReach * scale_;
        const int r = static_cast<int>(std::ceil(reach));
        for (int dy = -r; dy <= r; ++dy) {
            if (dy * dy > reach * reach) continue;
            const int half = static_cast<int>(std::floor(std::sqrt(reach * reach - dy * dy)));
            disc_.push_back({dy, -half, half + 1});
        }
    }

    // The dots of a marker at p that are not covered yet, counted up to `enough`. Row by row:
    // a million markers are looked at several times over.
    int uncovered(const ChartPoint& p, int enough) {
        int count = 0;
        forEachRow(p, [&](std::uint8_t* from, std::uint8_t* to) {
            count += static_cast<int>(std::count(from, to, std::uint8_t{0}));
            return count < enough;
        });
        return count;
    }
    void coverMarker(const ChartPoint& p) {
        forEachRow(p, [](std::uint8_t* from, std::uint8_t* to) {
            std::fill(from, to, std::uint8_t{1});
            return true;
        });
    }
    // The trace's segment from a to b, row by row of dots: in each row, the part of the
    // segment within half the pen's width of the row, widened by that half width.
    void coverSegment(const ChartPoint& a, const ChartPoint& b) {
        const double top = std::min(a.y, b.y) - kTraceHalfWidth;
        const double bottom = std::max(a.y, b.y) + kTraceHalfWidth;
        for (int y = row(top); y <= row(bottom); ++y) {
            const double rowTop = y / scale_ - kMarginUnits - kTraceHalfWidth;
            const double rowBottom = (y + 1) / scale_ - kMarginUnits + kTraceHalfWidth;
            double left = std::min(a.x, b.x);
            double right = std::max(a.x, b.x);
            if (a.y != b.y) {
                const double t0 = std::clamp((rowTop - a.y) / (b.y - a.y), 0.0, 1.0);
                const double t1 = std::clamp((rowBottom - a.y) / (b.y - a.y), 0.0, 1.0);
                const double x0 = a.x + t0 * (b.x - a.x);
                const double x1 = a.x + t1 * (b.x - a.x);
                left = std::min(x0, x1);
                right = std::max(x0, x1);
            }
            std::uint8_t* line = rowStart(y);
            std::fill(line + column(left - kTraceHalfWidth),
                      line + column(right + kTraceHalfWidth) + 1, std::uint8_t{1});
        }
    }
    int column(double x) const { return Index(x, width_); }
    int row(double y) const { return Index(y, height_); }

  private:
    // Calls visit(first, last) for the dots of each row of the marker's disc on the grid, while
    // it returns true.
    template <typename Visit>
    void forEachRow(const ChartPoint& p, Visit visit) {
        const int cx = column(p.x);
        const int cy = row(p.y);
        for (const Span& span : disc_) {
            const int y = cy + span.dy;
            if (y < 0 || y >= height_) continue;
            const int from = std::clamp(cx + span.from, 0, width_);
            const int to = std::clamp(cx + span.to, 0, width_);
            std::uint8_t* line = rowStart(y);
            if (!visit(line + from, line + to)) return;
        }
    }
    std::uint8_t* rowStart(int y) {
        return covered_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    }

    int Index(double units, int size) const {
        const double dot = std::floor((units + kMarginUnits) * scale_);
        return static_cast<int>(std::clamp(dot, 0.0, static_cast<double>(size - 1)));
    }

    double scale_;
    int width_;
    int height_;
    std::vector<std::uint8_t> covered_;  // bytes: a dot is looked at hundreds of times
    struct Span {
        int dy = 0;
        int from = 0;  // dx, the first of the row's dots
        int to = 0;    // dx past the last
    };
    std::vector<Span> disc_;
};

// The readings whose segment ends in one dot column: points [begin, end), each i drawing the
// segment from i - 1 to i and then marker i - 1 (the last point its own marker first).
struct Column {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::vector<std::size_t> trace;    // the points the reduced trace goes through, in order
    std::vector<std::size_t> markers;  // in drawing order
};

std::vector<Column> Columns(std::span<const ChartPoint> points, const Coverage& coverage) {
    std::vector<Column> columns;
    const std::size_t n = points.size();
    for (std::size_t i = 1; i < n; ++i) {
        if (columns.empty() ||
            coverage.column(points[i].x) != coverage.column(points[columns.back().begin].x)) {
            columns.push_back({i, i, {}, {}});
        }
        Column& column = columns.back();
        column.end = i + 1;
        if (i == n - 1) column.markers.push_back(i);
        column.markers.push_back(i - 1);
    }
    for (Column& column : columns) {
        const auto at = [&](std::size_t i) { return points[i].y; };
        if (column.end - column.begin <= 4) {
            for (std::size_t i = column.begin; i < column.end; ++i) column.trace.push_back(i);
            continue;
        }
        std::size_t lowest = column.begin;
        std::size_t highest = column.begin;
        for (std::size_t i = column.begin; i < column.end; ++i) {
            if (at(i) < at(lowest)) lowest = i;
            if (at(i) > at(highest)) highest = i;
        }
        column.trace = {column.begin, lowest, highest, column.end - 1};
        std::sort(column.trace.begin(), column.trace.end());
        column.trace.erase(std::unique(column.trace.begin(), column.trace.end()),
                           column.trace.end());
    }
    return columns;
}

// Leaves as candidates only the marker drawn last in each cell of `cell` chart units.
void ThinByCells(std::span<const ChartPoint> points, const std::vector<Column>& columns,
                 double cell, std::vector<bool>& candidate) {
    const auto across = static_cast<std::size_t>((kChartWidth + 2 * kMarginUnits) / cell) + 1;
    const auto down = static_cast<std::size_t>((kChartHeight + 2 * kMarginUnits) / cell) + 1;
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> last(across * down, kNone);
    const auto index = [&](double units, std::size_t size) {
        return std::min(size - 1,
                        static_cast<std::size_t>(std::max(0.0, (units + kMarginUnits) / cell)));
    };
    for (const Column& column : columns) {
        for (const std::size_t m : column.markers)
            last[index(points[m].y, down) * across + index(points[m].x, across)] = m;
    }
    candidate.assign(points.size(), false);
    for (const std::size_t m : last) {
        if (m != kNone) candidate[m] = true;
    }
}

}  // namespace

std::vector<PrintedTrendElement> ReduceTrendForPrint(std::span<const ChartPoint> points,
                                                     const PrintResolution& resolution) {
    std::vector<PrintedTrendElement> elements;
    if (points.size() < 2) return elements;
    const std::vector<Column> columns = Columns(points, Coverage(resolution.dotsPerUnit));

    // From the end: a marker is kept when enough of it is left uncovered by what follows. Where
    // that keeps too many (a dense capture shows a sliver of nearly every marker), only the
    // marker drawn last in each square cell is looked at, the cells growing until the page
    // holds at most mostMarkers: cells smaller than a marker keep the band covered by markers,
    // as on the screen, instead of baring the trace beneath them.
    const int enough = std::max(1, resolution.leastVisibleDots);
    std::vector<bool> candidate(points.size(), true);
    std::vector<bool> kept;
    for (double cell = 0;; cell = cell == 0 ? 1 : cell * 1.2) {
        if (cell > 0) ThinByCells(points, columns, cell, candidate);
        Coverage coverage(resolution.dotsPerUnit);
        kept.assign(points.size(), false);
        std::size_t count = 0;
        for (std::size_t c = columns.size(); c-- > 0;) {
            const Column& column = columns[c];
            for (auto m = column.markers.rbegin(); m != column.markers.rend(); ++m) {
                if (candidate[*m] && coverage.uncovered(points[*m], enough) >= enough) {
                    kept[*m] = true;
                    ++count;
                    coverage.coverMarker(points[*m]);
                }
            }
            std::size_t from = c == 0 ? 0 : columns[c - 1].trace.back();
            for (const std::size_t to : column.trace) {
                coverage.coverSegment(points[from], points[to]);
                from = to;
            }
        }
        if (count <= resolution.mostMarkers || cell > kChartHeight) break;
    }

    elements.push_back({points[0], false});
    for (const Column& column : columns) {
        for (const std::size_t i : column.trace) elements.push_back({points[i], false});
        for (const std::size_t m : column.markers) {
            if (kept[m]) elements.push_back({points[m], true});
        }
    }
    return elements;
}

void DrawPrintedTrend(QPainter& painter, std::span<const PrintedTrendElement> elements) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    std::vector<QPointF> line;
    for (const PrintedTrendElement& element : elements) {
        const QPointF at(element.point.x, element.point.y);
        if (!element.marker) {
            line.push_back(at);
            continue;
        }
        DrawTraceLine(painter, line);
        if (!line.empty()) line.erase(line.begin(), line.end() - 1);
        DrawTraceMarker(painter, element.point);
    }
    DrawTraceLine(painter, line);
    painter.restore();
}

}  // namespace zepra::inspection
