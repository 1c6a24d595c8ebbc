#pragma once

#include <QDialog>

#include <memory>

class Context;
class TfrmSendMail;
class FieldBinding;
class PasswordKeeper;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The SMTP authentication window ("Authentication"): the user name (kept in the sender's
// settings) and the password (kept in the SMTP client's memory, and in the desktop's keyring
// when "Remember" is ticked; never in a file of the program).
class TfrmAuth : public QDialog {
    Q_OBJECT
public:
    // A child of the send window, whose settings and SMTP client it fills.
    TfrmAuth(Context& context, TfrmSendMail& send);
    ~TfrmAuth() override;

    // Shows the window without blocking the send window.
    // A password kept for the login shows as a ticked "Remember" over an empty password box;
    // OK with the box left empty uses the kept one.
    void showAuth();
    void bmbOKClick();
    // Cancel and Esc: no authentication after all, so "Server requires authentication" is
    // unticked (a login with what the box held would only be refused by the server).
    void reject() override;

    QLabel* lblUserName = nullptr;
    QLineEdit* edtUserName = nullptr;
    QLabel* lblPassword = nullptr;
    QLineEdit* edtPassword = nullptr;
    QCheckBox* chkRemember = nullptr;
    QPushButton* bmbOK = nullptr;
    QPushButton* bmbCancel = nullptr;

    // Where passwords are kept when "Remember" is ticked (set where the windows are created).
    PasswordKeeper* passwords = nullptr;
    // The keyring's name of the login: "smtp:user@server".
    QString account(const QString& user) const;
    // The server refused the login: a password kept for it is asked for again next time.
    void forgetRefusedPassword(const std::string& user);
    // "Remember" ticked, and the password box saying so, when a password is kept for the
    // user name shown.
    void showKept();

protected:
    // The window frame's close leaves the authentication as it was.
    void closeEvent(QCloseEvent* event) override;

private:
    Context& context_;
    TfrmSendMail& send_;
    std::unique_ptr<FieldBinding> userName_;
    // The login whose kept password "Remember" last showed; unticking forgets only that one.
    QString keptShownFor_;
};
