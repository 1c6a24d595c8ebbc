#pragma once

#include "core/smtp/gateway_message.h"
#include "core/smtp/smtp_client.h"
#include "core/store/schemas.h"
#include "core/tables/mem_data.h"
#include "ui/print_request.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <utility>

class Context;
class FieldBinding;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TfrmAuth;
class TfrmProgress;
class BatchTransaction;

// Defaults of a first start (no mail.txt yet).
inline constexpr const char* kDefaultFromName = kExampleFromName;
inline constexpr const char* kDefaultFromAddress = kExampleFromAddress;
inline constexpr const char* kDefaultMailServer = kExampleMailServer;

// The send window ("Send SMS"): the sender's settings (one record, mail.txt), the
// authentication tick box and the batch send of the pending reminders to the gateway.
class TfrmSendMail : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSendMail(Context& context, QWidget* parent = nullptr);
    ~TfrmSendMail() override;

    TdxMemData* const dmMail; // the sender's settings, one record, of the data module

    // The SMTP client; it keeps the authentication kind, user id and password in memory only.
    TIdSMTP smtp;

    QGroupBox* gpbFrom = nullptr;
    QLabel* lblFromName = nullptr;
    QLineEdit* dbeFromName = nullptr;
    QLabel* lblFromAddress = nullptr;
    QLineEdit* dbeFromAddress = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* dbeMailServer = nullptr;
    QCheckBox* chkAuth = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* DBEStartTime = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* DBEIncMins = nullptr;
    QGroupBox* gpbTo = nullptr;
    QLabel* lblToAddress = nullptr;
    QLineEdit* dbeToAddress = nullptr;
    QLabel* lblToBlindCarbonCopy = nullptr;
    QLineEdit* dbeToBlindCarbonCopy = nullptr;
    QLabel* lblReplyTo = nullptr;
    QLineEdit* dbeReply = nullptr;
    QPushButton* bmbSend = nullptr;
    QPushButton* bmbCancel = nullptr;

    // The batch identifier of the last send attempt (0 before the first).
    double lastBatch() const { return lastBatch_; }
    // True when the last send action mailed the batch.
    bool lastSendSucceeded() const { return lastSendSucceeded_; }
    // The last attempt sent the whole batch but the server never confirmed it: it may have
    // been delivered. The next send asks before sending it again.
    // The journal of that batch is on disk until the user decides (send_transaction.h).
    bool batchUnconfirmed() const;

    // Handlers.
    void FormCreate();
    void FormActivate();
    void FormDestroy();
    void dbeFromNameKeyDown();
    void bmbCancelClick();
    void chkAuthClick();
    // The send action ("&Send"; also the dial-up window after it has connected).
    void bmbSendClick();
    void sendTheMail();
    void doReports();

    // Writes what the bound edits hold into the settings record.
    void commitEdits();
    // The bound edits into the table, and the table into mail.txt.
    void saveSettings();
    // False, after a box naming them, while a sender field still holds the first start's
    // example.
    bool refuseSampleSender();
    // False when the pending list has problems and the user cancels after seeing them.
    bool reviewBatch();
    // The send the dial-up window makes once it has connected: as "&Send", without asking
    // again what the user answered about this batch before the first attempt.
    void sendAgainAfterConnect();

    void reject() override;
    void done(int result) override;

    // The windows of this folder it works with (set where the windows are created).
    TfrmProgress* frmProgress = nullptr;
    TfrmAuth* frmAuth = nullptr;
    // The report wishes (status, delivery) of the next batch, asked when it is stamped.
    std::function<std::pair<bool, bool>()> reportWishes;
    // Set while the dialer, which opened the connection itself, presses Send: only then is the
    // user reminded to disconnect.
    bool dialledForThisSend = false;

signals:
    // The settings were read (at creation): the sender's name, start time and step.
    void settingsLoaded();
    // The window closes: the sender's name as its box holds it.
    void senderNameChanged(const QString& name);
    // The batch was stamped with the report wishes.
    void reportsStamped();
    // The batch was accepted, logged and the pending list emptied.
    void batchSent();
    // What the last send did, for the main window's status line ("3 reminders sent at 09:12").
    void sendSummary(const QString& text);
    // A send found the machine offline: the user is offered the dial-up window.
    void dialerWanted();
    // After a successful send the user asked for the batch just sent to be printed; the print
    // has ended when the signal returns.
    void printBatchRequested(const PrintRequest& request);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void loadSettings();
    void restoreCursor();
    // Called while a send's failure is being handled: when the server refused the login, the
    // password kept for it is not offered again.
    void forgetRefusedPassword();
    QLineEdit* addBound(QLayout* layout, QLabel*& label, const char* labelName,
                        const QString& caption, QLineEdit*& edit, const char* editName,
                        const char* field);

    Context& context_;
    std::vector<std::unique_ptr<FieldBinding>> bindings_;
    double lastBatch_ = 0.0;
    // The batch of the last attempt, from its stamp to its outcome on disk; its body is the
    // bytes doReports wrote to reminders.txt, not read back.
    std::unique_ptr<BatchTransaction> transaction_;
    bool closeWhenDone_ = false;
    bool resending_ = false;     // the send after the dial-up window connected
    bool batchReviewed_ = false; // the user went on past the batch check of this batch
    bool lastSendSucceeded_ = false;
};
