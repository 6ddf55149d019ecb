#include "dialog_watermark.h"

#include <QApplication>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "startup/settings.h"
#include "startup/settings_file.h"
#include "startup/ui/window_placement.h"
#include "watermark/ui/frmWatermark.h"

namespace vendrik {

int runWatermarkDialog(int argc, char** argv) {
    bool asked = false;
    bool valueMissing = false;
    std::string settingsFile;
    std::string picture;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--dialog" && hasValue && std::string_view(argv[i + 1]) == "watermark") {
            asked = true;
            ++i;
        } else if (a == "--settings" && hasValue) {
            settingsFile = argv[++i];
        } else if (a == "--picture" && hasValue) {
            picture = argv[++i];
        } else if (a == "--settings" || a == "--picture") {
            valueMissing = true;
        }
    }
    if (!asked) {
        return -1;
    }
    if (valueMissing) {
        std::fprintf(stderr,
                     "Aufruf: vendrik --dialog watermark [--settings DATEI] [--picture BILD]\n");
        return 2;
    }
    if (settingsFile.empty()) {
        settingsFile = locateSettingsFile();
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(ProductTitle.data(), ProductTitle.size()));
    Settings settings = loadSettings(settingsFile);
    // A design that cannot be stored goes unnoticed, as every failed write
    // of the settings file does.
    DesignerHost host;
    host.keep = [&settingsFile](const WatermarkSettings& design) {
        static_cast<void>(saveWatermarkSettings(design, settingsFile));
    };
    host.place = centredOnScreen;
    frmWatermark designer(settings.watermark, std::move(host));
    if (!picture.empty() && !designer.LoadExternalPic(picture)) {
        std::fprintf(stderr,
                     "vendrik: %s lässt sich nicht als Bild laden; die Vorschau zeigt das "
                     "Beispielbild.\n",
                     picture.c_str());
    }
    return designer.exec() == QDialog::Accepted ? 0 : 1;
}

}  // namespace vendrik
