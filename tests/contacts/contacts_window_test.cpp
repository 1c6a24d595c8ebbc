// The contacts window: posting rules, deletion, sorting, refused keys, closing.

#include "contacts/contacts_window.h"

#include "contacts/select_sending_window.h"
#include "contacts_fixture.h"
#include "core/store/schemas.h"
#include "core/tables/errors.h"
#include "reminders/main_window.h"
#include "ui/table_model.h"
#include "ui/widgets/record_grid.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace {

class ContactsWindow : public WindowTest {
protected:
    // The groups the tests use exist, so that posting asks nothing unless a test wants it.
    void writeGroups(const std::vector<std::string>& groups) {
        std::vector<Row> rows;
        for (const auto& g : groups)
            rows.push_back({g});
        folder.write("groups.txt", tableFile({"groupName"}, rows));
    }
    TfrmContact& start() {
        startForms();
        return *forms->frmContact;
    }
    TfrmContact& show() {
        TfrmContact& w = start();
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }
    static void post(TdxMemData& t, const Row& values) {
        t.Append();
        t.FieldNamed("contact").SetAsString(values[0]);
        t.FieldNamed("number").SetAsString(values[1]);
        t.FieldNamed("group").SetAsString(values[2]);
        try {
            t.Post();
        } catch (const EAbort&) {
            // A row without name and number is dropped silently.
        }
    }
    // Puts the grid on a cell and opens its editor, as F2 does.
    static QLineEdit* openEditor(RecordGrid* grid, int row, int column) {
        grid->setCurrentIndex(grid->model()->index(row, column));
        QTest::keyClick(grid, Qt::Key_F2);
        return grid->editor();
    }
    // Types into the grid, each key going to the open cell editor if any, as the focus would.
    static void typeKeys(RecordGrid* grid, const QString& text) {
        for (QChar c : text)
            QTest::keyClick(grid->editor() ? static_cast<QWidget*>(grid->editor()) : grid,
                            c.toLatin1());
    }
};

// Rows of the book's file with neither name nor number are dropped as the window loads, all of
// them, wherever they stand.
TEST_F(ContactsWindow, LoadingDropsEveryRowWithoutNameAndNumber) {
    folder.write("dxContact.txt", "contact\tnumber\tgroup\tcontactKey\t\r\n"
                                  "\t\tvip\t\t\r\n"
                                  "Ann\t\t\t\t\r\n"
                                  "\t\t\t\t\r\n"
                                  "\t\t\t\t\r\n"
                                  "\t0222\t\t0222\t\r\n"
                                  "Cid\t0333\tvip\t0333vip\t\r\n"
                                  "\t\tvip\t\t\r\n");
    TfrmContact& w = start();
    TdxMemData& book = *w.dxContact;
    std::vector<std::string> kept;
    for (int row = 0; row < book.RowCount(); ++row)
        kept.push_back(book.CellText(row, book.FieldIndex("contact")) + "/" +
                       book.CellText(row, book.FieldIndex("number")));
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{"/0222", "Ann/", "Cid/0333"}));
}

TEST_F(ContactsWindow, PostingCapitalisesTheNameLowersTheGroupAndMakesTheKey) {
    writeGroups({"", "all", "family", "neighbours", "abc", "x"});
    TfrmContact& w = show();
    struct Case {
        Row typed;  // name, number, group
        Row stored; // name, number, group, key
    };
    const Case cases[] = {
        // The blanks stay in the group; the key has it trimmed.
        {{"john", "0123", " Family "}, {"John", "0123", " family ", "0123family"}},
        // The key field keeps the first 20 characters of number + group.
        {{"anna", "123456789012345", "Neighbours"},
         {"Anna", "123456789012345", "neighbours", "123456789012345neigh"}},
        // Only a-z is capitalised.
        {{"\xe9lan", "1", "ABC"}, {"\xe9lan", "1", "abc", "1abc"}},
        {{"", "555", ""}, {"", "555", "", "555"}},
        {{"bob", "", "X"}, {"Bob", "", "x", "x"}},
    };
    for (const Case& c : cases) {
        post(*w.dxContact, c.typed);
        const auto rows = contactRows(*w.dxContact);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.back(), c.stored) << c.typed[0];
    }
    EXPECT_EQ(w.dxContact->RowCount(), 5);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(ContactsWindow, ARowWithoutNameAndNumberIsDroppedOrDeletedSilently) {
    writeGroups({"", "all", "work"});
    folder.write("dxContact.txt",
                 contactsFile({{"Ann", "1", "work", "1work"}, {"Bea", "2", "work", "2work"}}));
    TfrmContact& w = show();
    TdxMemData& t = *w.dxContact;

    // A new row left empty (a group alone does not keep it) is not stored.
    post(t, {"", "", "work"});
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.State(), DataSetState::Browse);

    // An existing row emptied is deleted.
    t.SetRowNumber(1);
    const std::string deleted = t.FieldNamed("contact").AsString();
    t.Edit();
    t.FieldNamed("contact").SetAsString("");
    t.FieldNamed("number").SetAsString("");
    try {
        t.Post();
    } catch (const EAbort&) {
    }
    EXPECT_EQ(t.RowCount(), 1);
    EXPECT_NE(contactRows(t)[0][0], deleted);
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(ContactsWindow, CreationDropsEveryRowWithoutNameAndNumber) {
    folder.write("dxContact.txt", contactsFile({{"Ann", "1", "", "1"},
                                                {"", "", "work", "work"},
                                                {"", "", "", ""},
                                                {"Cy", "", "", ""},
                                                {"", "", "", ""}}));
    TfrmContact& w = start();
    EXPECT_EQ(contactRows(*w.dxContact),
              (std::vector<Row>{{"Ann", "1", "", "1"}, {"Cy", "", "", ""}}));
}

TEST_F(ContactsWindow, AnUnreadableContactBookIsKeptAsideBeforeAnythingOverwritesIt) {
    const std::string bad =
        contactsFile({{"Ann", "1", "", "1"}}) + "too\tmany\tvalues\there\tx\t\r\n";
    folder.write("dxContact.txt", bad);
    prompter.expect(BoxKind::Error, QString()); // the read's error, naming the copy
    TfrmContact& w = start();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("dxContact.txt.unreadable")));
    EXPECT_EQ(folder.read("dxContact.txt.unreadable"), bad);
    EXPECT_EQ(w.dxContact->RowCount(), 1); // the rows read before the fault
}

TEST_F(ContactsWindow, TheCaptionCountsTheContactsWhenShown) {
    std::vector<Row> rows;
    for (int i = 0; i < 12; ++i)
        rows.push_back({"C" + std::to_string(i), std::to_string(100 + i), "", ""});
    folder.write("dxContact.txt", contactsFile(rows));
    TfrmContact& w = start();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Contact Info"));
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Contact Info for 12 Contacts"));
    EXPECT_EQ(w.dxContact->RowNumber(), 1);
    EXPECT_TRUE(w.dbgContact->editableSet());
}

TEST_F(ContactsWindow, DeleteRecordDeletesTheSelectedRowsOnYesOnly) {
    writeGroups({"", "all"});
    folder.write(
        "dxContact.txt",
        contactsFile(
            {{"A", "1", "", "1"}, {"B", "2", "", "2"}, {"C", "3", "", "3"}, {"D", "4", "", "4"}}));
    TfrmContact& w = show();
    RecordGrid* grid = w.dbgContact;
    auto select = [&](std::initializer_list<int> rows) {
        grid->clearSelection();
        for (int r : rows)
            grid->selectionModel()->select(grid->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    const QString question = QStringLiteral("Delete 2 contacts?");

    select({1, 3});
    prompter.expect(BoxKind::Confirmation, question, BoxButton::No);
    w.Delete1Click();
    EXPECT_EQ(w.dxContact->RowCount(), 4);
    EXPECT_EQ(prompter.shown.back().defaultButton, BoxButton::No) << "Enter must not delete";
    EXPECT_TRUE(w.justDeleted); // whatever the answer

    select({1, 3});
    prompter.expect(BoxKind::Confirmation, question, BoxButton::Yes);
    w.Delete1->trigger();
    EXPECT_EQ(rowsOf(*w.dxContact, {"contact"}), (std::vector<Row>{{"A"}, {"C"}}));
    EXPECT_TRUE(w.justDeleted);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Contact Info for 2 Contacts"));

    // The current row alone is not deleted, and nothing is asked about it.
    grid->clearSelection();
    w.Delete1Click();
    EXPECT_EQ(w.dxContact->RowCount(), 2);
}

TEST_F(ContactsWindow, AfterDeleteRecordTheCloseNeitherCommitsThePendingCellNorRepostsTheRow) {
    writeGroups({"", "all", "work"});
    folder.write("dxContact.txt", contactsFile({{"Ann", "1", "work", "STALE"}}));
    TfrmContact& w = show();
    RecordGrid* grid = w.dbgContact;

    grid->clearSelection();
    w.Delete1Click(); // nothing selected: nothing to ask about
    ASSERT_TRUE(w.justDeleted);
    // A cell typed after the deletion.
    ASSERT_NE(openEditor(grid, 0, 0), nullptr);
    grid->editor()->setText(QStringLiteral("Changed"));
    w.close();

    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.justDeleted);
    // Neither the typed text nor a re-post (which would have made the key "1work").
    EXPECT_EQ(contactRows(*w.dxContact), (std::vector<Row>{{"Ann", "1", "work", "STALE"}}));
    EXPECT_EQ(folder.read("dxContact.txt"), contactsFile({{"Ann", "1", "work", "STALE"}}));
}

TEST_F(ContactsWindow, ClosingCommitsTheTypedCellRepostsTheRowAndWritesTheBook) {
    writeGroups({"", "all", "work"});
    folder.write("dxContact.txt", contactsFile({{"Ann", "1", "work", "STALE"}}));
    TfrmContact& w = show();
    RecordGrid* grid = w.dbgContact;
    ASSERT_NE(openEditor(grid, 0, 0), nullptr);
    grid->editor()->setText(QStringLiteral("anna"));
    w.close();

    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.dbgContact->editableSet());
    EXPECT_EQ(folder.read("dxContact.txt"), contactsFile({{"Anna", "1", "work", "1work"}}));
    // The main window's pickers were refilled from the book.
    QComboBox* all = child<QComboBox>(forms->frmMain, "cboAll");
    ASSERT_EQ(all->count(), 1);
    EXPECT_EQ(all->itemText(0), QStringLiteral("Anna (work)"));
}

TEST_F(ContactsWindow, ClosingOffersAGroupTheGroupTableLacks) {
    writeGroups({"", "all"});
    folder.write("dxContact.txt", contactsFile({{"Ann", "1", "Club", "1club"}}));
    TfrmContact& w = show();
    prompter.expect(BoxKind::Confirmation,
                    QStringLiteral("Group club not found. Would you like to add?"), BoxButton::Yes);
    w.close();
    EXPECT_NE(forms->frmMain->dxGroup->FindRowNumber(std::string("club"), "groupName"), -1);
    EXPECT_NE(folder.read("groups.txt").find("club\t"), std::string::npos);
}

TEST_F(ContactsWindow, AfterASortMarkerChangeTheOrderIsCaseSensitive) {
    writeGroups({"", "all"});
    folder.write(
        "dxContact.txt",
        contactsFile({{"bell", "1", "", "1"}, {"Cole", "2", "", "2"}, {"adam", "3", "", "3"}}));
    TfrmContact& w = show();
    TdxMemData& t = *w.dxContact;
    // A title click sorts by the column as the table compares (case-insensitive at first).
    w.dbgContactMouseMove();
    w.dbgContactTitleClick(0);
    EXPECT_EQ(rowsOf(t, {"contact"}), (std::vector<Row>{{"adam"}, {"bell"}, {"Cole"}}));
    // The markers make it case-sensitive: capitals have the lower codes.
    w.dbgContactSortMarkingChanged(0, Qt::AscendingOrder);
    EXPECT_EQ(t.SortOptions(), 0u);
    EXPECT_EQ(rowsOf(t, {"contact"}), (std::vector<Row>{{"Cole"}, {"adam"}, {"bell"}}));
    w.dbgContactSortMarkingChanged(0, Qt::DescendingOrder);
    EXPECT_EQ(rowsOf(t, {"contact"}), (std::vector<Row>{{"bell"}, {"adam"}, {"Cole"}}));

    // Clicking a title through the header gives the same result.
    w.dbgContactMouseMove();
    QHeaderView* header = w.dbgContact->horizontalHeader();
    const QPoint title(header->sectionViewportPosition(1) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
    EXPECT_EQ(t.SortedField(), "number");
    EXPECT_EQ(rowsOf(t, {"number"}).front(),
              Row{header->sortIndicatorOrder() == Qt::AscendingOrder ? "1" : "3"});
}

TEST_F(ContactsWindow, APostTurnsTheTitleButtonsOffAndKeepsTheRowInPlace) {
    writeGroups({"", "all"});
    folder.write("dxContact.txt", contactsFile({{"Bo", "1", "", "1"}, {"Cy", "2", "", "2"}}));
    TfrmContact& w = show();
    TdxMemData& t = *w.dxContact;
    t.SetSortedField("contact");
    t.SetRowNumber(1);
    t.Edit();
    t.FieldNamed("contact").SetAsString("zed");
    t.Post();
    EXPECT_EQ(rowsOf(t, {"contact"}), (std::vector<Row>{{"Zed"}, {"Cy"}}));
    EXPECT_EQ(t.SortedField(), "");
    EXPECT_FALSE(w.dbgContact->titleButtons());
    w.dbgContactMouseMove();
    EXPECT_TRUE(w.dbgContact->titleButtons());
}

TEST_F(ContactsWindow, RefusedKeysShowTheirMessageAndChangeNothing) {
    writeGroups({"", "all"});
    folder.write("dxContact.txt", contactsFile({{"Ann", "12", "", "12"}}));
    TfrmContact& w = show();
    RecordGrid* grid = w.dbgContact;
    struct Case {
        int column;
        QString typed;
        QString message; // empty: accepted
        QString cell;    // the cell's text afterwards
    };
    const Case cases[] = {
        {0, QStringLiteral("^"), QStringLiteral("The ^ character is not allowed"),
         QStringLiteral("Ann")},
        {2, QStringLiteral("^"), QStringLiteral("The ^ character is not allowed"), QString()},
        {1, QStringLiteral("^"), QStringLiteral("The ^ character is not allowed"),
         QStringLiteral("12")},
        {1, QStringLiteral("a"), QStringLiteral("Only Numeric values allowed"),
         QStringLiteral("12")},
        {1, QStringLiteral("-"), QStringLiteral("Only Numeric values allowed"),
         QStringLiteral("12")},
        {1, QStringLiteral("3"), QString(), QStringLiteral("123")},
        {1, QStringLiteral(" "), QString(), QStringLiteral("12 ")},
        {0, QStringLiteral("x"), QString(), QStringLiteral("Annx")},
    };
    for (const Case& c : cases) {
        QLineEdit* editor = openEditor(grid, 0, c.column);
        ASSERT_NE(editor, nullptr);
        const QString before = editor->text();
        editor->end(false);
        if (!c.message.isEmpty())
            prompter.expectError(c.message);
        QTest::keyClicks(editor, c.typed);
        EXPECT_EQ(editor->text(), c.cell) << c.typed.toStdString() << " in column " << c.column;
        editor->setText(before); // back to the stored text for the next case
    }
    prompter.verifyAllUsed();
    // A pasted "^" or a pasted letter in the number is refused as well.
    ASSERT_NE(openEditor(grid, 0, 0), nullptr);
    prompter.expectError(QStringLiteral("The ^ character is not allowed"));
    grid->editor()->selectAll();
    grid->editor()->insert(QStringLiteral("a^b")); // as a paste arrives
    EXPECT_EQ(grid->editor()->text(), QStringLiteral("Ann"));
}

TEST_F(ContactsWindow, TypingIntoTheGridPostsWhenTheRowIsLeft) {
    writeGroups({"", "all", "work"});
    folder.write("dxContact.txt", contactsFile({{"Ann", "1", "work", "1work"}}));
    TfrmContact& w = show();
    RecordGrid* grid = w.dbgContact;
    // A new row from the navigator, typed cell by cell with Tab.
    w.dbnMessage->insert();
    ASSERT_EQ(w.dxContact->State(), DataSetState::Insert);
    typeKeys(grid, QStringLiteral("zoe")); // the first key opens the cell's editor
    QTest::keyClick(grid->editor(), Qt::Key_Tab);
    QTest::keyClicks(grid->editor(), QStringLiteral("77"));
    QTest::keyClick(grid->editor(), Qt::Key_Tab);
    QTest::keyClicks(grid->editor(), QStringLiteral("Work"));
    // Leaving the row posts it.
    w.dbnMessage->last();
    EXPECT_EQ(w.dxContact->State() == DataSetState::Insert, false);
    auto rows = contactRows(*w.dxContact);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(std::find(rows.begin(), rows.end(), Row{"Zoe", "77", "work", "77work"}), rows.end());
}

TEST_F(ContactsWindow, TheContextMenuHasItsEntriesAndShortcuts) {
    TfrmContact& w = start();
    struct Entry {
        QAction* action;
        const char* caption;
        const char* shortcut;
    };
    const Entry entries[] = {{w.Print1, "&Print", ""},
                             {w.All1, "&All", "Ctrl+P"},
                             {w.Selected1, "&Selected", "Ctrl+Alt+P"},
                             {w.Selectforsending1, "&Select for sending", "Ctrl+S"},
                             {w.Copy1, "&Copy", "Ctrl+C"},
                             {w.Paste1, "&Paste", "Ctrl+V"},
                             {w.Delete1, "&Delete Record", "Ctrl+Del"},
                             {w.Importfromtextfile1, "&Import from text file", "Ctrl+I"}};
    for (const Entry& e : entries) {
        ASSERT_NE(e.action, nullptr) << e.caption;
        EXPECT_EQ(e.action->text(), QString::fromLatin1(e.caption));
        EXPECT_EQ(e.action->shortcut(), QKeySequence(QString::fromLatin1(e.shortcut))) << e.caption;
    }
    const char* hints[][2] = {{"nbFirst", "First record"},
                              {"nbPrior", "Prior record"},
                              {"nbNext", "Next record"},
                              {"nbLast", "Last record"},
                              {"nbInsert", "Insert record"}};
    for (const auto& h : hints) {
        QToolButton* b = w.dbnMessage->button(h[0]);
        ASSERT_NE(b, nullptr) << h[0];
        EXPECT_EQ(b->toolTip(), QString::fromLatin1(h[1]));
    }
    EXPECT_EQ(find<QWidget>(&w, "dbgContact"), w.dbgContact);
    EXPECT_EQ(find<QWidget>(&w, "dbnMessage"), w.dbnMessage);
    EXPECT_EQ(w.dbgContact->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("Contact name"));
    EXPECT_EQ(w.dbgContact->model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("Contact number"));
    EXPECT_EQ(w.dbgContact->model()->headerData(2, Qt::Horizontal).toString(),
              QStringLiteral("group"));
    EXPECT_EQ(w.dbgContact->model()->columnCount(), 3);
}

} // namespace
