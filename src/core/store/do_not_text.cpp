#include "core/store/do_not_text.h"

#include "core/store/phone_number.h"
#include "core/store/schemas.h"
#include "core/tables/mem_data.h"

namespace {

template <typename F> void forEachListedNumber(const TdxMemData& list, F&& f) {
    const int field = list.FieldIndex(fields::number);
    for (int row = 0; row < list.RowCount(); ++row) {
        const FieldValue value = list.CellValue(row, field);
        if (const auto* number = std::get_if<std::string>(&value))
            f(row, *number);
    }
}

} // namespace

DoNotTextSet::DoNotTextSet(const TdxMemData& list) {
    digits_.reserve(static_cast<std::size_t>(list.RowCount()));
    forEachListedNumber(list, [this](int, const std::string& number) { add(number); });
}

void DoNotTextSet::add(std::string_view number) {
    std::string digits = phoneDigits(number);
    if (!digits.empty())
        digits_.insert(std::move(digits));
}

bool DoNotTextSet::contains(std::string_view number) const {
    const std::string digits = phoneDigits(number);
    return !digits.empty() && containsDigits(digits);
}

int markDoNotText(TdxMemData& list, const std::vector<std::string>& numbers, int32_t today,
                  std::string_view note) {
    DoNotTextSet listed(list);
    int added = 0;
    for (const std::string& number : numbers) {
        if (phoneDigits(number).empty() || listed.contains(number))
            continue;
        list.AddRow({FieldValue{}, number, today, std::string(note)});
        listed.add(number);
        ++added;
    }
    return added;
}

int unmarkDoNotText(TdxMemData& list, const std::vector<std::string>& numbers) {
    DoNotTextSet doomedNumbers;
    for (const std::string& number : numbers)
        doomedNumbers.add(number);
    std::vector<int> rows;
    forEachListedNumber(list, [&](int row, const std::string& number) {
        if (doomedNumbers.contains(number))
            rows.push_back(row);
    });
    list.DeleteRows(rows);
    return static_cast<int>(rows.size());
}

std::string skippedDoNotTextMessage(int skipped) {
    return skipped == 1
               ? std::string("1 contact on the do-not-text list was skipped.")
               : std::to_string(skipped) + " contacts on the do-not-text list were skipped.";
}
