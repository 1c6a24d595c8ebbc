#pragma once

#include "core/replies/inbox_settings.h"

#include <QDialog>

#include <functional>

class Context;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Inbox Settings": where the gateway's replies are read and how. Kept in inbox.ini in the
// settings folder; the password never is.
class TfrmInboxSettings : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInboxSettings(Context& context, QWidget* parent = nullptr);

    QLineEdit* dbeImapServer = nullptr;
    QLineEdit* dbeImapUser = nullptr;
    QLineEdit* dbeImapFolder = nullptr;
    QLineEdit* dbeGatewaySenders = nullptr;
    QComboBox* cboReplyForm = nullptr;
    QLineEdit* dbeReplyPattern = nullptr;
    QPushButton* bmbTestReplyForm = nullptr;
    QLineEdit* dbeConfirmWords = nullptr;
    QLineEdit* dbeCancelWords = nullptr;
    QLineEdit* dbeStopWords = nullptr;
    QLineEdit* dbeReportWords = nullptr;
    QSpinBox* sedCheckEvery = nullptr;
    QPushButton* bmbOK = nullptr;
    QPushButton* bmbCancel = nullptr;

    // Fills the boxes from inbox.ini.
    void load();
    // The settings as the boxes hold them now.
    InboxSettings current() const;

    void cboReplyFormChange();
    // Checks the boxes, writes inbox.ini and closes; a setting that cannot work is named in
    // an error box and the window stays.
    void bmbOKClick();
    void bmbTestReplyFormClick();

    // Reads the newest e-mail of the gateway with the settings given (set by the replies
    // window, which knows the password).
    std::function<void(const InboxSettings&)> testReplyForm;

private:
    std::string path() const;

    Context& context_;
};
