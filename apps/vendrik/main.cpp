// vendrik: Vendrik's window program. Start-up (one copy per user, the
// settings, the desktop entry, the folder or picture on the command line),
// then the main window with the settings in its controls.

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "controls/program_icon.h"
#include "controls_gallery.h"
#include "dialog_folder.h"
#include "dialog_watermark.h"
#include "optimiser/ui/frmOptimize.h"
#include "quit_signals.h"
#include "startup/start_up.h"

namespace {

constexpr const char* kHelp =
    "Aufruf: vendrik [ORDNER | BILDDATEI]\n"
    "\n"
    "Tervane Vendrik verkleinert Bilder (JPEG, PNG, TIFF, GIF, BMP) zu JPEG-Dateien:\n"
    "Bilder im Ordner markieren, Zielgröße, Qualität, Namensanhang und Wasserzeichen\n"
    "wählen, starten. Das Hauptfenster zeigt die Bilder eines Ordners.\n"
    "\n"
    "  ORDNER               zeigt die Bilder dieses Ordners\n"
    "  BILDDATEI            zeigt ihren Ordner und markiert sie (Endungen .jpg, .jpeg,\n"
    "                       .jpe, .tif, .bmp, .gif); ohne Angabe der zuletzt\n"
    "                       benutzte Ordner\n"
    "  --controls-gallery   zeigt die Bedienelemente des Programms\n"
    "  --dialog folder [--target] [--settings DATEI] [START]\n"
    "                       nur die Ordnerauswahl; gibt den gewählten Ordner aus\n"
    "  --dialog watermark [--settings DATEI] [--picture BILD]\n"
    "                       nur die Wasserzeichen-Einstellungen\n"
    "  -h, --help           diese Hilfe\n"
    "  -V, --version        die Version\n"
    "\n"
    "Läuft Vendrik schon, endet ein zweiter Aufruf sofort. Die Einstellungen stehen in\n"
    "vendrik.ini neben dem Programm, wenn dieser Ordner beschreibbar ist, sonst in\n"
    "~/.config/vendrik/vendrik.ini. Die Befehlszeile ist vendrik-cli\n"
    "(vendrik-cli --help).\n";

#ifndef VENDRIK_VERSION
#define VENDRIK_VERSION "unbekannt"
#endif

struct Options {
    bool help = false;
    bool version = false;
    bool gallery = false;
};

// Looked at before QApplication, which needs a display to start.
Options readOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--") == 0) {
            break;  // the rest is a path, even if it starts with "-"
        }
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            o.help = true;
        } else if (std::strcmp(a, "--version") == 0 || std::strcmp(a, "-V") == 0) {
            o.version = true;
        } else if (std::strcmp(a, "--controls-gallery") == 0) {
            o.gallery = true;
        }
    }
    return o;
}

// The words of the path on the command line, after QApplication has taken
// its own options (-platform, -style, ...) out of argv. A path with blanks
// that the shell split is joined again by start-up.
std::vector<std::string> pathWords(int argc, char** argv, std::string& error) {
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a.size() > 2 && a.compare(0, 2, "--") == 0) {
            error = "unbekannte Option " + a;
        } else {
            words.push_back(a);
        }
    }
    return words;
}

}  // namespace

int main(int argc, char** argv) {
    // A write past `ulimit -f` fails as a write error, not as the end of the
    // program.
    vendrik::ignoreFileSizeLimitSignal();
    if (const auto code = vendrik::folderDialogMain(argc, argv)) {
        return *code;
    }
    if (const int rc = vendrik::runWatermarkDialog(argc, argv); rc >= 0) {
        return rc;
    }
    const Options options = readOptions(argc, argv);
    if (options.help) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (options.version) {
        std::fputs("vendrik (Tervane Vendrik) " VENDRIK_VERSION "\n", stdout);
        return 0;
    }
    if (options.gallery) {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Tervane Vendrik"));
        QApplication::setWindowIcon(vendrik::programIcon());
        vendrik::ControlsGallery window;
        window.show();
        window.activateWindow();
        return QApplication::exec();
    }

    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("vendrik"));
    QApplication::setWindowIcon(vendrik::programIcon());
    std::string error;
    vendrik::StartupInputs inputs;
    inputs.arguments = pathWords(argc, argv, error);
    if (!error.empty()) {
        std::fprintf(stderr, "vendrik: %s\n%s", error.c_str(), kHelp);
        return 2;
    }

    vendrik::StartupState startup = vendrik::runStartup(inputs);
    if (startup.secondInstance) {
        return 0;  // another copy runs: end silently
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);

    vendrik::frmOptimize window(startup.settingsFile, startup.settings.watermark);
    window.setFirstRunFlag(startup.FirstRunFlag);
    window.applySettings(startup.settings);
    window.show();
    window.cboSizes_Click();
    QCoreApplication::processEvents();
    if (!startup.fileToSelect.empty()) {
        window.selectFileName(startup.fileToSelect);
    } else {
        window.refreshFolder();
    }
    vendrik::closeOnQuitSignals(&window);
    QApplication::restoreOverrideCursor();
    return QApplication::exec();
}
