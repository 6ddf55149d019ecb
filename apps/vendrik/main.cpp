// vendrik: Vendrik's window program. Start-up (one copy per user, the
// settings, the desktop entry, the folder or picture on the command line),
// then the main window with the settings in its controls; a second start
// hands its folder or picture to that window and ends. Or one of the
// dialogs, or the controls' gallery, on its own.

#include <QApplication>
#include <cstdio>
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
#include "startup/ui/instance_channel.h"
#include "window_arguments.h"

namespace {

std::vector<std::string> wordsOf(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

// --help and --version: answered without a window system.
bool answered(const vendrik::WindowArguments& args) {
    if (args.help) {
        std::fputs(vendrik::windowHelpText().c_str(), stdout);
    } else if (args.version) {
        std::fputs(vendrik::windowVersionText().c_str(), stdout);
    }
    return args.help || args.version;
}

int runMainWindow(const vendrik::WindowArguments& args) {
    QApplication::setDesktopFileName(QStringLiteral("vendrik"));
    vendrik::StartupInputs inputs;
    // A path with blanks that the shell split is joined again by start-up.
    inputs.arguments = args.operands;
    vendrik::StartupState startup = vendrik::runStartup(inputs);
    const QString channel = vendrik::instanceChannelName();
    if (startup.secondInstance) {
        // Another copy runs: its window takes this start's folder or picture.
        if (vendrik::handOverRequest(channel,
                                     QString::fromStdString(startup.commandLineArgument))) {
            return 0;
        }
        std::fputs("vendrik: Vendrik läuft schon, das offene Fenster antwortet aber nicht\n",
                   stderr);
        return 1;
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
    // Later starts hand their folder or picture to this window.
    vendrik::InstanceServer server;
    QObject::connect(&server, &vendrik::InstanceServer::requestArrived, &window,
                     [&window](const QString& path) { window.openRequested(path.toStdString()); });
    static_cast<void>(server.listen(channel));
    QApplication::restoreOverrideCursor();
    return QApplication::exec();
}

int runControlsGallery() {
    QApplication::setApplicationName(QStringLiteral("Tervane Vendrik"));
    vendrik::ControlsGallery window;
    window.show();
    window.activateWindow();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    // A write past `ulimit -f` fails as a write error, not as the end of the
    // program.
    vendrik::ignoreFileSizeLimitSignal();
    vendrik::WindowArguments args;
    std::string error;
    const bool understood = vendrik::parseWindowArguments(wordsOf(argc, argv), args, error);
    if (understood && answered(args)) {
        return 0;
    }
    // QApplication takes its own options (-platform, -style, ...) out of
    // argv; it needs the window system, so the line is read first without
    // it, and read again only when that first reading did not understand it.
    QApplication app(argc, argv);
    // Every window of the program, the dialogs on their own too, shows its
    // icon.
    QApplication::setWindowIcon(vendrik::programIcon());
    if (!understood) {
        error.clear();
        if (!vendrik::parseWindowArguments(wordsOf(argc, argv), args, error)) {
            std::fputs(vendrik::windowUsageError(error).c_str(), stderr);
            return 2;
        }
        if (answered(args)) {
            return 0;
        }
    }
    switch (args.mode) {
        case vendrik::WindowMode::FolderDialog:
            return vendrik::runFolderDialog(args);
        case vendrik::WindowMode::WatermarkDialog:
            return vendrik::runWatermarkDialog(args);
        case vendrik::WindowMode::ControlsGallery:
            return runControlsGallery();
        case vendrik::WindowMode::MainWindow:
            break;
    }
    return runMainWindow(args);
}
