#include "app/forms.h"

#include "ui/application.h"
#include "reminders/main_window.h"
#include "contacts/contacts_window.h"
#include "contacts/messages_window.h"
#include "contacts/select_sending_window.h"
#include "reminders/long_message_window.h"
#include "sending/auth_window.h"
#include "sending/progress_window.h"
#include "sending/send_mail_window.h"
#include "sending/sent_items_window.h"

Forms::Forms(Prompter& prompter, Clock& clock, AppPaths paths)
    : prompter_(prompter), clock_(clock), paths_(std::move(paths)) {
    // The order matters: later windows rely on the ones before them in their create steps.
    frmMain = new TfrmMain(*this);
    frmContact = new TfrmContact(*this, frmMain);
    frmMessage = new TfrmMessage(*this, frmMain);
    frmSendMail = new TfrmSendMail(*this, frmMain);
    frmProgress = new TfrmProgress(*this, frmMain);
    frmLongMessage = new TfrmLongMessage(*this, frmMain);
    frmSentItems = new TfrmSentItems(*this, frmMain);
    frmSelectSending = new TfrmSelectSending(*this, frmMain);
    frmAuth = new TfrmAuth(*this, frmMain);
}

Forms::~Forms() {
    // Reverse order of creation; the main window goes last and writes the pending list.
    delete frmAuth;
    delete frmSelectSending;
    delete frmSentItems;
    delete frmLongMessage;
    delete frmProgress;
    delete frmSendMail;
    delete frmMessage;
    delete frmContact;
    delete frmMain;
}
