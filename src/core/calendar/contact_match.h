#pragma once

// Which contact of the contact book (dxContact) an appointment is for.
//
//   ContactMatcher(book)         indexes the book's contacts by their numbers' digits and by the
//                                first word of their names
//   matcher.match(texts, title)  first by a telephone number written in one of the texts (the
//                                event's attendees and telephone fields, title, description,
//                                location), compared by digits as the do-not-text list compares
//                                them; else by a contact's whole name among the title's words,
//                                letter case and accents ignored. One contact: the match. None or
//                                several: no match, with the several offered.
// A contact kept in several groups under one name and number is one contact.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TdxMemData;

struct ContactChoice {
    std::string name;   // the book's bytes
    std::string number; // as the book holds it
    std::string group;
};

struct ContactMatch {
    std::vector<ContactChoice> candidates; // exactly one when matched
    bool byNumber = false;
    bool matched() const { return candidates.size() == 1; }
    std::string reason() const; // why there is no match; empty when matched
};

class ContactMatcher {
public:
    explicit ContactMatcher(const TdxMemData& contactBook);

    ContactMatch match(const std::vector<std::string_view>& numberTexts,
                       std::string_view title) const;
    const std::vector<ContactChoice>& contacts() const { return contacts_; }

private:
    void addCandidate(std::vector<int>& found, int index) const;

    using Index = std::vector<std::pair<std::string_view, int>>; // sorted (key, contact)

    std::vector<ContactChoice> contacts_;
    std::vector<std::string> digits_;
    std::vector<std::string> names_; // the name's folded words, joined by one blank
    Index byDigits_;
    // By a one-word name, and by the first two words of a longer one: a title's words are
    // looked up where they stand, whatever the book's size. Sorted lists of views into the
    // strings above: two allocations for the whole book rather than some per contact.
    Index byFirstWords_;
};

// The digit strings of the telephone numbers a text may hold: each run of digit groups (joined
// by blanks, "-", ".", "/", brackets or a leading "+") gives every span of whole groups with at
// least the digits of a sendable number, so "07700 900123 or 07700 900456" offers both numbers.
std::vector<std::string> numberCandidates(std::string_view text);
