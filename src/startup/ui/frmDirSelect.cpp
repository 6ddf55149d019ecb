#include "startup/ui/frmDirSelect.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QScreen>
#include <QStringListModel>
#include <QStyle>
#include <QVBoxLayout>

#include "controls/ccXPButton.h"
#include "startup/folder_list.h"
#include "startup/path_helpers.h"
#include "startup/picture_listing.h"
#include "startup/ui/folder_list_model.h"
#include "startup/ui/key_filter_validator.h"
#include "startup/ui/window_placement.h"
#include "startup/window_helpers.h"

namespace vendrik {
namespace {

constexpr std::string_view kFolderExists = "Ein Ordner mit diesem Namen existiert bereits.";
constexpr std::string_view kFolderNotMade =
    "Der Ordner konnte nicht angelegt werden. \nDatenträger ist möglicherweise schreibgeschützt.  ";
const QColor kListColour(244, 244, 244);

void ShowMessage(QWidget* parent, std::string_view text, MessageIcon kind) {
    const MessageBoxContent c = messageBoxContent(text, static_cast<std::int16_t>(kind), {});
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (c.icon) {
        case MessageIcon::Information:
            icon = QMessageBox::Information;
            break;
        case MessageIcon::Exclamation:
            icon = QMessageBox::Warning;
            break;
        case MessageIcon::Error:
            icon = QMessageBox::Critical;
            break;
        case MessageIcon::Question:
            icon = QMessageBox::Question;
            break;
        case MessageIcon::None:
            break;
    }
    QMessageBox box(icon, QString::fromStdString(c.title), QString::fromStdString(c.text),
                    QMessageBox::Ok, parent);
    box.exec();
}

void paintListBackground(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, kListColour);
    p.setColor(QPalette::Button, kListColour);
    w->setPalette(p);
}

QListView* makeList(const char* objectName, const QString& accessibleName, QWidget* parent) {
    auto* list = new QListView(parent);
    list->setObjectName(QLatin1String(objectName));
    list->setAccessibleName(accessibleName);
    // One row height for all: a folder of ten thousand entries is laid out
    // without measuring each of them.
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setTextElideMode(Qt::ElideMiddle);
    paintListBackground(list);
    return list;
}

}  // namespace

frmDirSelect::frmDirSelect(const QString& caption, const std::string& startPath, QWidget* parent)
    : QDialog(parent), m_dirSelectPath(startPath) {
    setWindowTitle(caption);
    buildControls();

    m_places = choosablePlaces();
    const QIcon placeIcon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const Place& p : m_places) {
        m_drive1->addItem(placeIcon, QString::fromStdString(displayName(p.name)));
    }
    openFolder(chooserStartFolder(startPath, currentFolder()), true);
    placeOnScreen();
}

void frmDirSelect::buildControls() {
    // First in the focus chain, so that Tab from it reaches the places.
    m_dummy = new QWidget(this);
    m_dummy->setObjectName(QStringLiteral("dummy"));
    m_dummy->setFocusPolicy(Qt::ClickFocus);
    m_dummy->setGeometry(0, 0, 0, 0);

    m_drive1 = new QComboBox(this);
    m_drive1->setObjectName(QStringLiteral("Drive1"));
    m_drive1->setAccessibleName(QStringLiteral("Orte"));
    paintListBackground(m_drive1);
    m_drive1->view()->setPalette(m_drive1->palette());
    connect(m_drive1, &QComboBox::activated, this, &frmDirSelect::Drive1_Change);

    m_dir1 = makeList("Dir1", QStringLiteral("Ordner"), this);
    m_dirModel = new FolderListModel(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                     style()->standardIcon(QStyle::SP_DirClosedIcon), this);
    m_dir1->setModel(m_dirModel);
    m_dir1->setItemDelegate(new IndentDelegate(m_dir1));
    // Enter and double click (or a single click where the desktop opens
    // items so) open a folder.
    connect(m_dir1, &QListView::activated, this, &frmDirSelect::Dir1_Activated);

    m_file1 = makeList("File1", QStringLiteral("Bilder im Ordner"), this);
    m_fileModel = new QStringListModel(this);
    m_file1->setModel(m_fileModel);
    m_file1->setSelectionMode(QAbstractItemView::NoSelection);

    m_ccXPButton3 = new ccXPButton(QStringLiteral("Neuer Ordner"), this);
    m_ccXPButton3->setObjectName(QStringLiteral("ccXPButton3"));
    connect(m_ccXPButton3, &ccXPButton::Click, this, &frmDirSelect::ccXPButton3_Click);

    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setAccessibleName(QStringLiteral("Name des neuen Ordners"));
    m_text1->setValidator(
        new KeyFilterValidator(static_cast<std::int16_t>(KeyFilterMode::Names), m_text1));
    m_text1->installEventFilter(this);
    m_text1->hide();

    m_ccXPButton2 = new ccXPButton(QStringLiteral("Ü B E R N E H M E N"), this);
    m_ccXPButton2->setObjectName(QStringLiteral("ccXPButton2"));
    connect(m_ccXPButton2, &ccXPButton::Click, this, &frmDirSelect::ccXPButton2_Click);

    m_ccXPButton1 = new ccXPButton(QStringLiteral("A B B R E C H E N"), this);
    m_ccXPButton1->setObjectName(QStringLiteral("ccXPButton1"));
    connect(m_ccXPButton1, &ccXPButton::Click, this, &frmDirSelect::ccXPButton1_Click);

    constexpr int kButtonWidth = 150;
    constexpr int kButtonHeight = 25;
    for (ccXPButton* b : {m_ccXPButton1, m_ccXPButton2, m_ccXPButton3}) {
        b->setMinimumSize(kButtonWidth, kButtonHeight);
    }
    m_text1->setMinimumWidth(kButtonWidth);

    auto* left = new QVBoxLayout;
    left->addWidget(m_drive1);
    left->addWidget(m_dir1, 1);
    auto* lists = new QHBoxLayout;
    lists->addLayout(left, 3);
    lists->addWidget(m_file1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_ccXPButton3);
    buttons->addWidget(m_text1);
    buttons->addStretch(1);
    buttons->addWidget(m_ccXPButton2);
    buttons->addWidget(m_ccXPButton1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);

    setTabOrder(m_dummy, m_drive1);
    setTabOrder(m_drive1, m_dir1);
    setTabOrder(m_dir1, m_file1);
    setTabOrder(m_file1, m_ccXPButton3);
    setTabOrder(m_ccXPButton3, m_text1);
    setTabOrder(m_text1, m_ccXPButton2);
    setTabOrder(m_ccXPButton2, m_ccXPButton1);

    constexpr QSize kStartSize(600, 420);
    setMinimumSize(480, 320);
    resize(kStartSize);
}

void frmDirSelect::placeOnScreen() {
    const QScreen* screen =
        parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    move(centredOnScreen(screen->geometry(), size()));
}

void frmDirSelect::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        m_dummy->setFocus();
    }
}

bool frmDirSelect::openFolder(const std::string& folder, bool evenUnread) {
    auto subfolders = listSubfolders(folder);
    if (!subfolders && !evenUnread) {
        return false;
    }
    m_folder = folder;
    m_dirModel->setEntries(
        folderListEntries(folder, subfolders.value_or(std::vector<std::string>{})));
    const QModelIndex current = m_dirModel->index(m_dirModel->currentFolderRow());
    m_dir1->setCurrentIndex(current);
    m_dir1->scrollTo(current);
    m_dir1->setAccessibleDescription(QString::fromStdString(displayName(folder)));
    m_drive1->setCurrentIndex(static_cast<int>(placeHolding(m_places, folder)));

    // The folder changed: its pictures, and no half-typed new folder name
    // for the folder left behind.
    QStringList pictures;
    for (const std::string& name : listPictureFiles(folder).value_or(std::vector<std::string>{})) {
        pictures.append(QString::fromStdString(displayName(name)));
    }
    m_fileModel->setStringList(pictures);
    Text1_Escape();
    return true;
}

void frmDirSelect::Drive1_Change(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_places.size() ||
        !openFolder(m_places[static_cast<std::size_t>(index)].path)) {
        m_drive1->setCurrentIndex(static_cast<int>(placeHolding(m_places, m_folder)));
    }
}

void frmDirSelect::Dir1_Activated(const QModelIndex& index) {
    if (!index.isValid()) {
        return;
    }
    const std::string folder = m_dirModel->entry(index.row()).path;
    if (folder != m_folder && !openFolder(folder)) {
        // Gone or out of reach since it was listed: show what is there now.
        openFolder(m_folder);
    }
}

void frmDirSelect::ccXPButton1_Click() {
    reject();
}

void frmDirSelect::ccXPButton2_Click() {
    std::string chosen = m_folder;
    m_dirSelectPath = AddBackslash(chosen);
    accept();
}

void frmDirSelect::ccXPButton3_Click() {
    m_text1->setText(QStringLiteral("Neuer Ordner"));
    m_text1->show();
    m_ccXPButton3->hide();
    m_text1->selectAll();
    m_text1->setFocus();
}

void frmDirSelect::Text1_Escape() {
    if (m_text1->isHidden()) {
        return;
    }
    const bool hadFocus = m_text1->hasFocus();
    m_text1->hide();
    m_ccXPButton3->show();
    if (hadFocus) {
        m_dummy->setFocus();
    }
}

void frmDirSelect::Text1_Enter() {
    std::string newPath = m_folder;
    AddBackslash(newPath) += m_text1->text().toStdString();
    if (FolderExists(newPath)) {
        ShowMessage(this, kFolderExists, MessageIcon::Information);
        m_text1->selectAll();
        m_text1->setFocus();
        return;
    }
    // Whether the folder is there afterwards is what counts, not how
    // MakePath fared on the way.
    std::string made = newPath;
    static_cast<void>(MakePath(made));
    if (FolderExists(newPath) && openFolder(normalFolderPath(newPath, m_folder))) {
        m_text1->hide();
        m_ccXPButton3->show();
        m_ccXPButton2->setFocus();
        return;
    }
    ShowMessage(this, kFolderNotMade, MessageIcon::Error);
    m_text1->setFocus();
}

bool frmDirSelect::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_text1 && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Escape) {
            Text1_Escape();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Text1_Enter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

std::string chooseFolder(QWidget* parent, const QString& caption, const std::string& startPath) {
    frmDirSelect dialog(caption, startPath, parent);
    dialog.exec();
    return dialog.DirSelectPath();
}

}  // namespace vendrik
