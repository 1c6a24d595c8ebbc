#include "contacts/contacts_window.h"

#include "app/forms.h"

TfrmContact::TfrmContact(Forms& forms, QWidget* parent) : QDialog(parent), forms_(forms) {
    setObjectName(QStringLiteral("frmContact"));
}

TfrmContact::~TfrmContact() = default;
