#pragma once

#include <functional>

// Runs work on a thread of its own and returns once it has ended, while this thread keeps
// handling events: windows repaint and a modal window (a progress window with Cancel) takes
// the user's input. Whatever work throws is thrown here, on the calling thread. work must not
// touch widgets; the caller must not touch what work uses until this returns.
// When the program quits meanwhile (its event loops all end), stop is called so that the work
// ends soon instead of holding the quit up.
void runInBackground(const std::function<void()>& work, const std::function<void()>& stop);
