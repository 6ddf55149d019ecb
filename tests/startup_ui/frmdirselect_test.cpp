// The folder chooser driven as a user drives it: by mouse, by keyboard
// alone and through the accessibility interface, on real folders.

#include "startup/ui/frmDirSelect.h"

#include <sys/mount.h>
#include <unistd.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>

#include "controls/ccXPButton.h"
#include "startup/ui/folder_list_model.h"

using namespace vendrik;
namespace fs = std::filesystem;

namespace {

const QString kSourceCaption = QStringLiteral("Quell-Pfad auswählen");
const QString kAccept = QStringLiteral("Ü B E R N E H M E N");
const QString kCancel = QStringLiteral("A B B R E C H E N");
const QString kNewFolder = QStringLiteral("Neuer Ordner");
const QString kExistsText = QStringLiteral("Ein Ordner mit diesem Namen existiert bereits.");
const QString kNotMadeText = QStringLiteral(
    "Der Ordner konnte nicht angelegt werden. \nDatenträger ist möglicherweise schreibgeschützt. "
    " ");

// A scratch folder tree: Fotos with three subfolders, pictures in several
// spellings of their endings, and files that are no pictures.
class Tree {
public:
    // `base`: the folder the tree is made in, the temporary folder if empty.
    explicit Tree(const QString& base = {})
        : m_dir(base.isEmpty() ? QDir::tempPath() + QStringLiteral("/vendrik-XXXXXX")
                               : base + QStringLiteral("/vendrik-XXXXXX")) {
        for (const char* f : {"Fotos/Urlaub", "Fotos/anderes", "Fotos/Zoo", "Fotos/.versteckt"}) {
            fs::create_directories(path(f));
        }
        for (const char* f : {"Fotos/IMG_1.JPG", "Fotos/b.Png", "Fotos/c.jpeg", "Fotos/notiz.txt",
                              "Fotos/jpg", "Fotos/Urlaub/strand.jpg"}) {
            std::ofstream(path(f)) << "x";
        }
    }
    ~Tree() {
        // Names that are not UTF-8 are beyond QTemporaryDir's own clean-up.
        std::error_code ec;
        fs::remove_all(root(), ec);
    }
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;

    [[nodiscard]] std::string root() const {
        return m_dir.path().toStdString();
    }
    [[nodiscard]] std::string path(const std::string& relative) const {
        return root() + "/" + relative;
    }

private:
    QTemporaryDir m_dir;
};

// The chooser, shown and active, with its controls found by their names.
class Chooser {
public:
    explicit Chooser(const std::string& start, QWidget* parent = nullptr)
        : m_dialog(std::make_unique<frmDirSelect>(kSourceCaption, start, parent)) {}

    [[nodiscard]] bool show() {
        m_dialog->show();
        m_dialog->activateWindow();
        return QTest::qWaitForWindowActive(m_dialog.get());
    }
    // After a message box: the window manager's part, activating the window
    // below it again, which the offscreen platform does not do.
    [[nodiscard]] bool returnsToTheDialog() {
        m_dialog->activateWindow();
        return QTest::qWaitForWindowActive(m_dialog.get());
    }
    frmDirSelect& dialog() {
        return *m_dialog;
    }
    template <class T>
    T* child(const char* name) {
        return m_dialog->findChild<T*>(QLatin1String(name));
    }
    QComboBox* drive1() {
        return child<QComboBox>("Drive1");
    }
    QListView* dir1() {
        return child<QListView>("Dir1");
    }
    QListView* file1() {
        return child<QListView>("File1");
    }
    QLineEdit* text1() {
        return child<QLineEdit>("Text1");
    }
    ccXPButton* button(const char* name) {
        return child<ccXPButton>(name);
    }
    FolderListModel* folders() {
        return qobject_cast<FolderListModel*>(dir1()->model());
    }
    [[nodiscard]] int rowOf(const std::string& path) {
        for (int r = 0; r < folders()->rowCount(); ++r) {
            if (folders()->entry(r).path == path) {
                return r;
            }
        }
        return -1;
    }
    // Opens a listed folder by double click.
    void doubleClick(const std::string& path) {
        const QModelIndex index = folders()->index(rowOf(path));
        QVERIFY(index.isValid());
        dir1()->scrollTo(index);
        const QPoint at = dir1()->visualRect(index).center();
        // A double click is a click followed by the double-click event.
        QTest::mouseClick(dir1()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dir1()->viewport(), Qt::LeftButton, {}, at);
    }
    void click(const char* buttonName) {
        ccXPButton* b = button(buttonName);
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
    }
    [[nodiscard]] QStringList pictures() {
        return qobject_cast<QStringListModel*>(file1()->model())->stringList();
    }

private:
    std::unique_ptr<frmDirSelect> m_dialog;
};

struct SeenMessage {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers every message box that opens with OK, remembering what it showed.
class MessageCatcher : public QObject {
public:
    MessageCatcher() {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible()) {
                m_seen.push_back({box->text(), box->windowTitle(), box->icon()});
                box->button(QMessageBox::Ok)->click();
            }
        });
        m_timer.start(10);
    }
    [[nodiscard]] const std::vector<SeenMessage>& seen() const {
        return m_seen;
    }

private:
    QTimer m_timer;
    std::vector<SeenMessage> m_seen;
};

// A read-only tmpfs mounted for the length of a test; needs root.
class ReadOnlyMount {
public:
    explicit ReadOnlyMount(std::string at) : m_at(std::move(at)) {
        fs::create_directories(m_at);
        m_mounted = ::mount("tmpfs", m_at.c_str(), "tmpfs", MS_RDONLY, "size=64k") == 0;
    }
    ~ReadOnlyMount() {
        if (m_mounted) {
            ::umount2(m_at.c_str(), MNT_DETACH);
        }
    }
    ReadOnlyMount(const ReadOnlyMount&) = delete;
    ReadOnlyMount& operator=(const ReadOnlyMount&) = delete;
    [[nodiscard]] bool mounted() const {
        return m_mounted;
    }

private:
    std::string m_at;
    bool m_mounted = false;
};

std::size_t entriesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

}  // namespace

class FrmDirSelectTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startFolder_data();
    void startFolder();
    void opensWithTheFocusOnDummyAndTheListColour();
    void folderListShowsTheOpenPathAndSubfolders();
    void pictureListFollowsThePattern();
    void doubleClickOpensAndAncestorsGoUp();
    void keyboardAloneOpensAndAccepts();
    void accept_data();
    void accept();
    void cancelLeavesThePathUnchanged_data();
    void cancelLeavesThePathUnchanged();
    void placesMoveTheFolderList();
    void newFolderWhereOneExists();
    void newFolderNameSwallowsDotAndSlash();
    void pasteIsFilteredToo();
    void newFolderIsCreatedAndChosen();
    void escapeHidesTheNameBoxAndKeepsTheDialogOpen();
    void changingFolderDropsTheNameBox();
    void newFolderOnReadOnlyMount();
    void hostileNamesAndAHugeFolder();
    void accessibleNamesAndPress();
    void chooseFolderIsModalOverItsParent();

private:
    QString m_oldCurrent;
};

void FrmDirSelectTest::init() {
    m_oldCurrent = QDir::currentPath();
}

void FrmDirSelectTest::cleanup() {
    QDir::setCurrent(m_oldCurrent);
}

void FrmDirSelectTest::startFolder_data() {
    QTest::addColumn<QByteArray>("start");     // relative to the tree; "" stays ""
    QTest::addColumn<QByteArray>("expected");  // relative to the tree; "." is the current folder
    QTest::newRow("empty shows the current folder") << QByteArray() << QByteArray(".");
    QTest::newRow("missing") << QByteArray("fehlt") << QByteArray(".");
    QTest::newRow("a file") << QByteArray("Fotos/IMG_1.JPG") << QByteArray(".");
    QTest::newRow("a folder") << QByteArray("Fotos/Urlaub") << QByteArray("Fotos/Urlaub");
    QTest::newRow("trailing slash and dots")
        << QByteArray("Fotos/./Zoo/../Urlaub/") << QByteArray("Fotos/Urlaub");
    QTest::newRow("line break in the name")
        << QByteArray("Zeile\nUmbruch") << QByteArray("Zeile\nUmbruch");
    QTest::newRow("not UTF-8") << QByteArray("bad\xff\xfe") << QByteArray("bad\xff\xfe");
}

void FrmDirSelectTest::startFolder() {
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, expected);
    Tree tree;
    fs::create_directory(tree.path("Zeile\nUmbruch"));
    fs::create_directory(tree.path("bad\xff\xfe"));
    const std::string current = tree.path("Fotos");
    QVERIFY(QDir::setCurrent(QString::fromStdString(current)));

    const std::string startPath = start.isEmpty() ? std::string() : tree.path(start.toStdString());
    Chooser c(startPath);
    const std::string want = expected == "." ? current : tree.path(expected.toStdString());
    QCOMPARE(c.dialog().folderPath(), want);
    QCOMPARE(c.dir1()->currentIndex().row(), c.rowOf(want));
    QCOMPARE(c.dialog().DirSelectPath(), startPath);
    QCOMPARE(c.dialog().windowTitle(), kSourceCaption);
}

void FrmDirSelectTest::opensWithTheFocusOnDummyAndTheListColour() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    QCOMPARE(QApplication::focusWidget(), c.child<QWidget>("dummy"));
    for (QWidget* list : {static_cast<QWidget*>(c.drive1()), static_cast<QWidget*>(c.dir1()),
                          static_cast<QWidget*>(c.file1())}) {
        QCOMPARE(list->palette().color(QPalette::Base), QColor(244, 244, 244));
    }
    QVERIFY(c.text1()->isHidden());
    QVERIFY(c.button("ccXPButton3")->isVisible());
    QCOMPARE(c.button("ccXPButton3")->Caption(), kNewFolder);
    QCOMPARE(c.button("ccXPButton2")->Caption(), kAccept);
    QCOMPARE(c.button("ccXPButton1")->Caption(), kCancel);
}

void FrmDirSelectTest::folderListShowsTheOpenPathAndSubfolders() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    FolderListModel* m = c.folders();
    const int current = m->currentFolderRow();
    QCOMPARE(m->entry(0).path, std::string("/"));
    QCOMPARE(m->entry(current).path, tree.path("Fotos"));
    QVERIFY(m->index(current).data(FolderListModel::kOpenRole).toBool());
    // The subfolders one level below, sorted ignoring case, the hidden one
    // left out.
    QCOMPARE(m->rowCount(), current + 4);
    QStringList names;
    for (int r = current + 1; r < m->rowCount(); ++r) {
        names << m->index(r).data().toString();
        QCOMPARE(m->entry(r).level, m->entry(current).level + 1);
        QVERIFY(!m->index(r).data(FolderListModel::kOpenRole).toBool());
    }
    QCOMPARE(names, (QStringList{"anderes", "Urlaub", "Zoo"}));
}

void FrmDirSelectTest::pictureListFollowsThePattern() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QCOMPARE(c.pictures(), (QStringList{"b.Png", "c.jpeg", "IMG_1.JPG"}));
    QCOMPARE(c.file1()->selectionMode(), QAbstractItemView::NoSelection);
}

void FrmDirSelectTest::doubleClickOpensAndAncestorsGoUp() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    c.doubleClick(tree.path("Fotos/Urlaub"));
    QCOMPARE(c.dialog().folderPath(), tree.path("Fotos/Urlaub"));
    QCOMPARE(c.pictures(), QStringList{"strand.jpg"});
    c.doubleClick(tree.root());
    QCOMPARE(c.dialog().folderPath(), tree.root());
    QCOMPARE(c.pictures(), QStringList());
    c.doubleClick("/");
    QCOMPARE(c.dialog().folderPath(), std::string("/"));
    QCOMPARE(c.drive1()->currentIndex(), 0);
}

void FrmDirSelectTest::keyboardAloneOpensAndAccepts() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    QSignalSpy accepted(&c.dialog(), &QDialog::accepted);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), c.drive1());
    QTest::keyClick(c.drive1(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), c.dir1());
    // Down from the current folder is its first subfolder; Enter opens it.
    QTest::keyClick(c.dir1(), Qt::Key_Down);
    QTest::keyClick(c.dir1(), Qt::Key_Return);
    QCOMPARE(c.dialog().folderPath(), tree.path("Fotos/anderes"));
    QCOMPARE(QApplication::focusWidget(), c.dir1());
    // Up to the parent on the open path, Enter goes there.
    QTest::keyClick(c.dir1(), Qt::Key_Up);
    QTest::keyClick(c.dir1(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(c.dialog().folderPath(), tree.path("Fotos"));
    // File1, "Neuer Ordner", then the accept button, pressed by Space.
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), c.button("ccXPButton2"));
    QTest::keyClick(c.button("ccXPButton2"), Qt::Key_Space);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(c.dialog().DirSelectPath(), tree.path("Fotos") + "/");
}

void FrmDirSelectTest::accept_data() {
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("root stays root") << QByteArray("/") << QByteArray("/");
    QTest::newRow("folder gets its slash") << QByteArray("@/Fotos") << QByteArray("@/Fotos/");
    QTest::newRow("slash kept once") << QByteArray("@/Fotos/") << QByteArray("@/Fotos/");
}

void FrmDirSelectTest::accept() {
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, expected);
    Tree tree;
    const QByteArray root = QByteArray::fromStdString(tree.root());
    Chooser c(start.replace('@', root).toStdString());
    QVERIFY(c.show());
    QSignalSpy accepted(&c.dialog(), &QDialog::accepted);
    c.click("ccXPButton2");
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(c.dialog().DirSelectPath(), expected.replace('@', root).toStdString());
    QVERIFY(!c.dialog().isVisible());
}

void FrmDirSelectTest::cancelLeavesThePathUnchanged_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("A B B R E C H E N") << QStringLiteral("button");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("closing by the frame") << QStringLiteral("close");
}

void FrmDirSelectTest::cancelLeavesThePathUnchanged() {
    QFETCH(QString, how);
    Tree tree;
    // The caller's text as it was, spelling and all.
    const std::string start = tree.root() + "//Fotos/./";
    Chooser c(start);
    QVERIFY(c.show());
    QSignalSpy rejected(&c.dialog(), &QDialog::rejected);
    c.doubleClick(tree.path("Fotos/Zoo"));
    QCOMPARE(c.dialog().folderPath(), tree.path("Fotos/Zoo"));
    if (how == "button") {
        c.click("ccXPButton1");
    } else if (how == "escape") {
        QTest::keyClick(c.dir1(), Qt::Key_Escape);
    } else {
        c.dialog().close();
    }
    QCOMPARE(rejected.count(), 1);
    QCOMPARE(c.dialog().DirSelectPath(), start);
}

void FrmDirSelectTest::placesMoveTheFolderList() {
    Tree tree;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(tree.path("Fotos")));
    Chooser c(tree.path("Fotos/Urlaub"));
    qputenv("HOME", oldHome);
    QVERIFY(c.show());
    QVERIFY(c.drive1()->count() >= 2);
    QCOMPARE(c.drive1()->itemText(0), QStringLiteral("Dateisystem (/)"));
    QCOMPARE(c.drive1()->itemText(1),
             QString::fromStdString("Persönlicher Ordner (" + tree.path("Fotos") + ")"));
    // The start folder lies in the home folder.
    QCOMPARE(c.drive1()->currentIndex(), 1);
    c.drive1()->setFocus();
    QTest::keyClick(c.drive1(), Qt::Key_Up);
    QCOMPARE(c.dialog().folderPath(), std::string("/"));
    QTest::keyClick(c.drive1(), Qt::Key_Down);
    QCOMPARE(c.dialog().folderPath(), tree.path("Fotos"));
    QCOMPARE(c.dir1()->currentIndex().row(), c.rowOf(tree.path("Fotos")));
}

void FrmDirSelectTest::newFolderWhereOneExists() {
    Tree tree;
    fs::create_directory(tree.path("Fotos/Neuer Ordner"));
    const std::size_t before = entriesIn(tree.path("Fotos"));
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    c.click("ccXPButton3");
    QVERIFY(c.text1()->isVisible());
    QVERIFY(c.button("ccXPButton3")->isHidden());
    QCOMPARE(c.text1()->text(), kNewFolder);
    QCOMPARE(c.text1()->selectedText(), kNewFolder);
    QCOMPARE(QApplication::focusWidget(), c.text1());

    MessageCatcher messages;
    QTest::keyClick(c.text1(), Qt::Key_Return);
    QCOMPARE(messages.seen().size(), std::size_t{1});
    QCOMPARE(messages.seen()[0].text, kExistsText);
    QCOMPARE(messages.seen()[0].title, QStringLiteral("Tervane Vendrik"));
    QCOMPARE(messages.seen()[0].icon, QMessageBox::Information);
    QCOMPARE(entriesIn(tree.path("Fotos")), before);
    QVERIFY(c.dialog().isVisible());
    QCOMPARE(c.text1()->selectedText(), kNewFolder);
    QVERIFY(c.returnsToTheDialog());
    QCOMPARE(QApplication::focusWidget(), c.text1());
}

void FrmDirSelectTest::newFolderNameSwallowsDotAndSlash() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    c.click("ccXPButton3");
    // Typing replaces the selected preset.
    QTest::keyClicks(c.text1(), QStringLiteral("Bil.der/2004:"));
    // Keys beyond ASCII, as a German keyboard types them.
    for (const QString& key : {QStringLiteral("ä"), QStringLiteral(" "), QStringLiteral("ß")}) {
        QTest::sendKeyEvent(QTest::Click, c.text1(), Qt::Key_unknown, key, Qt::NoModifier);
    }
    QTest::keyClicks(c.text1(), QStringLiteral("_-\\<"));
    QCOMPARE(c.text1()->text(), QStringLiteral("Bilder2004ä ß_-"));
    QTest::keyClick(c.text1(), Qt::Key_Backspace);
    QCOMPARE(c.text1()->text(), QStringLiteral("Bilder2004ä ß_"));
}

void FrmDirSelectTest::pasteIsFilteredToo() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    c.click("ccXPButton3");
    QGuiApplication::clipboard()->setText(QStringLiteral("../Ur.laub\n2004/"));
    QTest::keyClick(c.text1(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(c.text1()->text(), QStringLiteral("Urlaub2004"));
    QCOMPARE(c.text1()->cursorPosition(), 10);
}

void FrmDirSelectTest::newFolderIsCreatedAndChosen() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    c.click("ccXPButton3");
    QTest::keyClicks(c.text1(), QStringLiteral("Reise 2024"));
    MessageCatcher messages;
    QTest::keyClick(c.text1(), Qt::Key_Return);
    QVERIFY(messages.seen().empty());
    const std::string made = tree.path("Fotos/Reise 2024");
    QVERIFY(fs::is_directory(made));
    QCOMPARE(c.dialog().folderPath(), made);
    QCOMPARE(c.dir1()->currentIndex().row(), c.rowOf(made));
    QVERIFY(c.text1()->isHidden());
    QVERIFY(c.button("ccXPButton3")->isVisible());
    QCOMPARE(QApplication::focusWidget(), c.button("ccXPButton2"));
    QTest::keyClick(c.button("ccXPButton2"), Qt::Key_Return);
    QCOMPARE(c.dialog().result(), int(QDialog::Accepted));
    QCOMPARE(c.dialog().DirSelectPath(), made + "/");
}

void FrmDirSelectTest::escapeHidesTheNameBoxAndKeepsTheDialogOpen() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    QSignalSpy rejected(&c.dialog(), &QDialog::rejected);
    c.click("ccXPButton3");
    QTest::keyClick(c.text1(), Qt::Key_Escape);
    QVERIFY(c.text1()->isHidden());
    QVERIFY(c.button("ccXPButton3")->isVisible());
    QCOMPARE(QApplication::focusWidget(), c.child<QWidget>("dummy"));
    QVERIFY(c.dialog().isVisible());
    QCOMPARE(rejected.count(), 0);
    QCOMPARE(entriesIn(tree.path("Fotos")), std::size_t{9});
    // A second Escape, now on the dialog, cancels it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(rejected.count(), 1);
}

void FrmDirSelectTest::changingFolderDropsTheNameBox() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    c.click("ccXPButton3");
    c.doubleClick(tree.path("Fotos/Zoo"));
    QVERIFY(c.text1()->isHidden());
    QVERIFY(c.button("ccXPButton3")->isVisible());
    // The list keeps the focus the double click gave it.
    QCOMPARE(QApplication::focusWidget(), c.dir1());
}

void FrmDirSelectTest::newFolderOnReadOnlyMount() {
    Tree tree;
    ReadOnlyMount mount(tree.path("schreibgeschuetzt"));
    if (!mount.mounted()) {
        QSKIP("cannot mount a read-only file system here (needs root)");
    }
    Chooser c(tree.path("schreibgeschuetzt"));
    QVERIFY(c.show());
    c.click("ccXPButton3");
    MessageCatcher messages;
    QTest::keyClick(c.text1(), Qt::Key_Return);
    QCOMPARE(messages.seen().size(), std::size_t{1});
    QCOMPARE(messages.seen()[0].text, kNotMadeText);
    QCOMPARE(messages.seen()[0].title, QStringLiteral("Tervane Vendrik"));
    QCOMPARE(messages.seen()[0].icon, QMessageBox::Critical);
    QVERIFY(c.dialog().isVisible());
    QVERIFY(c.text1()->isVisible());
    QVERIFY(c.returnsToTheDialog());
    QCOMPARE(QApplication::focusWidget(), c.text1());
    QCOMPARE(c.dialog().folderPath(), tree.path("schreibgeschuetzt"));
}

void FrmDirSelectTest::hostileNamesAndAHugeFolder() {
    // In memory where the machine has it: removing ten thousand folders from
    // a disk that discards each freed block takes half a minute.
    const QString shm = QStringLiteral("/dev/shm");
    Tree tree(QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QString());
    const std::string huge = tree.path("viele");
    fs::create_directory(huge);
    constexpr int kCount = 10000;
    for (int i = 0; i < kCount; ++i) {
        fs::create_directory(huge + "/ordner" + std::to_string(i));
        std::ofstream(huge + "/bild" + std::to_string(i) + ".jpg") << "x";
    }
    fs::create_directory(huge + "/Zeile\nUmbruch");
    fs::create_directory(huge + "/kaputt\xff");
    std::ofstream(huge + "/kaputt\xff.jpg") << "x";
    Chooser c(huge);
    QVERIFY(c.show());
    const int current = c.folders()->currentFolderRow();
    QCOMPARE(c.folders()->rowCount(), current + 1 + kCount + 2);
    // Shown on one line, the broken byte visible as such.
    QCOMPARE(c.folders()->index(c.rowOf(huge + "/Zeile\nUmbruch")).data().toString(),
             QStringLiteral("Zeile\u240AUmbruch"));
    QCOMPARE(c.folders()->index(c.rowOf(huge + "/kaputt\xff")).data().toString(),
             QStringLiteral("kaputt\uFFFD"));
    QCOMPARE(c.pictures().size(), kCount + 1);
    QVERIFY(c.pictures().contains(QStringLiteral("kaputt\uFFFD.jpg")));
    // The folder opens by its real name, and that is the name handed back.
    c.doubleClick(huge + "/kaputt\xff");
    QCOMPARE(c.dialog().folderPath(), huge + "/kaputt\xff");
    c.click("ccXPButton2");
    QCOMPARE(c.dialog().DirSelectPath(), huge + "/kaputt\xff/");
}

void FrmDirSelectTest::accessibleNamesAndPress() {
    Tree tree;
    Chooser c(tree.path("Fotos"));
    QVERIFY(c.show());
    const auto nameOf = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a != nullptr ? a->text(QAccessible::Name) : QString();
    };
    QCOMPARE(nameOf(c.button("ccXPButton1")), kCancel);
    QCOMPARE(nameOf(c.button("ccXPButton2")), kAccept);
    QCOMPARE(nameOf(c.button("ccXPButton3")), kNewFolder);
    // A combo box is named by its value on this platform's accessibility
    // bus; the name set for it serves where a name is asked for.
    QCOMPARE(c.drive1()->accessibleName(), QStringLiteral("Orte"));
    QCOMPARE(nameOf(c.drive1()), c.drive1()->currentText());
    QCOMPARE(nameOf(c.dir1()), QStringLiteral("Ordner"));
    QCOMPARE(nameOf(c.file1()), QStringLiteral("Bilder im Ordner"));
    QCOMPARE(nameOf(c.text1()), QStringLiteral("Name des neuen Ordners"));

    // "Neuer Ordner" pressed as a screen reader presses it, then accept.
    // The press answers at once; its Click follows from the event loop.
    QAccessibleInterface* newFolder =
        QAccessible::queryAccessibleInterface(c.button("ccXPButton3"));
    QVERIFY(newFolder->actionInterface());
    newFolder->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(c.text1()->isVisible());
    QAccessibleInterface* accept = QAccessible::queryAccessibleInterface(c.button("ccXPButton2"));
    QCOMPARE(accept->role(), QAccessible::Button);
    QVERIFY(accept->actionInterface());
    QVERIFY(accept->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
    accept->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(c.dialog().result(), int(QDialog::Accepted));
    QCOMPARE(c.dialog().DirSelectPath(), tree.path("Fotos") + "/");
}

void FrmDirSelectTest::chooseFolderIsModalOverItsParent() {
    Tree tree;
    QWidget mainWindow;
    mainWindow.show();
    bool wasModal = false;
    bool overParent = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* d = qobject_cast<frmDirSelect*>(QApplication::activeModalWidget());
        if (d == nullptr || !d->isVisible()) {
            return;
        }
        poll.stop();
        wasModal = d->isModal() && d->windowModality() != Qt::NonModal;
        overParent = d->parentWidget() == &mainWindow;
        d->findChild<QListView*>(QStringLiteral("Dir1"))->setFocus();
        auto* accept = d->findChild<ccXPButton*>(QStringLiteral("ccXPButton2"));
        QTest::mouseClick(accept, Qt::LeftButton, {}, accept->rect().center());
    });
    poll.start(10);
    const std::string chosen = chooseFolder(&mainWindow, kSourceCaption, tree.path("Fotos/Zoo"));
    QVERIFY(wasModal);
    QVERIFY(overParent);
    QCOMPARE(chosen, tree.path("Fotos/Zoo") + "/");
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

QTEST_MAIN(FrmDirSelectTest)
#include "frmdirselect_test.moc"
