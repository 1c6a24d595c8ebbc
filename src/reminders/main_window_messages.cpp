// The main window's message box and the long message editor it opens.

#include "core/reminders/reminder.h"
#include "core/store/schemas.h"
#include "reminders/long_message_window.h"
#include "reminders/main_window.h"
#include "ui/context.h"
#include "ui/qt_charset.h"
#include "ui/widgets/message_entry.h"

#include <QComboBox>

void TfrmMain::loadMessageCombo() {
    messageEntry->loadMessages(*context_.tables().dxmMessage);
}

bool TfrmMain::cboMessageKeyPress(const QString& key) {
    return messageEntry->keyPress(key);
}

void TfrmMain::cboMessageKeyUp() {
    messageEntry->keyUp();
}

void TfrmMain::cboMessageExit() {
    messageEntry->exit();
}

void TfrmMain::dbgRemindersDblClick() {
    TfrmLongMessage* editor = frmLongMessage;
    if (!editor || dxmReminders->RowNumber() == 0)
        return;
    editor->setMessage(fromTableText(reminderAt(*dxmReminders, dxmReminders->RowNumber()).message));
    editor->show();
    editor->raise();
    editor->activateWindow();
}
