// vendrik: Vendrik's windows. Until the main window is built, the program
// shows its controls' gallery.

#include <QApplication>
#include <QStringList>
#include <cstdio>

#include "controls_gallery.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tervane Vendrik"));

    if (QApplication::arguments().contains(QStringLiteral("--controls-gallery"))) {
        vendrik::ControlsGallery gallery;
        gallery.show();
        gallery.activateWindow();
        return QApplication::exec();
    }
    std::fprintf(stderr,
                 "vendrik: Das Hauptfenster gibt es noch nicht.\n"
                 "'vendrik --controls-gallery' zeigt die Bedienelemente, "
                 "'vendrik-cli' ist die Befehlszeile.\n");
    return 2;
}
