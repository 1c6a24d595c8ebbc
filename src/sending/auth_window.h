#pragma once

#include <QDialog>
#include <memory>

class Forms;
class FieldBinding;
class QLabel;
class QLineEdit;
class QPushButton;

// The SMTP authentication window ("Authentication"): the user name (kept in the sender's
// settings) and the password (kept in the SMTP client's memory only, never in a file).
class TfrmAuth : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAuth(Forms& forms, QWidget* parent = nullptr);
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
    Forms& forms_;
    std::unique_ptr<FieldBinding> userName_;
};
