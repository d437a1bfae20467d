#pragma once
// The rows of MSFlexGrid1 in the real-time list: the captured samples newest first, then the empty
// row the grid's design leaves at the bottom. The texts live in the store's records; the model only
// knows how many of them are on show, so adding a sample is one row inserted at the top.

#include <QAbstractTableModel>
#include <cstdint>

#include "data/measurement_store.h"

namespace zepra {

class RealTimeListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit RealTimeListModel(const MeasurementStore& store, QObject* parent = nullptr);

    // Show the first `count` records of the capture (clamped to what the store holds).
    void showAll(std::int32_t count);
    // Records up to `count` are captured: insert the new ones on top.
    void showUpTo(std::int32_t count);
    std::int32_t shownCount() const { return shownCount_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::int32_t clamped(std::int32_t count) const;

    const MeasurementStore& store_;
    std::int32_t shownCount_ = 0;
};

}  // namespace zepra
