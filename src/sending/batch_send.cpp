// The send window's batch send: stamping the pending reminders, mailing reminders.txt to the
// gateway, and moving the batch into the sent items once the server has accepted it.

#include "sending/send_mail_window.h"

#include "ui/context.h"
#include "ui/prompter.h"
#include "data/version_info.h"
#include "data/atomic_file.h"
#include "data/batch.h"
#include "data/clock.h"
#include "data/schemas.h"
#include "data/suspended_views.h"
#include "sending/progress_window.h"
#include "sending/sent_items_window.h"
#include "smtp/gateway_message.h"

#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QTime>
#include <QTimeEdit>

namespace {

const QString kOfflineMessage = QStringLiteral(
    "The message could not be sent. You appear to be offline. Please connect and try again");

} // namespace

void TfrmSendMail::bmbSendClick() {
    TdxMemData& pending = *context_.tables().dxmReminders;
    closeWhenDone_ = false;
    try {
        SuspendedViews suspended(pending);
        sendTheMail();
    } catch (const EIdSocketError&) {
        frmProgress->hide();
        restoreCursor();
        context_.prompter().error(kOfflineMessage);
        // The dial-up window that offers to connect and send again is not part of this
        // program yet; the send window stays open for another attempt.
        return;
    } catch (...) {
        frmProgress->hide();
        restoreCursor();
        if (closeWhenDone_)
            accept();
        throw; // to the general error display
    }
    if (closeWhenDone_)
        accept();
}

void TfrmSendMail::sendTheMail() {
    if (smtp.Connected())
        smtp.Disconnect();

    // Empty means no characters at all: blanks pass.
    if (dbeFromName->text().isEmpty()) {
        context_.prompter().error(QStringLiteral("Please fill in your name"));
        dbeFromName->setFocus();
        return;
    }
    if (dbeFromAddress->text().isEmpty()) {
        context_.prompter().error(QStringLiteral("Please fill in your e-mail address"));
        dbeFromAddress->setFocus();
        return;
    }
    if (dbeMailServer->text().isEmpty()) {
        context_.prompter().error(QStringLiteral("Please fill in the name of your SMTP server"));
        dbeMailServer->setFocus();
        return;
    }
    const std::string remindersPath = context_.paths().file(kRemindersFile);
    if (!fileExists(remindersPath)) {
        context_.prompter().error(QStringLiteral("There are no messages to send"));
        closeWhenDone_ = true;
        return;
    }
    commitEdits();
    if (dmMail->State() != DataSetState::Browse)
        dmMail->Post();

    doReports();

    setCursor(Qt::WaitCursor);
    TfrmProgress& progress = *frmProgress;
    progress.start(QStringLiteral("Sending mail..."), 11);

    auto setting = [this](const char* name) { return dmMail->FieldNamed(name).AsString(); };
    smtp.Host = setting(fields::MailServer);
    progress.StepIt();
    GatewaySender sender;
    sender.fromAddress = setting(fields::FromAddress);
    sender.blindCopies = setting(fields::ToBlindCarbonCopy);
    sender.replyTo = setting(fields::ReplyTo);
    TIdMessage message = gatewayMessage(sender, versionText(), readWholeFile(remindersPath),
                                        context_.clock().today());
    for (int step = 0; step < 5; ++step)
        progress.StepIt();

    smtp.Connect();
    smtp.Send(message);

    // The server has accepted the batch.
    progress.StepIt();
    restoreCursor();
    progress.StepIt();
    progress.hide();

    TdxMemData& pending = *context_.tables().dxmReminders;
    TdxMemData& sent = *context_.tables().dxmSentItems;
    {
        // Those values are not pastes, and the log's sort buttons stay as they are.
        struct Copying {
            TfrmSentItems& w;
            explicit Copying(TfrmSentItems& window) : w(window) { w.copyingBatch = true; }
            ~Copying() { w.copyingBatch = false; }
        } copying(*frmSentItems);
        moveBatchToSentItems(pending, sent, context_.clock().today());
    }
    // The log is on disk before the pending file goes: a crash in between can at worst send
    // a batch twice, never lose one.
    sent.WriteDelimitedFile(context_.paths().file(kSentItemsFile));

    smtp.Disconnect();
    chkAuth->setChecked(false);
    closeWhenDone_ = true;

    context_.prompter().information(QStringLiteral("Message successfully sent"));
    if (context_.prompter().confirm(QStringLiteral("Would you like to print all records?"))) {
        // PRINTING NOT YET BUILT: printing the pending list (the batch just sent) belongs to the
        // printed lists; until they exist, Yes prints nothing.
    }
    context_.prompter().message(
        QStringLiteral("Remember to disconnect from the Internet if you are finished sending"),
        QStringLiteral("Warning"));

    removeFile(remindersPath);
    pending.Close();
    pending.Open();

    emit batchSent();
}

void TfrmSendMail::doReports() {
    lastBatch_ = nextBatchId(context_.clock().now(), lastBatch_);

    const auto [wantStatus, wantDelivery] =
        reportWishes ? reportWishes() : std::pair<bool, bool>{false, false};

    TdxMemData& pending = *context_.tables().dxmReminders;
    stampBatch(pending, wantStatus, wantDelivery, lastBatch_);
    pending.FieldDelimiter = kRemindersDelimiter; // the gateway reads "^"-separated lines
    pending.WriteDelimitedFile(context_.paths().file(kRemindersFile));
    emit reportsStamped();
}
