#include "ui/realtime/realtime_list_model.h"

#include <QBrush>
#include <QPalette>
#include <QString>
#include <algorithm>

namespace zepra {

RealTimeListModel::RealTimeListModel(const MeasurementStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {}

std::int32_t RealTimeListModel::clamped(std::int32_t count) const {
    const auto held =
        std::min<std::int32_t>(store_.realTimeSamples.readingCount,
                               static_cast<std::int32_t>(store_.realTimeSamples.readings.size()));
    return std::clamp<std::int32_t>(count, 0, held);
}

void RealTimeListModel::showAll(std::int32_t count) {
    beginResetModel();
    shownCount_ = clamped(count);
    endResetModel();
}

void RealTimeListModel::showUpTo(std::int32_t count) {
    const std::int32_t target = clamped(count);
    if (target <= shownCount_) return;
    beginInsertRows(QModelIndex(), 0, target - shownCount_ - 1);
    shownCount_ = target;
    endInsertRows();
}

int RealTimeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownCount_ + 1;
}

int RealTimeListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant RealTimeListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const int column = index.column();
    if (role == Qt::BackgroundRole && column == 0) {
        return QBrush(QPalette().color(QPalette::Button));  // the grid's fixed column
    }
    if (role == Qt::TextAlignmentRole) {
        // The grid's general alignment: numbers to the right, words to the left.
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (column == 2 ? Qt::AlignLeft : Qt::AlignRight));
    }
    if (role != Qt::DisplayRole || row >= shownCount_) return {};
    const std::int32_t recordIndex = shownCount_ - 1 - row;
    switch (column) {
        case 0:
            return QString::number(recordIndex + 1);
        case 1:
            return QString::fromStdString(
                store_.realTimeSamples.readings[static_cast<std::size_t>(recordIndex)].text);
        default:
            return store_.unitIsMils == 1 ? QStringLiteral("mils") : QStringLiteral("um");
    }
}

QVariant RealTimeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case 0:
            return QStringLiteral("NO.");
        case 1:
            return QStringLiteral("Samples");
        case 2:
            return QStringLiteral("UNIT");
        default:
            return {};
    }
}

}  // namespace zepra
