#include "manager/app/ListModel.h"

#include "manager/app/Desktop.h"

namespace manager::app {

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownRows_; }

int ListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownColumns_; }

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= list_.size() || index.column() >= shownColumns_) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return fromGbk(list_.row(index.row()).cell(index.column()));
    return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= shownColumns_) return {};
    return qs(kColumnHeaders[static_cast<std::size_t>(section)]);
}

void ListModel::reset() {
    beginResetModel();
    shownRows_ = list_.size();
    shownColumns_ = list_.columnCount();
    endResetModel();
}

void ListModel::appended(int firstNew) {
    const int last = list_.size() - 1;
    if (firstNew > last) return;
    beginInsertRows({}, firstNew, last);
    shownRows_ = list_.size();
    endInsertRows();
}

}  // namespace manager::app

namespace manager::app {

void ListModel::changed() {
    if (shownRows_ > 0) emit dataChanged(index(0, 0), index(shownRows_ - 1, shownColumns_ - 1));
}

}  // namespace manager::app
