#include "replies/inbox_password_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmInboxPassword::TfrmInboxPassword(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInboxPassword"));
    setWindowTitle(QStringLiteral("Incoming Mail Password"));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    lblAccount = new QLabel(this);
    lblAccount->setObjectName(QStringLiteral("lblAccount"));
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    edtPassword->setEchoMode(QLineEdit::Password);
    chkRemember = new QCheckBox(QStringLiteral("&Remember"), this);
    chkRemember->setObjectName(QStringLiteral("chkRemember"));
    chkRemember->setToolTip(QStringLiteral("Keep the password in the desktop's keyring"));
    bmbOK = new QPushButton(QStringLiteral("&OK"), this);
    bmbOK->setObjectName(QStringLiteral("bmbOK"));
    bmbOK->setDefault(true);
    bmbCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    bmbCancel->setObjectName(QStringLiteral("bmbCancel"));
    outer->addWidget(lblAccount);
    auto* lblPassword = new QLabel(QStringLiteral("&Password:"), this);
    lblPassword->setObjectName(QStringLiteral("lblPassword"));
    lblPassword->setBuddy(edtPassword);
    outer->addWidget(lblPassword);
    outer->addWidget(edtPassword);
    outer->addWidget(chkRemember);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bmbOK);
    buttons->addWidget(bmbCancel);
    outer->addLayout(buttons);
    connect(bmbOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(bmbCancel, &QPushButton::clicked, this, &QDialog::reject);
}
