#pragma once
// The folder chooser's folder list as a Qt model over the core's entries,
// and the delegate that indents each entry by its level. The model holds
// the entries as the core made them (names as raw bytes) and turns a name
// into display text only when a view asks for that row, so that a folder of
// ten thousand subfolders fills the list in one reset.

#include <QAbstractListModel>
#include <QIcon>
#include <QStyledItemDelegate>
#include <vector>

#include "startup/folder_list.h"

namespace vendrik {

class FolderListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The entry's level (int) and whether it is on the open path (bool).
    static constexpr int kLevelRole = Qt::UserRole + 1;
    static constexpr int kOpenRole = Qt::UserRole + 2;

    FolderListModel(QIcon openIcon, QIcon closedIcon, QObject* parent = nullptr);

    void setEntries(std::vector<FolderListEntry> entries);
    [[nodiscard]] const FolderListEntry& entry(int row) const {
        return m_entries.at(static_cast<std::size_t>(row));
    }
    // The row of the last entry on the open path (the current folder).
    [[nodiscard]] int currentFolderRow() const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<FolderListEntry> m_entries;
    QIcon m_openIcon;
    QIcon m_closedIcon;
};

// Draws an entry moved right by its level, as a folder list box shows the
// depth of each folder.
class IndentDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kStep = 12;       // pixels per level
    static constexpr int kMostSteps = 16;  // deeper levels line up with the 16th

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override;

    [[nodiscard]] static int indentOf(const QModelIndex& index);
};

}  // namespace vendrik
