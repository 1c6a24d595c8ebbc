#pragma once

// The one rule for groups and contact keys, on the table files' Windows-1252 bytes. Every window
// and the import compare, store and key groups through these, so a contact typed in one window
// gets the same contactKey as the same contact typed in another.
//
//   lowerLetters(text)            every capital letter of the charset (A-Z, the accented
//                                 capitals, Š, Œ, Ž, Ÿ) becomes its small letter; other bytes stay.
//   trimBlanks(text)              (core/base/blanks.h) without blanks at both ends: bytes up
//                                 to 32 and the no-break space 0xA0.
//   normalGroupText(group)        the group lower-cased and trimmed, as groups are compared.
//   contactGroupText(group)       the group as a contact stores it: lower-cased and trimmed, cut
//                                 to the contact's group field, and trimmed again, so that no
//                                 stored group ends in a blank that the next trim (an export
//                                 read back by the import) would drop.
//   concatContact(number, group)  number + normal group: a contact's key before the contactKey
//                                 field cuts it to 20 characters.
//   capitaliseFirst(text)         the first byte upper-cased when it is a letter a-z.
//   shapePostedContact(book)      the rule of a contact being posted, on the current row of the
//                                 book in Edit or Insert: the name's first letter upper-cased,
//                                 the group lower-cased (its blanks stay), the contactKey made
//                                 of number and group. False, with the key left alone, when the
//                                 row has neither name nor number: nothing to keep.
//   findContactKey(book, key)     the 0-based row of the contact book (dxContact) whose
//                                 contactKey equals key ignoring letter case, or -1; whatever
//                                 sort options the contacts window last gave the book, and
//                                 whatever case a hand-edited file gave a group.

#include "core/base/blanks.h"

#include <string>
#include <string_view>

std::string lowerLetters(std::string_view text);
std::string normalGroupText(std::string_view group);
std::string contactGroupText(std::string_view group);
std::string concatContact(std::string_view number, std::string_view group);
std::string capitaliseFirst(std::string_view text);

class TdxMemData;
bool shapePostedContact(TdxMemData& book);
int findContactKey(const TdxMemData& book, std::string_view key);
