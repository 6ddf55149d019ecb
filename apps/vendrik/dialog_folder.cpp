#include "dialog_folder.h"

#include <QApplication>
#include <cstdio>
#include <string>

#include "startup/settings.h"
#include "startup/settings_file.h"
#include "startup/ui/frmDirSelect.h"

namespace vendrik {

int runFolderDialog(const WindowArguments& args) {
    // An empty START is a START too: the chooser then opens on the current
    // folder.
    std::string start = args.operands.empty() ? std::string() : args.operands.front();
    if (args.operands.empty()) {
        const Settings s =
            loadSettings(args.settingsFile.empty() ? locateSettingsFile() : args.settingsFile);
        start = args.target ? s.targetFolder : s.sourceFolder;
    }

    QApplication::setApplicationName(
        QString::fromUtf8(ProductTitle.data(), static_cast<qsizetype>(ProductTitle.size())));
    frmDirSelect dialog(args.target ? QStringLiteral("Speicher-Pfad auswählen")
                                    : QStringLiteral("Quell-Pfad auswählen"),
                        start);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    std::printf("%s\n", dialog.DirSelectPath().c_str());
    std::fflush(stdout);
    return chosen ? 0 : 1;
}

}  // namespace vendrik
