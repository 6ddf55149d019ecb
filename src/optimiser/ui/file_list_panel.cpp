#include "optimiser/ui/file_list_panel.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "controls/ccXPButton.h"
#include "startup/picture_listing.h"

namespace vendrik {

FileListPanel::FileListPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("Quell-Bild(er)"), parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 2, 6, 5);
    column->setSpacing(4);

    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setAccessibleName(QStringLiteral("Quell-Bild(er)"));
    m_list->setUniformItemSizes(true);  // thousands of names lay out at once
    QPalette p = m_list->palette();
    p.setColor(QPalette::Base, QColor(244, 244, 244));
    m_list->setPalette(p);
    m_list->viewport()->installEventFilter(this);

    m_refresh = new ccXPButton(QStringLiteral("&Ordner aktualisieren"), this);
    m_refresh->setFixedHeight(23);
    column->addWidget(m_list, 1);
    column->addWidget(m_refresh);

    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* current) {
        if (current != nullptr) {
            emit entryChosen(current->text());
        }
    });
    // A click on the entry that was current already shows it again. A click
    // that makes an entry current has shown it on the press; showing it
    // again on the release would read the picture a second time and, while
    // the first reading is still at work, make the user wait for both.
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item == m_list->currentItem() && item == m_currentAtPress) {
            emit entryChosen(item->text());
        }
    });
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { emit markedCountChanged(markedCount()); });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit entryDoubleClicked(item->text()); });
    connect(m_refresh, &ccXPButton::Click, this, &FileListPanel::refreshClicked);
}

void FileListPanel::setFolder(const std::string& folder) {
    m_folder = folder;
    refresh();
}

void FileListPanel::setTree(bool subfolders, std::string leaveOut) {
    m_subfolders = subfolders;
    m_leaveOut = std::move(leaveOut);
}

void FileListPanel::refresh() {
    m_afterListing = nullptr;
    if (!m_subfolders) {
        m_listing.drop();
        const auto names = listPictureFiles(m_folder);
        QStringList items;
        if (names) {
            items.reserve(static_cast<qsizetype>(names->size()));
            for (const std::string& n : *names) {
                items.append(QString::fromStdString(n));
            }
        }
        showItems(items);
        return;
    }
    // The same listing as `vendrik-cli optimise -r`, off the window thread;
    // the list is empty until it comes.
    m_listing.start(
        this,
        [folder = m_folder, leaveOut = m_leaveOut] {
            QStringList items;
            if (const auto tree = listPictureTree(folder, true, leaveOut)) {
                items.reserve(static_cast<qsizetype>(tree->pictures.size()));
                for (const TreePicture& p : tree->pictures) {
                    const std::string name = std::filesystem::path(p.path).filename().string();
                    items.append(QString::fromStdString(
                        p.subfolder.empty() ? name : p.subfolder + "/" + name));
                }
            }
            return items;
        },
        [this](QStringList items) {
            showItems(items);
            if (auto after = std::move(m_afterListing)) {
                m_afterListing = nullptr;
                after();
            }
        });
    showItems({});
}

void FileListPanel::showItems(const QStringList& items) {
    {
        const QSignalBlocker quiet(m_list);
        m_list->clear();
        m_currentAtPress = nullptr;
        m_list->addItems(items);
        m_list->setCurrentItem(nullptr);
    }
    if (!listing()) {
        emit listed();
    }
}

std::string FileListPanel::currentFileName() const {
    const QListWidgetItem* item = m_list->currentItem();
    return item != nullptr ? item->text().toStdString() : std::string();
}

std::vector<std::string> FileListPanel::markedFileNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < m_list->count(); ++i) {
        if (const QListWidgetItem* item = m_list->item(i); item->isSelected()) {
            names.push_back(item->text().toStdString());
        }
    }
    return names;
}

int FileListPanel::markedCount() const {
    return static_cast<int>(m_list->selectionModel()->selectedIndexes().size());
}

bool FileListPanel::selectFileName(const std::string& name) {
    if (listing()) {
        m_afterListing = [this, name] { selectFileName(name); };
        return true;
    }
    const QString wanted = QString::fromStdString(name);
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem* item = m_list->item(i);
        // Ignoring case as the desktop does, umlauts included.
        if (item->text().compare(wanted, Qt::CaseInsensitive) == 0) {
            m_list->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
            m_list->scrollToItem(item);
            return true;
        }
    }
    return false;
}

int FileListPanel::markFileNames(const std::vector<std::string>& names) {
    if (listing()) {
        m_afterListing = [this, names] { markFileNames(names); };
        return static_cast<int>(names.size());
    }
    m_list->clearSelection();
    int marked = 0;
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem* item = m_list->item(i);
        const bool wanted = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
            return item->text().compare(QString::fromStdString(n), Qt::CaseInsensitive) == 0;
        });
        if (!wanted) {
            continue;
        }
        if (marked++ == 0) {
            m_list->setCurrentItem(item, QItemSelectionModel::Select);
            m_list->scrollToItem(item);
        } else {
            item->setSelected(true);
        }
    }
    return marked;
}

bool FileListPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_currentAtPress = m_list->currentItem();
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // The menu works on what is marked; the press neither marks nor
            // moves anything.
            if (markedCount() > 0 && m_list->isEnabled()) {
                emit contextMenuWanted(mouse->globalPosition().toPoint());
            }
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

}  // namespace vendrik
