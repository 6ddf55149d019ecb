#pragma once
// frmDirSelect: the program's folder chooser, opened by the main window's
// browse buttons to pick the source or the target folder. It shows the
// places to start from (Drive1), the folder list (Dir1: the open path and
// the current folder's subfolders), the pictures of the current folder for
// orientation (File1, display only), and creates a new folder below the
// current one.
//
//   std::string path = chooseFolder(this, QStringLiteral("Quell-Pfad auswählen"), box.text());
//
// The start path (the caller's path box text) opens the chooser when it
// names a folder that can be listed; otherwise the process's current folder
// does. On "Ü B E R N E H M E N" DirSelectPath is the current folder with a
// trailing "/" ("/" stays "/"); on "A B B R E C H E N", Escape or closing by
// the frame it is the start path, unchanged.
//
// The controls carry their designer names as object names ("Drive1",
// "Dir1", "File1", "Text1", "ccXPButton1" to "ccXPButton3", "dummy").

#include <QDialog>
#include <string>
#include <vector>

#include "startup/folder_places.h"

class QComboBox;
class QLineEdit;
class QListView;
class QStringListModel;

namespace vendrik {

class ccXPButton;
class FolderListModel;

class frmDirSelect : public QDialog {
    Q_OBJECT
public:
    // caption: "Quell-Pfad auswählen" or "Speicher-Pfad auswählen";
    // startPath: the caller's path box text.
    frmDirSelect(const QString& caption, const std::string& startPath, QWidget* parent = nullptr);

    // After accept the chosen folder with a trailing "/", otherwise the
    // start path unchanged.
    [[nodiscard]] const std::string& DirSelectPath() const {
        return m_dirSelectPath;
    }

    // The folder the folder list has open: absolute, no trailing "/" but for
    // the root.
    [[nodiscard]] const std::string& folderPath() const {
        return m_folder;
    }

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    void placeOnScreen();
    // Opens `folder` in the folder list and shows its pictures. False (and
    // nothing changes) when the folder cannot be listed, unless `evenUnread`:
    // the start folder is shown even then, with its open path only.
    bool openFolder(const std::string& folder, bool evenUnread = false);

    void Drive1_Change(int index);
    void Dir1_Activated(const QModelIndex& index);
    void ccXPButton1_Click();  // cancel
    void ccXPButton2_Click();  // accept
    void ccXPButton3_Click();  // new folder
    // Hides the new-folder box and shows its button again; the focus goes to
    // `dummy` when it was in the box.
    void Text1_Escape();
    void Text1_Enter();

    std::string m_dirSelectPath;
    std::string m_folder;
    std::vector<Place> m_places;

    QComboBox* m_drive1 = nullptr;
    QListView* m_dir1 = nullptr;
    FolderListModel* m_dirModel = nullptr;
    QListView* m_file1 = nullptr;
    QStringListModel* m_fileModel = nullptr;
    QLineEdit* m_text1 = nullptr;
    ccXPButton* m_ccXPButton1 = nullptr;
    ccXPButton* m_ccXPButton2 = nullptr;
    ccXPButton* m_ccXPButton3 = nullptr;
    QWidget* m_dummy = nullptr;
    bool m_shown = false;
};

// Opens the chooser modally over `parent` (which cannot be used while it is
// open) and returns its DirSelectPath.
[[nodiscard]] std::string chooseFolder(QWidget* parent, const QString& caption,
                                       const std::string& startPath);

}  // namespace vendrik
