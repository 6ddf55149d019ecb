#pragma once
// Vendrik's icon for its windows, built into the program: a copy started
// from its build folder shows it too, where no icon theme holds it. The
// desktop's menu takes the same picture from the hicolor theme.

#include <QIcon>

namespace vendrik {

// The icon at every size it was drawn for (16 to 256 pixels), so that the
// window manager picks a sharp one for the title bar and the task switcher.
[[nodiscard]] QIcon programIcon();

}  // namespace vendrik
