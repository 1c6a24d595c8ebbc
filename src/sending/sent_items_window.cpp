#include "sending/sent_items_window.h"

#include "app/forms.h"
#include "data/schemas.h"

TfrmSentItems::TfrmSentItems(Forms& forms, QWidget* parent) : QDialog(parent), dxmSentItems(schemas::makeSentItems()), forms_(forms) {
    setObjectName(QStringLiteral("frmSentItems"));
}

TfrmSentItems::~TfrmSentItems() = default;
