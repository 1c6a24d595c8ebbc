#include "sending/sent_items_window.h"

#include "app/forms.h"

TfrmSentItems::TfrmSentItems(Forms& forms, QWidget* parent) : QDialog(parent), forms_(forms) {
    setObjectName(QStringLiteral("frmSentItems"));
}

TfrmSentItems::~TfrmSentItems() = default;
