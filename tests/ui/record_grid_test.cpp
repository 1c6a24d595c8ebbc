// The one grid over a record table: what every window's grid gets from it.

#include "ui/widgets/record_grid.h"

#include "core/store/schemas.h"
#include "ui/table_model.h"

#include <QHeaderView>

#include <gtest/gtest.h>

namespace {

// Rows added or removed redraw the whole grid; the widths the user or the window gave the
// columns stay.
TEST(RecordGrid, KeepsTheColumnsWidthsWhenItsRowsAreRedrawn) {
    auto t = schemas::makeContacts();
    t->Open();
    RecordGrid grid(*t);
    ASSERT_GE(grid.recordModel()->columnCount(), 2);
    grid.setColumnWidth(0, 157);
    grid.setColumnWidth(1, 61);
    const int rowsBefore = grid.recordModel()->rowCount();
    t->AddRow({FieldValue{}, std::string("Aoife Byrne"), std::string("0871234567"),
               std::string("clinic"), std::string("0871234567clinic")});
    ASSERT_EQ(grid.recordModel()->rowCount(), rowsBefore + 1); // a reset of the rows
    EXPECT_EQ(grid.columnWidth(0), 157);
    EXPECT_EQ(grid.columnWidth(1), 61);
    t->Close();
    t->Open();
    EXPECT_EQ(grid.columnWidth(0), 157);
}

// The title mark shows the table's own sort field and direction, and moves with it.
TEST(RecordGrid, TheSortMarkFollowsTheTablesSort) {
    auto t = schemas::makeContacts();
    t->Open();
    RecordGrid grid(*t);
    const TableModel* model = grid.recordModel();
    const QHeaderView* titles = grid.horizontalHeader();
    grid.setSortMarkFollowsTable(true);
    int sorts = 0;
    QObject::connect(&grid, &RecordGrid::sortMarkingChanged, [&] { ++sorts; });
    const struct {
        const char* field;
        TSortOptions options;
        Qt::SortOrder order;
    } cases[] = {{"number", 0, Qt::AscendingOrder},
                 {"contact", soDesc, Qt::DescendingOrder},
                 {"group", soCaseInsensitive, Qt::AscendingOrder}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        t->SetSortOptions(c.options);
        t->SetSortedField(c.field);
        EXPECT_EQ(titles->sortIndicatorSection(), model->columnOfField(t->FieldIndex(c.field)));
        EXPECT_EQ(titles->sortIndicatorOrder(), c.order);
    }
    EXPECT_EQ(sorts, 0); // the mark moved without asking anyone to sort again
    grid.clearSortMark();
    EXPECT_EQ(titles->sortIndicatorSection(), -1);
}

} // namespace
