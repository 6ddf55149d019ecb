#include "dialog_folder.h"

#include <QApplication>
#include <cstdio>
#include <string>
#include <string_view>

#include "controls/program_icon.h"
#include "startup/settings.h"
#include "startup/settings_file.h"
#include "startup/ui/frmDirSelect.h"

namespace vendrik {
namespace {

struct FolderDialogArgs {
    bool target = false;
    std::string settingsFile;
    std::string start;
    bool hasStart = false;
};

std::optional<FolderDialogArgs> parse(int argc, char** argv, std::string& error) {
    FolderDialogArgs a;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--dialog") {
            ++i;  // "folder", checked by the caller
        } else if (arg == "--target") {
            a.target = true;
        } else if (arg == "--settings") {
            if (++i >= argc) {
                error = "--settings braucht eine Datei";
                return std::nullopt;
            }
            a.settingsFile = argv[i];
        } else if (!a.hasStart && (arg.empty() || arg.front() != '-')) {
            a.start = arg;
            a.hasStart = true;
        } else {
            error = "unbekanntes Argument: " + std::string(arg);
            return std::nullopt;
        }
    }
    return a;
}

bool asksForFolderDialog(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) == "--dialog" && std::string_view(argv[i + 1]) == "folder") {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<int> folderDialogMain(int argc, char** argv) {
    if (!asksForFolderDialog(argc, argv)) {
        return std::nullopt;
    }
    std::string error;
    const auto args = parse(argc, argv, error);
    if (!args) {
        std::fprintf(stderr,
                     "vendrik: %s\n"
                     "Aufruf: vendrik --dialog folder [--target] [--settings DATEI] [START]\n",
                     error.c_str());
        return 2;
    }
    std::string start = args->start;
    if (!args->hasStart) {
        const Settings s =
            loadSettings(args->settingsFile.empty() ? locateSettingsFile() : args->settingsFile);
        start = args->target ? s.targetFolder : s.sourceFolder;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(
        QString::fromUtf8(ProductTitle.data(), static_cast<qsizetype>(ProductTitle.size())));
    QApplication::setWindowIcon(programIcon());
    frmDirSelect dialog(args->target ? QStringLiteral("Speicher-Pfad auswählen")
                                     : QStringLiteral("Quell-Pfad auswählen"),
                        start);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    std::printf("%s\n", dialog.DirSelectPath().c_str());
    std::fflush(stdout);
    return chosen ? 0 : 1;
}

}  // namespace vendrik
