#include "sending/send_mail_window.h"

#include "app/forms.h"

TfrmSendMail::TfrmSendMail(Forms& forms, QWidget* parent) : QDialog(parent), forms_(forms) {
    setObjectName(QStringLiteral("frmSendMail"));
}

TfrmSendMail::~TfrmSendMail() = default;
