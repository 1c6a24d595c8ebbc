#pragma once

// The print procedure of every printed list: the empty-table warning, a report built afresh for
// each print (with its row table for a "selected" print), the print dialog, copies and page
// range from the dialog, the sender's name as stored at that moment, printing with a progress
// dialog, and one error box for every failure. Nothing of a report outlives its print.

#include "ui/print_request.h"

#include <QString>

#include <functional>

class Clock;
class Prompter;
class QPrinter;

namespace printing {

struct PageLayout;

inline constexpr const char* kNoRecordsMessage = "There are no records to print.";
inline constexpr const char* kPrinterNotFoundMessage =
    "Printer not found. Please make sure that your printer is online and that it has been "
    "configured.";

class ListPrinter {
public:
    // senderName gives the stored sender's name; it is asked at each print.
    ListPrinter(Prompter& prompter, const Clock& clock, std::function<QString()> senderName);

    // Runs the whole procedure for one request; shows its own boxes and never throws.
    void print(const PrintRequest& request);

    // A4, the layout's orientation and 10 mm margins.
    static void preparePage(QPrinter& printer, const PageLayout& layout);

private:
    void run(const PrintRequest& request);

    Prompter& prompter_;
    const Clock& clock_;
    std::function<QString()> senderName_;
};

} // namespace printing
