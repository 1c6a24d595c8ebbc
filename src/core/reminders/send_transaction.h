#pragma once

// One batch send as a transaction over the files, so that a crash at any instant leaves the
// batch either pending or in the sent items, never both and never neither, and never silently
// pending again once the server may have taken it.
//
//   stamp        every pending reminder gets the report wishes and the batch identifier; the
//                pending file is written; its bytes are the e-mail's body. A journal of an
//                earlier attempt goes: the user has chosen to send again.
//   beforeDataEnd   the journal (send_journal.h) is on disk before the end of the e-mail goes
//                to the server; from then on the gateway may hold the batch.
//   accepted     the server took the batch: the reminders are appended to the sent items,
//                sentitems.txt is written, the pending file is removed, the pending table
//                emptied and the journal cleared, in that order, before anything is shown.
//                The batch's rows move to a table of their own, for the print the user may
//                ask for.
//   refused      the server said no, or never had the whole batch: the journal goes, the batch
//                stays pending.
// A batch whose end went out without a usable answer keeps its journal: it may have been
// delivered, and the next send or start asks.
//
// At start-up, findUnfinishedSend looks for a journal left behind. Where the files already tell
// the outcome (the sent items hold the batch: the server had accepted it), it finishes the move
// by itself; otherwise the user answers, and markUnfinishedSendAsSent or keepUnfinishedSendPending
// does what they chose. Nothing is ever mailed by itself.

#include "core/base/shared_text.h"
#include "core/reminders/send_journal.h"
#include "core/tables/app_paths.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class TdxMemData;

// The files one send works on.
struct SendFiles {
    std::string reminders; // reminders.txt
    std::string sentItems; // sentitems.txt
    std::string journal;   // the send journal
    static SendFiles in(const AppPaths& paths);
};

class BatchTransaction {
public:
    BatchTransaction(TdxMemData& pending, TdxMemData& sent, SendFiles files);

    // now: when the send begins (local date-time), as the start-up question will name it.
    const SharedText& stamp(bool status, bool delivery, double batch, double now);
    // Only writes the journal: safe from the thread that talks to the server while the tables
    // are left alone. Throws EFileError when it cannot be written; then nothing may be sent.
    void beforeDataEnd();
    // Returns the batch as it was sent: the rows the pending table held.
    std::unique_ptr<TdxMemData> accepted(int32_t today);
    void refused();

    const SharedText& body() const { return body_; }
    const SendJournal& journal() const { return journal_; }

private:
    TdxMemData& pending_;
    TdxMemData& sent_;
    SendFiles files_;
    SharedText body_;
    SendJournal journal_;
};

// A send that stopped where only the user can say what became of it.
struct UnfinishedSend {
    SendJournal journal;
    int reminders = 0; // the pending reminders of that batch
};

// Throws what the table files throw when they cannot be read or written; the journal then stays.
std::optional<UnfinishedSend> findUnfinishedSend(const SendFiles& files);
// The batch's reminders leave the pending file for the sent items with today as their create
// date; reminders of later batches stay pending.
void markUnfinishedSendAsSent(const SendFiles& files, const UnfinishedSend& send, int32_t today);
void keepUnfinishedSendPending(const SendFiles& files);
