#include "sending/unfinished_send.h"

#include "core/reminders/send_transaction.h"
#include "core/tables/clock.h"
#include "core/tables/date_time.h"
#include "ui/context.h"
#include "ui/prompter.h"

#include <stdexcept>

namespace {

QString question(const UnfinishedSend& send, int32_t today) {
    const double started = send.journal.started;
    QString when = QString::fromStdString(formatShortTime(timePart(started)));
    if (datePart(started) != today)
        when += QStringLiteral(" on ") + QString::fromStdString(formatDate(datePart(started)));
    return QStringLiteral("The last send of %1 at %2 may have reached the gateway.")
        .arg(send.reminders == 1 ? QStringLiteral("1 reminder")
                                 : QStringLiteral("%1 reminders").arg(send.reminders),
             when);
}

} // namespace

void settleUnfinishedSend(Context& context) {
    const SendFiles files = SendFiles::in(context.paths());
    try {
        const std::optional<UnfinishedSend> send = findUnfinishedSend(files);
        if (!send)
            return;
        Box box;
        box.kind = BoxKind::Confirmation;
        box.caption = QStringLiteral("Send SMS");
        box.text = question(*send, context.clock().today());
        box.buttons = {BoxButton::Yes, BoxButton::No};
        box.defaultButton = BoxButton::No;
        box.captions = {QStringLiteral("Mark as Sent"), QStringLiteral("Keep Pending")};
        if (context.prompter().show(box) == BoxButton::Yes)
            markUnfinishedSendAsSent(files, *send, context.clock().today());
        else
            keepUnfinishedSendPending(files);
    } catch (const std::exception& e) {
        // The journal stays, so the question comes again at the next start.
        context.prompter().error(QString::fromStdString(e.what()));
    }
}
