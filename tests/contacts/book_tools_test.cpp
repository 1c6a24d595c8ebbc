// The contacts window's do-not-text marks, search box and export.

#include "contacts/contacts_window.h"
#include "contacts/select_sending_window.h"
#include "contacts_fixture.h"
#include "core/store/do_not_text.h"
#include "core/store/schemas.h"
#include "reminders/main_window.h"
#include "ui/table_model.h"
#include "ui/widgets/record_grid.h"

#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <set>

namespace {

const std::string kListHeader = "number\tdate_added\tnote\t\r\n";

class BookTools : public ContactsWindowTest {
protected:
    TfrmContact& show(const std::vector<Row>& book) { return showContacts(book); }
    TableModel& model() {
        return *child<RecordGrid>(forms->frmContact, "dbgContact")->recordModel();
    }
    // The grid row showing the contact of that name; -1 when none.
    int gridRow(const QString& name) {
        for (int r = 0; r < model().rowCount(); ++r)
            if (model().data(model().index(r, 0)).toString() == name)
                return r;
        return -1;
    }
    void selectNames(const std::vector<QString>& names) {
        RecordGrid* grid = child<RecordGrid>(forms->frmContact, "dbgContact");
        grid->clearSelection();
        for (const QString& n : names)
            grid->selectionModel()->select(model().index(gridRow(n), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The numbers donottext.txt lists, read back as the program reads it.
    std::set<std::string> listedInFile() {
        auto list = schemas::makeDoNotText();
        list->ReadDelimitedFile(folder.file("donottext.txt"));
        std::set<std::string> numbers;
        for (int r = 0; r < list->RowCount(); ++r) {
            numbers.insert(list->CellText(r, list->FieldIndex("number")));
            EXPECT_EQ(list->CellValue(r, list->FieldIndex("date_added")),
                      FieldValue(clock.today()));
        }
        return numbers;
    }
    bool marked(const QString& name) {
        const QModelIndex cell = model().index(gridRow(name), 1);
        const bool coloured = model().data(cell, Qt::ForegroundRole).isValid();
        EXPECT_EQ(coloured, model().data(cell, Qt::ToolTipRole).toString() ==
                                name + QStringLiteral(" (do not text)"));
        return coloured;
    }
};

const std::vector<Row> kBook{{"Ann", "+44 7700 900123", "work", "+44 7700 900123work"},
                             {"Bea", "0412 345 678", "work", "0412 345 678work"},
                             {"Cy", "333", "work", "333work"}};

TEST_F(BookTools, DoNotTextAndTextAgainRewriteTheListAndMarkTheGrid) {
    TfrmContact& w = show(kBook);
    EXPECT_FALSE(folder.exists("donottext.txt"));
    selectNames({"Ann", "Cy"});
    w.Donottext1->trigger();
    EXPECT_EQ(listedInFile(), (std::set<std::string>{"+44 7700 900123", "333"}));
    EXPECT_TRUE(marked("Ann"));
    EXPECT_FALSE(marked("Bea"));
    EXPECT_TRUE(marked("Cy"));

    // Another contact with Ann's number written otherwise shows as marked too.
    w.dxContact->AddRow({FieldValue{}, std::string("Ann2"), std::string("447700900123"),
                         std::string("work"), std::string("447700900123work")});
    EXPECT_TRUE(marked("Ann2"));

    selectNames({"Ann2", "Bea"}); // Bea is not listed: nothing to undo for her
    w.Textagain1->trigger();
    EXPECT_EQ(listedInFile(), (std::set<std::string>{"333"}));
    EXPECT_FALSE(marked("Ann"));
    selectNames({"Cy"});
    w.Textagain1->trigger();
    EXPECT_EQ(folder.read("donottext.txt"), kListHeader);
    EXPECT_FALSE(marked("Cy"));

    // The list is read at the next start.
    selectNames({"Bea"});
    w.Donottext1->trigger();
    w.close();
    stopForms();
    startForms();
    EXPECT_TRUE(DoNotTextSet(*forms->tables().dxDoNotText).contains("0412345678"));
}

TEST_F(BookTools, AnUnreadableListIsKeptAsideAndItsRowsReadBeforeTheFaultStay) {
    auto list = schemas::makeDoNotText();
    markDoNotText(*list, {"333"}, clock.today());
    list->WriteDelimitedFile(folder.file("donottext.txt"));
    const std::string bad = folder.read("donottext.txt") + "1\t2\t3\t4\t5\t\r\n";
    folder.write("donottext.txt", bad);
    prompter.expect(BoxKind::Error, QString()); // the read's error, naming the copy
    show(kBook);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("donottext.txt.unreadable")));
    EXPECT_EQ(folder.read("donottext.txt.unreadable"), bad);
    EXPECT_TRUE(marked("Cy"));
}

TEST_F(BookTools, TheSelectedContactsLeaveOutTheMarkedNumbersAndSaySo) {
    TfrmContact& w = show(kBook);
    selectNames({"Bea"});
    w.Donottext1->trigger();
    selectNames({"Ann", "Bea", "Cy"});
    TfrmSelectSending& s = *forms->frmSelectSending;
    whenModalOpens([&](QWidget*) {
        s.cboMessage->setEditText(QStringLiteral("See you"));
        QTest::mouseClick(s.bmbOK, Qt::LeftButton);
    });
    prompter.expect(BoxKind::Information,
                    QStringLiteral("1 contact on the do-not-text list was skipped."));
    w.Selectforsending1Click();
    prompter.verifyAllUsed();
    EXPECT_EQ(rowsOf(*forms->frmMain->dxmReminders, {"name"}), (std::vector<Row>{{"Ann"}, {"Cy"}}));
}

TEST_F(BookTools, TheSearchShowsMatchingRowsOf5000AndTheGridActsOnThem) {
    std::vector<Row> book;
    for (int i = 0; i < 5000; ++i) {
        const std::string n = std::to_string(100000 + i);
        const std::string name = (i % 100 == 7 ? "Smith " : "Jones ") + n;
        const std::string group = i % 1000 == 3 ? "smithfield" : "work";
        book.push_back({name, n, group, n + group});
    }
    TfrmContact& w = show(book);
    QLineEdit* search = find<QLineEdit>(&w, "edtSearch");
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->placeholderText(), QStringLiteral("Search name, number or group"));
    QTest::keyClicks(search, QStringLiteral("sMiTh"));
    // 50 Smiths by name, 5 by group.
    ASSERT_EQ(model().rowCount(), 55);
    for (int r = 0; r < model().rowCount(); ++r) {
        const int t = model().tableRow(r);
        const std::string text = w.dxContact->CellText(t, 1) + w.dxContact->CellText(t, 3);
        EXPECT_NE(text.find("mith"), std::string::npos) << text;
    }
    // The table and its file are untouched.
    EXPECT_EQ(w.dxContact->RowCount(), 5000);

    // A click on a shown row moves the table to that contact; deleting removes that contact.
    RecordGrid* grid = w.dbgContact;
    grid->setCurrentIndex(model().index(1, 0));
    EXPECT_EQ(w.dxContact->CurrentIndex(), model().tableRow(1));
    const std::string doomed = w.dxContact->CellText(model().tableRow(1), 1);
    selectNames({QString::fromStdString(doomed)});
    prompter.expect(BoxKind::Confirmation,
                    QStringLiteral("Delete the contact %1?").arg(QString::fromStdString(doomed)),
                    BoxButton::Yes);
    w.Delete1->trigger();
    EXPECT_EQ(w.dxContact->RowCount(), 4999);
    EXPECT_EQ(w.dxContact->FindRowNumber(doomed, "contact"), -1);
    EXPECT_EQ(model().rowCount(), 54);

    // A number finds its contact.
    search->setText(QStringLiteral("104707"));
    ASSERT_EQ(model().rowCount(), 1);
    EXPECT_EQ(model().data(model().index(0, 0)).toString(), QStringLiteral("Smith 104707"));

    // Esc clears the box and shows every row; the window stays open.
    QTest::keyClick(search, Qt::Key_Escape);
    EXPECT_TRUE(search->text().isEmpty());
    EXPECT_EQ(model().rowCount(), 4999);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(BookTools, AnExportImportedIntoAClearedBookGivesTheSameBook) {
    const std::vector<Row> book{{"Ann", "+44 7700 900123", "work", "+44 7700 900123work"},
                                {"", "0412 345 678", "", "0412 345 678"},
                                {"Cy", "333", "family", "333family"},
                                {"Dot", "333", "work", "333work"}};
    TfrmContact& w = show(book);
    const std::vector<Row> before = contactRows(*w.dxContact);

    // More than one row selected: those rows only.
    selectNames({"Cy", "Ann"});
    prompter.expectSaveFile(QString::fromStdString(folder.file("some.txt")));
    w.Export1->trigger();
    EXPECT_EQ(prompter.fileDialogs,
              QStringList({QStringLiteral("Export Contacts"),
                           QStringLiteral("Tab Delimited Text Files|*.txt")}));
    std::string some;
    for (const Row& r : before)
        if (r[0] == "Ann" || r[0] == "Cy")
            some += r[0] + "\t" + r[1] + "\t" + r[2] + "\r\n";
    EXPECT_EQ(folder.read("some.txt"), some);

    // The program's own files are never replaced, however named.
    const std::string bookFile = folder.read("dxContact.txt");
    for (const char* own : {"dxContact.txt", "sub/../donottext.txt"}) {
        prompter.expectSaveFile(QString::fromStdString(folder.file(own)));
        prompter.expectError(QFileInfo(QString::fromLatin1(own)).fileName() +
                             QStringLiteral(" is one of the program's own files. Please choose "
                                            "another name."));
        w.Export1->trigger();
    }
    EXPECT_EQ(folder.read("dxContact.txt"), bookFile);
    EXPECT_FALSE(folder.exists("donottext.txt"));

    // One row selected: the whole book. Cancel writes nothing.
    selectNames({"Cy"});
    prompter.expectSaveFile(QString());
    w.Export1->trigger();
    prompter.expectSaveFile(QString::fromStdString(folder.file("all.txt")));
    w.Export1->trigger();

    w.dxContact->SuspendViews();
    while (w.dxContact->RowCount() > 0) {
        w.dxContact->First();
        w.dxContact->Delete();
    }
    w.dxContact->ResumeViews();
    prompter.expect(BoxKind::Confirmation,
                    QStringLiteral("Group family does not exist. Would you like to add?"),
                    BoxButton::No);
    prompter.expect(BoxKind::Information,
                    QStringLiteral("4 contacts added.\n0 lines were already in the contact "
                                   "book.\n0 lines skipped."));
    ASSERT_TRUE(w.importFile(folder.file("all.txt")));
    prompter.verifyAllUsed();
    EXPECT_EQ(contactRows(*w.dxContact), before);
}

// A group longer than a contact holds, with a blank where the cut falls: the book keeps it cut
// and trimmed, so that its export read back by the import gives the same contact, not a second
// one in a group one character shorter.
TEST_F(BookTools, AGroupCutAtABlankKeepsItsNameThroughExportAndImport) {
    TfrmContact& w = show({});
    const std::string longGroup = std::string(39, 'g') + " tail";
    folder.write("in.txt", "Ann\t0123\t" + longGroup + "\r\n");
    const QString question = QStringLiteral("Group %1 does not exist. Would you like to add?");
    prompter.expect(BoxKind::Confirmation, question.arg(QString::fromStdString(longGroup)),
                    BoxButton::No);
    prompter.expect(BoxKind::Information, {});
    ASSERT_TRUE(w.importFile(folder.file("in.txt")));
    const std::string cut(39, 'g');
    ASSERT_EQ(contactRows(*w.dxContact),
              (std::vector<Row>{{"Ann", "0123", cut, "0123" + cut.substr(0, 16)}}));

    selectNames({"Ann"});
    prompter.expectSaveFile(QString::fromStdString(folder.file("out.txt")));
    w.Export1->trigger();
    EXPECT_EQ(folder.read("out.txt"), "Ann\t0123\t" + cut + "\r\n");
    prompter.expect(BoxKind::Confirmation, question.arg(QString::fromStdString(cut)),
                    BoxButton::No);
    prompter.expect(BoxKind::Information,
                    QStringLiteral("0 contacts added.\n1 line was already in the contact "
                                   "book.\n0 lines skipped."));
    ASSERT_TRUE(w.importFile(folder.file("out.txt")));
    prompter.verifyAllUsed();
    EXPECT_EQ(w.dxContact->RowCount(), 1);
}

} // namespace
