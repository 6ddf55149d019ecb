// How long the folder chooser takes to open a crowded folder: the dialog
// opened on it (listing its subfolders and its pictures, filling both lists,
// showing the window), and the folder opened from its parent by Enter in
// the folder list. The peer is `ls -1` on the same folder, which lists the
// names sorted (no stat, no window), run in alternation with the chooser.
//
//   QT_QPA_PLATFORM=offscreen folder_chooser_bench FOLDER

#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "startup/path_helpers.h"
#include "startup/ui/frmDirSelect.h"

namespace {

constexpr int kRounds = 9;

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string quoted(const std::string& path) {
    std::string q = "'";
    for (const char c : path) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: folder_chooser_bench FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    QApplication app(argc, argv);
    const QString caption = QStringLiteral("Quell-Pfad auswählen");

    std::vector<double> open;
    std::vector<double> enter;
    std::vector<double> peer;
    const std::string ls = "ls -1 " + quoted(folder) + " >/dev/null";
    for (int i = 0; i < kRounds; ++i) {
        open.push_back(seconds([&] {
            vendrik::frmDirSelect dialog(caption, folder);
            dialog.show();
            QApplication::processEvents();
        }));

        vendrik::frmDirSelect dialog(caption, vendrik::ParentPath(folder));
        dialog.show();
        QApplication::processEvents();
        auto* list = dialog.findChild<QListView*>(QStringLiteral("Dir1"));
        const QString name = QString::fromStdString(vendrik::FileNameOf(folder));
        const QModelIndexList hits = list->model()->match(
            list->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        if (hits.isEmpty()) {
            std::fprintf(stderr, "folder_chooser_bench: %s not listed\n", folder.c_str());
            return 1;
        }
        list->setCurrentIndex(hits.first());
        enter.push_back(seconds([&] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(list, &press);
            QApplication::processEvents();
        }));
        if (dialog.folderPath() != folder) {
            std::fprintf(stderr, "folder_chooser_bench: Enter did not open %s\n", folder.c_str());
            return 1;
        }

        peer.push_back(seconds([&] {
            if (std::system(ls.c_str()) != 0) {
                std::fprintf(stderr, "folder_chooser_bench: ls failed\n");
            }
        }));
    }
    const double p = median(peer);
    std::printf("Dialog auf dem Ordner öffnen:  %7.1f ms (Median aus %d), %.1f × ls -1\n",
                1e3 * median(open), kRounds, median(open) / p);
    std::printf("Enter im Elternordner:         %7.1f ms (Median aus %d), %.1f × ls -1\n",
                1e3 * median(enter), kRounds, median(enter) / p);
    std::printf("ls -1 auf demselben Ordner:    %7.1f ms\n", 1e3 * p);
    return 0;
}
