#include "sending/auth_window.h"

#include "core/store/schemas.h"
#include "sending/send_mail_window.h"
#include "ui/context.h"
#include "ui/field_binding.h"
#include "ui/password_keeper.h"
#include "ui/qt_charset.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

// A child of the send window, so that it takes input while the send window is modal.
TfrmAuth::TfrmAuth(Context& context, TfrmSendMail& send)
    : QDialog(&send), context_(context), send_(send) {
    setObjectName(QStringLiteral("frmAuth"));
    setWindowTitle(QStringLiteral("Authentication"));
    auto* outer = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    lblUserName = new QLabel(QStringLiteral("&User Name:"), this);
    lblUserName->setObjectName(QStringLiteral("lblUserName"));
    edtUserName = new QLineEdit(this);
    edtUserName->setObjectName(QStringLiteral("edtUserName"));
    lblUserName->setBuddy(edtUserName);
    form->addRow(lblUserName, edtUserName);
    lblPassword = new QLabel(QStringLiteral("&Password:"), this);
    lblPassword->setObjectName(QStringLiteral("lblPassword"));
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    edtPassword->setEchoMode(QLineEdit::Password);
    lblPassword->setBuddy(edtPassword);
    form->addRow(lblPassword, edtPassword);
    chkRemember = new QCheckBox(QStringLiteral("&Remember"), this);
    chkRemember->setObjectName(QStringLiteral("chkRemember"));
    chkRemember->setToolTip(QStringLiteral("Keep the password in the desktop's keyring"));
    form->addRow(QString(), chkRemember);
    outer->addLayout(form);
    bmbOK = new QPushButton(QStringLiteral("&OK"), this);
    bmbOK->setObjectName(QStringLiteral("bmbOK"));
    bmbOK->setDefault(true);
    bmbCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    bmbCancel->setObjectName(QStringLiteral("bmbCancel"));
    bmbCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bmbOK);
    buttons->addWidget(bmbCancel);
    buttons->addStretch();
    outer->addLayout(buttons);
    setMinimumWidth(280);
    connect(bmbOK, &QPushButton::clicked, this, [this] { bmbOKClick(); });
    connect(bmbCancel, &QPushButton::clicked, this, &TfrmAuth::reject);

    userName_ = std::make_unique<FieldBinding>(edtUserName, *send_.dmMail, fields::UserName,
                                               context_.prompter());
    // Another user name may have a password kept of its own.
    connect(edtUserName, &QLineEdit::editingFinished, this, &TfrmAuth::showKept);
}

TfrmAuth::~TfrmAuth() = default;

QString TfrmAuth::account(const QString& user) const {
    // The server as the settings hold it, so that a password goes only to the server it was
    // given for.
    const QString server = QString::fromStdString(
        send_.dmMail->RowCount() > 0 ? send_.dmMail->FieldNamed(fields::MailServer).AsString()
                                     : std::string());
    return QStringLiteral("smtp:%1@%2").arg(user.trimmed(), server.trimmed());
}

void TfrmAuth::forgetRefusedPassword(const std::string& user) {
    if (passwords)
        passwords->forget(account(fromTableText(user)));
}

void TfrmAuth::showKept() {
    const QString login = account(edtUserName->text());
    const bool kept = passwords && passwords->find(login);
    keptShownFor_ = kept ? login : QString();
    chkRemember->setChecked(kept);
    edtPassword->setPlaceholderText(kept ? QStringLiteral("(kept in the keyring)") : QString());
}

void TfrmAuth::showAuth() {
    edtPassword->clear();
    showKept();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
    edtUserName->setFocus();
}

void TfrmAuth::bmbOKClick() {
    TfrmSendMail& send = send_;
    TdxMemData& mail = *send.dmMail;
    const std::string user = toTableText(edtUserName->text()).value_or(std::string());
    if (mail.State() == DataSetState::Browse)
        mail.Edit();
    mail.FieldNamed(fields::UserName).SetAsString(user);
    send.smtp.UserId = user;
    // The password stays in memory (and in the keyring when asked); its text does not outlive
    // this step in the window.
    QString password = edtPassword->text();
    edtPassword->clear();
    if (passwords) {
        const QString login = account(edtUserName->text());
        const std::optional<QString> kept = passwords->find(login);
        const bool typed = !password.isEmpty();
        if (!typed && kept)
            password = *kept;
        if (!chkRemember->isChecked()) {
            // Forgotten when the user unticked it over this login's kept password, or typed
            // another one without wanting it kept.
            if (kept && (typed || keptShownFor_ == login))
                passwords->forget(login);
        } else if (typed && password != kept) {
            passwords->keep(login, password); // when the keyring refuses, it serves this send only
        }
    }
    send.smtp.Password = password.toStdString();
    close();
}

void TfrmAuth::reject() {
    edtPassword->clear();
    hide();
    send_.chkAuth->setChecked(false); // through its click handler: no authentication
}

void TfrmAuth::closeEvent(QCloseEvent* event) {
    hide();
    event->accept();
}
