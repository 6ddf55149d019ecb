// vendrik: Vendrik's windows. Until the main window is built, the program
// shows its controls' gallery.

#include <QApplication>
#include <cstdio>
#include <cstring>

#include "common/atomic_file.h"
#include "controls_gallery.h"
#include "dialog_folder.h"
#include "dialog_watermark.h"

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
    // Looked at before QApplication, which needs a display to start.
    bool gallery = false;
    for (int i = 1; i < argc; ++i) {
        gallery = gallery || std::strcmp(argv[i], "--controls-gallery") == 0;
    }
    if (!gallery) {
        std::fprintf(stderr,
                     "vendrik: Das Hauptfenster gibt es noch nicht.\n"
                     "'vendrik --controls-gallery' zeigt die Bedienelemente, "
                     "'vendrik-cli' ist die Befehlszeile.\n");
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tervane Vendrik"));
    vendrik::ControlsGallery window;
    window.show();
    window.activateWindow();
    return QApplication::exec();
}
