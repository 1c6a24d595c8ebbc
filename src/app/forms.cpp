#include "app/forms.h"

#include "app/start_checks.h"
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
#include "dialup/auto_form.h"
#include "dialup/dialer_stand_ins.h"
#include "dialup/no_dialup_service.h"

Forms::Forms(Prompter& prompter, Clock& clock, AppPaths paths)
    : prompter_(prompter), clock_(clock), paths_(std::move(paths)),
      noService_(std::make_unique<dialup::NoDialupService>()), remoteAccess_(noService_.get()),
      configurationStandIn_(std::make_unique<dialup::InMemoryConfiguration>()),
      restrictionsStandIn_(std::make_unique<dialup::NoRestrictions>()) {
    dialupConfiguration = configurationStandIn_.get();
    dialRestrictions = restrictionsStandIn_.get();
    dataFolderProblem_ = prepareDataFolders(prompter_, paths_);
    // The order matters: later windows rely on the ones before them in their create steps.
    frmMain = new TfrmMain(*this);
    frmContact = new TfrmContact(*this, frmMain);
    frmMessage = new TfrmMessage(*this, frmMain);
    frmSendMail = new TfrmSendMail(*this, frmMain);
    frmProgress = new TfrmProgress(*this, frmMain);
    AutoForm = new TAutoForm(QStringLiteral("AutoForm"), paths_.dialupSettingsFile(), frmMain);
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
    delete AutoForm;
    delete frmProgress;
    delete frmSendMail;
    delete frmMessage;
    delete frmContact;
    delete frmMain;
}

void Forms::setRemoteAccess(dialup::RemoteAccess* remote) {
    remoteAccess_ = remote ? remote : noService_.get();
}
