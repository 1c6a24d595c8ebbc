#include "reminders/long_message_window.h"

#include "app/forms.h"

TfrmLongMessage::TfrmLongMessage(Forms& forms, QWidget* parent) : QDialog(parent), forms_(forms) {
    setObjectName(QStringLiteral("frmLongMessage"));
}

TfrmLongMessage::~TfrmLongMessage() = default;
