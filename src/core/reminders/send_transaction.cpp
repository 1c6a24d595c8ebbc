#include "core/reminders/send_transaction.h"

#include "core/reminders/batch.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/field.h"
#include "core/tables/mem_data.h"
#include "core/tables/table_file_guard.h"

#include <vector>

SendFiles SendFiles::in(const AppPaths& paths) {
    return {paths.file(kRemindersFile), paths.file(kSentItemsFile), paths.file(kSendJournalFile)};
}

BatchTransaction::BatchTransaction(TdxMemData& pending, TdxMemData& sent, SendFiles files)
    : pending_(pending), sent_(sent), files_(std::move(files)) {}

const SharedText& BatchTransaction::stamp(bool status, bool delivery, double batch, double now) {
    clearSendJournal(files_.journal);
    pending_.FieldDelimiter = kRemindersDelimiter; // the gateway reads "^"-separated lines
    // The list as the shared folder now holds it: reminders another copy has sent meanwhile are
    // no longer pending and are neither stamped nor mailed again.
    if (pending_.FileGuard)
        pending_.FileGuard->beforeTableFileWrite(pending_, files_.reminders);
    stampBatch(pending_, status, delivery, batch);
    // The file and the e-mail body are the same bytes, formatted once.
    body_ = {};
    pending_.WriteDelimitedFile(files_.reminders, &body_);
    if (body_.empty()) // a copy that may not write: nothing is sent either
        throw EFileError("Cannot create file " + files_.reminders);
    journal_ = {fieldtext::format(FieldKind::Float, batch), sha256Hex(body_), pending_.RowCount(),
                now};
    return body_;
}

void BatchTransaction::beforeDataEnd() {
    writeSendJournal(files_.journal, journal_);
}

std::unique_ptr<TdxMemData> BatchTransaction::accepted(int32_t today) {
    const int logged = sent_.RowCount();
    moveBatchToSentItems(pending_, sent_, today);
    // The log is on disk before the pending file goes, and the journal goes last: a crash in
    // between leaves the journal, and start-up sees the batch in the log and finishes the move.
    try {
        sent_.WriteDelimitedFile(files_.sentItems);
    } catch (...) {
        // The batch stays pending alone (its journal asks later), not in the log as well.
        std::vector<int> added;
        for (int r = logged; r < sent_.RowCount(); ++r)
            added.push_back(r);
        sent_.DeleteRows(added);
        throw;
    }
    // Through the table: reminders another copy added during the send stay in the file.
    RemoveTableFile(pending_, files_.reminders);
    // The rows themselves leave the pending table, which is then empty: a batch of hundreds of
    // thousands of reminders is not copied for a print that is seldom asked for.
    auto batch = schemas::makeReminders();
    batch->Open();
    batch->TakeRows(pending_);
    clearSendJournal(files_.journal);
    return batch;
}

void BatchTransaction::refused() {
    clearSendJournal(files_.journal);
}

namespace {

std::vector<int> rowsOfBatch(const TdxMemData& table, const std::string& batch) {
    std::vector<int> rows;
    const int field = table.FieldIndex(fields::batch);
    for (int r = 0; r < table.RowCount(); ++r)
        if (table.CellText(r, field) == batch)
            rows.push_back(r);
    return rows;
}

std::unique_ptr<TdxMemData> readPending(const SendFiles& files) {
    auto pending = schemas::makeReminders();
    pending->FieldDelimiter = kRemindersDelimiter;
    pending->Open();
    if (fileExists(files.reminders))
        pending->ReadDelimitedFile(files.reminders);
    return pending;
}

std::unique_ptr<TdxMemData> readSent(const SendFiles& files) {
    auto sent = schemas::makeSentItems();
    sent->Open();
    if (fileExists(files.sentItems))
        sent->ReadDelimitedFile(files.sentItems);
    return sent;
}

// The pending file without the given rows; removed when none is left, as the main window does.
void writePendingWithout(TdxMemData& pending, const std::vector<int>& rows,
                         const SendFiles& files) {
    pending.DeleteRows(rows);
    if (pending.RowCount() == 0)
        removeFile(files.reminders);
    else
        pending.WriteDelimitedFile(files.reminders);
}

} // namespace

std::optional<UnfinishedSend> findUnfinishedSend(const SendFiles& files) {
    const std::optional<SendJournal> journal = readSendJournal(files.journal);
    if (!journal) {
        clearSendJournal(files.journal); // none, or not a journal: nothing to tell
        return std::nullopt;
    }
    auto pending = readPending(files);
    const std::vector<int> rows = rowsOfBatch(*pending, journal->batch);
    if (!rows.empty()) {
        if (rowsOfBatch(*readSent(files), journal->batch).empty())
            return UnfinishedSend{*journal, static_cast<int>(rows.size())};
        // The server had accepted it and the log holds it: only the pending file was left.
        writePendingWithout(*pending, rows, files);
    }
    clearSendJournal(files.journal);
    return std::nullopt;
}

void markUnfinishedSendAsSent(const SendFiles& files, const UnfinishedSend& send, int32_t today) {
    auto pending = readPending(files);
    const std::vector<int> rows = rowsOfBatch(*pending, send.journal.batch);
    auto sent = readSent(files);
    if (rowsOfBatch(*sent, send.journal.batch).empty() && !rows.empty()) {
        // Only the batch's rows move: reminders of a later batch stay pending.
        auto batch = copyOfReminders(*pending, rows);
        moveBatchToSentItems(*batch, *sent, today);
        sent->WriteDelimitedFile(files.sentItems);
    }
    if (!rows.empty())
        writePendingWithout(*pending, rows, files);
    clearSendJournal(files.journal);
}

void keepUnfinishedSendPending(const SendFiles& files) {
    clearSendJournal(files.journal);
}
