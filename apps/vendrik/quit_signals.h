#pragma once
// Ending the program by a signal (SIGTERM at the session's end, SIGHUP when
// its terminal goes, SIGINT from Ctrl+C) closes the main window the normal
// way, so that it writes its settings and lets a run finish the pictures in
// hand. The signal handler only writes a byte into a pipe; the window thread
// reads it and does the rest.

class QWidget;

namespace vendrik {

// Installs the handlers for the life of the program; `window` is closed
// (QWidget::close) when one of the signals arrives.
void closeOnQuitSignals(QWidget* window);

}  // namespace vendrik
