#include "ui/table_model.h"

#include "core/store/schemas.h"
#include "core/tables/date_time.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

namespace {

TEST(TableModel, FollowsTheTableThroughEveryKindOfChange) {
    auto t = schemas::makeReminders();
    TableModel model(*t);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    EXPECT_EQ(model.columnCount(), 8); // the visible fields
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Contact number"));
    EXPECT_EQ(model.headerData(7, Qt::Horizontal).toString(), QStringLiteral("Recurring"));

    t->AddRow({FieldValue{}, std::string("200"), std::string("B\xe9la"),
               int32_t(dayNumber(2003, 1, 31)), int32_t(timeMs(14, 30))});
    t->AddRow({FieldValue{}, std::string("100"), std::string("Ann")});
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("B\u00e9la"));
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QStringLiteral("31-Jan-2003"));
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), QStringLiteral("14:30"));

    // The row being inserted shows at its place; cancelling removes it again.
    t->SetRowNumber(2);
    t->Insert();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.tableRow(1), -1);
    t->FieldNamed("contact_no").SetAsString("150");
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), QStringLiteral("150"));
    t->Cancel();
    EXPECT_EQ(model.rowCount(), 2);

    // Edits through the model go into the table's edit buffer.
    model.setEditable(true);
    EXPECT_TRUE(model.setData(model.index(1, 1), QStringLiteral("Anne")));
    EXPECT_EQ(t->State(), DataSetState::Edit);
    t->Post();
    EXPECT_EQ(t->CellText(1, 2), "Anne");

    t->SetSortedField("");
    t->SetSortedField("contact_no");
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("100"));
    t->First();
    t->Delete();
    EXPECT_EQ(model.rowCount(), 1);
    t->Close();
    EXPECT_EQ(model.rowCount(), 0);
}

// A filtered model shows the rows its filter keeps, maps them to their table rows both ways,
// puts the row being inserted among them, and filters again when the table's rows change.
TEST(TableModel, AFilterShowsASubsetMappedToTheTableRows) {
    auto t = schemas::makeContacts();
    for (const char* name : {"Ann", "Bob", "Abe", "Cy", "Al"})
        t->AddRow({FieldValue{}, std::string(name)});
    TableModel model(*t);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const int name = t->FieldIndex("contact");
    model.setRowFilter([&](int row) { return t->CellText(row, name).front() == 'A'; });
    ASSERT_EQ(model.rowCount(), 3);
    const int shown[] = {0, 2, 4};
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(model.tableRow(m), shown[m]);
        EXPECT_EQ(model.modelRow(shown[m]), m);
    }
    EXPECT_EQ(model.modelRow(1), -1);
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), QStringLiteral("Abe"));

    // An edit through the model reaches the table row shown.
    model.setEditable(true);
    EXPECT_TRUE(model.setData(model.index(2, 0), QStringLiteral("Alf")));
    t->Post();
    EXPECT_EQ(t->CellText(4, name), "Alf");

    // A row inserted before table row 2 shows between Ann and Abe.
    t->SetRowNumber(3);
    t->Insert();
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.insertModelRow(), 1);
    EXPECT_EQ(model.tableRow(1), -1);
    EXPECT_EQ(model.tableRow(2), 2);
    EXPECT_EQ(model.modelRow(2), 2);
    t->Cancel();

    // Rows added and deleted are filtered again.
    t->AddRow({FieldValue{}, std::string("Amy")});
    t->AddRow({FieldValue{}, std::string("Dan")});
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.tableRow(3), 5);
    t->SetRowNumber(1);
    t->Delete();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("Abe"));

    model.setRowFilter(nullptr);
    EXPECT_EQ(model.rowCount(), t->RowCount());
    EXPECT_EQ(model.modelRow(1), 1);
}

TEST(TableModel, RefusesTextTheTableCannotCarry) {
    auto t = schemas::makeContacts();
    TableModel model(*t);
    model.setEditable(true);
    t->AddRow({FieldValue{}, std::string("Ann")});
    EXPECT_ANY_THROW(model.setData(model.index(0, 0), QStringLiteral("\u4e2d")));
    EXPECT_EQ(t->CellText(0, 1), "Ann");
}

} // namespace

namespace {

// A window's grid model is a Qt child, destroyed after the window's own table members.
TEST(TableModel, OutlivesItsTableWithoutTouchingIt) {
    auto t = schemas::makeGroups();
    t->AddRow({FieldValue{}, std::string("a")});
    auto model = std::make_unique<TableModel>(*t);
    QAbstractItemModelTester tester(model.get(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    t.reset();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(model->columnCount(), 0);
    model.reset(); // under AddressSanitizer a use of the freed table would stop here
}

} // namespace
