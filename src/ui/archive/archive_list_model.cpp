#include "ui/archive/archive_list_model.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <algorithm>

#include "data/thickness_format.h"

namespace zepra {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString MeanText(const archive::RecordSummary& s) {
    if (!s.meanMicrometres) return QStringLiteral("-");
    return Text(FormatStatistic(*s.meanMicrometres, s.unitIsMils, StatisticFigure::Mean)) +
           (s.unitIsMils == 1 ? QStringLiteral(" mils") : QStringLiteral(" um"));
}

}  // namespace

ArchiveListModel::ArchiveListModel(archive::Archive* archive, QObject* parent)
    : QAbstractTableModel(parent), archive_(archive) {}

std::vector<archive::RecordSummary> ArchiveListModel::readPage(int offset, int limit) {
    if (archive_ == nullptr) return {};
    std::string error;
    std::vector<archive::RecordSummary> page =
        archive_->list(filter_, error, {.offset = offset, .limit = limit});
    if (error != error_) {
        error_ = error;
        emit errorChanged();
    }
    return page;
}

void ArchiveListModel::setFilter(const archive::Filter& filter) {
    beginResetModel();
    filter_ = filter;
    rows_ = readPage(0, kPageRows);
    atEnd_ = static_cast<int>(rows_.size()) < kPageRows;
    endResetModel();
}

void ArchiveListModel::refresh() {
    beginResetModel();
    const int loaded = std::max(static_cast<int>(rows_.size()), kPageRows);
    rows_ = readPage(0, loaded);
    atEnd_ = static_cast<int>(rows_.size()) < loaded;
    endResetModel();
}

const archive::RecordSummary* ArchiveListModel::summaryAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

int ArchiveListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ArchiveListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ArchiveListModel::data(const QModelIndex& index, int role) const {
    const archive::RecordSummary* s = summaryAt(index.row());
    if (s == nullptr) return {};
    if (role == Qt::ForegroundRole) {
        if (index.column() == Calibration && s->gaugeOverdue) return QBrush(QColor(192, 0, 0));
        if (index.column() == Verdict && s->verdict == "fail") return QBrush(QColor(192, 0, 0));
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        if (index.column() == Count || index.column() == Mean)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    if (role == Qt::ToolTipRole && index.column() == Calibration && s->gaugeOverdue)
        return QStringLiteral("The gauge was past its calibration's due date when this was taken");
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    switch (static_cast<Column>(index.column())) {
        case Job:
            return Text(s->job);
        case Structure:
            return Text(s->structure);
        case Taken:
            return QDateTime::fromMSecsSinceEpoch(s->takenMs)
                .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        case Gauge:
            return Text(s->gauge);
        case Count:
            return s->readingCount;
        case Mean:
            return MeanText(*s);
        case Verdict:
            return s->verdict.empty() ? QString() : Text(s->verdict).toUpper();
        case Calibration:
            return s->gaugeOverdue ? QStringLiteral("OVERDUE") : QString();
        case kColumns:
            break;
    }
    return {};
}

QVariant ArchiveListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kTitles[kColumns] = {"Job",   "Structure", "Date",    "Gauge",
                                                  "Count", "Mean",      "Verdict", "Calibration"};
    if (section < 0 || section >= kColumns) return {};
    return QString::fromLatin1(kTitles[section]);
}

bool ArchiveListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !atEnd_;
}

void ArchiveListModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    std::vector<archive::RecordSummary> page = readPage(static_cast<int>(rows_.size()), kPageRows);
    atEnd_ = static_cast<int>(page.size()) < kPageRows;
    if (page.empty()) return;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(page.begin()),
                 std::make_move_iterator(page.end()));
    endInsertRows();
}

}  // namespace zepra
