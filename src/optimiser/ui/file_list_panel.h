#pragma once
// The panel "Quell-Bild(er)": the file list FileList over the source folder
// (the pictures by the file list's pattern, ignoring case, sorted by name;
// several entries markable) and "Ordner aktualisieren" (ccXPButton3). The
// list never opens a picture: reading a folder of thousands of files is one
// directory listing. With subfolders it shows the pictures of the folder's
// tree by their paths below it ("2024/rom/a.jpg"), each folder's own
// pictures before its subfolders', listed off the window thread so that a
// tree of thousands of folders never holds the window up.

#include <QGroupBox>
#include <functional>
#include <string>
#include <vector>

#include "optimiser/ui/latest_request.h"

class QListWidget;
class QListWidgetItem;

namespace vendrik {

class ccXPButton;

class FileListPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit FileListPanel(QWidget* parent = nullptr);

    [[nodiscard]] QListWidget* FileList() const {
        return m_list;
    }
    [[nodiscard]] ccXPButton* ccXPButton3() const {
        return m_refresh;
    }

    // The folder the list shows (the setting "Quelle"), as it was given.
    [[nodiscard]] const std::string& folder() const {
        return m_folder;
    }
    // Shows the pictures of `folder`; a folder that cannot be read shows an
    // empty list.
    void setFolder(const std::string& folder);
    // Re-reads the list from its folder.
    void refresh();
    // Whether the next listing takes the subfolders too, and the folder it
    // must not enter (a run's target folder inside the tree, whose outputs
    // are no sources; empty: none). Takes effect with the next listing.
    void setTree(bool subfolders, std::string leaveOut);
    [[nodiscard]] bool subfolders() const {
        return m_subfolders;
    }
    // True while a tree is being listed; listed() follows.
    [[nodiscard]] bool listing() const {
        return m_listing.pending();
    }

    // The list's current file name: the entry last clicked or moved to;
    // empty when there is none.
    [[nodiscard]] std::string currentFileName() const;
    // The marked entries, in list order.
    [[nodiscard]] std::vector<std::string> markedFileNames() const;
    [[nodiscard]] int markedCount() const;
    // Marks the first entry equal to `name` ignoring case and makes it the
    // current one; false when there is none. While a tree is being listed
    // it is done once the list is there (true).
    bool selectFileName(const std::string& name);
    // Marks exactly the entries equal to one of `names` ignoring case (the
    // first of them becomes the current one); the number marked. While a
    // tree is being listed it is done once the list is there (the number of
    // names).
    int markFileNames(const std::vector<std::string>& names);

signals:
    // The user clicked an entry or moved to it with the keys.
    void entryChosen(const QString& fileName);
    void markedCountChanged(int count);
    void entryDoubleClicked(const QString& fileName);
    // The right mouse button went down over the list while entries are
    // marked (the list's selection is left as it was).
    void contextMenuWanted(const QPoint& globalPos);
    // "Ordner aktualisieren" was clicked.
    void refreshClicked();
    // The list shows its folder (at once for one folder, after the
    // listing for a tree).
    void listed();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showItems(const QStringList& items);


    QListWidget* m_list = nullptr;
    // The current entry when the mouse button last went down in the list.
    const QListWidgetItem* m_currentAtPress = nullptr;
    ccXPButton* m_refresh = nullptr;
    std::string m_folder;
    bool m_subfolders = false;
    std::string m_leaveOut;
    // What was asked of the list while its tree was being listed.
    std::function<void()> m_afterListing;
    LatestRequest m_listing;
};

}  // namespace vendrik
