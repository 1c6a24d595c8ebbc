// Deleting many rows at once gives what deleting them one by one gives: the same rows left in
// the same order, the same current row, the same BeforeDelete calls.

#include "core/tables/errors.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TdxMemData> makeTable(int rows) {
    FieldDef name;
    name.name = "name";
    auto t = std::make_unique<TdxMemData>("tbl", std::vector<FieldDef>{name});
    for (int i = 0; i < rows; ++i)
        t->AddRow({FieldValue{}, "row" + std::to_string(i)});
    return t;
}

struct Outcome {
    std::vector<int> recIds;
    int cursor;
    std::vector<std::string> beforeDelete; // the current row's name at each BeforeDelete
    int afterDelete;
    bool operator==(const Outcome&) const = default;
};

Outcome run(int rows, const std::vector<int>& bookmarkRows, bool bulk) {
    auto t = makeTable(rows);
    Outcome o{{}, 0, {}, 0};
    t->BeforeDelete = [&](TdxMemData& d) { o.beforeDelete.push_back(d.Field(1).AsString()); };
    t->AfterDelete = [&](TdxMemData&) { ++o.afterDelete; };
    std::vector<int> bookmarks;
    for (int r : bookmarkRows)
        bookmarks.push_back(t->BookmarkAt(r));
    if (bulk) {
        t->DeleteBookmarked(bookmarks);
    } else {
        for (int b : bookmarks) {
            t->ReturnToBookmark(b);
            t->Delete();
        }
    }
    for (int r = 0; r < t->RowCount(); ++r)
        o.recIds.push_back(t->RecIdAt(r));
    o.cursor = t->CurrentIndex();
    return o;
}

TEST(DeleteRows, SameRowsAndCursorAsOneByOne) {
    std::mt19937 rng(17);
    for (int trial = 0; trial < 300; ++trial) {
        const int rows = 1 + static_cast<int>(rng() % 40);
        std::vector<int> all(static_cast<size_t>(rows));
        for (int i = 0; i < rows; ++i)
            all[static_cast<size_t>(i)] = i;
        std::shuffle(all.begin(), all.end(), rng);
        std::vector<int> chosen(all.begin(), all.begin() + 1 + rng() % rows);
        switch (trial % 3) { // ascending, descending (as the windows do) and any order
        case 0:
            std::sort(chosen.begin(), chosen.end());
            break;
        case 1:
            std::sort(chosen.rbegin(), chosen.rend());
            break;
        default:
            break;
        }
        const Outcome one = run(rows, chosen, false);
        const Outcome bulk = run(rows, chosen, true);
        ASSERT_EQ(bulk.recIds, one.recIds) << "trial " << trial;
        ASSERT_EQ(bulk.cursor, one.cursor) << "trial " << trial;
        ASSERT_EQ(bulk.beforeDelete, one.beforeDelete) << "trial " << trial;
        ASSERT_EQ(bulk.afterDelete, 1);
    }
}

TEST(DeleteRows, SkipsGoneBookmarksAndStopsAtARefusal) {
    auto t = makeTable(6);
    const int gone = t->BookmarkAt(0);
    t->SetRowNumber(1);
    t->Delete();
    // rows now row1..row5; a refusal on row4 leaves row4 and row5
    t->BeforeDelete = [](TdxMemData& d) {
        if (d.Field(1).AsString() == "row4")
            throw EDatabaseError("refused");
    };
    const std::vector<int> bookmarks{
        gone, t->BookmarkAt(0), t->BookmarkAt(1), t->BookmarkAt(3), t->BookmarkAt(4), 9999};
    EXPECT_THROW(t->DeleteBookmarked(bookmarks), EDatabaseError);
    ASSERT_EQ(t->RowCount(), 3);
    EXPECT_EQ(t->CellText(0, 1), "row3");
    EXPECT_EQ(t->CellText(1, 1), "row4");
    EXPECT_EQ(t->CellText(2, 1), "row5");

    t->BeforeDelete = nullptr;
    t->DeleteRows({2, 0, 7, -1, 0});
    ASSERT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->CellText(0, 1), "row4");
    t->DeleteRows({0});
    EXPECT_EQ(t->RowCount(), 0);
    EXPECT_EQ(t->CurrentIndex(), -1);
}

} // namespace
