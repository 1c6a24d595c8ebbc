// The main window's print entries: the pending list, all of it or the rows selected in the grid.

#include "reminders/main_window.h"

void TfrmMain::BitBtn1Click() {
    // The print shows its own boxes and never throws, so a fresh entry follows it whatever
    // became of it.
    emit printRequested({PrintedList::Reminders, dxmReminders, false, {}});
    PrepareForNew();
}

void TfrmMain::Selected1Click() {
    emit printRequested({PrintedList::Reminders, dxmReminders, true, selectedRows()});
}
