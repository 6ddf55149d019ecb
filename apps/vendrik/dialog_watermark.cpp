#include "dialog_watermark.h"

#include <QApplication>
#include <cstdio>
#include <string>
#include <string_view>

#include "controls/program_icon.h"
#include "startup/settings.h"
#include "startup/settings_file.h"
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
    QApplication::setWindowIcon(programIcon());
    Settings settings = loadSettings(settingsFile);
    frmWatermark designer(settings.watermark, settingsFile);
    if (!picture.empty() && !designer.LoadExternalPic(picture)) {
        std::fprintf(stderr,
                     "vendrik: %s lässt sich nicht als Bild laden; die Vorschau zeigt das "
                     "Beispielbild.\n",
                     picture.c_str());
    }
    return designer.exec() == QDialog::Accepted ? 0 : 1;
}

}  // namespace vendrik
