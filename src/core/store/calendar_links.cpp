#include "core/store/calendar_links.h"

#include "core/store/schemas.h"
#include "core/tables/mem_data.h"

namespace {

std::string textAt(const TdxMemData& t, int row, const char* field) {
    return std::string(t.CellString(row, t.FieldIndex(field)));
}

int32_t intAt(const TdxMemData& t, int row, const char* field) {
    const FieldValue v = t.CellValue(row, t.FieldIndex(field));
    const auto* i = std::get_if<int32_t>(&v);
    return i ? *i : 0;
}

} // namespace

CalendarLinks::CalendarLinks(TdxMemData& table) : table_(table) {
    for (int row = 0; row < table.RowCount(); ++row) {
        CalendarLink link;
        link.key.source = textAt(table, row, fields::source);
        link.key.uid = textAt(table, row, fields::event_uid);
        link.key.instance = textAt(table, row, fields::recurrence_instance);
        link.number = textAt(table, row, fields::contact_no);
        link.day = intAt(table, row, fields::appointment_date);
        link.ms = intAt(table, row, fields::appointment_time);
        links_[link.key] = link; // a later row of the same key wins, as it was written later
    }
}

const CalendarLink* CalendarLinks::find(const CalendarLinkKey& key) const {
    const auto it = links_.find(key);
    return it == links_.end() ? nullptr : &it->second;
}

void CalendarLinks::put(const CalendarLink& link) {
    erase(link.key);
    table_.AddRow({FieldValue{}, link.key.uid, link.key.instance, link.number, link.day, link.ms,
                   link.key.source});
    links_[link.key] = link;
}

void CalendarLinks::erase(const CalendarLinkKey& key) {
    if (links_.erase(key) == 0)
        return;
    std::vector<int> rows;
    for (int row = 0; row < table_.RowCount(); ++row) {
        if (textAt(table_, row, fields::event_uid) == key.uid &&
            textAt(table_, row, fields::recurrence_instance) == key.instance &&
            textAt(table_, row, fields::source) == key.source)
            rows.push_back(row);
    }
    table_.DeleteRows(rows);
}

void CalendarLinks::forSource(const std::string& source,
                              const std::function<void(const CalendarLink&)>& f) const {
    for (const auto& [key, link] : links_)
        if (key.source == source)
            f(link);
}
