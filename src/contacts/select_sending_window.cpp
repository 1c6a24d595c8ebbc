#include "contacts/select_sending_window.h"

#include "app/forms.h"

TfrmSelectSending::TfrmSelectSending(Forms& forms, QWidget* parent) : QDialog(parent), forms_(forms) {
    setObjectName(QStringLiteral("frmSelectSending"));
}

TfrmSelectSending::~TfrmSelectSending() = default;
