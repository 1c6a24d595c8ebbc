#include "core/tables/mem_data.h"

#include "core/store/schemas.h"
#include "core/tables/charset.h"
#include "core/tables/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

FieldDef str(const char* name, int size = 20) {
    FieldDef d;
    d.name = name;
    d.size = size;
    return d;
}

// A table of one string field "name" and an integer "n".
std::unique_ptr<TdxMemData> makeTable(const char* sortField = "", TSortOptions options = 0) {
    FieldDef n;
    n.name = "n";
    n.kind = FieldKind::Integer;
    auto t = std::make_unique<TdxMemData>("tbl", std::vector<FieldDef>{str("name"), n});
    t->SetSortOptions(options);
    t->SetSortedField(sortField);
    return t;
}

void add(TdxMemData& t, const char* name, int n = 0) {
    t.AddRow({FieldValue{}, std::string(name), int32_t(n)});
}

// The Windows-1252 bytes of a UTF-8 text, as the table files hold them.
std::string cp(const char* utf8) {
    return cp1252FromUtf8(utf8).value();
}

std::vector<std::string> names(TdxMemData& t) {
    std::vector<std::string> out;
    for (int r = 0; r < t.RowCount(); ++r)
        out.push_back(t.CellText(r, 1));
    return out;
}

template <typename F> std::string errorOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(MemData, ANewTableIsOpenAndEmpty) {
    auto t = makeTable();
    EXPECT_TRUE(t->Active());
    EXPECT_EQ(t->RowCount(), 0);
    EXPECT_EQ(t->RowNumber(), 0);
    t->First();
    EXPECT_TRUE(t->AtEnd());
    EXPECT_EQ(errorOf([&] { t->Delete(); }),
              "tbl: Cannot perform this operation on an empty dataset");
}

TEST(MemData, TheTablesOwnErrorsCarryItsName) {
    auto t = makeTable();
    EXPECT_EQ(errorOf([&] { t->FieldNamed("nothing"); }), "tbl: Field 'nothing' not found");
    EXPECT_EQ(errorOf([&] { t->FieldNamed("name").SetAsString("x"); }),
              "tbl: Dataset not in edit or insert mode");
    add(*t, "a");
    EXPECT_EQ(errorOf([&] { t->ReturnToBookmark(99); }), "tbl: Bookmark not found");
    EXPECT_EQ(&t->FieldNamed("NAME"), &t->Field(1)); // names match without regard to case
}

TEST(MemData, EditOnAnEmptyTableInsertsAndRequiredFieldsAreNotEnforced) {
    auto t = schemas::makeReminders();
    t->Edit();
    EXPECT_EQ(t->State(), DataSetState::Insert);
    t->FieldNamed("name").SetAsString("Only a name");
    t->Post(); // contact_no is Required, yet null
    ASSERT_EQ(t->RowCount(), 1);
    t->First();
    EXPECT_TRUE(t->FieldNamed("contact_no").IsNull());
    // The default expression of status is declared only: a new row's status is null.
    EXPECT_EQ(t->FieldNamed("status").AsString(), "");
    EXPECT_EQ(t->FieldNamed("RecId").AsInteger(), 1);
}

TEST(MemData, CaseInsensitiveSortPutsAccentedLettersWithTheirBaseLetter) {
    struct Case {
        TSortOptions options;
        std::vector<std::string> in;
        std::vector<std::string> sorted;
    };
    const Case cases[] = {
        {soCaseInsensitive, {"b1", "A2", "a1"}, {"a1", "A2", "b1"}},
        // "_" sorts above the folded capitals but below the small letters.
        {soCaseInsensitive, {"zed", "_x", "Zed"}, {"zed", "Zed", "_x"}},
        {0, {"zed", "_x", "Zed"}, {"Zed", "_x", "zed"}},
        // Accented letters sort with their base letter, whatever their case; the plain letter
        // before the accented one; a case-sensitive sort keeps the codes' order.
        {soCaseInsensitive, {"\xe9", "\xc9", "z"}, {"\xe9", "\xc9", "z"}},
        {soCaseInsensitive,
         {"Zoe", cp("Úna Power"), cp("Íde Nolan"), "Ursula", "Ide", "ian", cp("éamon"), "Eve",
          "Stan", cp("Šarünas")},
         {cp("éamon"), "Eve", "ian", "Ide", cp("Íde Nolan"), cp("Šarünas"), "Stan", cp("Úna Power"),
          "Ursula", "Zoe"}},
        {0, {cp("Íde"), "Zoe", "Ide"}, {"Ide", "Zoe", cp("Íde")}},
        // Equal values keep the order of addition; descending reverses the whole order.
        {soCaseInsensitive, {"x", "X", "a"}, {"a", "x", "X"}},
        {soCaseInsensitive | soDesc, {"x", "X", "a"}, {"X", "x", "a"}},
        // Long values that differ only after their 8th or 16th character.
        {soCaseInsensitive,
         {"0412345679", "041234567812345679", "0412345678", "041234567812345678x", "04123456",
          "041234567812345678", "0412345678aB", "0412345678Ab"},
         {"04123456", "0412345678", "041234567812345678", "041234567812345678x",
          "041234567812345679", "0412345678aB", "0412345678Ab", "0412345679"}},
        {soDesc,
         {"abcdefghij", "abcdefghIJ", "abcdefgh"},
         {"abcdefghij", "abcdefghIJ", "abcdefgh"}},
    };
    for (const Case& c : cases) {
        auto t = makeTable("name", c.options);
        for (const std::string& s : c.in)
            add(*t, s.c_str());
        t->SetSortedField("");
        t->SetSortedField("name");
        EXPECT_EQ(names(*t), c.sorted);
    }
}

// A case-blind look-up finds a name whatever the case of its accented capital, and never a name
// that differs by an accent.
TEST(MemData, CaseInsensitiveFindFoldsAccentedCapitals) {
    struct Case {
        std::string wanted;
        int row;
    };
    const Case cases[] = {
        {cp("Íde Nolan"), 2}, {cp("íde nolan"), 2}, {cp("ÍDE NOLAN"), 2}, {"ide nolan", -1},
        {cp("úna power"), 3}, {"una power", -1},    {cp("éamon"), 1},     {"EAMON", -1},
        {cp("š"), 4},         {cp("ÿ"), 5},
    };
    auto t = makeTable("", soCaseInsensitive);
    for (const char* s : {"Éamon", "Íde Nolan", "Úna Power", "Š", "Ÿ"})
        add(*t, cp(s).c_str());
    for (const Case& c : cases)
        EXPECT_EQ(t->FindRowNumber(c.wanted, "name"), c.row) << c.wanted;
}

TEST(MemData, AddRowStaysLastUntilTheNextFullSort) {
    auto t = makeTable("name", soCaseInsensitive);
    add(*t, "m");
    add(*t, "c");
    t->SetRowNumber(2);
    add(*t, "a");
    EXPECT_EQ(names(*t), (std::vector<std::string>{"m", "c", "a"}));
    EXPECT_EQ(t->RowNumber(), 2); // the cursor stays where it was
    t->SetSortedField("name");    // the same name: no sort
    EXPECT_EQ(names(*t), (std::vector<std::string>{"m", "c", "a"}));
    t->SetSortedField("");
    t->SetSortedField("name");
    EXPECT_EQ(names(*t), (std::vector<std::string>{"a", "c", "m"}));
    EXPECT_EQ(t->RowNumber(), 1);
}

TEST(MemData, APostedRowGoesToItsSortedPlaceAndBecomesCurrent) {
    auto t = makeTable("name", soCaseInsensitive);
    for (const char* s : {"b", "d", "f"})
        add(*t, s);
    t->SetSortedField("");
    t->SetSortedField("name");
    t->Append();
    t->FieldNamed("name").SetAsString("c");
    t->Post();
    EXPECT_EQ(names(*t), (std::vector<std::string>{"b", "c", "d", "f"}));
    EXPECT_EQ(t->FieldNamed("name").AsString(), "c");

    // An edit that changes the sort value moves the row; one that blanks it does not.
    t->SetRowNumber(1);
    t->Edit();
    t->FieldNamed("name").SetAsString("z");
    t->Post();
    EXPECT_EQ(names(*t), (std::vector<std::string>{"c", "d", "f", "z"}));
    EXPECT_EQ(t->RowNumber(), 4);
    t->SetRowNumber(2);
    t->Edit();
    t->FieldNamed("name").Clear();
    t->Post();
    EXPECT_EQ(names(*t), (std::vector<std::string>{"c", "", "f", "z"}));
}

TEST(MemData, InsertPlacesTheRowBeforeTheCurrentOneWithoutSortField) {
    auto t = makeTable();
    add(*t, "a");
    add(*t, "c");
    t->SetRowNumber(2);
    t->Insert();
    t->FieldNamed("name").SetAsString("b");
    t->Post();
    EXPECT_EQ(names(*t), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(t->RowNumber(), 2);
}

// InsertBelow starts the new row after the current one (the end of an empty table); a cancel
// goes back to the row it started from.
TEST(MemData, InsertBelowPlacesTheRowAfterTheCurrentOne) {
    const struct {
        std::vector<const char*> rows;
        int current;
        std::vector<std::string> after;
        int row;
    } cases[] = {
        {{"a", "c"}, 1, {"a", "b", "c"}, 2},
        {{"a", "c"}, 2, {"a", "c", "b"}, 3},
        {{}, 0, {"b"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.current);
        auto t = makeTable();
        for (const char* r : c.rows)
            add(*t, r);
        t->SetRowNumber(c.current);
        t->InsertBelow();
        EXPECT_EQ(t->State(), DataSetState::Insert);
        t->FieldNamed("name").SetAsString("b");
        t->Post();
        EXPECT_EQ(names(*t), c.after);
        EXPECT_EQ(t->RowNumber(), c.row);
    }
    auto t = makeTable();
    add(*t, "a");
    add(*t, "c");
    t->SetRowNumber(1);
    t->InsertBelow();
    t->Cancel();
    EXPECT_EQ(names(*t), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(t->RowNumber(), 1);
}

TEST(MemData, PendingEditsArePostedWhenChangedAndCancelledOtherwise) {
    auto t = makeTable();
    add(*t, "a");
    add(*t, "b");
    t->First();
    t->Edit();
    t->FieldNamed("name").SetAsString("changed");
    t->Next(); // posts
    EXPECT_EQ(t->State(), DataSetState::Browse);
    EXPECT_EQ(t->CellText(0, 1), "changed");

    t->Append(); // nothing typed
    t->First();  // cancels: no empty row
    EXPECT_EQ(t->RowCount(), 2);
}

TEST(MemData, AFailingBeforePostKeepsTheBufferAndAddsNothing) {
    auto t = makeTable();
    t->BeforePost = [](TdxMemData& d) {
        if (d.FieldNamed("name").AsString().empty())
            throw EDatabaseError("name required");
    };
    t->Append();
    EXPECT_THROW(t->Post(), EDatabaseError);
    EXPECT_EQ(t->State(), DataSetState::Insert);
    t->FieldNamed("name").SetAsString("now");
    t->Post();
    EXPECT_EQ(t->RowCount(), 1);

    EXPECT_THROW(t->AddRow({FieldValue{}, std::string(), int32_t(1)}), EDatabaseError);
    EXPECT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->State(), DataSetState::Browse);
}

TEST(MemData, AFailedAssignmentLeavesThePreviousValue) {
    auto t = makeTable();
    t->Append();
    t->FieldNamed("n").SetAsString("5");
    EXPECT_THROW(t->FieldNamed("n").SetAsString("five"), EConvertError);
    EXPECT_EQ(t->FieldNamed("n").AsInteger(), 5);
}

TEST(MemData, EventsRunInTheirOrder) {
    auto t = makeTable();
    std::vector<std::string> seen;
    auto log = [&](const char* what) {
        return [&seen, what](TdxMemData&) { seen.push_back(what); };
    };
    t->BeforeInsert = log("BeforeInsert");
    t->OnNewRecord = log("OnNewRecord");
    t->AfterInsert = log("AfterInsert");
    t->BeforePost = log("BeforePost");
    t->AfterPost = log("AfterPost");
    t->BeforeCancel = log("BeforeCancel");
    t->AfterCancel = log("AfterCancel");
    t->BeforeDelete = log("BeforeDelete");
    t->AfterDelete = log("AfterDelete");
    t->FieldNamed("name").OnChange = [&](TField&) { seen.push_back("OnChange"); };
    add(*t, "a");
    EXPECT_EQ(seen, (std::vector<std::string>{"BeforeInsert", "OnNewRecord", "AfterInsert",
                                              "OnChange", "BeforePost", "AfterPost"}));
    seen.clear();
    // FindRowNumber passes the value through the field inside a brief insert.
    EXPECT_EQ(t->FindRowNumber(std::string("A"), "name"), -1); // case-sensitive table
    EXPECT_EQ(seen, (std::vector<std::string>{"BeforeInsert", "OnNewRecord", "AfterInsert",
                                              "OnChange", "BeforeCancel", "AfterCancel"}));
    seen.clear();
    t->First();
    t->Delete();
    EXPECT_EQ(seen, (std::vector<std::string>{"BeforeDelete", "AfterDelete"}));
}

TEST(MemData, ABeforeDeleteThatFailsKeepsTheRow) {
    auto t = makeTable();
    add(*t, "a");
    t->BeforeDelete = [](TdxMemData&) { throw EAbort(); };
    t->First();
    EXPECT_THROW(t->Delete(), EAbort);
    EXPECT_EQ(t->RowCount(), 1);
}

TEST(MemData, FindRowNumberComparesTheStoredForm) {
    auto ci = schemas::makeContacts(); // case-insensitive
    ci->AddRow({FieldValue{}, std::string("abc"), std::string("123"), std::string("g")});
    EXPECT_EQ(ci->FindRowNumber(std::string("ABC"), "contact"), 1);
    EXPECT_EQ(ci->FindRowNumber(std::string("ABC"), "nothing"), -1);
    auto cs = makeTable(); // case-sensitive
    add(*cs, "abc");
    EXPECT_EQ(cs->FindRowNumber(std::string("ABC"), "name"), -1);
    EXPECT_EQ(cs->FindRowNumber(std::string("abc"), "name"), 1);
    // A 25-character text is cut to the field's 20 before comparing.
    add(*cs, "12345678901234567890");
    EXPECT_EQ(cs->FindRowNumber(std::string("1234567890123456789012345"), "name"), 2);
    // The cursor does not move.
    cs->SetRowNumber(1);
    cs->FindRowNumber(std::string("abc"), "name");
    EXPECT_EQ(cs->RowNumber(), 1);
    // Numbers too, through the field's text form.
    add(*cs, "n", 7);
    EXPECT_EQ(cs->FindRowNumber(std::string("7"), "n"), 3);
    EXPECT_THROW(cs->FindRowNumber(std::string("seven"), "n"), EConvertError);
}

TEST(MemData, CursorMovesAndBookmarks) {
    auto t = makeTable("name", soCaseInsensitive);
    for (const char* s : {"c", "a", "b"})
        add(*t, s);
    t->SetRowNumber(3); // "b", third in order of addition
    const int bookmark = t->TakeBookmark();
    t->SetSortedField("");
    t->SetSortedField("name");
    t->ReturnToBookmark(bookmark);
    EXPECT_EQ(t->FieldNamed("name").AsString(), "b");
    EXPECT_EQ(t->RowNumber(), 2);

    t->SetRowNumber(0);
    t->SetRowNumber(4);
    EXPECT_EQ(t->RowNumber(), 2);
    t->Last();
    t->Next();
    EXPECT_TRUE(t->AtEnd());
    t->First();
    EXPECT_FALSE(t->AtEnd());

    // Deleting the last row makes the new last row current; deleting others, the next one.
    t->Last();
    t->Delete();
    EXPECT_EQ(t->FieldNamed("name").AsString(), "b");
    t->First();
    t->Delete();
    EXPECT_EQ(t->FieldNamed("name").AsString(), "b");
}

TEST(MemData, DeleteWhileInsertingCancels) {
    auto t = makeTable();
    add(*t, "a");
    t->Append();
    t->FieldNamed("name").SetAsString("typed");
    t->Delete();
    EXPECT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->CellText(0, 1), "a");
}

TEST(MemData, RecIdsAndBookmarksStartAgainAfterClose) {
    auto t = makeTable();
    add(*t, "a");
    add(*t, "b");
    EXPECT_EQ(t->RecIdAt(1), 2);
    t->Close();
    t->Open();
    add(*t, "c");
    EXPECT_EQ(t->RecIdAt(0), 1);
    EXPECT_EQ(t->BookmarkAt(0), 1);
}

struct CountingView : TableView {
    int refreshes = 0, moves = 0;
    void tableRefresh() override { ++refreshes; }
    void tableCursorMoved() override { ++moves; }
};

TEST(MemData, SuspendedViewsAreToldOnceWhenResumed) {
    auto t = makeTable();
    CountingView view;
    t->AddView(&view);
    t->SuspendViews();
    t->SuspendViews();
    for (int i = 0; i < 100; ++i)
        add(*t, "x");
    t->First();
    t->ResumeViews();
    EXPECT_EQ(view.refreshes, 0);
    t->ResumeViews();
    EXPECT_EQ(view.refreshes, 1);
    EXPECT_EQ(view.moves, 0);
    t->Next();
    EXPECT_EQ(view.moves, 1);
    t->RemoveView(&view);
}

// The bulk copy gives the rows that AddRow of each source row would give: values, nulls, text
// cut to the target's size, fixed values converted to the field's kind, the same file text.
TEST(MemData, AppendingRowsFromAnotherTableMatchesAddingEach) {
    FieldDef n, when, flag;
    n.name = "n";
    n.kind = FieldKind::Integer;
    when.name = "when";
    when.kind = FieldKind::Float;
    flag.name = "flag";
    flag.kind = FieldKind::Boolean;
    TdxMemData source("src", {str("name", 20), n, when});
    const std::vector<std::vector<FieldValue>> rows = {
        {FieldValue{}, std::string("Ann"), int32_t{1}, 1.5},
        {FieldValue{}, FieldValue{}, int32_t{-7}, FieldValue{}},
        {FieldValue{}, std::string("A name far longer than five"), FieldValue{}, 46000.25},
        {FieldValue{}, std::string(""), int32_t{0}, 0.0}};
    for (const auto& r : rows)
        source.AddRow(r);

    auto target = [&] {
        return std::make_unique<TdxMemData>(
            "dst", std::vector<FieldDef>{flag, str("name", 5), when, n, str("note")});
    };
    auto bulk = target(), each = target();
    // A row already there stays first.
    bulk->AddRow({FieldValue{}, true, std::string("old"), 1.0, int32_t{9}, FieldValue{}});
    each->AddRow({FieldValue{}, true, std::string("old"), 1.0, int32_t{9}, FieldValue{}});
    bulk->AppendRowsFrom(source, {{1, 2}, {2, 4}, {3, 3}}, {{1, int32_t{1}}, {5, 12}});
    for (const auto& r : rows)
        each->AddRow({FieldValue{}, int32_t{1}, r[1], r[3], r[2], 12});
    EXPECT_EQ(bulk->DelimitedText(), each->DelimitedText());
    EXPECT_EQ(bulk->CellText(3, 2), "A nam");
    EXPECT_EQ(bulk->CellString(3, 5), "12");
    EXPECT_EQ(bulk->CellString(2, 2), ""); // null text

    // Fields of different kinds are not copied into each other.
    EXPECT_THROW(bulk->AppendRowsFrom(source, {{1, 3}}, {}), EDatabaseError);
    EXPECT_EQ(bulk->RowCount(), 5);
}

TEST(MemData, TakingRowsMovesThemWholeAndEmptiesTheSource) {
    FieldDef n;
    n.name = "n";
    n.kind = FieldKind::Integer;
    auto make = [&] {
        return std::make_unique<TdxMemData>("t", std::vector<FieldDef>{str("name"), n});
    };
    auto source = make(), target = make();
    source->AddRow({FieldValue{}, std::string("Ann"), int32_t{1}});
    source->AddRow({FieldValue{}, FieldValue{}, int32_t{2}});
    source->AddRow({FieldValue{}, std::string("Cy"), FieldValue{}});
    source->SetRowNumber(2);
    const std::string text = source->DelimitedText();
    target->AddRow({FieldValue{}, std::string("old"), int32_t{9}}); // replaced
    int posts = 0, sourceOpens = 0;
    target->AfterPost = [&](TdxMemData&) { ++posts; };
    source->AfterOpen = [&](TdxMemData&) { ++sourceOpens; };

    target->TakeRows(*source);
    EXPECT_EQ(target->DelimitedText(), text);
    EXPECT_EQ(target->RowNumber(), 1);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(source->RowCount(), 0);
    EXPECT_TRUE(source->Active());
    EXPECT_EQ(sourceOpens, 1);
    // Rows added afterwards get RecIds and bookmarks of their own.
    target->AddRow({FieldValue{}, std::string("Di"), int32_t{4}});
    std::vector<int> recIds, bookmarks;
    for (int r = 0; r < target->RowCount(); ++r) {
        recIds.push_back(target->RecIdAt(r));
        bookmarks.push_back(target->BookmarkAt(r));
    }
    std::sort(recIds.begin(), recIds.end());
    std::sort(bookmarks.begin(), bookmarks.end());
    EXPECT_EQ(std::adjacent_find(recIds.begin(), recIds.end()), recIds.end());
    EXPECT_EQ(std::adjacent_find(bookmarks.begin(), bookmarks.end()), bookmarks.end());

    // Tables whose fields differ (kind, size or name) keep their rows.
    for (const std::vector<FieldDef>& other :
         {std::vector<FieldDef>{str("name"), str("n")}, std::vector<FieldDef>{str("name", 5), n},
          std::vector<FieldDef>{str("other"), n}, std::vector<FieldDef>{str("name")}}) {
        TdxMemData different("d", other);
        EXPECT_THROW(different.TakeRows(*target), EDatabaseError);
        EXPECT_EQ(target->RowCount(), 4);
    }
}

TEST(MemData, FillingColumnsSetsEveryRowInPlace) {
    FieldDef n, when;
    n.name = "n";
    n.kind = FieldKind::Integer;
    when.name = "when";
    when.kind = FieldKind::Float;
    TdxMemData t("tbl", {str("name"), n, when});
    t.SetSortedField("n");
    for (const char* name : {"c", "a", "b"})
        t.AddRow({FieldValue{}, std::string(name), FieldValue{}, 2.5});
    int posts = 0;
    t.AfterPost = [&](TdxMemData&) { ++posts; };
    t.FillColumns({{2, 7.6}, {3, FieldValue{}}}); // converted as an assignment would
    EXPECT_EQ(names(t), (std::vector<std::string>{"c", "a", "b"}));
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(t.CellValue(r, 2), FieldValue(int32_t{8}));
        EXPECT_TRUE(isNull(t.CellValue(r, 3)));
    }
    EXPECT_EQ(posts, 1);
    EXPECT_TRUE(t.AtEnd());
    EXPECT_THROW(t.FillColumns({{1, std::string("x")}}), EDatabaseError); // text is not filled
    EXPECT_EQ(names(t), (std::vector<std::string>{"c", "a", "b"}));
}

TEST(MemData, ReadOnlyTablesRefuseChanges) {
    auto t = schemas::makePrintMail();
    EXPECT_THROW(t->Append(), EDatabaseError);
    EXPECT_EQ(t->RowCount(), 0);
}

} // namespace
