// The merge rules of a table file that two copies of the program changed, case by case.

#include "core/folder/table_merge.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Rows = std::vector<std::string>;

const std::string kHeader = "key\tname\tnote\t";

// A file of the test table; an empty list with `exists` false is no file at all.
std::string file(const Rows& rows, bool exists = true) {
    if (!exists)
        return {};
    std::string text = kHeader + "\r\n";
    for (const std::string& row : rows)
        text += row + "\r\n";
    return text;
}

Rows rowsOf(const std::string& text) {
    Rows rows;
    size_t at = text.find("\r\n");
    while (at != std::string::npos && at + 2 < text.size()) {
        const size_t end = text.find("\r\n", at + 2);
        rows.push_back(text.substr(at + 2, end - at - 2));
        at = end;
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

Rows sorted(Rows rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST(TableMerge, RowsFollowTheRulesOfTheTable) {
    const std::string r = "1\tAnn\tx\t", s = "2\tBob\tx\t";
    const std::string rOurs = "1\tAnn\tours\t", rTheirs = "1\tAnn\ttheirs\t";
    const std::string o = "3\tCid\tx\t", t = "4\tDee\tx\t";
    struct Case {
        const char* what;
        Rows base, ours, theirs, expected, setAside;
    } cases[] = {
        {"untouched everywhere", {r, s}, {r, s}, {r, s}, {r, s}, {}},
        {"deleted by us", {r, s}, {s}, {r, s}, {s}, {}},
        {"deleted by them", {r, s}, {r, s}, {s}, {s}, {}},
        {"deleted by both", {r, s}, {s}, {s}, {s}, {}},
        {"changed by us", {r, s}, {rOurs, s}, {r, s}, {rOurs, s}, {}},
        {"changed by them", {r, s}, {r, s}, {rTheirs, s}, {rTheirs, s}, {}},
        {"changed alike by both", {r}, {rOurs}, {rOurs}, {rOurs}, {}},
        {"changed apart by both", {r, s}, {rOurs, s}, {rTheirs, s}, {rOurs, s}, {rTheirs}},
        {"changed by us, deleted by them", {r, s}, {rOurs, s}, {s}, {rOurs, s}, {}},
        {"deleted by us, changed by them", {r, s}, {s}, {rTheirs, s}, {s}, {rTheirs}},
        {"added by us", {r}, {r, o}, {r}, {r, o}, {}},
        {"added by them", {r}, {r}, {r, t}, {r, t}, {}},
        {"added by both", {r}, {r, o}, {r, t}, {r, o, t}, {}},
        {"the same row added by both", {r}, {r, o}, {r, o}, {r, o}, {}},
        {"added by them, all ours deleted", {r, s}, {}, {r, s, t}, {t}, {}},
        {"a file that was not there when read", {}, {o}, {t}, {o, t}, {}},
        {"a file removed behind us", {r, s}, {r, s, o}, {}, {o}, {}},
        {"a duplicate row deleted once by them", {r, r}, {r, r}, {r}, {r}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TableMerge m = mergeTableFiles(file(c.base), file(c.ours), file(c.theirs), '\t',
                                             MergeRule::Rows, {"key"});
        EXPECT_EQ(rowsOf(m.text), sorted(c.expected));
        EXPECT_EQ(m.setAside, c.setAside);
        EXPECT_EQ(m.changed, sorted(c.expected) != sorted(c.ours));
    }
}

TEST(TableMerge, TheirFileIsReadByFieldNameAndGivesOurColumns) {
    const std::string theirs = "NOTE\tkey\tname\textra\t\r\nx\t4\tDee\tzz\t\r\n";
    const TableMerge m =
        mergeTableFiles(file({}), file({"1\tAnn\tx\t"}), theirs, '\t', MergeRule::Rows, {"key"});
    EXPECT_EQ(m.text, kHeader + "\r\n1\tAnn\tx\t\r\n4\tDee\tx\t\r\n");
}

TEST(TableMerge, UnionKeepsWhatEitherSideLoggedButNotWhatWeDeleted) {
    const std::string a = "1\tAnn\tx\t", b = "2\tBob\tx\t", mine = "3\tCid\tx\t",
                      theirs = "4\tDee\tx\t";
    const TableMerge m = mergeTableFiles(file({a, b}), file({b, mine}), file({a, b, theirs}), '\t',
                                         MergeRule::Union);
    EXPECT_EQ(rowsOf(m.text), sorted({b, mine, theirs}));
    EXPECT_TRUE(m.setAside.empty());
}

// Replies are a union by Message-ID: two desks that read the same e-mail keep it once, however
// their rows differ (read at one desk, not yet at the other).
TEST(TableMerge, UnionByKeyKeepsEachKeyOnce) {
    const std::string r = "1\tAnn\tunread\t", rOurs = "1\tAnn\tours\t",
                      rTheirs = "1\tAnn\ttheirs\t", s = "2\tBob\tx\t";
    const std::string o = "3\tCid\tours\t", oTheirs = "3\tCid\ttheirs\t", t = "4\tDee\tx\t",
                      tAgain = "4\tDee\tagain\t";
    struct Case {
        const char* what;
        Rows base, ours, theirs, expected;
    } cases[] = {
        {"added by them", {r}, {r}, {r, t}, {r, t}},
        {"added by us", {r}, {r, o}, {r}, {r, o}},
        {"the same key added by both, the values apart", {r}, {r, o}, {r, oTheirs}, {r, o}},
        {"changed by them only", {r, s}, {r, s}, {rTheirs, s}, {rTheirs, s}},
        {"changed by us only", {r, s}, {rOurs, s}, {r, s}, {rOurs, s}},
        {"changed by both", {r}, {rOurs}, {rTheirs}, {rOurs}},
        {"deleted by us, changed by them", {r, s}, {s}, {rTheirs, s}, {s}},
        {"deleted by them", {r, s}, {r, s}, {s}, {r, s}},
        {"their file holds a key twice", {}, {}, {t, tAgain}, {t}},
        {"a file that was not there when read", {}, {o}, {oTheirs, t}, {o, t}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TableMerge m = mergeTableFiles(file(c.base), file(c.ours), file(c.theirs), '\t',
                                             MergeRule::Union, {"key"});
        EXPECT_EQ(rowsOf(m.text), sorted(c.expected));
        EXPECT_TRUE(m.setAside.empty());
        EXPECT_EQ(m.changed, sorted(c.expected) != sorted(c.ours));
    }
}

TEST(TableMerge, OursKeepsOurFileAndSaysWhetherTheirChangeWasLost) {
    const std::string base = file({"a\t1\t\t"}), ours = file({"a\t2\t\t"});
    struct Case {
        std::string theirs;
        bool replaced;
    } cases[] = {{base, false}, {ours, false}, {file({"a\t3\t\t"}), true}};
    for (const Case& c : cases) {
        const TableMerge m = mergeTableFiles(base, ours, c.theirs, '\t', MergeRule::Ours);
        EXPECT_EQ(m.text, ours);
        EXPECT_EQ(m.theirsReplaced, c.replaced);
    }
}

} // namespace
