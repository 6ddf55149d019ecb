#pragma once
// Where the program's windows appear: centred on the screen, a little above
// the middle (CenterForm), in the screen's own coordinates. The main window,
// the folder chooser and the watermark designer all open there; the
// designer, which knows nothing of start-up, is handed centredOnScreen by
// whoever opens it.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace vendrik {

// The top-left corner of a window of `size` on the screen area `area`.
[[nodiscard]] QPoint centredOnScreen(const QRect& area, const QSize& size);

}  // namespace vendrik
