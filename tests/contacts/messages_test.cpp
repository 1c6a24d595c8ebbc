// The standard messages window: editing, refused keys, closing and the pick lists it fills.

#include "contacts/messages_window.h"
#include "contacts/select_sending_window.h"
#include "contacts_fixture.h"
#include "core/tables/errors.h"
#include "reminders/main_window.h"
#include "ui/widgets/record_grid.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace {

class StandardMessages : public WindowTest {
protected:
    TfrmMessage& show(const std::vector<std::string>& messages, bool writeFile = true) {
        if (writeFile) {
            std::vector<Row> rows;
            for (const auto& m : messages)
                rows.push_back({m});
            folder.write("message.txt", tableFile({"message"}, rows));
        }
        startForms();
        TfrmMessage& w = *forms->frmMessage;
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }
    std::vector<Row> messages() { return rowsOf(*forms->frmMessage->dxmMessage, {"message"}); }
    static QStringList items(QComboBox* box) {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list << box->itemText(i);
        return list;
    }
    static QLineEdit* openEditor(RecordGrid* grid, int row) {
        grid->setCurrentIndex(grid->model()->index(row, 0));
        QTest::keyClick(grid, Qt::Key_F2);
        return grid->editor();
    }
};

TEST_F(StandardMessages, ClosingAnEmptyListStoresOneEmptyMessageOnce) {
    TfrmMessage& w = show({}, false);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Standard Messages"));
    w.close();
    EXPECT_EQ(messages(), (std::vector<Row>{{""}}));
    EXPECT_EQ(folder.read("message.txt"), tableFile({"message"}, {{""}}));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.close();
    EXPECT_EQ(messages(), (std::vector<Row>{{""}}));
    EXPECT_EQ(folder.read("message.txt"), tableFile({"message"}, {{""}}));
}

TEST_F(StandardMessages, ANewMessageKeepsItsPlaceUntilCloseThenBothListsAreSortedByCharacterCode) {
    TfrmMessage& w = show({"Cherry", "Banana"});
    // Read sorted by message.
    EXPECT_EQ(messages(), (std::vector<Row>{{"Banana"}, {"Cherry"}}));
    TdxMemData& t = *w.dxmMessage;
    t.Append();
    t.FieldNamed("message").SetAsString("apple");
    t.Post();
    t.Append();
    t.FieldNamed("message").SetAsString("Apricot");
    t.Post();
    // Posted rows stay where they were typed.
    EXPECT_EQ(messages(), (std::vector<Row>{{"Banana"}, {"Cherry"}, {"apple"}, {"Apricot"}}));
    w.close();

    const QStringList sorted{QStringLiteral("Apricot"), QStringLiteral("Banana"),
                             QStringLiteral("Cherry"), QStringLiteral("apple")};
    EXPECT_EQ(items(child<QComboBox>(forms->frmMain, "cboMessage")), sorted);
    EXPECT_EQ(items(child<QComboBox>(forms->frmSelectSending, "cboMessage")), sorted);
    EXPECT_EQ(messages(), (std::vector<Row>{{"Apricot"}, {"Banana"}, {"Cherry"}, {"apple"}}));
    // The file was written before the sort, in the grid's order.
    EXPECT_EQ(folder.read("message.txt"),
              tableFile({"message"}, {{"Banana"}, {"Cherry"}, {"apple"}, {"Apricot"}}));
    EXPECT_FALSE(w.dbgMessage->editableSet());
}

TEST_F(StandardMessages, TheTopPanelCountsTheTypedCellAndEmptiesOnPost) {
    TfrmMessage& w = show({"Old"});
    QLineEdit* editor = openEditor(w.dbgMessage, 0);
    ASSERT_NE(editor, nullptr);
    editor->clear();
    QTest::keyClicks(editor, QStringLiteral("Twelve chars"));
    EXPECT_EQ(w.pnlMain->text(), QStringLiteral("12/160"));
    // Leaving the row posts it.
    w.dbnMessage->insert();
    EXPECT_EQ(w.pnlMain->text(), QString());
    EXPECT_EQ(messages().front(), Row{"Twelve chars"});
}

// Down on the last row ends its change and starts a new row below, as the new row does once
// typed into; a new row left untouched stays the last.
TEST_F(StandardMessages, DownOnTheLastRowAfterAChangeAddsANewRowBelow) {
    TfrmMessage& w = show({"Alpha", "Beta"});
    RecordGrid* grid = w.dbgMessage;
    TdxMemData& t = *w.dxmMessage;
    const auto typeIn = [&](const QString& text) {
        QTest::keyClick(grid, text.front().toLatin1()); // the first key opens the editor
        ASSERT_TRUE(grid->editor());
        QTest::keyClicks(grid->editor(), text.mid(1));
        QTest::keyClick(grid->editor(), Qt::Key_Down);
    };
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 0));
    typeIn(QStringLiteral("Bravo"));
    EXPECT_EQ(messages(), (std::vector<Row>{{"Alpha"}, {"Bravo"}}));
    EXPECT_EQ(t.State(), DataSetState::Insert);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 2);

    typeIn(QStringLiteral("Charlie"));
    EXPECT_EQ(messages(), (std::vector<Row>{{"Alpha"}, {"Bravo"}, {"Charlie"}}));
    EXPECT_EQ(t.State(), DataSetState::Insert);
    EXPECT_EQ(grid->currentIndex().row(), 3);

    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->currentIndex().row(), 3);
    EXPECT_EQ(messages().size(), 3u);
}

// "+" starts the new row below the row the user is on.
TEST_F(StandardMessages, PlusAddsTheNewRowAfterTheCurrentOne) {
    TfrmMessage& w = show({"Alpha", "Beta", "Gamma"});
    RecordGrid* grid = w.dbgMessage;
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::mouseClick(w.dbnMessage->button("nbInsert"), Qt::LeftButton);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    QTest::keyClick(grid, 'A');
    ASSERT_TRUE(grid->editor());
    QTest::keyClicks(grid->editor(), QStringLiteral("fter alpha"));
    w.dbnMessage->last();
    EXPECT_EQ(messages(), (std::vector<Row>{{"Alpha"}, {"After alpha"}, {"Beta"}, {"Gamma"}}));
}

TEST_F(StandardMessages, ACaretOrAMultiCellPasteIsRefusedAndChangesNothing) {
    TfrmMessage& w = show({"Hello"});
    QLineEdit* editor = openEditor(w.dbgMessage, 0);
    ASSERT_NE(editor, nullptr);
    editor->end(false);
    prompter.expectError(QStringLiteral("The ^ character is not allowed"));
    QTest::keyClicks(editor, QStringLiteral("^"));
    EXPECT_EQ(editor->text(), QStringLiteral("Hello"));
    prompter.verifyAllUsed();

    // A paste of several cells arrives with a TAB in it.
    prompter.expect(
        BoxKind::Warning,
        QStringLiteral("The information cannot be posted, because the copy area and the "
                       "paste area are not the same size and shape. Select a rectangle "
                       "that's the same size and shape, and then paste."));
    TdxMemData& t = *w.dxmMessage;
    t.Edit();
    try {
        t.FieldNamed("message").SetAsString("one\ttwo");
    } catch (const EAbort&) {
    }
    prompter.verifyAllUsed();
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(messages(), (std::vector<Row>{{"Hello"}}));
}

TEST_F(StandardMessages, AnUnreadableMessagesFileIsKeptAsideBeforeTheProgramEndOverwritesIt) {
    const std::string bad = tableFile({"message"}, {{"Fine"}}) + "one\ttwo\tthree\t\r\n";
    folder.write("message.txt", bad);
    prompter.expect(BoxKind::Error, QString()); // the read's error, naming the copy
    startForms();
    prompter.verifyAllUsed();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("message.txt.unreadable")));
    stopForms();
    EXPECT_EQ(folder.read("message.txt.unreadable"), bad);
}

TEST_F(StandardMessages, TheProgramEndWritesTheMessages) {
    TfrmMessage& w = show({"Kept"});
    w.hide();
    w.dxmMessage->Append();
    w.dxmMessage->FieldNamed("message").SetAsString("Added");
    w.dxmMessage->Post();
    stopForms();
    EXPECT_EQ(folder.read("message.txt"), tableFile({"message"}, {{"Kept"}, {"Added"}}));
}

} // namespace
