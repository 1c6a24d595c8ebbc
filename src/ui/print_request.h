#pragma once

#include <vector>

class TdxMemData;

// The four printed lists. A window asks for one of them with a PrintRequest; the printing code
// (wired in where the windows are created) runs the print and shows its boxes.
enum class PrintedList { Reminders, SentItems, Contacts, Messages };

struct PrintRequest {
    PrintedList list = PrintedList::Reminders;
    // The window's own table. Printing reads it and never moves its cursor or changes a row.
    const TdxMemData* table = nullptr;
    // False: every row of the table. True: only selectedRows (0-based table rows, in the grid's
    // order), which may be none.
    bool selectedOnly = false;
    std::vector<int> selectedRows;
};
