#include "core/reminders/batch.h"

#include "core/store/schemas.h"
#include "core/tables/mem_data.h"

#include <algorithm>
#include <utility>

double nextBatchId(double now, double last) {
    constexpr double kOneMillisecond = 1.0 / 86'400'000.0;
    return std::max(now, last + kOneMillisecond);
}

void stampBatch(TdxMemData& pending, bool status, bool delivery, double batch) {
    if (pending.State() != DataSetState::Browse)
        pending.Post();
    // One pass over the rows, as an edit of each would leave them.
    pending.FillColumns({{pending.FieldIndex(fields::status), status},
                         {pending.FieldIndex(fields::delivery), delivery},
                         {pending.FieldIndex(fields::batch), batch}});
}

void moveBatchToSentItems(TdxMemData& pending, TdxMemData& sent, int32_t today) {
    static const char* const kCopied[] = {fields::contact_no,       fields::name,
                                          fields::appointment_date, fields::appointment_time,
                                          fields::message,          fields::days_before_appointment,
                                          fields::recurring_days,   fields::status,
                                          fields::delivery,         fields::batch};
    std::vector<std::pair<int, int>> copied;
    for (const char* name : kCopied)
        copied.emplace_back(pending.FieldIndex(name), sent.FieldIndex(name));

    // Appended in the pending list's order after the log, as added rows stay until the next full
    // sort: the file written after the send ends with the batch, first reminder first.
    sent.AppendRowsFrom(pending, copied, {{sent.FieldIndex(fields::create_date), today}});
}

std::unique_ptr<TdxMemData> copyOfReminders(const TdxMemData& pending,
                                            const std::optional<std::vector<int>>& rows) {
    auto copy = schemas::makeReminders();
    copy->Open();
    std::vector<std::pair<int, int>> fields;
    for (int f = 1; f < pending.FieldCount(); ++f) // RecId (field 0) is the copy's own
        fields.emplace_back(f, f);
    copy->AppendRowsFrom(pending, fields, {});
    if (rows) {
        std::vector<int> others;
        size_t next = 0;
        for (int r = 0; r < pending.RowCount(); ++r) {
            if (next < rows->size() && (*rows)[next] == r)
                ++next;
            else
                others.push_back(r);
        }
        copy->DeleteRows(others);
    }
    return copy;
}
