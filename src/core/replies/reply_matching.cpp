#include "core/replies/reply_matching.h"

#include "core/store/phone_number.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"

#include <cmath>
#include <tuple>

namespace {

// The digits that every spelling of one number ends with (see samePhoneNumber).
constexpr size_t kTail = 6;

std::string tailOf(std::string_view number) {
    const std::string digits = phoneDigits(number);
    return digits.size() <= kTail ? digits : digits.substr(digits.size() - kTail);
}

template <typename T> T valueOr(const FieldValue& v, T fallback) {
    if (const auto* x = std::get_if<T>(&v))
        return *x;
    return fallback;
}

} // namespace

SentItemIndex::SentItemIndex(const TdxMemData& t) {
    const int number = t.FieldIndex(fields::contact_no),
              created = t.FieldIndex(fields::create_date), batch = t.FieldIndex(fields::batch),
              date = t.FieldIndex(fields::appointment_date),
              time = t.FieldIndex(fields::appointment_time);
    byTail_.reserve(static_cast<size_t>(t.RowCount()));
    for (int row = 0; row < t.RowCount(); ++row) {
        std::string text(t.CellString(row, number));
        if (phoneDigits(text).empty())
            continue;
        const double appointment = dateTimeValue(valueOr<int32_t>(t.CellValue(row, date), 0),
                                                 valueOr<int32_t>(t.CellValue(row, time), 0));
        byTail_.emplace(tailOf(text),
                        Item{row, text, valueOr<int32_t>(t.CellValue(row, created), 0),
                             valueOr<double>(t.CellValue(row, batch), 0.0), appointment});
    }
}

std::optional<int> SentItemIndex::match(std::string_view number, double received) const {
    const auto [first, last] = byTail_.equal_range(tailOf(number));
    const Item* best = nullptr;
    auto rank = [received](const Item& i) {
        // Latest send first, then the appointment nearest to the reply.
        return std::make_tuple(i.created, i.batch, -std::fabs(i.appointment - received));
    };
    for (auto it = first; it != last; ++it) {
        const Item& item = it->second;
        if (!samePhoneNumber(item.number, number))
            continue;
        if (!best || rank(item) > rank(*best))
            best = &item;
    }
    if (!best)
        return std::nullopt;
    return best->row;
}
