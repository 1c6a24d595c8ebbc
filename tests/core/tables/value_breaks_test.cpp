// A value never holds what would split it when its file is read: the pending file ("^") is not
// read whole when a value holds a TAB or a stray line break, and no writer puts its separator or
// a line break inside a value.

#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "core/tables/keep_aside.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHeader = "contact_no^name^message^\r\n";

std::unique_ptr<TdxMemData> pending() {
    auto t = schemas::makeReminders();
    t->FieldDelimiter = kRemindersDelimiter;
    t->Open();
    return t;
}

TEST(ValueBreaks, APendingFileWithATabOrAStrayBreakInAValueIsNotReadWhole) {
    struct Case {
        const char* name;
        std::string text;
        const char* error; // empty: read whole
    };
    const Case cases[] = {
        {"plain", kHeader + "0411^Ann^Hi^\r\n0412^Bo^Yo^\r\n", ""},
        {"lfFileThroughout", "contact_no^name^message^\n0411^Ann^Hi^\n", ""},
        {"tabInMessage", kHeader + "0411^Ann^Hi^\r\n0412^Bo^Tab\there^\r\n",
         "dxmReminders: Line 3: a value holds a TAB"},
        {"loneLfInCrLfFile", kHeader + "0411^Ann^Two\nlines^\r\n",
         "dxmReminders: Line 2: a value holds a line break"},
        {"loneCrInCrLfFile", kHeader + "0411^Ann^Two\rlines^\r\n",
         "dxmReminders: Line 2: a value holds a line break"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = pending();
        if (std::string(c.error).empty()) {
            EXPECT_NO_THROW(t->ReadDelimitedText(c.text));
        } else {
            try {
                t->ReadDelimitedText(c.text);
                ADD_FAILURE() << "read whole";
            } catch (const EDatabaseError& e) {
                EXPECT_EQ(std::string(e.what()), c.error);
            }
        }
    }
}

// Through the path of a window's read: the file is kept aside, its bytes whole.
TEST(ValueBreaks, TheFileWithATabIsKeptAsideBeforeAnythingRewritesIt) {
    TempFolder folder;
    const std::string bytes = kHeader + "0411^Ann^Tab\there^\r\n";
    folder.write("reminders.txt", bytes);
    auto t = pending();
    EXPECT_THROW(readTableKeepingBadFileAside(*t, folder.file("reminders.txt")), EUnreadableFile);
    EXPECT_EQ(folder.read("reminders.txt.unreadable"), bytes);
}

// A value that would split is refused by every writer, whatever the separator; the file stays
// as it was and nothing is changed silently.
TEST(ValueBreaks, NoWriterPutsItsSeparatorOrALineBreakInsideAValue) {
    struct Case {
        const char* name;
        char delimiter;
        std::string message;
        const char* holds; // empty: written
    };
    const Case cases[] = {
        {"tabInTabFile", '\t', "Tab\there", "a TAB"},
        {"tabInCaretFile", '^', "Tab\there", "a TAB"},
        {"caretInCaretFile", '^', "a^b", "a ^"},
        {"caretInTabFile", '\t', "a^b", ""},
        {"lineBreak", '\t', "two\r\nlines", "a line break"},
        {"plain", '^', "Hello", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        folder.write("t.txt", "old");
        auto t = schemas::makeSentItems();
        t->FieldDelimiter = c.delimiter;
        t->Open();
        t->AddRow({FieldValue{}, std::string("0411"), std::string("Ann"), FieldValue{},
                   FieldValue{}, c.message, FieldValue{}, FieldValue{}, FieldValue{}, FieldValue{},
                   FieldValue{}, FieldValue{}});
        if (std::string(c.holds).empty()) {
            t->WriteDelimitedFile(folder.file("t.txt"));
            EXPECT_NE(folder.read("t.txt"), "old");
            continue;
        }
        try {
            t->WriteDelimitedFile(folder.file("t.txt"));
            ADD_FAILURE() << "written";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("dxmSentItems: The Message of row 1 holds ") + c.holds +
                          ", which cannot stand inside a value of this table's file; nothing "
                          "was written");
        }
        EXPECT_EQ(folder.read("t.txt"), "old");
        EXPECT_THROW(t->DelimitedText(), EDatabaseError);
        EXPECT_FALSE(t->ViewsSuspended());
    }
}

} // namespace
