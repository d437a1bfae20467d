#include "ui/groups/group_window.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <string>

#include "charts/chart_area.h"
#include "data/group_texts.h"
#include "data/sample_statistics.h"
#include "data/thickness_format.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/report_menu.h"

namespace zepra {
namespace {

struct InstanceNames {
    const char* window;
    const char* caption;
    const char* trendItem;
    const char* histogramItem;
};

InstanceNames NamesOf(GroupWindowId id) {
    switch (id) {
        case GroupWindowId::Group1:
            return {"FrmGrpOne", "Group1", "grp1trend", "grp1histogram"};
        case GroupWindowId::Group2:
            return {"FrmGrpTwo", "Group2", "grp2trend", "grp2histogram"};
        case GroupWindowId::Group3:
            return {"FrmGrpThree", "Group3", "GRP3TREND", "GRP3HISTOGRAM"};
        case GroupWindowId::Group4:
            return {"FrmGrpFour", "Group4", "grp4trend", "grp4histogram"};
        case GroupWindowId::Current:
            break;
    }
    return {"FrmRealTimeGrp", "RealTimeGroup", "realtimegrptrend", "realtimegrphistogram"};
}

// Layout, in twips of the client area.
constexpr int kClientWidthTwips = 14'685;
constexpr int kClientHeightTwips = 10'095;
constexpr int kFillDelayMs = 100;
constexpr int kPopupMs = 3'000;
const QRect kGridTwips(120, 480, 2'265, 9'255);
const QPoint kChartTwips(3'120, 1'680);
constexpr int kStatisticWidthTwips = 1'815;
constexpr int kStatisticHeightTwips = 255;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

GroupWindow::GroupWindow(GroupWindowId id, const WindowContext& context, QWidget* parent)
    : QMainWindow(parent), id_(id), context_(context) {
    const InstanceNames names = NamesOf(id);
    setObjectName(QString::fromLatin1(names.window));
    setWindowTitle(QString::fromLatin1(names.caption));
    build();
}

GroupWindow::GroupWindow(ShownReadings shown, const WindowContext& context, QWidget* parent)
    : QMainWindow(parent),
      id_(GroupWindowId::Group1),
      context_(context),
      shownStore_(std::make_unique<MeasurementStore>()),
      shown_(std::make_unique<ShownReadings>(std::move(shown))) {
    shownStore_->unitIsMils = shown_->unitIsMils;
    context_.store = shownStore_.get();
    setObjectName(QStringLiteral("ArchivedRecord"));
    setWindowTitle(QString::fromStdString(shown_->title));
    build();
}

void GroupWindow::build() {
    setAttribute(Qt::WA_DeleteOnClose);
    // Fixed single border: a close box, no minimise or maximise buttons.
    setWindowFlags(Qt::Window | kCloseOnlyFrame);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(Px(kClientWidthTwips), Px(kClientHeightTwips));
    PaintWhiteBackground(client);
    setCentralWidget(client);
    buildControls(client);
    buildMenu();
    // Fixed once, at the size the menu bar and client area need. Not the layout's SetFixedSize:
    // that sets the size again on every layout pass, also while the window is maximised.
    ensurePolished();
    adjustSize();
    setFixedSize(size());

    // Load: the header of column 1, histogram mode, and the fill 100 ms later.
    grid_->setHorizontalHeaderItem(1, new QTableWidgetItem(QStringLiteral("Samples")));
    trendMode_ = 0;
    fillTimer_ = new QTimer(this);
    fillTimer_->setObjectName(QStringLiteral("Timer1"));
    fillTimer_->setInterval(kFillDelayMs);
    connect(fillTimer_, &QTimer::timeout, this, &GroupWindow::fill);
    fillTimer_->start();
}

GroupWindow::~GroupWindow() = default;

GroupSlot& GroupWindow::slot() const {
    MeasurementStore& store = *context_.store;
    if (id_ == GroupWindowId::Current) return store.currentGroupSlot;
    return store.groupSlot(static_cast<int>(id_));
}

std::span<const ReadingRecord> GroupWindow::readings() const {
    if (shown_) return shown_->readings;
    const GroupSlot& group = slot();
    const auto count = std::clamp(group.readingCount, 0, GroupSlot::kCapacity);
    return std::span<const ReadingRecord>(group.readings.data(), static_cast<std::size_t>(count));
}

void GroupWindow::buildMenu() {
    const InstanceNames names = NamesOf(id_);
    QMenuBar* bar = menuBar();
    QAction* saveText = bar->addAction(QStringLiteral("SAVE-*.TXT"));
    saveText->setObjectName(QStringLiteral("SAVETXT"));
    connect(saveText, &QAction::triggered, this, [this] {
        SaveReport(
            ReportFormat::Text, [this] { return readings(); }, context_);
    });
    QAction* saveCsv = bar->addAction(QStringLiteral("SAVE-*.CSV"));
    saveCsv->setObjectName(QStringLiteral("SAVECSV"));
    connect(saveCsv, &QAction::triggered, this, [this] {
        SaveReport(
            ReportFormat::Csv, [this] { return readings(); }, context_);
    });
    QAction* savePdf = bar->addAction(QStringLiteral("SAVE-*.PDF"));
    savePdf->setObjectName(QStringLiteral("SAVEPDF"));
    connect(savePdf, &QAction::triggered, this, [this] {
        if (!shown_) {
            return SaveInspectionReport(slot(), sourceText(), context_, this, nullptr,
                                        context_.measuredAt ? context_.measuredAt(id_) : "");
        }
        if (shown_->saveInspectionReport) shown_->saveInspectionReport(this);
    });

    QMenu* graph = bar->addMenu(QStringLiteral("GRAPH"));
    graph->setObjectName(QStringLiteral("SHOWGRAPH"));
    QAction* trend = graph->addAction(QStringLiteral("Trend"));
    trend->setObjectName(QString::fromLatin1(names.trendItem));
    connect(trend, &QAction::triggered, this, &GroupWindow::chooseTrend);
    QAction* histogram = graph->addAction(QStringLiteral("Histogram"));
    histogram->setObjectName(QString::fromLatin1(names.histogramItem));
    connect(histogram, &QAction::triggered, this, &GroupWindow::chooseHistogram);

    QAction* info = bar->addAction(QStringLiteral("INFO"));
    info->setObjectName(QStringLiteral("SHOWINFO"));
    connect(info, &QAction::triggered, this, [this] {
        if (context_.toggleAbout) context_.toggleAbout();
    });
}

std::string GroupWindow::sourceText() const {
    std::string text = id_ == GroupWindowId::Current
                           ? "Current group"
                           : "Group " + std::to_string(static_cast<int>(id_));
    const std::string download = context_.downloadText ? context_.downloadText(id_) : "";
    return download.empty() ? text : text + " downloaded " + download;
}

void GroupWindow::buildControls(QWidget* client) {
    grid_ = new QTableWidget(1, 2, client);
    grid_->setObjectName(QStringLiteral("MSFlexGrid1"));
    grid_->setAccessibleName(QStringLiteral("Readings"));
    grid_->setGeometry(PxRect(kGridTwips));
    grid_->setFont(TahomaFont(9.75));
    grid_->horizontalHeader()->setFont(TahomaFont(9.75));
    grid_->setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("NO.")));
    grid_->setHorizontalHeaderItem(1, new QTableWidgetItem(QString()));
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(19);
    grid_->setColumnWidth(0, 48);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setFocusPolicy(Qt::NoFocus);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    chartArea_ = new ChartArea(TahomaFont(12), client);
    chartArea_->move(Px(kChartTwips.x()), Px(kChartTwips.y()));
    chartArea_->popupTimer()->setInterval(kPopupMs);
    connect(chartArea_, &ChartArea::barPressed, this, &GroupWindow::showPopupOf);
    chartArea_->installEventFilter(this);

    const QFont statisticFont = MsSansSerifFont(9.75);
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;
    auto statistic = [&](const char* name, const char* caption, int x, int y) {
        return MakeLabel(client, name, QString::fromLatin1(caption),
                         QRect(x, y, kStatisticWidthTwips, kStatisticHeightTwips), statisticFont,
                         left);
    };
    countLine_ = statistic("Label24", "Counts:     0", 3'360, 720);
    unitLine_ = statistic("Label19", "Unit:        um", 3'360, 1'080);
    meanLine_ = statistic("Label23", "Mean:      0", 5'520, 720);
    deviationLine_ = statistic("Label22", "Std.dev.:  0", 5'520, 1'080);
    minimumLine_ = statistic("Label20", "Min:           0", 8'400, 720);
    maximumLine_ = statistic("Label21", "Max:        0", 8'400, 1'080);
    lowLimitLine_ = statistic("Label30", "Low-limit", 10'920, 720);
    highLimitLine_ = statistic("Label29", "High-limit", 10'920, 1'080);

    // Axis labels: the window's default font, design caption "Label1".
    const QFont axisFont = MsSansSerifFont(8.25);
    const QString design = QStringLiteral("Label1");
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignTop;
    // Left of the chart, top edge to bottom edge: trend values, histogram counts.
    const char* const verticalNames[] = {"Label17", "Label16", "Label15", "Label14",
                                         "Label13", "Label12", "Label31"};
    const int verticalTops[] = {1'635, 2'880, 4'080, 5'280, 6'480, 7'800, 9'000};
    std::array<QLabel*, 7> vertical{};
    for (std::size_t i = 0; i < vertical.size(); ++i) {
        vertical[i] = MakeLabel(client, verticalNames[i], design,
                                QRect(2'280, verticalTops[i], 735, 255), axisFont, right);
    }
    std::copy(vertical.begin(), vertical.end(), trendLabels_.values.begin());
    for (int i = 0; i < kHistogramCountLabels; ++i) {
        histogramLabels_.counts[i] = vertical[static_cast<std::size_t>(5 - i)];  // Label12..17
    }
    histogramLabels_.zero = vertical[6];

    // Below the chart: the trend's reading numbers (1/4, 1/2, 3/4, last).
    const char* const numberNames[] = {"Label28", "Label27", "Label26", "Label25"};
    const int numberLefts[] = {4'080, 7'200, 9'960, 12'120};
    for (int i = 0; i < kTrendNumberLabels; ++i) {
        trendLabels_.numbers[i] =
            MakeLabel(client, numberNames[i], design, QRect(numberLefts[i], 9'240, 1'215, 375),
                      axisFont, i == 3 ? right : left);
    }
    // Below the chart: the histogram's values, Label0 (lo) .. Label11 (hi).
    const int valueLefts[] = {2'880, 3'600,  4'680,  5'760,  6'840,  7'920,
                              9'000, 10'080, 11'160, 12'240, 13'320, 14'040};
    for (int i = 0; i < kHistogramValueLabels; ++i) {
        const QByteArray name = QByteArray("Label") + QByteArray::number(i);
        histogramLabels_.values[i] =
            MakeLabel(client, name.constData(), design, QRect(valueLefts[i], 9'240, 735, 255),
                      axisFont, left);
    }
}

void GroupWindow::fill() {
    fillTimer_->stop();
    const auto n = static_cast<std::int32_t>(readings().size());
    if (n == 0) return;  // design state: empty list, initial captions, untouched chart area
    const std::int32_t unitIsMils = context_.store->unitIsMils;

    const GroupTexts texts = shown_
                                 ? FillGroupTexts(std::span<ReadingRecord>(shown_->readings),
                                                  shown_->highLimit, shown_->lowLimit, unitIsMils)
                                 : FillGroupTexts(slot(), unitIsMils);
    const std::span<const ReadingRecord> listed = readings();
    // Rows 1..n in ascending order, then the empty row of the design, which stays last.
    grid_->setRowCount(n + 1);
    const QBrush fixedBackground = grid_->palette().brush(QPalette::Button);
    for (std::int32_t row = 0; row <= n; ++row) {
        const bool designRow = row == n;
        auto* number = new QTableWidgetItem(
            designRow ? QString() : QString::number(listed[static_cast<std::size_t>(row)].number));
        number->setBackground(fixedBackground);  // the fixed first column
        grid_->setItem(row, 0, number);
        grid_->setItem(
            row, 1,
            new QTableWidgetItem(designRow ? QString()
                                           : Text(listed[static_cast<std::size_t>(row)].text)));
    }

    countLine_->setText(labels::kGroupCount + QString::number(n));
    highLimitLine_->setText(labels::kHighLimit + Text(texts.highLimit));
    lowLimitLine_->setText(labels::kLowLimit + Text(texts.lowLimit));
    unitLine_->setText(Text(UnitLine(unitIsMils)));
    meanLine_->setText(labels::kGroupMean + Text(texts.mean));
    minimumLine_->setText(labels::kGroupMin + Text(texts.minimum));
    maximumLine_->setText(labels::kGroupMax + Text(texts.maximum));
    deviationLine_->setText(labels::kDeviation + Text(texts.deviation));

    chartArea_->setBarsAndTicksShown(!trendMode());
    paintChart();
}

void GroupWindow::paintChart() {
    chartPainted_ = true;
    chartArea_->erase();
    if (readings().empty()) return;
    const std::int32_t unitIsMils = context_.store->unitIsMils;
    const bool trend = trendMode();
    for (QLabel* label : trendLabels_.numbers) label->setVisible(trend);
    for (QLabel* label : histogramLabels_.values) label->setVisible(!trend);
    if (trend) {
        TrendChart(readings(), unitIsMils, *chartArea_, trendLabels_);
    } else {
        // The current group's window draws a histogram of a single reading; the others need two.
        const std::int32_t minimumCount = id_ == GroupWindowId::Current ? 1 : 2;
        HistogramChart(readings(), unitIsMils, minimumCount, *chartArea_, histogramLabels_,
                       binCounts_);
    }
}

void GroupWindow::chooseTrend() {
    trendMode_ = -1;
    chartArea_->setBarsAndTicksShown(false);
    paintChart();
}

void GroupWindow::chooseHistogram() {
    trendMode_ = 0;
    chartArea_->setBarsAndTicksShown(true);
    paintChart();
}

void GroupWindow::showPopupOf(int barIndex) {
    chartArea_->showBarPopup(barIndex, binCounts_[static_cast<std::size_t>(barIndex - 1)],
                             PopupWidthRule::BarWidth);
}

bool GroupWindow::eventFilter(QObject* watched, QEvent* event) {
    // The system asks for a repaint of Picture1: Picture1_Paint draws the chart from the slot.
    // The area keeps what it drew, so only the first request (before the fill) needs to run it;
    // later ones show the same drawing again.
    if (watched == chartArea_ && event->type() == QEvent::Paint && !chartPainted_) paintChart();
    return QMainWindow::eventFilter(watched, event);
}

void GroupWindow::closeEvent(QCloseEvent* event) {
    // Unload: both timers stop; the data stay in the store.
    fillTimer_->stop();
    chartArea_->popupTimer()->stop();
    QMainWindow::closeEvent(event);
}

}  // namespace zepra
