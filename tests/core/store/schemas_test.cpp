#include "core/store/schemas.h"

#include <gtest/gtest.h>

namespace {

// The header line of each stored table is what other copies of the program, and the gateway for
// reminders.txt, read: field names and order must not drift.
TEST(Schemas, EveryStoredTableHasItsFieldsInFileOrder) {
    struct Case {
        std::unique_ptr<TdxMemData> table;
        const char* header;
        const char* sortedField;
        TSortOptions options;
    };
    Case cases[] = {
        {schemas::makeReminders(),
         "contact_no\tname\tappointment_date\tappointment_time\tmessage\tdays_before_appointment\t"
         "recurring_days\tRecurring\tstatus\tdelivery\tbatch\tAllKey\t\r\n",
         "contact_no", soCaseInsensitive},
        {schemas::makeGroups(), "groupName\t\r\n", "groupName", soCaseInsensitive},
        {schemas::makeContacts(), "contact\tnumber\tgroup\tcontactKey\t\r\n", "group",
         soCaseInsensitive},
        {schemas::makeMessages(), "message\t\r\n", "", 0},
        {schemas::makeSentItems(),
         "contact_no\tname\tappointment_date\tappointment_time\tmessage\tdays_before_appointment\t"
         "recurring_days\tcreate_date\tstatus\tdelivery\tbatch\t\r\n",
         "create_date", soDesc},
        {schemas::makeMail(),
         "FromAddress\tFromName\tToBlindCarbonCopy\tMailServer\tToAddress\tReplyTo\tStartTime\t"
         "IncMins\tUserName\t\r\n",
         "", 0},
        {schemas::makeDoNotText(), "number\tdate_added\tnote\t\r\n", "", 0},
    };
    for (Case& c : cases) {
        EXPECT_EQ(c.table->DelimitedText(), c.header) << c.table->Name();
        EXPECT_EQ(c.table->SortedField(), c.sortedField) << c.table->Name();
        EXPECT_EQ(c.table->SortOptions(), c.options) << c.table->Name();
        EXPECT_EQ(c.table->FieldDelimiter, '\t') << c.table->Name();
        EXPECT_EQ(c.table->RowCount(), 0);
    }
}

TEST(Schemas, SizesLabelsAndVisibilityOfThePendingReminders) {
    auto t = schemas::makeReminders();
    EXPECT_EQ(t->FieldNamed("contact_no").Size(), 20);
    EXPECT_EQ(t->FieldNamed("message").Size(), 160);
    EXPECT_EQ(t->FieldNamed("AllKey").Size(), 70);
    EXPECT_EQ(t->FieldNamed("appointment_time").DisplayName(), " Time   ");
    EXPECT_EQ(t->FieldNamed("Recurring").DisplayName(), "Recurring");
    for (const char* hidden : {"RecId", "status", "delivery", "batch", "AllKey"})
        EXPECT_FALSE(t->FieldNamed(hidden).Def().visible) << hidden;
}

} // namespace
