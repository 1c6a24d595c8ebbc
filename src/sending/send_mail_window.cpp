#include "sending/send_mail_window.h"

#include "app/forms.h"
#include "data/schemas.h"

TfrmSendMail::TfrmSendMail(Forms& forms, QWidget* parent) : QDialog(parent), dmMail(schemas::makeMail()), forms_(forms) {
    setObjectName(QStringLiteral("frmSendMail"));
}

TfrmSendMail::~TfrmSendMail() = default;
