#pragma once

#include <QDialog>
#include <memory>

class Context;
class TfrmSendMail;
class FieldBinding;
class QLabel;
class QLineEdit;
class QPushButton;

// The SMTP authentication window ("Authentication"): the user name (kept in the sender's
// settings) and the password (kept in the SMTP client's memory only, never in a file).
class TfrmAuth : public QDialog {
    Q_OBJECT
public:
    // A child of the send window, whose settings and SMTP client it fills.
    TfrmAuth(Context& context, TfrmSendMail& send);
    ~TfrmAuth() override;

    // Shows the window without blocking the send window.
    void showAuth();
    void bmbOKClick();

    QLabel* lblUserName = nullptr;
    QLineEdit* edtUserName = nullptr;
    QLabel* lblPassword = nullptr;
    QLineEdit* edtPassword = nullptr;
    QPushButton* bmbOK = nullptr;

private:
    Context& context_;
    TfrmSendMail& send_;
    std::unique_ptr<FieldBinding> userName_;
};
