#include "core/contacts/contact_rules.h"

#include "core/store/schemas.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Bytes are Windows-1252: 0xC9 is "É", 0xE9 "é", 0xA0 the no-break space.
TEST(ContactRules, AGroupIsLowerCasedAndTrimmedByOneRule) {
    struct Case {
        std::string group;
        std::string normal;
    };
    const Case cases[] = {
        {"CAF\xC9", "caf\xE9"},
        {"caf\xE9\xA0", "caf\xE9"},
        {"\xA0\t Golf Club \r\n", "golf club"},
        {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"}, // Š Œ Ž Ÿ
        {"\xD7\xDF", "\xD7\xDF"},                 // × and ß have no other case
        {"a\xA0"
         "b",
         "a\xA0"
         "b"}, // inside the group it stays
        {"\xA0 \xA0", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(normalGroupText(c.group), c.normal) << c.group;
}

TEST(ContactRules, TheContactKeyIsTheNumberAndTheNormalGroup) {
    EXPECT_EQ(concatContact("0123", " CAF\xC9\xA0"), "0123caf\xE9");
    EXPECT_EQ(concatContact("0123", "caf\xE9"), concatContact("0123", "Caf\xC9\xA0"));
    EXPECT_EQ(concatContact("0123", ""), "0123");
}

TEST(ContactRules, OnlyTheFirstLetterAToZIsCapitalised) {
    EXPECT_EQ(capitaliseFirst("ann"), "Ann");
    EXPECT_EQ(capitaliseFirst("Ann"), "Ann");
    EXPECT_EQ(capitaliseFirst(" ann"), " ann");
    EXPECT_EQ(capitaliseFirst(""), "");
}

// A posted contact: name capitalised, group lower-cased with its blanks, the key from both; a
// row with neither name nor number is refused as it is.
TEST(ContactRules, APostedContactIsShapedOrRefused) {
    struct Case {
        const char* name;
        const char* number;
        const char* group;
        bool kept;
        const char* shapedName;
        const char* shapedGroup;
        const char* key;
    };
    const Case cases[] = {
        {"john", "0123", " Family ", true, "John", " family ", "0123family"},
        {"", "0456", "", true, "", "", "0456"},
        {"ann", "", "CLUB", true, "Ann", "club", "club"},
        {"", "", "Golf", false, "", "golf", ""}, // shaped, but not kept
    };
    for (const Case& c : cases) {
        auto book = schemas::makeContacts();
        book->Append();
        book->FieldNamed(fields::contact).SetAsString(c.name);
        book->FieldNamed(fields::number).SetAsString(c.number);
        book->FieldNamed(fields::group).SetAsString(c.group);
        EXPECT_EQ(shapePostedContact(*book), c.kept) << c.name;
        EXPECT_EQ(book->FieldNamed(fields::contact).AsString(), c.shapedName);
        EXPECT_EQ(book->FieldNamed(fields::group).AsString(), c.shapedGroup);
        EXPECT_EQ(book->FieldNamed(fields::contactKey).AsString(), c.key);
    }
}

} // namespace
