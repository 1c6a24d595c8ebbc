#pragma once

// Helpers of the contacts tests: table files written and read as rows of text.

#include "contacts/contacts_window.h"
#include "core/tables/mem_data.h"
#include "harness/window_test.h"

#include <QTest>

#include <string>
#include <vector>

using Row = std::vector<std::string>;

// The rows of a table as the text of the named fields, in row order.
inline std::vector<Row> rowsOf(const TdxMemData& table, const std::vector<std::string>& fields) {
    std::vector<int> index;
    for (const auto& f : fields)
        index.push_back(table.FieldIndex(f));
    std::vector<Row> rows;
    for (int r = 0; r < table.RowCount(); ++r) {
        Row row;
        for (int f : index)
            row.push_back(table.CellText(r, f));
        rows.push_back(row);
    }
    return rows;
}

inline std::vector<Row> contactRows(const TdxMemData& contacts) {
    return rowsOf(contacts, {"contact", "number", "group", "contactKey"});
}

// A TAB-separated table file: the header line, then the rows, each value followed by TAB.
inline std::string tableFile(const std::vector<std::string>& header, const std::vector<Row>& rows) {
    auto line = [](const std::vector<std::string>& values) {
        std::string s;
        for (const auto& v : values)
            s += v + "\t";
        return s + "\r\n";
    };
    std::string out = line(header);
    for (const auto& r : rows)
        out += line(r);
    return out;
}

inline std::string contactsFile(const std::vector<Row>& rows) {
    return tableFile({"contact", "number", "group", "contactKey"}, rows);
}

// The contacts window shown over a contact book file and the groups "", "all" and "work", on
// 02/03/2026 10:00.
class ContactsWindowTest : public WindowTest {
protected:
    TfrmContact& showContacts(const std::vector<Row>& book) {
        folder.write("groups.txt", tableFile({"groupName"}, {{""}, {"all"}, {"work"}}));
        folder.write("dxContact.txt", contactsFile(book));
        clock.set(2026, 3, 2, 10, 0);
        startForms();
        TfrmContact& w = *forms->frmContact;
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }
};
