#include "charts/chart_painting.h"

#include <QLabel>
#include <QString>

namespace zepra {
namespace {

void SetCaption(QLabel* label, const std::string& text) {
    if (label != nullptr) label->setText(QString::fromStdString(text));
}

// Moves a reading-number label (a child of the host window, below the area) sideways to where it
// names its reading; its top stays where the layout put it.
void PlaceNumberLabel(QLabel* label, const ChartArea& area, const TrendNumberPlace& place) {
    if (label == nullptr || label->parentWidget() == nullptr) return;
    const Qt::Alignment vertical = label->alignment() & Qt::AlignVertical_Mask;
    label->setAlignment((place.endsAt ? Qt::AlignRight : Qt::AlignHCenter) | vertical);
    const QWidget* window = area.window();
    const QPoint left = label->parentWidget()->mapFrom(
        window, area.mapTo(window, QPoint(TrendNumberLabelLeft(place, label->width()), 0)));
    label->move(left.x(), label->y());
}

}  // namespace

void TrendChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils, ChartArea& area,
                const TrendLabelSet& labels, TrendChartData& scratch) {
    ComputeTrendChart(readings, unitIsMils, scratch);
    if (!scratch.drawable) return;
    for (int i = 0; i < kTrendNumberLabels; ++i) {
        SetCaption(labels.numbers[i], scratch.numberLabels[i]);
        PlaceNumberLabel(labels.numbers[i], area, scratch.numberPlaces[i]);
    }
    for (int i = 0; i < kTrendValueLabels; ++i)
        SetCaption(labels.values[i], scratch.valueLabels[i]);
    area.drawTrend(scratch.points);
}

void TrendChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils, ChartArea& area,
                const TrendLabelSet& labels) {
    TrendChartData scratch;
    TrendChart(readings, unitIsMils, area, labels, scratch);
}

void HistogramChart(std::span<const ReadingRecord> readings, std::int32_t unitIsMils,
                    std::int32_t minimumCount, ChartArea& area, const HistogramLabelSet& labels,
                    std::array<std::int32_t, kHistogramBins>& binCounts) {
    const HistogramChartData chart = ComputeHistogramChart(readings, unitIsMils, minimumCount);
    if (!chart.drawable) return;
    for (int i = 0; i < kHistogramValueLabels; ++i)
        SetCaption(labels.values[i], chart.valueLabels[i]);
    SetCaption(labels.zero, "0");
    for (int i = 0; i < kHistogramCountLabels; ++i)
        SetCaption(labels.counts[i], chart.countLabels[i]);
    binCounts = chart.binCounts;
    area.applyBars(chart.bars);
}

}  // namespace zepra
