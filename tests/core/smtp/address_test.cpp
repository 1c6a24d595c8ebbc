// Address lists from text, the address form in headers, and the header list.

#include "core/smtp/header_form.h"
#include "core/smtp/message.h"

#include <gtest/gtest.h>

namespace {

using Items = std::vector<TIdEMailAddressItem>;

struct ListCase {
    std::string text;
    Items expected;
};

void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.text;
}

class AddressListCases : public ::testing::TestWithParam<ListCase> {};

TEST_P(AddressListCases, ParsesText) {
    TIdEMailAddressList list;
    list.Add({"old", "old@example.com"});
    list.SetEMailAddresses(GetParam().text);
    EXPECT_EQ(Items(list.begin(), list.end()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddressListCases,
    ::testing::Values(
        ListCase{"", {}}, ListCase{"   ", {}}, ListCase{"a@x.com", {{"", "a@x.com"}}},
        ListCase{"a@x.com, b@y.org", {{"", "a@x.com"}, {"", "b@y.org"}}},
        ListCase{" , a@x.com ,, ", {{"", "a@x.com"}}},
        ListCase{"Jo Smith <jo@x.com>", {{"Jo Smith", "jo@x.com"}}},
        ListCase{"  Jo  <  jo@x.com  >  ", {{"Jo", "jo@x.com"}}},
        ListCase{"<jo@x.com>", {{"", "jo@x.com"}}},
        ListCase{"\"Smith, Jo\" <jo@x.com>, b@y.org", {{"Smith, Jo", "jo@x.com"}, {"", "b@y.org"}}},
        ListCase{"\"a,b\" <x@y>, \"c,d\" <z@w>", {{"a,b", "x@y"}, {"c,d", "z@w"}}},
        // A third quote no longer protects the comma.
        ListCase{"\"a\"b\", c@d", {{"", "\"a\"b\""}, {"", "c@d"}}},
        ListCase{"jo@x.com (Jo Smith)", {{"Jo Smith", "jo@x.com"}}},
        ListCase{"jo@x.com (Jo (Junior))", {{"Jo (Junior)", "jo@x.com"}}},
        ListCase{"'Jo' <jo@x.com>", {{"Jo", "jo@x.com"}}},
        ListCase{"\"'Jo'\" <jo@x.com>", {{"Jo", "jo@x.com"}}},
        ListCase{"\"Jo' <jo@x.com>", {{"\"Jo'", "jo@x.com"}}},
        ListCase{"\" <jo@x.com>", {{"\"", "jo@x.com"}}},
        ListCase{"\"\" <jo@x.com>", {{"", "jo@x.com"}}},
        // An item ending in ">" without any "<" keeps neither part.
        ListCase{"broken>, a@b", {{"", ""}, {"", "a@b"}}}, ListCase{"a <b> c", {{"", "a <b> c"}}},
        ListCase{"Jo <jo@x.com>,Bo<bo@y.com>", {{"Jo", "jo@x.com"}, {"Bo", "bo@y.com"}}},
        ListCase{"a@x\r\n", {{"", "a@x"}}}));

struct FormCase {
    TIdEMailAddressItem item;
    std::string charset;
    std::string expected;
};

void PrintTo(const FormCase& c, std::ostream* os) {
    *os << c.expected;
}

class AddressFormCases : public ::testing::TestWithParam<FormCase> {};

TEST_P(AddressFormCases, WritesHeaderForm) {
    EXPECT_EQ(addressForm(GetParam().item, GetParam().charset), GetParam().expected);
}

const std::string kLatin1 = "ISO-8859-1";

INSTANTIATE_TEST_SUITE_P(
    Table, AddressFormCases,
    ::testing::Values(
        FormCase{{"", "a@x"}, kLatin1, "a@x"},
        FormCase{{"Jo Smith", "jo@x"}, kLatin1, "\"Jo Smith\" <jo@x>"},
        FormCase{{"Jo \"JJ\" Smith", "jo@x"}, kLatin1, "\"Jo \\\"JJ\\\" Smith\" <jo@x>"},
        FormCase{{"C:\\dir", "c@x"}, kLatin1, "\"C:\\\\dir\" <c@x>"},
        FormCase{{"Zo\xeb", "z@x"}, kLatin1, "=?ISO-8859-1?Q?Zo=EB?= <z@x>"},
        FormCase{{"Jos\xe9 \xd1_=?", "j@x"}, kLatin1, "=?ISO-8859-1?Q?Jos=E9_=D1=5F=3D=3F?= <j@x>"},
        FormCase{{"a\tb", "t@x"}, kLatin1, "=?ISO-8859-1?Q?a=09b?= <t@x>"},
        // A line break in a name is encoded, so it cannot start a header of its own.
        FormCase{{"Line\r\nBcc: x", "l@x"}, kLatin1, "=?ISO-8859-1?Q?Line=0D=0ABcc=3A_x?= <l@x>"},
        // The euro sign has no place in ISO-8859-1, so the word names UTF-8.
        FormCase{{"\x80uro", "e@x"}, kLatin1, "=?UTF-8?B?4oKsdXJv?= <e@x>"},
        FormCase{{"Caf\xe9", "c@x"}, "GB2312", "=?GB2312?B?Q2FmqKY=?= <c@x>"},
        FormCase{{"Zo\xeb", "z@x"}, "GB2312", "=?UTF-8?B?Wm/Dqw==?= <z@x>"},
        FormCase{{"\xa3"
                  "5",
                  "p@x"},
                 "ISO-2022-JP",
                 "=?ISO-2022-JP?B?GyRCIXIbKEI1?= <p@x>"},
        FormCase{{std::string(30, '\xc4'), "a@x"},
                 kLatin1,
                 "=?ISO-8859-1?Q?=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4?= "
                 "=?ISO-8859-1?Q?=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4=C4?= <a@x>"}));

TEST(AddressForm, ListJoinsItemsWithCommaAndBlank) {
    TIdEMailAddressList list;
    list.SetEMailAddresses("a@x, Bo <b@y>, c@z (Cy)");
    EXPECT_EQ(addressListForm(list, kLatin1), "a@x, \"Bo\" <b@y>, \"Cy\" <c@z>");
}

TEST(AddressForm, EveryEncodedWordStaysWithinSeventyFiveCharacters) {
    const std::string name(200, '\xe9');
    for (const std::string charset : {"ISO-8859-1", "GB2312", "ISO-2022-JP", "Big5"}) {
        const std::string words = encodedWords(name, charset);
        size_t start = 0;
        int count = 0;
        for (;;) {
            const size_t blank = words.find(' ', start);
            const std::string word = words.substr(start, blank - start);
            EXPECT_LE(word.size(), 75u) << charset << ": " << word;
            EXPECT_EQ(word.rfind("=?", 0), 0u);
            EXPECT_EQ(word.substr(word.size() - 2), "?=");
            ++count;
            if (blank == std::string::npos)
                break;
            start = blank + 1;
        }
        EXPECT_GT(count, 3) << charset;
    }
}

TEST(HeaderList, OneLinePerNameInFirstSetOrder) {
    TIdHeaderList h;
    h.SetValue("X-One", "1");
    h.SetValue("X-Two", "2");
    h.SetValue("x-one", "uno");
    EXPECT_EQ(h.Value("X-ONE"), "uno");
    EXPECT_EQ(h.Lines(),
              (std::vector<std::pair<std::string, std::string>>{{"X-One", "uno"}, {"X-Two", "2"}}));
    h.SetValue("X-ONE", "");
    EXPECT_EQ(h.Count(), 1u);
    EXPECT_EQ(h.Value("X-One"), "");
    h.SetValue("X-Three", "");
    EXPECT_EQ(h.Count(), 1u);
}

} // namespace
