#pragma once
// The Archive window's list of records: a table over the archive's query, newest first, read a
// page at a time as the view scrolls (fetchMore), never all rows at once.

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "archive/archive.h"

namespace zepra {

class ArchiveListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Job, Structure, Taken, Gauge, Count, Mean, Verdict, Calibration, kColumns };
    static constexpr int kPageRows = 200;

    // `archive` must outlive the model; none: an empty list.
    explicit ArchiveListModel(archive::Archive* archive, QObject* parent = nullptr);

    // Starts over with the first page of what the filter finds.
    void setFilter(const archive::Filter& filter);
    const archive::Filter& filter() const { return filter_; }
    // Reads the rows loaded so far again (after a job was assigned, a check added).
    void refresh();

    // The record shown in the row; nullptr outside the list.
    const archive::RecordSummary* summaryAt(int row) const;
    // Why the last page could not be read; empty when it was.
    const std::string& error() const { return error_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

  signals:
    void errorChanged();

  private:
    std::vector<archive::RecordSummary> readPage(int offset, int limit);

    archive::Archive* archive_;
    archive::Filter filter_;
    std::vector<archive::RecordSummary> rows_;
    bool atEnd_ = true;
    std::string error_;
};

}  // namespace zepra
