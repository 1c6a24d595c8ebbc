#pragma once

#include <memory>
#include <string>

#include "data/app_paths.h"

class Clock;
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
class TAutoForm;
namespace dialup {
class RemoteAccess;
class DialupConfiguration;
class DialRestrictions;
} // namespace dialup

// The program's long-lived windows, created once in a fixed order with the main window first,
// and destroyed in reverse order when the program ends. Each window gets this object and reaches
// the others, and the services (boxes, clock, folders), through it.
class Forms {
public:
    Forms(Prompter& prompter, Clock& clock, AppPaths paths);
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    Prompter& prompter() const { return prompter_; }
    Clock& clock() const { return clock_; }
    const AppPaths& paths() const { return paths_; }
    // The dial-up service; a service-less one until the entry routine or a test sets another.
    dialup::RemoteAccess& remoteAccess() const { return *remoteAccess_; }
    void setRemoteAccess(dialup::RemoteAccess* remote);
    // Why the data folder could not be written at start (already said in a box), or empty.
    const std::string& dataFolderProblem() const { return dataFolderProblem_; }

    TfrmMain* frmMain = nullptr;
    TfrmContact* frmContact = nullptr;
    TfrmMessage* frmMessage = nullptr;
    TfrmSendMail* frmSendMail = nullptr;
    TfrmProgress* frmProgress = nullptr;
    TAutoForm* AutoForm = nullptr; // never shown; keeps its placement in the dial-up settings
    // What the dialer asks of the configuration and restrictions windows.
    dialup::DialupConfiguration* dialupConfiguration = nullptr;
    dialup::DialRestrictions* dialRestrictions = nullptr;
    TfrmLongMessage* frmLongMessage = nullptr;
    TfrmSentItems* frmSentItems = nullptr;
    TfrmSelectSending* frmSelectSending = nullptr;
    TfrmAuth* frmAuth = nullptr;

private:
    Prompter& prompter_;
    Clock& clock_;
    AppPaths paths_;
    std::unique_ptr<dialup::RemoteAccess> noService_;
    dialup::RemoteAccess* remoteAccess_ = nullptr;
    std::unique_ptr<dialup::DialupConfiguration> configurationStandIn_;
    std::unique_ptr<dialup::DialRestrictions> restrictionsStandIn_;
    std::string dataFolderProblem_;
};
