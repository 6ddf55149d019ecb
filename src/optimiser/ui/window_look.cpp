#include "optimiser/ui/window_look.h"

#include <QGridLayout>
#include <QGroupBox>

namespace vendrik {

QGridLayout* frameGrid(QGroupBox* frame) {
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(8, 2, 8, 5);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    return grid;
}

}  // namespace vendrik
