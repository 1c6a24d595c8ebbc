#pragma once

#include "core/replies/imap_inbox.h"
#include "core/replies/inbox_settings.h"
#include "core/tables/mem_data.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class Context;
class DesktopNotifier;
class PasswordKeeper;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class RecordGrid;
class TfrmInboxSettings;

// "Replies": the customers' answers and the gateway's delivery reports, newest first, read
// back from the sender's mailbox by "Check Now" (and, when set, every few minutes while the
// program runs). replies.txt keeps them; a stop goes to the do-not-text list at once.
class TfrmReplies : public QDialog {
    Q_OBJECT
public:
    explicit TfrmReplies(Context& context, QWidget* parent = nullptr);
    ~TfrmReplies() override;

    TdxMemData* const dxmReplies; // of the data module

    QComboBox* cboReplyKind = nullptr;
    RecordGrid* dbgReplies = nullptr;
    QPushButton* bmbCheckReplies = nullptr;
    QPushButton* bmbInboxSettings = nullptr;
    QPushButton* bmbClose = nullptr;
    QLabel* lblCheckResult = nullptr;
    TfrmInboxSettings* frmInboxSettings = nullptr;
    // The periodic check (inbox.ini's "check every"); stopped when that is 0.
    QTimer* tmrCheck = nullptr;

    // Time-outs and trusted authorities of the inbox (tests shorten and replace them).
    InboxTimeouts timeouts;
    std::string trustFile;
    // Where passwords are kept when "Remember" is ticked (set where the windows are created).
    PasswordKeeper* passwords = nullptr;
    // Asks for the password of an account: the password and whether to remember it; nothing
    // when the user cancels. Shows TfrmInboxPassword unless a test replaces it.
    std::function<std::optional<std::pair<QString, bool>>(const QString& account)> askPassword;

    // Reads replies.txt when it exists.
    void FormCreate();
    void cboReplyKindChange();
    // Reads what is new in the mailbox; a failure is one error box and changes nothing.
    void bmbCheckRepliesClick();
    void bmbInboxSettingsClick();
    // What the settings read from the gateway's newest e-mail, shown in a box.
    void testReplyForm(const InboxSettings& settings);

    // Unread cancellations and unknown replies.
    int unreadCount() const;
    // Starts or stops the periodic check as inbox.ini says.
    void applyCheckInterval();

    // The window closes: what was shown counts as read.
    void done(int result) override;

signals:
    void unreadCountChanged(int count);

private:
    // Runs one check; quiet checks (the timer's) never ask for a password nor show a box.
    void checkNow(bool quiet);
    // The login for the settings; nothing when there is no password and none may be asked.
    std::optional<InboxLogin> loginFor(const InboxSettings& settings, bool mayAsk);
    QString accountOf(const InboxSettings& settings) const;
    void forgetRefusedPassword(const InboxSettings& settings, const std::string& error);
    void storeReplies();

    Context& context_;
    std::unique_ptr<DesktopNotifier> notifier_;
    std::atomic<bool> stop_{false};
    bool checking_ = false;
};
