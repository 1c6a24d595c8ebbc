#include "app/forms.h"

#include "app/folder_start.h"
#include "app/start_checks.h"
#include "calendar/calendar_import_window.h"
#include "contacts/contacts_window.h"
#include "contacts/messages_window.h"
#include "contacts/select_sending_window.h"
#include "core/folder/folder_lock.h"
#include "core/store/schemas.h"
#include "dialup/about_form.h"
#include "dialup/auto_form.h"
#include "dialup/configure_window.h"
#include "dialup/no_dialup_service.h"
#include "dialup/time_password_window.h"
#include "dialup/time_restrictions_window.h"
#include "dialup/uplinker_form.h"
#include "printing/list_printer.h"
#include "reminders/long_message_window.h"
#include "reminders/main_window.h"
#include "replies/replies_window.h"
#include "sending/auth_window.h"
#include "sending/progress_window.h"
#include "sending/send_mail_window.h"
#include "sending/sent_items_window.h"
#include "sending/unfinished_send.h"
#include "ui/application.h"
#include "ui/password_keeper.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"
#include "ui/window_placement.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <iterator>

Forms::Forms(Prompter& prompter, Clock& clock, AppPaths paths)
    : tables_(std::move(paths)), context_(prompter, clock, tables_),
      noService_(std::make_unique<dialup::NoDialupService>()), remoteAccess_(noService_.get()) {
    context_.setDataFolderProblem(prepareDataFolders(context_.prompter(), context_.paths()));
    guard_.watch(tables_);
    guard_.onNotice = [this](const std::string& text) {
        context_.prompter().warning(QString::fromStdString(text));
    };
    FolderAccess access = openDataFolder(context_.prompter(), context_.paths());
    if (access.mode == FolderAccess::Mode::Quit) {
        quitChosen_ = true;
        return;
    }
    folderLock_ = std::move(access.lock);
    if (access.mode == FolderAccess::Mode::ReadOnly) {
        guard_.setReadOnly(access.holderText.toStdString());
        // The windows' create steps fill their tables (defaults, system groups) in memory;
        // only what the user does is refused, once the windows stand.
        guard_.refuseChanges(false);
    } else {
        // Before the windows read the pending list and the sent items; a read-only copy leaves
        // a send of the other copy to it.
        settleUnfinishedSend(context_);
    }
    // The order matters: a window's create step tells the ones before it what it has read.
    frmMain = new TfrmMain(context_);
    TfrmMain* main = frmMain;
    main->isProgramWindow = [this](const QWidget* w) { return isProgramWindow(w); };

    frmContact = new TfrmContact(context_, main);
    QObject::connect(frmContact, &TfrmContact::contactNamesChanged, main,
                     &TfrmMain::loadContactCombo);
    QObject::connect(frmContact, &TfrmContact::allContactsChanged, main, &TfrmMain::loadAllCombo);
    QObject::connect(frmContact, &TfrmContact::groupsChanged, main, &TfrmMain::loadGroupCombo);
    QObject::connect(frmContact, &TfrmContact::groupPosted, main, &TfrmMain::checkGroup);
    QObject::connect(frmContact, &TfrmContact::postedUnseen, main, &TfrmMain::checkPickedGroup);
    frmContact->frmContactCreate();

    frmMessage = new TfrmMessage(context_, main);
    QObject::connect(frmMessage, &TfrmMessage::messagesChanged, main, &TfrmMain::messagesChanged);

    frmSendMail = new TfrmSendMail(context_, main);
    QObject::connect(frmSendMail, &TfrmSendMail::settingsLoaded, main,
                     &TfrmMain::applyMailSettings);
    QObject::connect(frmSendMail, &TfrmSendMail::senderNameChanged, main, &TfrmMain::showSender);
    QObject::connect(frmSendMail, &TfrmSendMail::reportsStamped, main,
                     &TfrmMain::clearReportWishes);
    QObject::connect(frmSendMail, &TfrmSendMail::batchSent, main, &TfrmMain::batchSent);
    QObject::connect(frmSendMail, &TfrmSendMail::sendSummary, main, &TfrmMain::showStatus);
    frmSendMail->reportWishes = [main] { return main->reportWishes(); };
    frmSendMail->FormCreate();

    frmProgress = new TfrmProgress(context_, main);
    AutoForm =
        new TAutoForm(QStringLiteral("AutoForm"), context_.paths().dialupSettingsFile(), main);
    ConfigureAutoForm = new TConfigureAutoForm(context_, main);
    TimeAutoForm = new TTimeAutoForm(context_, main);
    TimePasswordAutoForm = new TTimePasswordAutoForm(context_, main);
    TimeAutoForm->TimePasswordAutoForm = TimePasswordAutoForm;
    dialupConfiguration = ConfigureAutoForm;
    dialRestrictions = TimeAutoForm;
    AboutForm = new TAboutForm(context_.paths().dialupSettingsFile(), main);
    frmLongMessage = new TfrmLongMessage(context_, *main, main);
    frmSentItems = new TfrmSentItems(context_, main);
    frmSelectSending = new TfrmSelectSending(context_, main);
    QObject::connect(frmSelectSending, &TfrmSelectSending::remindersAdded, main,
                     &TfrmMain::remindersAdded);
    QObject::connect(frmSelectSending, &TfrmSelectSending::remindersAdded, main,
                     &TfrmMain::reportAdded);
    frmAuth = new TfrmAuth(context_, *frmSendMail);
    frmCalendarImport = new TfrmCalendarImport(context_, main);
    QObject::connect(frmCalendarImport, &TfrmCalendarImport::remindersChanged, main,
                     &TfrmMain::remindersAdded);
    frmReplies = new TfrmReplies(context_, main);
    sessionPasswords_ = std::make_unique<MemoryPasswordKeeper>();
    frmReplies->passwords = sessionPasswords_.get();
    frmAuth->passwords = sessionPasswords_.get();

    // The windows of one folder work with each other directly.
    main->frmLongMessage = frmLongMessage;
    frmContact->frmSelectSending = frmSelectSending;
    frmMessage->frmSelectSending = frmSelectSending;
    frmSelectSending->frmContact = frmContact;
    frmSelectSending->frmMessage = frmMessage;
    frmSendMail->frmProgress = frmProgress;
    frmSendMail->frmAuth = frmAuth;
    frmSentItems->frmProgress = frmProgress;

    // The main window opens the others and waits for them.
    QObject::connect(main, &TfrmMain::sentItemsRequested, frmSentItems, &QDialog::exec);
    QObject::connect(main, &TfrmMain::contactsRequested, frmContact, &QDialog::exec);
    QObject::connect(main, &TfrmMain::messagesRequested, frmMessage, &QDialog::exec);
    QObject::connect(main, &TfrmMain::sendMailRequested, frmSendMail, &QDialog::exec);
    QObject::connect(main, &TfrmMain::calendarImportRequested, frmCalendarImport, &QDialog::exec);
    QObject::connect(main, &TfrmMain::closing, frmSentItems, &QWidget::hide);
    QObject::connect(main, &TfrmMain::repliesRequested, frmReplies, &QDialog::exec);
    QObject::connect(frmReplies, &TfrmReplies::unreadCountChanged, main,
                     &TfrmMain::setUnreadReplies);
    main->setUnreadReplies(frmReplies->unreadCount());

    QObject::connect(frmSendMail, &TfrmSendMail::dialerWanted, frmSendMail,
                     [this] { openDialer(); });
    connectPrinting();
    // The windows the user sizes keep their size and place across restarts.
    for (QWidget* w : std::initializer_list<QWidget*>{frmContact, frmMessage, frmSentItems,
                                                      frmSelectSending, frmLongMessage})
        keepPlacement(w, context_.paths().settingsFile("width.ini"));
    connectHelpKey(main);
    for (QWidget* w : std::initializer_list<QWidget*>{
             frmContact, frmMessage, frmSendMail, frmProgress, ConfigureAutoForm, TimeAutoForm,
             TimePasswordAutoForm, AboutForm, frmLongMessage, frmSentItems, frmSelectSending,
             frmAuth, frmCalendarImport, frmReplies})
        connectHelpKey(w);

    if (folderLock_) {
        auto* refresh = new QTimer(main);
        refresh->setInterval(60'000);
        QObject::connect(refresh, &QTimer::timeout, main, [this] { refreshFolderLock(); });
        refresh->start();
    }
    if (guard_.readOnly())
        showReadOnly();
}

void Forms::showReadOnly() {
    guard_.refuseChanges(true);
    frmMain->setWindowTitle(frmMain->windowTitle() + QStringLiteral(" (read-only)"));
    frmMain->bmbSendMail->setEnabled(false);
    auto* reload = new QShortcut(QKeySequence(Qt::Key_F5), frmMain);
    reload->setObjectName(QStringLiteral("Reload"));
    reload->setContext(Qt::WindowShortcut);
    QObject::connect(reload, &QShortcut::activated, frmMain, [this] { reloadData(); });
}

void Forms::reloadData() {
    const std::pair<TdxMemData*, const char*> files[] = {
        {tables_.dxmReminders.get(), kRemindersFile}, {tables_.dxGroup.get(), kGroupsFile},
        {tables_.dxContact.get(), kContactsFile},     {tables_.dxmMessage.get(), kMessagesFile},
        {tables_.dxmSentItems.get(), kSentItemsFile}, {tables_.dmMail.get(), kMailFile},
        {tables_.dxDoNotText.get(), kDoNotTextFile},  {tables_.dxmReplies.get(), kRepliesFile}};
    tables_.dxmReminders->FieldDelimiter = kRemindersDelimiter;
    // Filling the tables and lists again is the program's own doing, not a change of the user's.
    guard_.refuseChanges(false);
    struct RefuseAgain {
        FolderGuard& guard;
        ~RefuseAgain() { guard.refuseChanges(true); }
    } refuseAgain{guard_};
    for (const auto& [table, name] : files) {
        if (table->State() != DataSetState::Browse)
            table->Cancel();
        if (tables_.stored(name)) {
            tables_.read(*table, name);
        } else {
            // Gone from the folder: the other copy emptied the list.
            table->Close();
            table->Open();
            guard_.forget(tables_.file(name));
        }
    }
    frmMain->loadGroupCombo();
    frmMain->loadContactCombo();
    frmMain->loadAllCombo();
    frmMain->loadMessageCombo();
    frmMain->setUnreadReplies(frmReplies->unreadCount());
}

void Forms::refreshFolderLock() {
    if (!folderLock_ || folderLock_->refresh() || lockLostSaid_)
        return;
    lockLostSaid_ = true;
    context_.prompter().warning(QStringLiteral(
        "Another copy of the program has taken over the data folder, finding this copy's lock "
        "too old. Both now write to it; what each writes is merged with what the other wrote."));
}

void Forms::connectHelpKey(QWidget* window) {
    // F1 opens the help in every window, modal ones included (a shortcut of the main window
    // would be blocked while a modal window is open).
    auto* key = new QShortcut(QKeySequence::HelpContents, window);
    key->setContext(Qt::WindowShortcut);
    // The help opens at the section of the window the key was pressed in: the sections are
    // named after the windows.
    TfrmMain* main = frmMain;
    QObject::connect(key, &QShortcut::activated, main,
                     [main, window] { main->openHelp(window->objectName()); });
}

void Forms::connectPrinting() {
    // The sender's name as stored when each print starts.
    listPrinter_ =
        std::make_unique<printing::ListPrinter>(context_.prompter(), context_.clock(), [this] {
            return fromTableText(tables_.dmMail->FieldNamed("FromName").AsString());
        });
    auto print = [this](const PrintRequest& request) { listPrinter_->print(request); };
    QObject::connect(frmMain, &TfrmMain::printRequested, frmMain, print);
    QObject::connect(frmContact, &TfrmContact::printRequested, frmContact, print);
    QObject::connect(frmMessage, &TfrmMessage::printRequested, frmMessage, print);
    QObject::connect(frmSentItems, &TfrmSentItems::printRequested, frmSentItems, print);
    // After a send, the batch just sent is printed as the pending list was.
    QObject::connect(frmSendMail, &TfrmSendMail::printBatchRequested, frmSendMail, print);
}

Forms::~Forms() {
    // Reverse order of creation; the main window goes last and writes the pending list. The
    // tables go after every window. The saves that fail are told together, in one box.
    TApplication* app = TApplication::instance();
    if (app)
        app->gatherErrors();
    delete frmReplies;
    delete frmCalendarImport;
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
    if (app)
        app->showGatheredErrors();
}

void Forms::openDialer() {
    if (!UplinkerForm) {
        dialup::UplinkerServices services{
            context_.prompter(), context_.clock(),     context_.paths().dialupSettingsFile(),
            *remoteAccess_,      *dialupConfiguration, *dialRestrictions};
        UplinkerForm = new TUplinkerForm(services, AboutForm, frmSendMail);
        connectHelpKey(UplinkerForm);
        TfrmSendMail* send = frmSendMail;
        UplinkerForm->sendAgain = [send] {
            // The dialer made this connection, so the user is reminded to end it.
            send->dialledForThisSend = true;
            send->sendAgainAfterConnect();
            send->dialledForThisSend = false;
            return send->lastSendSucceeded();
        };
        UplinkerForm->closeSender = [send] {
            if (send->isVisible())
                send->close();
        };
    }
    // Shown without blocking; modal to the send window, which it keeps below it.
    UplinkerForm->show();
    // Above the send window that opened it, with the keys going to it.
    UplinkerForm->raise();
    UplinkerForm->activateWindow();
}

void Forms::setPasswordKeeper(PasswordKeeper* keeper) {
    frmReplies->passwords = keeper ? keeper : sessionPasswords_.get();
    frmAuth->passwords = frmReplies->passwords;
}

void Forms::setRemoteAccess(dialup::RemoteAccess* remote) {
    remoteAccess_ = remote ? remote : noService_.get();
}

bool Forms::isProgramWindow(const QWidget* window) const {
    if (!window)
        return false;
    const QWidget* windows[] = {frmMain,           frmContact,          frmMessage,
                                frmSendMail,       frmProgress,         AutoForm,
                                ConfigureAutoForm, TimeAutoForm,        TimePasswordAutoForm,
                                AboutForm,         UplinkerForm.data(), frmLongMessage,
                                frmSentItems,      frmSelectSending,    frmAuth};
    return std::find(std::begin(windows), std::end(windows), window) != std::end(windows);
}
