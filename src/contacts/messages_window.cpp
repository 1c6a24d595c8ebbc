#include "contacts/messages_window.h"

#include "app/forms.h"

TfrmMessage::TfrmMessage(Forms& forms, QWidget* parent) : QDialog(parent), forms_(forms) {
    setObjectName(QStringLiteral("frmMessage"));
}

TfrmMessage::~TfrmMessage() = default;
