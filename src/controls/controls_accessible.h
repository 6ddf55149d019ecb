#pragma once
// What screen readers and test robots see of the controls (through AT-SPI
// on Linux): the button as a push button named by its caption with a Press
// action, the progress bar as a progress bar with its value.

namespace vendrik {

// Registers the controls' accessible interfaces with Qt; the controls'
// constructors call it, more calls do nothing.
void installControlsAccessibility();

}  // namespace vendrik
