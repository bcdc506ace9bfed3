#pragma once
// The pipeline list as a Qt table model: the rows of the manager's list, 21 or 39 columns.

#include <QAbstractTableModel>

#include "manager/core/PipelineList.h"

namespace manager::app {

class ListModel : public QAbstractTableModel {
public:
    explicit ListModel(PipelineList& list, QObject* parent = nullptr) : QAbstractTableModel(parent), list_(list) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The list was changed as a whole (listing, sorting, merging).
    void reset();
    // Cells changed, rows and columns did not.
    void changed();
    // Rows were appended to the list since `firstNew`.
    void appended(int firstNew);

private:
    PipelineList& list_;
    int shownRows_ = 0;
    int shownColumns_ = kBaseColumns;
};

}  // namespace manager::app
