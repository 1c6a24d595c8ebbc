#pragma once

class QWidget;

// Ends the program the same way as closing its main window, files written, when the process is
// asked to end (SIGTERM at log-out or shutdown, SIGINT from a terminal). The signal handler only
// writes a byte to a pipe; the rest runs in whichever event loop is running, also the one of a
// box or dialog that is open (the start-up error box among them): every open box and dialog is
// closed with its quiet answer, none waits from then on, and the main window is closed.

// Catches the signals from now on (call once the application object exists).
void catchTerminationSignals();
// The window to close on a caught signal.
void closeOnTerminationSignal(QWidget* window);
// Whether a signal arrived (before the main window was there, for one).
bool terminationRequested();
