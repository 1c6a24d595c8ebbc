#include "core/store/do_not_text.h"

#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/format_settings.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

namespace {

const int32_t kToday = dayNumber(2026, 12, 10);

TEST(DoNotText, ListedNumbersAreFoundInWhateverFormTheyAreWritten) {
    auto list = schemas::makeDoNotText();
    EXPECT_EQ(markDoNotText(*list, {"+44 7700 900123", "0412 345 678", "   "}, kToday), 2);
    const DoNotTextSet set(*list);
    EXPECT_EQ(set.size(), 2u);
    struct Case {
        const char* number;
        bool listed;
    };
    const Case cases[] = {
        {"447700900123", true},
        {"+447700900123", true},
        {"0412345678", true},
        {"44 7700 900124", false},
        {"4477009001230", false},
        {"", false},
        {"+", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(set.contains(c.number), c.listed) << c.number;
}

TEST(DoNotText, MarkingAddsEachNumberOnceAndUnmarkingRemovesEveryForm) {
    setProcessFormats(FormatSettings{});
    auto list = schemas::makeDoNotText();
    EXPECT_EQ(markDoNotText(*list, {"0412 345 678"}, kToday, "asked by phone"), 1);
    // Already listed in another form, or twice in one call: added once.
    EXPECT_EQ(markDoNotText(*list, {"0412345678", "0499 000 111", "0499000111"}, kToday + 1), 1);
    EXPECT_EQ(list->DelimitedText(), "number\tdate_added\tnote\t\r\n"
                                     "0412 345 678\t10/12/2026\tasked by phone\t\r\n"
                                     "0499 000 111\t11/12/2026\t\t\r\n");
    list->AddRow({FieldValue{}, std::string("+61 412 345 678"), kToday, FieldValue{}});
    list->AddRow({FieldValue{}, std::string("0412-345-678"), kToday, FieldValue{}});
    EXPECT_EQ(unmarkDoNotText(*list, {"0412345678", "0777 777 777"}), 2);
    EXPECT_EQ(list->DelimitedText(), "number\tdate_added\tnote\t\r\n"
                                     "0499 000 111\t11/12/2026\t\t\r\n"
                                     "+61 412 345 678\t10/12/2026\t\t\r\n");
}

TEST(DoNotText, TheFileReadsBackToTheSameList) {
    setProcessFormats(FormatSettings{});
    auto list = schemas::makeDoNotText();
    markDoNotText(*list, {"0412 345 678", "+44 7700 900123"}, kToday, "said stop");
    const std::string text = list->DelimitedText();
    auto again = schemas::makeDoNotText();
    again->ReadDelimitedText(text);
    EXPECT_EQ(again->DelimitedText(), text);
    EXPECT_TRUE(DoNotTextSet(*again).contains("447700900123"));
}

} // namespace
