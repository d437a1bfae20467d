#pragma once
// The trend chart as the inspection report prints it. Drawn element by element, a capture of
// 50,000 readings is 100,000 vectors (a charts page of megabytes that a viewer takes seconds to
// draw), while one printer's dot column holds dozens of readings. What is printed is reduced at
// print resolution, in chart units (the 737 x 497 plot area) split into square dots:
// - the trace: of the readings in one dot column only the first, the lowest, the highest and the
//   last point, in their order (consecutive segments inside one column cover one vertical run,
//   and the segments into and out of the column start and end at the first and last);
// - the markers: each drawn right after its segment as on the screen, but only when at least
//   `leastVisibleDots` dots of it stay visible under what is drawn after it, and in a dense
//   capture, which shows a sliver of nearly every marker, only the last of those close together.
// Readings are still drawn in their order, so what lies on top on the screen lies on top on paper.

#include <cstddef>
#include <span>
#include <vector>

#include "charts/chart_math.h"

class QPainter;

namespace zepra::inspection {

struct PrintedTrendElement {
    ChartPoint point;
    bool marker = false;  // a marker at the point; otherwise the trace goes on to the point
};

struct PrintResolution {
    double dotsPerUnit = 4;    // dots per chart unit, each way
    int leastVisibleDots = 1;  // a marker with fewer dots left visible is not drawn
    // More visible markers than this (a page of megabytes that the writer holds whole): only the
    // marker drawn last in each cell of a grid is printed, the grid as fine as this allows.
    std::size_t mostMarkers = 50'000;
};

// The elements in drawing order: the trace points (the first one starts the trace) with the
// markers between them.
std::vector<PrintedTrendElement> ReduceTrendForPrint(std::span<const ChartPoint> points,
                                                     const PrintResolution& resolution);

// Draws them with the trend's pens: the trace as polylines between the markers.
void DrawPrintedTrend(QPainter& painter, std::span<const PrintedTrendElement> elements);

}  // namespace zepra::inspection
