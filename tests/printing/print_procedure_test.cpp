// The print procedure every list shares: the empty-table warning, the print dialog, the rows of
// the "selected" prints, cancel, copies and page range, the sender's name, the failure box, and
// a print that leaves its window as it was.

#include "core/tables/charset.h"
#include "print_fixture.h"
#include "printing/list_printer.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>

namespace {

const QString kNoRecords = QString::fromLatin1(printing::kNoRecordsMessage);
const QString kPrinterNotFound = QString::fromLatin1(printing::kPrinterNotFoundMessage);

struct Entry {
    const char* name;
    PrintedList list;
    bool selected;
    const char* caption; // the report's caption, the print job's name
};

const Entry kEntries[] = {
    {"reminders_all", PrintedList::Reminders, false, "List"},
    {"reminders_selected", PrintedList::Reminders, true, "Selected Reminders"},
    {"sent_all", PrintedList::SentItems, false, "Sent Report"},
    {"sent_selected", PrintedList::SentItems, true, "Selected Report"},
    {"contacts_all", PrintedList::Contacts, false, "Contacts Report"},
    {"contacts_selected", PrintedList::Contacts, true, "Selected Contacts"},
    {"messages_all", PrintedList::Messages, false, "Message Report"},
    {"messages_selected", PrintedList::Messages, true, "Selected Messages"},
};

void PrintTo(const Entry& e, std::ostream* os) {
    *os << e.name;
}

class PrintEntry : public PrintTest, public ::testing::WithParamInterface<Entry> {
protected:
    QWidget* window(PrintedList list) {
        switch (list) {
        case PrintedList::Reminders:
            return forms->frmMain;
        case PrintedList::SentItems:
            return forms->frmSentItems;
        case PrintedList::Contacts:
            return forms->frmContact;
        case PrintedList::Messages:
            return forms->frmMessage;
        }
        return nullptr;
    }
    TdxMemData& table(PrintedList list) {
        switch (list) {
        case PrintedList::Reminders:
            return reminders();
        case PrintedList::SentItems:
            return sentItems();
        case PrintedList::Contacts:
            return contacts();
        case PrintedList::Messages:
            break;
        }
        return messages();
    }
    QAbstractItemView* grid(PrintedList list) {
        static const char* names[] = {"dbgReminders", "dbgSentItems", "dbgContact", "dbgMessage"};
        return find<QAbstractItemView>(window(list), names[static_cast<int>(list)]);
    }
    // Three rows whose printed values are "Row1" to "Row3" (names, or the message texts),
    // added in the order 2, 3, 1 so that each report's own order shows.
    void threeRows(PrintedList list) {
        for (int n : {2, 3, 1}) {
            const std::string text = "Row" + std::to_string(n);
            switch (list) {
            case PrintedList::Reminders:
                addReminder("041100000" + std::to_string(n), text, 14, "Hello");
                break;
            case PrintedList::SentItems:
                addSent("041100000" + std::to_string(n), text, n, "Hello");
                break;
            case PrintedList::Contacts:
                addContact(text, "041100000" + std::to_string(n), "vip");
                break;
            case PrintedList::Messages:
                addMessage(text);
                break;
            }
        }
    }
    void trigger(const Entry& e) {
        QAction* a = action(window(e.list), e.selected ? "Selected1" : "All1");
        ASSERT_TRUE(a);
        a->trigger();
    }
    // The "RowN" values printed, in the order printed.
    static QStringList printedRows(const QString& path) {
        QStringList rows;
        for (const PdfPage& page : readPdfWords(path))
            for (const PdfWord& w : page.words)
                if (w.text.startsWith(QLatin1String("Row")))
                    rows << w.text;
        return rows;
    }
};

// Each entry's caption and shortcut, and its warning on an empty table (also for "selected").
TEST_P(PrintEntry, WarnsThatAnEmptyListHasNothingToPrint) {
    const Entry& e = GetParam();
    QAction* a = action(window(e.list), e.selected ? "Selected1" : "All1");
    ASSERT_TRUE(a);
    const bool sent = e.list == PrintedList::SentItems;
    EXPECT_EQ(a->text(),
              e.selected ? (sent ? "&Selected..." : "&Selected") : (sent ? "&All..." : "&All"));
    EXPECT_EQ(a->shortcut(), QKeySequence(e.selected ? "Ctrl+Alt+P" : "Ctrl+P"));
    prompter.expect(BoxKind::Warning, kNoRecords);
    trigger(e);
    EXPECT_TRUE(prompter.printJobs.isEmpty());
}

// All rows in the table's order, or the selected rows in the report's order: reminders and
// contacts as selected, messages by text, sent items newest first. The window's table, cursor
// and selection stay as they were.
TEST_P(PrintEntry, PrintsTheRowsOfTheListAndLeavesTheWindowAsItWas) {
    const Entry& e = GetParam();
    threeRows(e.list);
    TdxMemData& t = table(e.list);
    const std::string before = t.DelimitedText();
    t.SetRowNumber(2);
    QAbstractItemView* g = grid(e.list);
    // The table rows holding Row1 and Row2.
    std::vector<int> pick;
    QStringList all;
    const int nameField = t.FieldIndex(e.list == PrintedList::Contacts   ? "contact"
                                       : e.list == PrintedList::Messages ? "message"
                                                                         : "name");
    for (int r = 0; r < t.RowCount(); ++r) {
        const QString v = QString::fromStdString(t.CellText(r, nameField));
        all << v;
        if (v != QLatin1String("Row3"))
            pick.push_back(r);
    }
    select(g, pick);
    const QModelIndexList selectedBefore = g->selectionModel()->selectedRows();

    const QString path = pdf("list.pdf");
    answerPdf(path);
    trigger(e);

    QStringList expected;
    if (!e.selected)
        expected = all;
    else if (e.list == PrintedList::Messages)
        expected = {QStringLiteral("Row1"), QStringLiteral("Row2")};
    else if (e.list == PrintedList::SentItems)
        expected = {QStringLiteral("Row2"), QStringLiteral("Row1")}; // created on the 2nd, 1st
    else
        for (int r : pick)
            expected << all[r];
    EXPECT_EQ(printedRows(path), expected);
    EXPECT_EQ(prompter.printJobs, QStringList{QString::fromLatin1(e.caption)});

    EXPECT_EQ(t.DelimitedText(), before);
    if (e.list != PrintedList::Reminders) { // "Print " there prepares a new entry afterwards
        EXPECT_EQ(t.RowNumber(), 2);
    }
    EXPECT_EQ(g->selectionModel()->selectedRows(), selectedBefore);
}

class SelectedEntry : public PrintEntry {};

// "Selected" with rows but none selected shows the dialog and prints nothing.
TEST_P(SelectedEntry, WithNoneSelectedPrintsNothing) {
    const Entry& e = GetParam();
    threeRows(e.list);
    select(grid(e.list), {});
    const QString path = pdf("none.pdf");
    answerPdf(path);
    trigger(e);
    EXPECT_EQ(prompter.printJobs.size(), 1);
    EXPECT_FALSE(exists(path));
}

INSTANTIATE_TEST_SUITE_P(Entries, PrintEntry, ::testing::ValuesIn(kEntries),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Entries, SelectedEntry,
                         ::testing::Values(kEntries[1], kEntries[3], kEntries[5], kEntries[7]),
                         [](const auto& info) { return std::string(info.param.name); });

class PrintProcedure : public PrintTest {};

// A cancelled dialog prints nothing and keeps nothing: the next selection prints alone.
TEST_F(PrintProcedure, CancelThenAnotherSelectionPrintsOnlyTheSecond) {
    addMessage("First choice");
    addMessage("Second choice");
    auto* grid = find<QAbstractItemView>(forms->frmMessage, "dbgMessage");
    select(grid, {0});
    prompter.expectPrintDialog(false);
    action(forms->frmMessage, "Selected1")->trigger();
    EXPECT_EQ(prompter.printJobs.size(), 1);

    select(grid, {1});
    const QString path = pdf("second.pdf");
    answerPdf(path);
    action(forms->frmMessage, "Selected1")->trigger();
    const QString text = readPdfLayout(path);
    EXPECT_TRUE(text.contains(QLatin1String("Second choice")));
    EXPECT_FALSE(text.contains(QLatin1String("First choice")));
}

// The name printed is the one stored when the print starts.
TEST_F(PrintProcedure, PrintsTheSenderNameStoredAtPrintTime) {
    addMessage("Hello");
    const QString first = pdf("first.pdf"), second = pdf("second.pdf");
    answerPdf(first);
    action(forms->frmMessage, "All1")->trigger();
    setSender("Dr Kim");
    answerPdf(second);
    action(forms->frmMessage, "All1")->trigger();
    EXPECT_TRUE(readPdfLayout(first).contains(QLatin1String("Front Desk")));
    EXPECT_TRUE(readPdfLayout(second).contains(QLatin1String("Dr Kim")));
    EXPECT_FALSE(readPdfLayout(second).contains(QLatin1String("Front Desk")));
}

// A file that cannot be written and a printer that does not exist end in the error box.
TEST_F(PrintProcedure, AFailedPrinterShowsThePrinterNotFoundBox) {
    addMessage("Hello");
    const QString unwritable = pdf("no-such-folder/list.pdf");
    answerPdf(unwritable);
    prompter.expectError(kPrinterNotFound);
    action(forms->frmMessage, "All1")->trigger();
    EXPECT_FALSE(exists(unwritable));

    prompter.expectPrintTo([](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(QStringLiteral("No Such Printer"));
    });
    prompter.expectError(kPrinterNotFound);
    action(forms->frmMessage, "All1")->trigger();

    // A device that fails its writes, as a printer that goes away mid-print does.
    answerPdf(QStringLiteral("/dev/full"));
    prompter.expectError(kPrinterNotFound);
    action(forms->frmMessage, "All1")->trigger();
}

// A list over several pages: the header and the footer on every page, the title on the
// first; copies and a page range from the dialog.
TEST_F(PrintProcedure, SpreadsALongListOverPagesWithCopiesAndARange) {
    // Landscape: 31 rows on the first page, 33 on each next one.
    for (int i = 1; i <= 100; ++i)
        addReminder(std::to_string(4110000000 + i), "Name" + std::to_string(i), 14, "Hello");
    const QString all = pdf("all.pdf");
    answerPdf(all);
    action(forms->frmMain, "All1")->trigger();
    const std::vector<PdfPage> pages = readPdfWords(all);
    ASSERT_EQ(pages.size(), 4u);
    const int firstRowOn[] = {1, 32, 65, 98};
    for (size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(p + 1);
        EXPECT_EQ(pages[p].count(QStringLiteral("Messages")), p == 0 ? 1 : 0);
        EXPECT_EQ(pages[p].count(QStringLiteral("Contact No.")), 1);
        EXPECT_EQ(pages[p].count(QStringLiteral("Printed 10/12/2026")), 1);
        EXPECT_EQ(pages[p].count(QStringLiteral("Page %1").arg(p + 1)), 1);
        EXPECT_EQ(pages[p].count(QStringLiteral("Name%1").arg(firstRowOn[p])), 1);
        // Every row lies between the header band and the footer band.
        for (const PdfWord& w : pages[p].words)
            if (w.text.startsWith(QLatin1String("Name")) && w.text != QLatin1String("Name")) {
                EXPECT_LT(w.box.bottom, pages[p].height - 10.0 - 6.6 + 0.3) << w.text.toStdString();
            }
    }
    EXPECT_EQ(pages[3].count(QStringLiteral("Name100")), 1);

    const QString copies = pdf("copies.pdf");
    answerPdf(copies, 2);
    action(forms->frmMain, "All1")->trigger();
    const std::vector<PdfPage> twice = readPdfWords(copies);
    ASSERT_EQ(twice.size(), 8u);
    EXPECT_EQ(twice[4].count(QStringLiteral("Page 1")), 1);

    const QString range = pdf("range.pdf");
    answerPdf(range, 1, 2, 3);
    action(forms->frmMain, "All1")->trigger();
    const std::vector<PdfPage> middle = readPdfWords(range);
    ASSERT_EQ(middle.size(), 2u);
    EXPECT_EQ(middle[0].count(QStringLiteral("Page 2")), 1);
    EXPECT_EQ(middle[1].count(QStringLiteral("Page 3")), 1);
    EXPECT_EQ(middle[0].count(QStringLiteral("Name32")), 1);

    // A range past the last page prints nothing, and that is no failure.
    const QString beyond = pdf("beyond.pdf");
    answerPdf(beyond, 1, 5, 6);
    action(forms->frmMain, "All1")->trigger();
    EXPECT_FALSE(exists(beyond));
}

// A value longer than its column wraps inside it and its row grows, so that a whole message is on
// paper: a 160-character message printed in each list's message column, every word of it between
// the column's edges, and the next row below its last line.
struct WrapCase {
    const char* name;
    PrintedList list;
    double messageLeft, messageWidth; // mm from the left margin
};

const WrapCase kWrapCases[] = {
    {"reminders", PrintedList::Reminders, 80.0, 122.0},
    {"sent_items", PrintedList::SentItems, 182.6, 92.9},
    {"messages", PrintedList::Messages, 2.0, 186.0},
};

void PrintTo(const WrapCase& c, std::ostream* os) {
    *os << c.name;
}

class WrappedMessage : public PrintTest, public ::testing::WithParamInterface<WrapCase> {};

TEST_P(WrappedMessage, PrintsA160CharacterMessageWholeAndTheRowGrows) {
    const WrapCase& c = GetParam();
    // 160 characters of numbered words; a long word in the name column wraps there too.
    std::string message;
    for (int i = 1; message.size() < 155; ++i)
        message += "word" + std::to_string(i) + " ";
    message.resize(159);
    message += "Z";
    ASSERT_EQ(message.size(), 160u);
    const std::string nextMessage = "Second";
    switch (c.list) {
    case PrintedList::Reminders:
        addReminder("0411000001", std::string(50, 'W'), 14, message);
        addReminder("0411000002", "Ben", 15, nextMessage);
        break;
    case PrintedList::SentItems:
        addSent("0411000001", "Ann", 9, message);
        addSent("0411000002", "Ben", 8, nextMessage);
        break;
    case PrintedList::Messages:
        addMessage(message);
        addMessage(nextMessage);
        break;
    case PrintedList::Contacts:
        break;
    }
    const QString path = pdf("long.pdf");
    answerPdf(path);
    switch (c.list) {
    case PrintedList::Reminders:
        action(forms->frmMain, "All1")->trigger();
        break;
    case PrintedList::SentItems:
        action(forms->frmSentItems, "All1")->trigger();
        break;
    default:
        action(forms->frmMessage, "All1")->trigger();
        break;
    }
    const std::vector<PdfPage> pages = readPdfWords(path);
    ASSERT_EQ(pages.size(), 1u);
    const PdfPage& page = pages[0];

    // Every word of the message, once, inside the column; on more than one line.
    const QStringList tokens = QString::fromStdString(message).split(QLatin1Char(' '));
    QStringList printed;
    double lastBottom = 0;
    QSet<int> lineTops;
    for (const PdfWord& w : page.words) {
        if (!tokens.contains(w.text))
            continue;
        printed << w.text;
        EXPECT_GE(w.box.left, 10.0 + c.messageLeft - 0.3) << w.text.toStdString();
        EXPECT_LE(w.box.right, 10.0 + c.messageLeft + c.messageWidth + 0.3) << w.text.toStdString();
        lastBottom = std::max(lastBottom, w.box.bottom);
        lineTops.insert(qRound(w.box.top * 10));
    }
    EXPECT_EQ(printed.join(QLatin1Char(' ')), QString::fromStdString(message));
    EXPECT_GE(lineTops.size(), c.list == PrintedList::Messages ? 1 : 2);
    // The next row starts below the last line of the long one.
    const auto next = page.find(QString::fromStdString(nextMessage));
    ASSERT_TRUE(next);
    EXPECT_GT(next->top, lastBottom - 0.3);
    if (c.list == PrintedList::Reminders) {
        // The long name wraps in its own column too, whole.
        int ws = 0;
        for (const PdfWord& w : page.words)
            if (w.text.startsWith(QLatin1String("WWW"))) {
                ws += static_cast<int>(w.text.size());
                EXPECT_LE(w.box.right, 10.0 + 27.1 + 49.9 + 0.3);
            }
        EXPECT_EQ(ws, 50);
    }
}

INSTANTIATE_TEST_SUITE_P(Lists, WrappedMessage, ::testing::ValuesIn(kWrapCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Rows that grow still go onto pages whole: a long list of long messages keeps every row between
// the header and the footer, and every message is on paper once.
TEST_F(PrintProcedure, PutsGrownRowsWholeOnPages) {
    std::string message(150, 'x');
    for (size_t i = 10; i < message.size(); i += 11)
        message[i] = ' ';
    for (int i = 1; i <= 60; ++i)
        addReminder(std::to_string(4110000000 + i), "Name" + std::to_string(i), 14,
                    "Start" + std::to_string(i) + " " + message);
    const QString path = pdf("grown.pdf");
    answerPdf(path);
    action(forms->frmMain, "All1")->trigger();
    const std::vector<PdfPage> pages = readPdfWords(path);
    ASSERT_GE(pages.size(), 3u);
    int starts = 0;
    for (const PdfPage& p : pages)
        for (const PdfWord& w : p.words) {
            if (w.text.startsWith(QLatin1String("Start")))
                ++starts;
            if (w.text.startsWith(QLatin1String("xxx")) ||
                w.text.startsWith(QLatin1String("Start"))) {
                EXPECT_LT(w.box.bottom, p.height - 10.0 - 6.6 + 0.3);
                EXPECT_GT(w.box.top, p.words.front().box.top);
            }
        }
    EXPECT_EQ(starts, 60);
}

// "Print " prepares a new entry after its print, whatever became of it.
TEST_F(PrintProcedure, PrintButtonPreparesANewEntryWhateverTheOutcome) {
    TfrmMain* main = forms->frmMain;
    auto* button = find<QPushButton>(main, "BitBtn1");
    ASSERT_TRUE(button);
    EXPECT_EQ(QString(button->text()).remove(QLatin1Char('&')), QStringLiteral("Print "));

    child<QLineEdit>(main, "mskContactNo")->setText(QStringLiteral("0499"));
    prompter.expect(BoxKind::Warning, kNoRecords);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(child<QLineEdit>(main, "mskContactNo")->text().isEmpty());

    addReminder("0411000001", "Ann Lee", 14, "Hello");
    child<QLineEdit>(main, "mskContactNo")->setText(QStringLiteral("0499"));
    prompter.expectPrintDialog(false);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(child<QLineEdit>(main, "mskContactNo")->text().isEmpty());
    EXPECT_EQ(prompter.printJobs, QStringList{QStringLiteral("List")});
}

} // namespace

namespace {

// The printed contact list in the book's order by name, as the contacts window sorts it: a name
// beginning with an accented capital among its base letter's names, as the pickers list it.
TEST_F(PrintProcedure, ContactsWithAccentedCapitalsPrintAmongTheirBaseLetter) {
    for (const char* name : {"Zoe", "Úna", "Íde", "Ian", "Ursula"})
        addContact(cp1252FromUtf8(name).value(), "0411000001", "");
    contacts().SetSortedField("contact");
    const QString path = pdf("contacts.pdf");
    answerPdf(path);
    action(forms->frmContact, "All1")->trigger();
    const QStringList wanted = {"Ian", "Íde", "Úna", "Ursula", "Zoe"};
    QStringList printed;
    for (const PdfPage& page : readPdfWords(path))
        for (const PdfWord& w : page.words)
            if (wanted.contains(w.text))
                printed << w.text;
    EXPECT_EQ(printed, wanted);
}

} // namespace
