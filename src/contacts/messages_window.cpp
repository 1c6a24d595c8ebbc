#include "contacts/messages_window.h"

#include "app/forms.h"
#include "data/schemas.h"

TfrmMessage::TfrmMessage(Forms& forms, QWidget* parent) : QDialog(parent), dxmMessage(schemas::makeMessages()), forms_(forms) {
    setObjectName(QStringLiteral("frmMessage"));
}

TfrmMessage::~TfrmMessage() = default;
