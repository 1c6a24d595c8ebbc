// The row tables of the "selected" prints: what transferRecords copies, and in which order.

#include "printing/report_rows.h"

#include "core/store/schemas.h"
#include "core/tables/date_time.h"

#include <gtest/gtest.h>

namespace {

void add(TdxMemData& t, const std::vector<std::pair<const char*, FieldValue>>& values) {
    std::vector<FieldValue> row(static_cast<size_t>(t.FieldCount()));
    for (const auto& [field, value] : values)
        row[static_cast<size_t>(t.FieldIndex(field))] = value;
    t.AddRow(row);
}

TEST(TransferRecords, CopiesValuesWithTheGroupLowerCasedAndTrimmed) {
    auto contacts = schemas::makeContacts();
    add(*contacts, {{"contact", std::string("Ann")},
                    {"number", std::string("041")},
                    {"group", std::string("  VIP Clients ")}});
    add(*contacts, {{"contact", std::string("Bo")}, {"number", std::string("042")}});
    contacts->SetRowNumber(2);
    auto rows = printing::makeRowTable(PrintedList::Contacts);
    printing::transferRecords(*contacts, {1, 0, 7}, *rows); // 7: no such row
    ASSERT_EQ(rows->RowCount(), 2);
    EXPECT_EQ(rows->CellText(0, rows->FieldIndex("contact")), "Bo");
    EXPECT_TRUE(isNull(rows->CellValue(0, rows->FieldIndex("group"))));
    EXPECT_EQ(rows->CellText(1, rows->FieldIndex("group")), "vip clients");
    EXPECT_EQ(contacts->RowNumber(), 2); // the source's cursor stays
}

TEST(TransferRecords, KeepsDatesAndTimesAsValuesAndOrdersEachReport) {
    auto sent = schemas::makeSentItems();
    sent->SetSortedField({});
    for (int day : {3, 9, 5})
        add(*sent, {{"contact_no", std::to_string(day)},
                    {"appointment_time", timeMs(10, 30)},
                    {"create_date", dayNumber(2026, 12, day)}});
    auto rows = printing::makeRowTable(PrintedList::SentItems);
    printing::transferRecords(*sent, {0, 1, 2}, *rows);
    ASSERT_EQ(rows->RowCount(), 3);
    // Newest first.
    EXPECT_EQ(rows->CellValue(0, rows->FieldIndex("create_date")),
              FieldValue(dayNumber(2026, 12, 9)));
    EXPECT_EQ(rows->CellText(2, rows->FieldIndex("contact_no")), "3");
    EXPECT_EQ(rows->CellValue(0, rows->FieldIndex("appointment_time")), FieldValue(timeMs(10, 30)));

    auto messages = schemas::makeMessages();
    for (const char* m : {"beta", "Alpha", "alpha"})
        add(*messages, {{"message", std::string(m)}});
    auto texts = printing::makeRowTable(PrintedList::Messages);
    printing::transferRecords(*messages, {0, 1, 2}, *texts);
    ASSERT_EQ(texts->RowCount(), 3);
    EXPECT_EQ(texts->CellText(0, 1) + "," + texts->CellText(1, 1) + "," + texts->CellText(2, 1),
              "Alpha,alpha,beta");
}

} // namespace
