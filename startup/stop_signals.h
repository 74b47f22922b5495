#pragma once

class QWidget;

// SIGTERM, SIGINT and SIGHUP (logout, Ctrl+C, a closed terminal) end the program as closing
// `window` does: a running batch is stopped, the settings are written, and the event loop
// ends with status 0. The signal only writes to a pipe; the window's event loop does the rest.
// Call once, after the window exists.
void CloseOnStopSignals(QWidget& window);
