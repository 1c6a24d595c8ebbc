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
#include "dialup/about_form.h"
#include "dialup/auto_form.h"
#include "dialup/uplinker_form.h"
#include "dialup/no_dialup_service.h"
#include "dialup/configure_window.h"
#include "dialup/time_password_window.h"
#include "dialup/time_restrictions_window.h"
#include "printing/list_printer.h"
#include "ui/qt_charset.h"

#include <QPushButton>

Forms::Forms(Prompter& prompter, Clock& clock, AppPaths paths)
    : prompter_(prompter), clock_(clock), paths_(std::move(paths)),
      noService_(std::make_unique<dialup::NoDialupService>()), remoteAccess_(noService_.get()) {
    dataFolderProblem_ = prepareDataFolders(prompter_, paths_);
    // The order matters: later windows rely on the ones before them in their create steps.
    frmMain = new TfrmMain(*this);
    frmContact = new TfrmContact(*this, frmMain);
    frmMessage = new TfrmMessage(*this, frmMain);
    frmSendMail = new TfrmSendMail(*this, frmMain);
    frmProgress = new TfrmProgress(*this, frmMain);
    AutoForm = new TAutoForm(QStringLiteral("AutoForm"), paths_.dialupSettingsFile(), frmMain);
    ConfigureAutoForm = new TConfigureAutoForm(*this, frmMain);
    TimeAutoForm = new TTimeAutoForm(*this, frmMain);
    TimePasswordAutoForm = new TTimePasswordAutoForm(*this, frmMain);
    dialupConfiguration = ConfigureAutoForm;
    dialRestrictions = TimeAutoForm;
    AboutForm = new TAboutForm(paths_.dialupSettingsFile(), frmMain);
    frmLongMessage = new TfrmLongMessage(*this, frmMain);
    frmSentItems = new TfrmSentItems(*this, frmMain);
    frmSelectSending = new TfrmSelectSending(*this, frmMain);
    frmAuth = new TfrmAuth(*this, frmMain);

    QObject::connect(frmSendMail, &TfrmSendMail::dialerWanted, frmSendMail,
                     [this] { openDialer(); });
    connectPrinting();
}

void Forms::connectPrinting() {
    // The sender's name as stored when each print starts.
    listPrinter_ = std::make_unique<printing::ListPrinter>(prompter_, clock_, [this] {
        return fromTableText(frmSendMail->dmMail->FieldNamed("FromName").AsString());
    });
    auto print = [this](const PrintRequest& request) { listPrinter_->print(request); };
    QObject::connect(frmMain, &TfrmMain::printRequested, frmMain, print);
    QObject::connect(frmContact, &TfrmContact::printRequested, frmContact, print);
    QObject::connect(frmMessage, &TfrmMessage::printRequested, frmMessage, print);
    QObject::connect(frmSentItems, &TfrmSentItems::printRequested, frmSentItems, print);
    // After a send, "Print " prints the pending list, which still holds the batch just sent.
    QObject::connect(frmSendMail, &TfrmSendMail::printBatchRequested, frmMain,
                     &TfrmMain::BitBtn1Click);
}

Forms::~Forms() {
    // Reverse order of creation; the main window goes last and writes the pending list.
    delete frmAuth;
    delete frmSelectSending;
    delete frmSentItems;
    delete frmLongMessage;
    delete UplinkerForm.data(); // before the windows it reaches
    delete AboutForm;
    delete TimePasswordAutoForm;
    delete TimeAutoForm;
    delete ConfigureAutoForm;
    delete AutoForm;
    delete frmProgress;
    delete frmSendMail;
    delete frmMessage;
    delete frmContact;
    delete frmMain;
}

void Forms::openDialer() {
    if (!UplinkerForm) {
        dialup::UplinkerServices services{prompter_,         clock_,
                                          paths_.dialupSettingsFile(), *remoteAccess_,
                                          *dialupConfiguration, *dialRestrictions};
        UplinkerForm = new TUplinkerForm(services, AboutForm, frmSendMail);
        TfrmSendMail* send = frmSendMail;
        UplinkerForm->sendAgain = [send] {
            send->bmbSend->click();
            return send->lastSendSucceeded();
        };
        UplinkerForm->closeSender = [send] {
            if (send->isVisible())
                send->close();
        };
    }
    // Not modal: the send window stays usable beside it.
    UplinkerForm->show();
    UplinkerForm->raise();
}

void Forms::setRemoteAccess(dialup::RemoteAccess* remote) {
    remoteAccess_ = remote ? remote : noService_.get();
}
