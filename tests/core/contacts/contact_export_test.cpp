// The contact book written as an address list, and what an import says when it ends.

#include "core/contacts/contact_export.h"

#include "core/contacts/contact_import.h"
#include "core/store/schemas.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::vector<std::string>> rowsOf(const TdxMemData& t) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < t.RowCount(); ++r)
        rows.push_back({t.CellText(r, 1), t.CellText(r, 2), t.CellText(r, 3), t.CellText(r, 4)});
    return rows;
}

void addContact(TdxMemData& book, const std::string& name, const std::string& number,
                const std::string& group) {
    book.AddRow({FieldValue{}, name, number, group, concatContact(number, group)});
}

TEST(ContactExport, TheImportReadsTheListBackToTheSameBook) {
    auto book = schemas::makeContacts();
    addContact(*book, "Smith, anna", "+44 7700 900123", "family");
    addContact(*book, "", "0412 345 678", ""); // a number without a name
    addContact(*book, "Bob", "222", "work");
    addContact(*book, "Bob", "222", "club"); // the same number in another group
    addContact(*book, "Cy", "", "work");     // a name without a number
    const std::string list = exportContacts(*book, {0, 1, 2, 3, 4});
    EXPECT_EQ(list.substr(0, 39), "Smith, anna\t+44 7700 900123\tfamily\r\n\t04");

    auto again = schemas::makeContacts();
    auto groups = schemas::makeGroups();
    ContactImporter importer(*again, *groups);
    size_t start = 0;
    for (size_t end; (end = list.find("\r\n", start)) != std::string::npos; start = end + 2)
        importer.importLine(std::string_view(list).substr(start, end - start));
    EXPECT_EQ(rowsOf(*again), rowsOf(*book));
    EXPECT_EQ(importer.counts().added, 5);

    // Only the rows asked for, in the order asked.
    EXPECT_EQ(exportContacts(*book, {2, 0}),
              "Bob\t222\twork\r\nSmith, anna\t+44 7700 900123\tfamily\r\n");
    EXPECT_EQ(exportContacts(*book, {}), "");
}

TEST(ContactImport, TheSummarySaysWhatWasAddedFoundAndSkippedAndWhy) {
    struct Case {
        ImportCounts counts;
        const char* text;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0},
         "0 contacts added.\n0 lines were already in the contact book.\n"
         "0 lines skipped."},
        {{3, 1, 1, 1, 0},
         "1 contact added.\n1 line was already in the contact book.\n"
         "1 line skipped: 1 without name and number."},
        {{9, 4, 2, 1, 2},
         "4 contacts added.\n2 lines were already in the contact book.\n"
         "3 lines skipped: 1 without name and number, 2 holding the ^ "
         "character, which is not allowed."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(importSummary(c.counts), c.text);
}

} // namespace
