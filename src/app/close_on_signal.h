#pragma once

class QWidget;

// Ends the program the same way as closing its main window, files written, when the process is
// asked to end (SIGTERM at log-out or shutdown, SIGINT from a terminal). The signal handler only
// writes a byte to a pipe; the close runs in the event loop.

// Catches the signals from now on; one that arrives before there is a window waits in the pipe.
void catchTerminationSignals();
// Closes the window on a caught signal.
void closeOnTerminationSignal(QWidget* window);
