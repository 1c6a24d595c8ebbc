#include "core/calendar/contact_match.h"

#include "core/calendar/name_fold.h"
#include "core/calendar/windows_zones.h"
#include "core/store/schemas.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TdxMemData> book(const std::vector<std::array<const char*, 3>>& rows) {
    auto t = schemas::makeContacts();
    for (const auto& [name, number, group] : rows)
        t->AddRow({FieldValue{}, std::string(name), std::string(number), std::string(group),
                   std::string(number) + group});
    return t;
}

std::vector<std::string> names(const ContactMatch& m) {
    std::vector<std::string> out;
    for (const ContactChoice& c : m.candidates)
        out.push_back(c.name);
    return out;
}

TEST(ContactMatch, ByNumberInAnyTextElseByWholeNameInTheTitle) {
    const auto contacts = book({
        {"Zo\xEB O'Brien", "07700 900123", ""}, // Windows-1252 ë
        {"Sam Patel", "+44 7700 900456", "men"},
        {"Sam Patel", "447700900456", "beard"}, // the same person in a second group
        {"Jo Smith", "07700 900789", ""},
        {"Jo Smith", "07700 900790", "work"}, // another Jo Smith
        {"Al", "07700 900111", ""},
        {"Mary Ann Lee", "07700 900222", ""},
        {"Nobody", "", ""}, // no number: never offered
    });
    const ContactMatcher matcher(*contacts);
    struct Case {
        std::vector<std::string_view> texts;
        std::string_view title;
        std::vector<std::string> expected;
        bool byNumber;
    };
    const Case cases[] = {
        {{"Call 07700-900-123 if late"}, "Trim", {"Zo\xEB O'Brien"}, true},
        {{"tel:+44-7700-900456"}, "Beard trim", {"Sam Patel"}, true},
        {{},
         "Trim - ZO\xC3\x8B o\xE2\x80\x99"
         "brien",
         {"Zo\xEB O'Brien"},
         false},
        {{}, "zoe obrien", {}, false}, // not the whole name
        {{}, "Highlights for Jo Smith", {"Jo Smith", "Jo Smith"}, false},
        {{}, "Alison", {}, false},      // a word, not a name inside another word
        {{}, "Trim for Jo", {}, false}, // the first name alone at the title's end
        {{}, "Trim for Zo\xC3\xAB O", {}, false},
        {{}, "Al: cut", {"Al"}, false},
        // A longer name: all of its words, in order, and whole.
        {{}, "Perm (MARY ann Lee)", {"Mary Ann Lee"}, false},
        {{}, "Perm for Mary Ann Leeds", {}, false},
        {{}, "Perm for Mary Ann", {}, false},
        {{}, "Jo Smithson", {}, false},
        // A number wins over a name; two numbers of two people offer both.
        {{"07700 900111"}, "Sam Patel", {"Al"}, true},
        {{"07700 900111 or 07700 900123"}, "", {"Al", "Zo\xEB O'Brien"}, true},
        {{"2026-12-14 09:30"}, "nothing", {}, false},
    };
    for (const Case& c : cases) {
        const ContactMatch m = matcher.match(c.texts, c.title);
        EXPECT_EQ(names(m), c.expected) << c.title;
        EXPECT_EQ(m.byNumber, c.byNumber) << c.title;
    }
}

TEST(ContactMatch, ReasonsForNoMatch) {
    ContactMatch none;
    EXPECT_EQ(none.reason(), "No contact matches");
    ContactMatch two;
    two.candidates.resize(2);
    EXPECT_EQ(two.reason(), "Matches 2 contacts");
    ContactMatch one;
    one.candidates.resize(1);
    EXPECT_EQ(one.reason(), "");
}

TEST(NameFold, CaseAndAccentsAreIgnoredAndPunctuationSeparates) {
    EXPECT_EQ(foldedWordsUtf8("Ren\xC3\xA9\xC3\xA9 M\xC3\x9CLLER-Stra\xC3\x9F"
                              "e"),
              (std::vector<std::string>{"renee", "muller", "strasse"}));
    EXPECT_EQ(foldedWordsCp1252("Ren\xE9\xE9 M\xDCLLER-Stra\xDF"
                                "e"),
              (std::vector<std::string>{"renee", "muller", "strasse"}));
    // Bytes that are not UTF-8 separate words and are never read past the end.
    EXPECT_EQ(foldedWordsUtf8("ab\xFF"
                              "cd\xC3"),
              (std::vector<std::string>{"ab", "cd"}));
}

TEST(WindowsZones, KnownNamesMapToTheirCityAndOthersToNothing) {
    const std::pair<std::string, std::string> cases[] = {
        {"GMT Standard Time", "Europe/London"},
        {"W. Europe Standard Time", "Europe/Berlin"},
        {"Eastern Standard Time", "America/New_York"},
        {"Nepal Standard Time", "Asia/Katmandu"},
        {"Sri Lanka Standard Time", "Asia/Colombo"},
        {"Eastern Standard Time (Mexico)", "America/Cancun"},
        {"Morocco Standard Time", "Africa/Casablanca"},
        {"Europe/London", ""},
        {"", ""},
        {"GMT Standard Time\n", ""},
        {"GMT Standard Tim\xC3\xA9", ""},
        {std::string(5000, 'x'), ""},
    };
    for (const auto& [windows, iana] : cases)
        EXPECT_EQ(ianaForWindowsZone(windows), iana) << windows;
}

} // namespace
