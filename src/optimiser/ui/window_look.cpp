#include "optimiser/ui/window_look.h"

#include <QGridLayout>
#include <QGroupBox>

namespace vendrik {

QString withAccessKey(const QString& caption, QChar key) {
    QString marked = caption;
    if (const qsizetype at = marked.indexOf(key); at >= 0) {
        marked.insert(at, QLatin1Char('&'));
    }
    return marked;
}

QGridLayout* frameGrid(QGroupBox* frame) {
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(8, 2, 8, 5);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    return grid;
}

}  // namespace vendrik
