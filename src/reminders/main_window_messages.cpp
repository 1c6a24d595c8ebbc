// The main window's message box and the long message editor it opens.

#include "app/forms.h"
#include "reminders/main_window.h"
#include "ui/qt_charset.h"
#include "contacts/messages_window.h"
#include "reminders/long_message_window.h"
#include "ui/widgets/message_entry.h"
#include "data/schemas.h"

#include <QComboBox>

void TfrmMain::loadMessageCombo() {
    if (forms_.frmMessage)
        messageEntry->loadMessages(*forms_.frmMessage->dxmMessage);
    else
        cboMessage->clear();
}

bool TfrmMain::cboMessageKeyPress(const QString& key) { return messageEntry->keyPress(key); }

void TfrmMain::cboMessageKeyUp() { messageEntry->keyUp(); }

void TfrmMain::cboMessageExit() { messageEntry->exit(); }

void TfrmMain::dbgRemindersDblClick() {
    TfrmLongMessage* editor = forms_.frmLongMessage;
    if (!editor || dxmReminders->RowNumber() == 0)
        return;
    editor->setMessage(fromTableText(dxmReminders->FieldNamed(fields::message).AsString()));
    editor->show();
    editor->raise();
    editor->activateWindow();
}
