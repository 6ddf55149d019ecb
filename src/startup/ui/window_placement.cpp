#include "startup/ui/window_placement.h"

#include "startup/window_helpers.h"

namespace vendrik {

QPoint centredOnScreen(const QRect& area, const QSize& size) {
    const FormPosition at = CenterForm(area.width(), area.height(), size.width(), size.height());
    return {area.left() + at.left, area.top() + at.top};
}

}  // namespace vendrik
