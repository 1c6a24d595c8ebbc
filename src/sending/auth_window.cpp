#include "sending/auth_window.h"

#include "app/forms.h"

TfrmAuth::TfrmAuth(Forms& forms, QWidget* parent) : QDialog(parent), forms_(forms) {
    setObjectName(QStringLiteral("frmAuth"));
}

TfrmAuth::~TfrmAuth() = default;
