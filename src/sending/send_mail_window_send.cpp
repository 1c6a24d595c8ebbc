// The send window's batch send: stamping the pending reminders, mailing reminders.txt to the
// gateway, and moving the batch into the sent items once the server has accepted it.

#include "core/folder/folder_lock.h"
#include "core/reminders/batch.h"
#include "core/reminders/batch_check.h"
#include "core/reminders/send_transaction.h"
#include "core/smtp/gateway_message.h"
#include "core/store/do_not_text.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/clock.h"
#include "core/tables/date_time.h"
#include "core/tables/suspended_views.h"
#include "core/tables/version_info.h"
#include "sending/auth_window.h"
#include "sending/progress_window.h"
#include "sending/send_mail_window.h"
#include "sending/sending_lock.h"
#include "ui/background_work.h"
#include "ui/context.h"
#include "ui/print_request.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"

#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTime>
#include <QTimeEdit>

namespace {

const QString kOfflineMessage = QStringLiteral(
    "The message could not be sent. You appear to be offline. Please connect and try again");
const QString kUnconfirmedMessage =
    QStringLiteral("The server did not confirm the batch. It may have been delivered: check "
                   "with the gateway before sending again.");
const QString kCancelledMessage =
    QStringLiteral("Sending was cancelled. The reminders are still in the pending list.");
const QString kSendAgainQuestion =
    QStringLiteral("The server did not confirm the last batch, so it may have been delivered "
                   "already. Send the pending reminders again?");

const QString kUntrustedAuthority =
    QStringLiteral("The server's certificate is not from an authority this computer trusts. "
                   "Nothing was sent.");

// The user cancelled the dialogue with the server before it had taken the whole batch.
struct SendCancelled {};

} // namespace

void TfrmSendMail::bmbSendClick() {
    TdxMemData& pending = *context_.tables().dxmReminders;
    closeWhenDone_ = false;
    lastSendSucceeded_ = false;
    const std::unique_ptr<SendingLock> sending = takeSendingLock(context_, this);
    if (!sending)
        return;
    try {
        SuspendedViews suspended(pending);
        sendTheMail();
    } catch (const EIdDeliveryUnconfirmed& e) {
        // Not "offline": the batch may be at the gateway. Nothing resends it by itself; the
        // pending list stays, and the next Send asks first.
        frmProgress->hide();
        restoreCursor();
        context_.prompter().error(kUnconfirmedMessage + QStringLiteral("\n\n") +
                                  QString::fromStdString(e.what()));
        return;
    } catch (const SendCancelled&) {
        // Like a failure: the batch stays pending and the send window stays open, but the
        // user knows why, so neither the offline box nor the dial-up window follows.
        frmProgress->hide();
        restoreCursor();
        context_.prompter().information(kCancelledMessage);
        return;
    } catch (const EIdTLSError& e) {
        frmProgress->hide();
        restoreCursor();
        if (e.cause() == EIdTLSError::Cause::UntrustedAuthority)
            context_.prompter().errorWithDetails(kUntrustedAuthority,
                                                 QString::fromStdString(e.what()));
        else
            context_.prompter().error(QString::fromStdString(e.what()));
        return;
    } catch (const EIdSocketError& e) {
        frmProgress->hide();
        restoreCursor();
        // The box's text stays the same whatever the cause; its details say what failed, since
        // a mistyped server name is not being offline. The port is the one tried: the
        // server's own when the setting names one ("host:2600").
        QString server = QString::fromStdString(smtp.Host);
        uint16_t port = smtp.Port;
        try {
            const ServerAddress where = parseServerAddress(smtp.Host, smtp.Port);
            server = QString::fromStdString(where.host);
            port = where.port;
        } catch (const EIdBadServerAddress&) {
            // Not tried at all; the setting is named as it stands.
        }
        context_.prompter().errorWithDetails(kOfflineMessage,
                                             QStringLiteral("Server %1, port %2: %3")
                                                 .arg(server)
                                                 .arg(port)
                                                 .arg(QString::fromStdString(e.what())));
        // The send window stays open; the dial-up window offers to connect and send again.
        emit dialerWanted();
        return;
    } catch (...) {
        frmProgress->hide();
        restoreCursor();
        forgetRefusedPassword();
        if (closeWhenDone_)
            accept();
        throw; // to the general error display
    }
    if (closeWhenDone_)
        accept();
}

void TfrmSendMail::forgetRefusedPassword() {
    try {
        throw; // the failure being handled
    } catch (const EIdProtocolReplyError& e) {
        // 535: the server refused the user name or the password.
        if (e.replyCode() == 535 && frmAuth &&
            smtp.AuthenticationType == TIdSMTPAuthenticationType::atLogin)
            frmAuth->forgetRefusedPassword(smtp.UserId);
    } catch (...) {
    }
}

void TfrmSendMail::sendAgainAfterConnect() {
    resending_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{resending_};
    bmbSend->click();
}

bool TfrmSendMail::reviewBatch() {
    // The send that follows a connection goes out by itself: the user's answer before the
    // first attempt holds for the batch (the list cannot change while this window is open).
    if (resending_ && batchReviewed_)
        return true;
    batchReviewed_ = false;
    // Before anything is stamped or mailed: the problems of the whole list, shown only when
    // there are some. A clean batch goes out without a word.
    TdxMemData& pending = *context_.tables().dxmReminders;
    if (pending.State() != DataSetState::Browse)
        pending.Post();
    const std::vector<BatchProblem> problems =
        checkBatch(pending, context_.clock().now(), DoNotTextSet(*context_.tables().dxDoNotText));
    if (problems.empty())
        return batchReviewed_ = true;
    ListReview list;
    list.caption = QStringLiteral("Check before sending");
    list.text = problems.size() == 1
                    ? QStringLiteral("One pending reminder needs a look before the batch is sent:")
                    : QStringLiteral("%1 problems in the pending reminders before the batch is "
                                     "sent:")
                          .arg(problems.size());
    list.headers = {QStringLiteral("Row"), QStringLiteral("Number"), QStringLiteral("Name"),
                    QStringLiteral("Problem")};
    for (const BatchProblem& p : problems)
        list.rows.push_back({QString::number(p.rowNumber), fromTableText(p.number),
                             fromTableText(p.name), QString::fromStdString(p.problem)});
    list.acceptText = QStringLiteral("Send anyway");
    list.rejectText = QStringLiteral("Cancel");
    return batchReviewed_ = context_.prompter().review(list);
}

bool TfrmSendMail::refuseSampleSender() {
    // A first start fills in examples so that the window shows what goes where; a batch must
    // never leave with them.
    struct Sample {
        QLineEdit* edit;
        const char* value;
        const char* what;
    };
    const Sample samples[] = {{dbeFromName, kDefaultFromName, "your name"},
                              {dbeFromAddress, kDefaultFromAddress, "your e-mail address"},
                              {dbeMailServer, kDefaultMailServer, "the name of your SMTP server"}};
    QStringList missing;
    QLineEdit* first = nullptr;
    for (const Sample& s : samples) {
        if (s.edit->text().trimmed() != QLatin1String(s.value))
            continue;
        missing << QString::fromLatin1(s.what) + QStringLiteral(" (\"") + QLatin1String(s.value) +
                       QStringLiteral("\" is the program's example)");
        if (!first)
            first = s.edit;
    }
    if (!first)
        return true;
    context_.prompter().error(QStringLiteral("Please fill in ") +
                              missing.join(QStringLiteral(", ")) + QLatin1Char('.'));
    first->setFocus();
    return false;
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
    if (!refuseSampleSender())
        return;
    // A login without a name can only be refused by the server, in its own words.
    if (chkAuth->isChecked() && smtp.UserId.empty()) {
        context_.prompter().error(QStringLiteral(
            "Please fill in the user name the server asks for (untick \"Server requires "
            "authentication\" when it asks for none)."));
        chkAuth->setFocus();
        return;
    }
    const std::string remindersPath = context_.paths().file(kRemindersFile);
    if (!fileExists(remindersPath)) {
        context_.prompter().error(QStringLiteral("There are no messages to send"));
        closeWhenDone_ = true;
        return;
    }
    if (batchUnconfirmed() && !context_.prompter().confirm(kSendAgainQuestion, BoxButton::No))
        return;
    if (!reviewBatch())
        return;
    // Replies and the gateway's reports go to the sender, whatever order the boxes were filled
    // in and whatever an older version stored (the first start's example).
    dbeFromNameKeyDown();
    commitEdits();
    if (dmMail->State() != DataSetState::Browse)
        dmMail->Post();

    doReports();

    setCursor(Qt::WaitCursor);
    TfrmProgress& progress = *frmProgress;
    progress.start(QStringLiteral("Sending mail..."), 11, true);

    auto setting = [this](const char* name) { return dmMail->FieldNamed(name).AsString(); };
    smtp.Host = setting(fields::MailServer);
    progress.StepIt();
    GatewaySender sender;
    sender.fromAddress = setting(fields::FromAddress);
    sender.blindCopies = setting(fields::ToBlindCarbonCopy);
    sender.replyTo = setting(fields::ReplyTo);
    TIdMessage message =
        gatewayMessage(sender, versionText(), transaction_->body(), context_.clock().now());
    for (int step = 0; step < 5; ++step)
        progress.StepIt();

    // The dialogue runs off the user-interface thread, so the progress window stays painted
    // and its Cancel works while a slow server is awaited; the client's time-outs still apply.
    bool cancelled = false;
    {
        struct CancelWhileSending {
            QMetaObject::Connection connection;
            ~CancelWhileSending() { QObject::disconnect(connection); }
        } onCancel{connect(&progress, &TfrmProgress::cancelRequested, this, [this, &cancelled] {
            cancelled = true;
            smtp.Cancel();
        })};
        smtp.ResetCancel();
        // The journal is on disk before the server can have the batch (written from the
        // dialogue's thread, which touches nothing else of the transaction meanwhile).
        BatchTransaction& transaction = *transaction_;
        smtp.BeforeDataEnd = [&transaction] { transaction.beforeDataEnd(); };
        struct ForgetHook {
            TIdSMTP& smtp;
            ~ForgetHook() { smtp.BeforeDataEnd = nullptr; }
        } forgetHook{smtp};
        try {
            runInBackground(
                [this, &message] {
                    smtp.Connect();
                    smtp.Send(message);
                },
                [this] { smtp.Cancel(); });
        } catch (const EIdDeliveryUnconfirmed&) {
            throw; // the whole batch went out: it may be at the gateway; its journal stays
        } catch (...) {
            // The server refused the batch or never had its end: it is only pending.
            transaction.refused();
            if (cancelled)
                throw SendCancelled{};
            throw;
        }
    }

    // The server has accepted the batch.
    progress.StepIt();
    restoreCursor();
    progress.StepIt();
    progress.hide();

    // The outcome reaches the disk before anything is shown: the log, then the pending file,
    // then the journal. The pending list is emptied before any box, so that nothing saved
    // meanwhile can bring the batch back; the batch as sent stays for the print the user may
    // ask for below.
    const std::unique_ptr<TdxMemData> printed = transaction_->accepted(context_.clock().today());

    smtp.Disconnect();
    chkAuth->setChecked(false);
    closeWhenDone_ = true;
    lastSendSucceeded_ = true;

    // One box says what went where and when, and offers the print of the batch just sent.
    const int count = printed->RowCount();
    const QString at = QString::fromStdString(formatShortTime(timePart(context_.clock().now())));
    const QString sentText = count == 1 ? QStringLiteral("1 reminder sent")
                                        : QStringLiteral("%1 reminders sent").arg(count);
    Box done;
    done.kind = BoxKind::Information;
    done.caption = QStringLiteral("Sent");
    done.text =
        QStringLiteral("%1 to %2 at %3.").arg(sentText, QString::fromLatin1(kGatewayAddress), at);
    done.buttons = {BoxButton::Yes, BoxButton::No};
    done.captions = {QStringLiteral("Print Them"), QStringLiteral("Close")};
    done.defaultButton = BoxButton::No;
    if (context_.prompter().show(done) == BoxButton::Yes)
        emit printBatchRequested({PrintedList::Reminders, printed.get(), false, {}});
    if (dialledForThisSend)
        context_.prompter().message(
            QStringLiteral("Remember to disconnect from the Internet if you are finished sending"),
            QStringLiteral("Warning"));

    emit batchSent();
    emit sendSummary(sentText + QStringLiteral(" at ") + at);
}

void TfrmSendMail::doReports() {
    lastBatch_ = nextBatchId(context_.clock().now(), lastBatch_);

    const auto [wantStatus, wantDelivery] =
        reportWishes ? reportWishes() : std::pair<bool, bool>{false, false};

    transaction_ = std::make_unique<BatchTransaction>(*context_.tables().dxmReminders,
                                                      *context_.tables().dxmSentItems,
                                                      SendFiles::in(context_.paths()));
    transaction_->stamp(wantStatus, wantDelivery, lastBatch_, context_.clock().now());
    emit reportsStamped();
}

bool TfrmSendMail::batchUnconfirmed() const {
    return fileExists(SendFiles::in(context_.paths()).journal);
}
