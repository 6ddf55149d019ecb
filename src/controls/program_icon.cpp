#include "controls/program_icon.h"

#include <QDir>

namespace vendrik {

QIcon programIcon() {
    QIcon icon;
    // The PNGs are drawn for their size; letting Qt scale one SVG would
    // need the SVG plug-in and blur the small sizes.
    const QDir resources(QStringLiteral(":/vendrik/icons"));
    for (const QString& name : resources.entryList({QStringLiteral("vendrik-*.png")})) {
        icon.addFile(resources.filePath(name));
    }
    return icon;
}

}  // namespace vendrik
