// The four page layouts, read back from the PDF: paper and orientation, the title band, the
// column captions and values at their millimetres, and the footer.

#include "print_fixture.h"
#include "printing/list_printer.h"

namespace {

constexpr double kMargin = 10.0;
constexpr double kTolerance = 0.6; // mm

struct Cell {
    const char* caption;
    const char* value;
    double left;
    double width; // 0: left-aligned text; otherwise the value is centred in it when centred
    bool centred = false;
};

struct LayoutCase {
    const char* name;
    PrintedList list;
    bool landscape;
    const char* title;
    double fromLeft, nameLeft;
    std::vector<Cell> cells;
};

const LayoutCase kCases[] = {
    {"reminders",
     PrintedList::Reminders,
     true,
     "Messages",
     164.0,
     174.6,
     {{"Contact No.", "0411000001", 2.0, 0},
      {"Name", "Ann", 27.1, 0},
      {"Message", "Dental", 80.0, 0},
      {"Days Before", "1", 203.0, 22.7, true},
      {"Date", "14-Dec-2026", 226.2, 30.8, true},
      {"Time", "10:30", 256.6, 18.9, true}}},
    {"sent_items",
     PrintedList::SentItems,
     true,
     "Sent Items",
     193.1,
     203.7,
     {{"Date Created", "09/12/2026", 2.6, 0},
      {"Days Before", "2", 29.1, 0},
      {"2nd Date", "7", 52.9, 0},
      {"Contact Number", "0411000001", 71.4, 0},
      {"Name", "Ann", 103.2, 0},
      {"Date", "14-Dec-2026", 132.3, 0},
      {"Time", "10:30", 169.3, 0},
      {"Message", "Dental", 182.6, 0}}},
    {"contacts",
     PrintedList::Contacts,
     false,
     "Contacts",
     140.2,
     150.8,
     {{"Name", "Ann", 2.0, 0}, {"Contact No.", "0411000001", 82.0, 0}, {"Group", "vip", 132.0, 0}}},
    {"messages",
     PrintedList::Messages,
     false,
     "Standard Messages",
     140.2,
     150.8,
     {{"Message", "Dental", 2.0, 0}}},
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class PageLayoutTest : public PrintTest, public ::testing::WithParamInterface<LayoutCase> {
protected:
    // One row in the list's window, printed with its "&All" entry.
    void printOneRow(const LayoutCase& c, const QString& path) {
        answerPdf(path);
        switch (c.list) {
        case PrintedList::Reminders:
            addReminder("0411000001", "Ann Lee", 14, "Dental check");
            action(forms->frmMain, "All1")->trigger();
            break;
        case PrintedList::SentItems:
            addSent("0411000001", "Ann Lee", 9, "Dental check");
            action(forms->frmSentItems, "All1")->trigger();
            break;
        case PrintedList::Contacts:
            addContact("Ann Lee", "0411000001", "vip");
            action(forms->frmContact, "All1")->trigger();
            break;
        case PrintedList::Messages:
            addMessage("Dental check");
            action(forms->frmMessage, "All1")->trigger();
            break;
        }
    }
};

TEST_P(PageLayoutTest, PutsEveryBandAndColumnAtItsMillimetres) {
    const LayoutCase& c = GetParam();
    const QString path = pdf("list.pdf");
    printOneRow(c, path);
    const std::vector<PdfPage> pages = readPdfWords(path);
    ASSERT_EQ(pages.size(), 1u);
    const PdfPage& page = pages[0];

    // A4 in the layout's orientation.
    EXPECT_NEAR(page.width, c.landscape ? 297.0 : 210.0, 0.5);
    EXPECT_NEAR(page.height, c.landscape ? 210.0 : 297.0, 0.5);
    const double printableWidth = page.width - 2 * kMargin;

    // Title band: product name at the left edge, the title centred, From and the sender's name,
    // today's date (at 238.1 mm, or at the right edge where that lies beyond the page).
    const auto product = page.find(QStringLiteral("Tallyminder"));
    ASSERT_TRUE(product);
    EXPECT_NEAR(product->left, kMargin, kTolerance);
    EXPECT_LT(product->bottom, kMargin + 10.6 + kTolerance);
    const auto title = page.find(QString::fromLatin1(c.title));
    ASSERT_TRUE(title) << c.title;
    EXPECT_NEAR(title->centre(), kMargin + printableWidth / 2, kTolerance);
    const auto from = page.find(QStringLiteral("From"));
    ASSERT_TRUE(from);
    EXPECT_NEAR(from->left, kMargin + c.fromLeft, kTolerance);
    const auto sender = page.find(QStringLiteral("Front Desk"));
    ASSERT_TRUE(sender);
    EXPECT_NEAR(sender->left, kMargin + c.nameLeft, kTolerance);
    const auto date = page.find(QStringLiteral("10/12/2026"), 0, kMargin + 10.6);
    ASSERT_TRUE(date);
    if (c.landscape)
        EXPECT_NEAR(date->left, kMargin + 238.1, kTolerance);
    else
        EXPECT_NEAR(date->right, kMargin + printableWidth, kTolerance);
    EXPECT_LE(date->right, page.width - kMargin + 0.1);

    // Column header band below the title, the detail row below it.
    for (const Cell& cell : c.cells) {
        SCOPED_TRACE(cell.caption);
        // The caption in the header band, the value in the detail band below it, each at the
        // column's left (or centred in it).
        const double x = kMargin + cell.left + (cell.centred ? cell.width / 2 : 0);
        const auto at = [&](const PdfBox& b) { return cell.centred ? b.centre() : b.left; };
        const double header = kMargin + 10.6;
        const double detail = header + 6.3;
        bool captionFound = false, valueFound = false;
        for (const PdfBox& b : page.findAll(QString::fromLatin1(cell.caption)))
            captionFound |= std::abs(at(b) - x) < kTolerance && b.top > header - kTolerance &&
                            b.bottom < detail + kTolerance;
        for (const PdfBox& b : page.findAll(QString::fromLatin1(cell.value)))
            valueFound |= std::abs(at(b) - x) < kTolerance && b.top > detail - kTolerance &&
                          b.bottom < detail + 5.3 + kTolerance;
        EXPECT_TRUE(captionFound);
        EXPECT_TRUE(valueFound);
    }

    // Footer at the foot of the page.
    const auto printed = page.find(QStringLiteral("Printed 10/12/2026"));
    ASSERT_TRUE(printed);
    EXPECT_NEAR(printed->left, kMargin, kTolerance);
    EXPECT_GT(printed->top, page.height - kMargin - 6.6 - kTolerance);
    const auto number = page.find(QStringLiteral("Page 1"));
    ASSERT_TRUE(number);
    EXPECT_NEAR(number->right, kMargin + printableWidth, kTolerance);
    EXPECT_GT(number->top, page.height - kMargin - 6.6 - kTolerance);

    EXPECT_EQ(prompter.printJobs.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Lists, PageLayoutTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
