#include "contacts/contacts_window.h"

#include "app/forms.h"
#include "data/schemas.h"

TfrmContact::TfrmContact(Forms& forms, QWidget* parent) : QDialog(parent), dxContact(schemas::makeContacts()), forms_(forms) {
    setObjectName(QStringLiteral("frmContact"));
}

TfrmContact::~TfrmContact() = default;
