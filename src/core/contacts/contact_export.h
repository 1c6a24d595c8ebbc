#pragma once

// The contact book written out as an address list that the import reads back.
//
//   exportContacts(contacts, rows)  one line per row, in the given order: name, TAB, number,
//                                   TAB, group, CR LF. The import splits such a line into the
//                                   same name, number and group, so importing the list into an
//                                   empty book gives the exported rows again.

#include <string>
#include <vector>

class TdxMemData;

std::string exportContacts(const TdxMemData& contacts, const std::vector<int>& rows);
