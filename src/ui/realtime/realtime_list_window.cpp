#include "ui/realtime/realtime_list_window.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <span>

#include "data/sample_statistics.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/presenter/link_presenter.h"
#include "ui/realtime/realtime_list_model.h"
#include "ui/report_menu.h"

namespace zepra {
namespace {

constexpr int kClientWidthTwips = 4845;
constexpr int kClientHeightTwips = 7380;
constexpr int kLabelWidthTwips = 1815;
constexpr int kLabelHeightTwips = 255;
constexpr int kClockWidthTwips = 3015;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

RealTimeListWindow::RealTimeListWindow(const WindowContext& context, const QWidget* mainWindow,
                                       QWidget* parent)
    : QMainWindow(parent), context_(context) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FrmRealTimeList"));
    setWindowTitle(QStringLiteral("RealTimeList"));
    // Fixed dialog border, no minimise or maximise, kept out of the task bar.
    setWindowFlags(Qt::Tool | kFixedCloseOnlyFrame);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    PaintWhiteBackground(client);
    setCentralWidget(client);

    clockLine_ = addLabel("Label6", "Now:", 360, 240, kClockWidthTwips);
    countLine_ = addLabel("Label1", "Counts:     0", 240, 600, kLabelWidthTwips);
    unitLine_ = addLabel("Label7", "Unit:        um", 2400, 600, kLabelWidthTwips);
    meanLine_ = addLabel("Label2", "Mean:      0", 240, 840, kLabelWidthTwips);
    deviationLine_ = addLabel("Label3", "Std.dev.:  0", 2400, 840, kLabelWidthTwips);
    maximumLine_ = addLabel("Label4", "Max:        0", 240, 1080, kLabelWidthTwips);
    minimumLine_ = addLabel("Label5", "Min:           0", 2400, 1080, kLabelWidthTwips);

    model_ = new RealTimeListModel(*context_.store, this);
    grid_ = new QTableView(client);
    grid_->setObjectName(QStringLiteral("MSFlexGrid1"));
    grid_->setGeometry(Px(120), Px(1440), Px(4665), Px(5655));
    grid_->setFont(TahomaFont(9.75));
    grid_->setModel(model_);
    grid_->verticalHeader()->hide();
    // Uniform rows keep a list of 50,000 samples as cheap as a short one.
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 4);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid_->setColumnWidth(0, 80);
    grid_->setColumnWidth(1, 120);
    grid_->setColumnWidth(2, 90);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    buildMenu();
    placeBeside(mainWindow);

    clockTimer_ = new QTimer(this);
    clockTimer_->setObjectName(QStringLiteral("Timer1"));
    clockTimer_->setInterval(1000);
    connect(clockTimer_, &QTimer::timeout, this, &RealTimeListWindow::Timer1_Timer);
    clockTimer_->start();

    showTimer_ = new QTimer(this);
    showTimer_->setSingleShot(true);
    showTimer_->setTimerType(Qt::PreciseTimer);
    showTimer_->setInterval(kShowDelayMs);
    connect(showTimer_, &QTimer::timeout, this, &RealTimeListWindow::showCapturedSamples);

    Form_Load();
}

RealTimeListWindow::~RealTimeListWindow() = default;

QLabel* RealTimeListWindow::addLabel(const char* name, const char* caption, int leftTwips,
                                     int topTwips, int widthTwips) {
    // Left and vertically centred: a label's own default alignment.
    QLabel* label = MakeLabel(centralWidget(), name, QString::fromLatin1(caption),
                              QRect(leftTwips, topTwips, widthTwips, kLabelHeightTwips),
                              MsSansSerifFont(9.75), Qt::AlignLeft | Qt::AlignVCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

void RealTimeListWindow::buildMenu() {
    auto* saveText = menuBar()->addAction(QStringLiteral("SAVE-*.TXT"));
    saveText->setObjectName(QStringLiteral("SAVETXT"));
    connect(saveText, &QAction::triggered, this, [this] { saveReport(false); });

    auto* saveCsv = menuBar()->addAction(QStringLiteral("SAVE-*.CSV"));
    saveCsv->setObjectName(QStringLiteral("SAVECSV"));
    connect(saveCsv, &QAction::triggered, this, [this] { saveReport(true); });

    auto* graph = menuBar()->addMenu(QStringLiteral("GRAPH"));
    graph->setObjectName(QStringLiteral("SHOWGRAPH"));
    graph->menuAction()->setObjectName(QStringLiteral("SHOWGRAPH"));
    auto* trend = graph->addAction(QStringLiteral("Trend"));
    trend->setObjectName(QStringLiteral("aarealtimehistogram_1"));
    connect(trend, &QAction::triggered, this, [this] {
        if (context_.toggleRealTimeTrend) context_.toggleRealTimeTrend();
    });
    auto* histogram = graph->addAction(QStringLiteral("Histogram"));
    histogram->setObjectName(QStringLiteral("aarealtimehistogram_2"));
    connect(histogram, &QAction::triggered, this, [this] {
        if (context_.toggleRealTimeHistogram) context_.toggleRealTimeHistogram();
    });

    auto* info = menuBar()->addAction(QStringLiteral("INFO"));
    info->setObjectName(QStringLiteral("SHOWINFO"));
    connect(info, &QAction::triggered, this, [this] {
        if (context_.toggleAbout) context_.toggleAbout();
    });
}

// Left edge at the main window's right edge, same top, same height; the width as designed.
// Both windows carry the same kind of frame, so equal heights inside the frames give equal
// heights outside.
void RealTimeListWindow::placeBeside(const QWidget* mainWindow) {
    const int menuHeight = menuBar()->sizeHint().height();
    int height = Px(kClientHeightTwips) + menuHeight;
    if (mainWindow != nullptr) {
        const QRect frame = mainWindow->frameGeometry();
        move(frame.x() + frame.width(), frame.y());
        height = mainWindow->height();
    }
    setFixedSize(Px(kClientWidthTwips), height);
}

// Creation: rebuild every text from the values, newest first, and the statistics once.
void RealTimeListWindow::Form_Load() {
    MeasurementStore& store = *context_.store;
    RealTimeSamples& samples = store.realTimeSamples;
    const auto count = std::min<std::int32_t>(samples.readingCount,
                                              static_cast<std::int32_t>(samples.readings.size()));
    if (count <= 0) return;

    const std::int32_t unitIsMils = store.unitIsMils;
    unitLine_->setText(Text(UnitLine(unitIsMils)));
    const std::span<ReadingRecord> records(samples.readings.data(),
                                           static_cast<std::size_t>(count));
    for (ReadingRecord& record : records) {
        record.text = FormatRebuiltListText(record.value, unitIsMils);
    }
    model_->showAll(count);

    const SampleStatistics statistics = CaptureStatistics(records, unitIsMils);
    countLine_->setText(QString::fromLatin1(labels::kCaptureCount) +
                        QString::number(statistics.count));
    maximumLine_->setText(
        QString::fromLatin1(labels::kCaptureMaxRebuilt) +
        Text(FormatRebuiltStatistic(statistics.maximum, unitIsMils, RebuiltFigure::Extreme)));
    minimumLine_->setText(
        QString::fromLatin1(labels::kCaptureMin) +
        Text(FormatRebuiltStatistic(statistics.minimum, unitIsMils, RebuiltFigure::Extreme)));
    meanLine_->setText(
        QString::fromLatin1(labels::kCaptureMean) +
        Text(FormatRebuiltStatistic(statistics.mean, unitIsMils, RebuiltFigure::Mean)));
    deviationLine_->setText(
        QString::fromLatin1(labels::kDeviation) +
        Text(FormatRebuiltStatistic(statistics.deviation, unitIsMils, RebuiltFigure::Deviation)));
}

void RealTimeListWindow::setUnitLine(const std::string& unitLine) {
    pendingUnitLine_ = unitLine;
    scheduleShowing();
}

void RealTimeListWindow::appendCapturedSample(const CapturedSampleTexts& texts) {
    pendingCount_ = std::max(pendingCount_, texts.recordIndex + 1);
    pendingUnitLine_ = texts.unitLine;
    pending_ = texts;
    scheduleShowing();
}

// A list that is not shown gathers what comes and shows it when it is: nobody would see it.
void RealTimeListWindow::scheduleShowing() {
    if (isVisible() && !showTimer_->isActive()) showTimer_->start();
}

void RealTimeListWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    showCapturedSamples();
}

void RealTimeListWindow::showCapturedSamples() {
    showTimer_->stop();
    if (pendingUnitLine_) unitLine_->setText(Text(*pendingUnitLine_));
    pendingUnitLine_.reset();
    if (!pending_) return;
    const CapturedSampleTexts texts = std::move(*pending_);
    pending_.reset();
    model_->showUpTo(pendingCount_);
    countLine_->setText(Text(texts.count));
    maximumLine_->setText(Text(texts.maximum));
    minimumLine_->setText(Text(texts.minimum));
    // Over every sample up to the newest one: once per batch, not once per reading.
    const RealTimeSamples& samples = context_.store->realTimeSamples;
    const auto count = static_cast<std::size_t>(
        std::clamp<std::int32_t>(texts.recordIndex + 1, 0, samples.readingCount));
    const CaptureStatisticsTexts statistics = CaptureStatisticsLabels(
        std::span<const ReadingRecord>(samples.readings.data(), count), texts.unitIsMils);
    meanLine_->setText(Text(statistics.mean));
    deviationLine_->setText(Text(statistics.deviation));
}

void RealTimeListWindow::Timer1_Timer() {
    if (context_.clock == nullptr) return;
    clockLine_->setText(QStringLiteral("Now:    ") + Text(context_.clock->currentTime()) +
                        QStringLiteral("   ") + Text(context_.clock->currentDate()));
}

// The records in capture order, oldest first, whatever order the list shows them in.
void RealTimeListWindow::saveReport(bool csv) {
    const RealTimeSamples& samples = context_.store->realTimeSamples;
    SaveReport(
        csv ? ReportFormat::Csv : ReportFormat::Text,
        [&samples] {
            const auto count = std::clamp<std::int32_t>(
                samples.readingCount, 0, static_cast<std::int32_t>(samples.readings.size()));
            return std::span<const ReadingRecord>(samples.readings.data(),
                                                  static_cast<std::size_t>(count));
        },
        context_);
    if (context_.captureSaved) context_.captureSaved();
}

// Unload: the clock stops; the samples stay in the store.
void RealTimeListWindow::closeEvent(QCloseEvent* event) {
    clockTimer_->stop();
    QMainWindow::closeEvent(event);
}

}  // namespace zepra
