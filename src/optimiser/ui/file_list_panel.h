#pragma once
// The panel "Quell-Bild(er)": the file list FileList over the source folder
// (the pictures by the file list's pattern, ignoring case, sorted by name;
// several entries markable) and "Ordner aktualisieren" (ccXPButton3). The
// list never opens a picture: reading a folder of thousands of files is one
// directory listing.

#include <QGroupBox>
#include <string>
#include <vector>

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

    // The list's current file name: the entry last clicked or moved to;
    // empty when there is none.
    [[nodiscard]] std::string currentFileName() const;
    // The marked entries, in list order.
    [[nodiscard]] std::vector<std::string> markedFileNames() const;
    [[nodiscard]] int markedCount() const;
    // Marks the first entry equal to `name` ignoring case and makes it the
    // current one; false when there is none.
    bool selectFileName(const std::string& name);
    // Marks exactly the entries equal to one of `names` ignoring case (the
    // first of them becomes the current one); the number marked.
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

private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    QListWidget* m_list = nullptr;
    // The current entry when the mouse button last went down in the list.
    const QListWidgetItem* m_currentAtPress = nullptr;
    ccXPButton* m_refresh = nullptr;
    std::string m_folder;
};

}  // namespace vendrik
