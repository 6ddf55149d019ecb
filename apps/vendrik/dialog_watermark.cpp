#include "dialog_watermark.h"

#include <QApplication>
#include <cstdio>
#include <string>
#include <utility>

#include "startup/settings.h"
#include "startup/settings_file.h"
#include "startup/ui/window_placement.h"
#include "watermark/ui/frmWatermark.h"

namespace vendrik {

int runWatermarkDialog(const WindowArguments& args) {
    const std::string settingsFile =
        args.settingsFile.empty() ? locateSettingsFile() : args.settingsFile;
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
    if (!args.picture.empty() && !designer.LoadExternalPic(args.picture)) {
        std::fprintf(stderr,
                     "vendrik: %s lässt sich nicht als Bild laden; die Vorschau zeigt das "
                     "Beispielbild.\n",
                     args.picture.c_str());
    }
    return designer.exec() == QDialog::Accepted ? 0 : 1;
}

}  // namespace vendrik
