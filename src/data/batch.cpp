#include "data/batch.h"

#include "data/mem_data.h"
#include "data/schemas.h"
#include "data/suspended_views.h"

#include <algorithm>
#include <vector>

double nextBatchId(double now, double last) {
    constexpr double kOneMillisecond = 1.0 / 86'400'000.0;
    return std::max(now, last + kOneMillisecond);
}

void stampBatch(TdxMemData& pending, bool status, bool delivery, double batch) {
    TField& fStatus = pending.FieldNamed(fields::status);
    TField& fDelivery = pending.FieldNamed(fields::delivery);
    TField& fBatch = pending.FieldNamed(fields::batch);
    if (pending.State() != DataSetState::Browse)
        pending.Post();
    pending.First();
    while (!pending.AtEnd()) {
        pending.Edit();
        fStatus.SetAsBoolean(status);
        fDelivery.SetAsBoolean(delivery);
        fBatch.SetAsFloat(batch);
        pending.Next(); // posts the row
    }
}

void moveBatchToSentItems(TdxMemData& pending, TdxMemData& sent, int32_t today) {
    static const char* const kCopied[] = {
        fields::contact_no,     fields::name,     fields::appointment_date,
        fields::appointment_time, fields::message, fields::days_before_appointment,
        fields::recurring_days, fields::status,   fields::delivery,
        fields::batch};
    std::vector<int> from, to;
    for (const char* name : kCopied) {
        from.push_back(pending.FieldIndex(name));
        to.push_back(sent.FieldIndex(name));
    }
    const int createDate = sent.FieldIndex(fields::create_date);

    // Appended in the pending list's order after the log, as added rows stay until the next full
    // sort: the file written after the send ends with the batch, first reminder first.
    SuspendedViews quiet(sent);
    std::vector<FieldValue> row(static_cast<size_t>(sent.FieldCount()));
    for (int r = 0; r < pending.RowCount(); ++r) {
        std::fill(row.begin(), row.end(), FieldValue{});
        for (size_t i = 0; i < from.size(); ++i)
            row[static_cast<size_t>(to[i])] = pending.CellValue(r, from[i]);
        row[static_cast<size_t>(createDate)] = today;
        sent.AddRow(row);
    }
}
