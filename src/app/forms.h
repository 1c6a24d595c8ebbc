#pragma once

#include "core/folder/folder_guard.h"
#include "core/store/data_module.h"
#include "core/tables/app_paths.h"
#include "ui/context.h"

#include <QPointer>

#include <memory>
#include <string>

class Clock;
class FolderLock;
class QWidget;
class Prompter;
class TfrmMain;
class TfrmContact;
class TfrmMessage;
class TfrmSendMail;
class TfrmProgress;
class TfrmLongMessage;
class TfrmSentItems;
class TfrmSelectSending;
class TfrmAuth;
class TfrmCalendarImport;
class TfrmReplies;
class PasswordKeeper;
class TAutoForm;
class TAboutForm;
class TUplinkerForm;
class TConfigureAutoForm;
class TTimeAutoForm;
class TTimePasswordAutoForm;
namespace dialup {
class RemoteAccess;
class DialupConfiguration;
class DialRestrictions;
} // namespace dialup
namespace printing {
class ListPrinter;
}

// The program's long-lived windows over its tables: the data module first, then the windows in
// a fixed order with the main window first, each wired to the others it tells something; all
// destroyed in reverse order when the program ends. The only place that sees every window.
class Forms {
public:
    Forms(Prompter& prompter, Clock& clock, AppPaths paths);
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    Prompter& prompter() const { return context_.prompter(); }
    Clock& clock() const { return context_.clock(); }
    const AppPaths& paths() const { return context_.paths(); }
    DataModule& tables() { return tables_; }
    // The dial-up service; a service-less one until the entry routine or a test sets another.
    dialup::RemoteAccess& remoteAccess() const { return *remoteAccess_; }
    void setRemoteAccess(dialup::RemoteAccess* remote);
    // Where passwords are kept; one for this run only until the entry routine sets the keyring.
    void setPasswordKeeper(PasswordKeeper* keeper);
    // Why the data folder could not be written at start (already said in a box), or empty.
    const std::string& dataFolderProblem() const { return context_.dataFolderProblem(); }
    // The user chose "Quit" when another copy held the data folder: no window was made.
    bool quitChosen() const { return quitChosen_; }
    // Another copy holds the data folder and this one only looks at it.
    bool readOnly() const { return guard_.readOnly(); }
    // Reads every table file again ("Reload", F5): what another copy wrote meanwhile.
    void reloadData();
    // Says to the folder's lock that this copy is still there; run every minute.
    void refreshFolderLock();

    TfrmMain* frmMain = nullptr;
    TfrmContact* frmContact = nullptr;
    TfrmMessage* frmMessage = nullptr;
    TfrmSendMail* frmSendMail = nullptr;
    TfrmProgress* frmProgress = nullptr;
    TAutoForm* AutoForm = nullptr; // never shown; keeps its placement in the dial-up settings
    TConfigureAutoForm* ConfigureAutoForm = nullptr;
    TTimeAutoForm* TimeAutoForm = nullptr;
    TTimePasswordAutoForm* TimePasswordAutoForm = nullptr;
    // What the dialer asks of the configuration and restrictions windows.
    dialup::DialupConfiguration* dialupConfiguration = nullptr;
    dialup::DialRestrictions* dialRestrictions = nullptr;
    TAboutForm* AboutForm = nullptr;
    // The dialer window a send opened when it found the machine offline; clears itself when the
    // window goes.
    QPointer<TUplinkerForm> UplinkerForm;
    TfrmLongMessage* frmLongMessage = nullptr;
    TfrmSentItems* frmSentItems = nullptr;
    TfrmSelectSending* frmSelectSending = nullptr;
    TfrmAuth* frmAuth = nullptr;
    TfrmCalendarImport* frmCalendarImport = nullptr;
    TfrmReplies* frmReplies = nullptr;

private:
    // Shows the dialer, creating it owned by the send window when there is none.
    void openDialer();
    void connectPrinting();
    void connectHelpKey(QWidget* window);
    // The window frame of a read-only copy: its title, no send, the Reload key.
    void showReadOnly();
    // Whether the window is one of those this registry made.
    bool isProgramWindow(const QWidget* window) const;

    DataModule tables_;
    Context context_;
    // Watches the table files for what another copy on the same folder writes.
    FolderGuard guard_;
    std::unique_ptr<FolderLock> folderLock_;
    bool quitChosen_ = false;
    bool lockLostSaid_ = false;
    std::unique_ptr<dialup::RemoteAccess> noService_;
    dialup::RemoteAccess* remoteAccess_ = nullptr;
    std::unique_ptr<printing::ListPrinter> listPrinter_;
    std::unique_ptr<PasswordKeeper> sessionPasswords_;
};
