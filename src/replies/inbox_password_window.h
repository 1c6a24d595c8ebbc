#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the incoming server's password when none is kept; "Remember" keeps it in the
// desktop's keyring.
class TfrmInboxPassword : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInboxPassword(QWidget* parent = nullptr);

    QLabel* lblAccount = nullptr;
    QLineEdit* edtPassword = nullptr;
    QCheckBox* chkRemember = nullptr;
    QPushButton* bmbOK = nullptr;
    QPushButton* bmbCancel = nullptr;
};
