#include "startup/ui/folder_list_model.h"

#include <algorithm>

namespace vendrik {

FolderListModel::FolderListModel(QIcon openIcon, QIcon closedIcon, QObject* parent)
    : QAbstractListModel(parent),
      m_openIcon(std::move(openIcon)),
      m_closedIcon(std::move(closedIcon)) {}

void FolderListModel::setEntries(std::vector<FolderListEntry> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

int FolderListModel::currentFolderRow() const {
    int row = -1;
    for (std::size_t i = 0; i < m_entries.size() && m_entries[i].open; ++i) {
        row = static_cast<int>(i);
    }
    return row;
}

int FolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const FolderListEntry& e = entry(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(displayName(e.name));
        case Qt::ToolTipRole:
            return QString::fromStdString(displayName(e.path));
        case Qt::DecorationRole:
            return e.open ? m_openIcon : m_closedIcon;
        case kLevelRole:
            return e.level;
        case kOpenRole:
            return e.open;
        default:
            return {};
    }
}

int IndentDelegate::indentOf(const QModelIndex& index) {
    return kStep * std::min(index.data(FolderListModel::kLevelRole).toInt(), kMostSteps);
}

void IndentDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    QStyleOptionViewItem moved(option);
    moved.rect.setLeft(moved.rect.left() + indentOf(index));
    QStyledItemDelegate::paint(painter, moved, index);
}

QSize IndentDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += indentOf(index);
    return size;
}

}  // namespace vendrik
