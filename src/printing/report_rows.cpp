#include "printing/report_rows.h"

#include "core/contacts/contact_rules.h"
#include "core/store/schemas.h"

namespace printing {

std::unique_ptr<TdxMemData> makeRowTable(PrintedList list) {
    switch (list) {
    case PrintedList::Reminders:
        return schemas::makePrintReminders();
    case PrintedList::SentItems:
        return schemas::makePrintSentItems();
    case PrintedList::Contacts:
        return schemas::makePrintContacts();
    case PrintedList::Messages:
        return schemas::makePrintMessages();
    }
    return nullptr;
}

void transferRecords(const TdxMemData& source, const std::vector<int>& sourceRows,
                     TdxMemData& rows) {
    // Source field of each row-table field (-1: none); index 0 is RecId on both sides.
    std::vector<int> from(static_cast<size_t>(rows.FieldCount()), -1);
    int group = -1;
    for (int f = 1; f < rows.FieldCount(); ++f) {
        const std::string& name = rows.Field(f).FieldName();
        from[static_cast<size_t>(f)] = source.FieldIndex(name);
        if (name == "group")
            group = f;
    }
    // Rows are appended as they come; the sort, if any, is applied once at the end.
    const std::string sortField = rows.SortedField();
    rows.SetSortedField({});
    rows.SuspendViews();
    std::vector<FieldValue> values(static_cast<size_t>(rows.FieldCount()));
    for (int r : sourceRows) {
        if (r < 0 || r >= source.RowCount())
            continue;
        for (size_t f = 1; f < values.size(); ++f)
            values[f] = from[f] < 0 ? FieldValue{} : source.CellValue(r, from[f]);
        if (group > 0) {
            auto& g = values[static_cast<size_t>(group)];
            if (const auto* text = std::get_if<std::string>(&g))
                g = normalGroupText(*text);
        }
        rows.AddRow(values);
    }
    rows.SetSortedField(sortField);
    rows.ResumeViews();
}

} // namespace printing
