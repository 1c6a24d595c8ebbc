// The send window's batch send: stamping the pending reminders, mailing reminders.txt to the
// gateway, and moving the batch into the sent items once the server has accepted it.

#include "sending/send_mail_window.h"

#include "app/forms.h"
#include "reminders/main_window.h"
#include "ui/prompter.h"
#include "data/version_info.h"
#include "data/atomic_file.h"
#include "data/clock.h"
#include "data/schemas.h"
#include "sending/progress_window.h"
#include "sending/sent_items_window.h"

#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QTime>
#include <QTimeEdit>

#include <algorithm>

namespace {

constexpr double kOneMillisecond = 1.0 / 86'400'000.0;

const QString kOfflineMessage = QStringLiteral(
    "The message could not be sent. You appear to be offline. Please connect and try again");

// The lines of a table file as the body of the e-mail, without their CR LF ends.
std::vector<std::string> fileLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.emplace_back(bytes, start);
            break;
        }
        lines.emplace_back(bytes, start, end - start);
        start = end + 2;
    }
    return lines;
}

// Ends the views' suspension however the send ends.
struct ViewsSuspended {
    explicit ViewsSuspended(TdxMemData& t) : table(t) { table.SuspendViews(); }
    ~ViewsSuspended() { table.ResumeViews(); }
    TdxMemData& table;
};

} // namespace

void TfrmSendMail::bmbSendClick() {
    TdxMemData& pending = *forms_.frmMain->dxmReminders;
    closeWhenDone_ = false;
    try {
        ViewsSuspended suspended(pending);
        sendTheMail();
    } catch (const EIdSocketError&) {
        forms_.frmProgress->hide();
        restoreCursor();
        forms_.prompter().error(kOfflineMessage);
        // The dial-up window that offers to connect and send again is not part of this
        // program yet; the send window stays open for another attempt.
        return;
    } catch (...) {
        forms_.frmProgress->hide();
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
        forms_.prompter().error(QStringLiteral("Please fill in your name"));
        dbeFromName->setFocus();
        return;
    }
    if (dbeFromAddress->text().isEmpty()) {
        forms_.prompter().error(QStringLiteral("Please fill in your e-mail address"));
        dbeFromAddress->setFocus();
        return;
    }
    if (dbeMailServer->text().isEmpty()) {
        forms_.prompter().error(QStringLiteral("Please fill in the name of your SMTP server"));
        dbeMailServer->setFocus();
        return;
    }
    const std::string remindersPath = forms_.paths().file(kRemindersFile);
    if (!fileExists(remindersPath)) {
        forms_.prompter().error(QStringLiteral("There are no messages to send"));
        closeWhenDone_ = true;
        return;
    }
    commitEdits();
    if (dmMail->State() != DataSetState::Browse)
        dmMail->Post();

    doReports();

    setCursor(Qt::WaitCursor);
    TfrmProgress& progress = *forms_.frmProgress;
    progress.start(QStringLiteral("Sending mail..."), 11);

    auto setting = [this](const char* name) { return dmMail->FieldNamed(name).AsString(); };
    TIdMessage message;
    smtp.Host = setting("MailServer");
    progress.StepIt();
    message.From.Address = setting("FromAddress");
    progress.StepIt();
    message.Recipients.SetEMailAddresses(kGatewayAddress);
    message.BccList.SetEMailAddresses(setting("ToBlindCarbonCopy"));
    progress.StepIt();
    message.Subject = "Tallyminder " + versionText();
    message.Body = fileLines(readWholeFile(remindersPath));
    progress.StepIt();
    message.Date = static_cast<double>(forms_.clock().today());
    progress.StepIt();
    message.ReplyTo.SetEMailAddresses(setting("ReplyTo"));
    progress.StepIt();

    smtp.Connect();
    smtp.Send(message);

    // The server has accepted the batch.
    progress.StepIt();
    restoreCursor();
    progress.StepIt();
    progress.hide();

    TdxMemData& pending = *forms_.frmMain->dxmReminders;
    TdxMemData& sent = *forms_.frmSentItems->dxmSentItems;
    {
        // Rows go in unsorted and are sorted once at the end.
        const std::string sortField = sent.SortedField();
        ViewsSuspended quiet(sent);
        sent.SetSortedField({});
        struct Copying {
            TfrmSentItems& w;
            explicit Copying(TfrmSentItems& window) : w(window) { w.copyingBatch = true; }
            ~Copying() { w.copyingBatch = false; }
        } copying(*forms_.frmSentItems);
        const int32_t today = forms_.clock().today();
        static const char* const kCopied[] = {"contact_no", "name", "appointment_date",
                                              "appointment_time", "message",
                                              "days_before_appointment", "recurring_days"};
        static const char* const kReports[] = {"status", "delivery", "batch"};
        std::vector<int> from, to;
        for (const char* name : kCopied) {
            from.push_back(pending.FieldIndex(name));
            to.push_back(sent.FieldIndex(name));
        }
        const int createDate = sent.FieldIndex("create_date");
        std::vector<int> reportFrom, reportTo;
        for (const char* name : kReports) {
            reportFrom.push_back(pending.FieldIndex(name));
            reportTo.push_back(sent.FieldIndex(name));
        }
        std::vector<FieldValue> row(static_cast<size_t>(sent.FieldCount()));
        for (int r = 0; r < pending.RowCount(); ++r) {
            std::fill(row.begin(), row.end(), FieldValue{});
            for (size_t i = 0; i < from.size(); ++i)
                row[static_cast<size_t>(to[i])] = pending.CellValue(r, from[i]);
            row[static_cast<size_t>(createDate)] = today;
            for (size_t i = 0; i < reportFrom.size(); ++i)
                row[static_cast<size_t>(reportTo[i])] = pending.CellValue(r, reportFrom[i]);
            sent.AddRow(row);
        }
        sent.SetSortedField(sortField);
    }
    // The log is on disk before the pending file goes: a crash in between can at worst send
    // a batch twice, never lose one.
    sent.WriteDelimitedFile(forms_.paths().file(kSentItemsFile));

    smtp.Disconnect();
    chkAuth->setChecked(false);
    closeWhenDone_ = true;

    forms_.prompter().information(QStringLiteral("Message successfully sent"));
    if (forms_.prompter().confirm(QStringLiteral("Would you like to print all records?"))) {
        // PRINTING NOT YET BUILT: printing the pending list (the batch just sent) belongs to the
        // printed lists; until they exist, Yes prints nothing.
    }
    forms_.prompter().message(
        QStringLiteral("Remember to disconnect from the Internet if you are finished sending"),
        QStringLiteral("Warning"));

    removeFile(remindersPath);
    pending.Close();
    pending.Open();

    TfrmMain* main = forms_.frmMain;
    main->PrepareForNew();
    main->entryMode = QStringLiteral("Add");
    if (main->dtpTime)
        main->dtpTime->setTime(
            QTime::fromMSecsSinceStartOfDay(dmMail->FieldNamed("StartTime").AsInteger()));
}

void TfrmSendMail::doReports() {
    const double now = forms_.clock().now();
    // Each attempt gets its own identifier, even when the clock has not moved.
    lastBatch_ = std::max(now, lastBatch_ + kOneMillisecond);

    TfrmMain* main = forms_.frmMain;
    QCheckBox* status = main->chkStatus;
    QCheckBox* delivery = main->chkDelivery;
    const bool wantStatus = status && status->isChecked();
    const bool wantDelivery = delivery && delivery->isChecked();

    TdxMemData& pending = *main->dxmReminders;
    TField& fStatus = pending.FieldNamed("status");
    TField& fDelivery = pending.FieldNamed("delivery");
    TField& fBatch = pending.FieldNamed("batch");
    if (pending.State() != DataSetState::Browse)
        pending.Post();
    pending.First();
    while (!pending.AtEnd()) {
        pending.Edit();
        fStatus.SetAsBoolean(wantStatus);
        fDelivery.SetAsBoolean(wantDelivery);
        fBatch.SetAsFloat(lastBatch_);
        pending.Next(); // posts the row
    }
    pending.FieldDelimiter = kRemindersDelimiter; // the gateway reads "^"-separated lines
    pending.WriteDelimitedFile(forms_.paths().file(kRemindersFile));
    if (status)
        status->setChecked(false);
    if (delivery)
        delivery->setChecked(false);
}
