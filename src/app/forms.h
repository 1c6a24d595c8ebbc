#pragma once

#include <memory>

#include "data/app_paths.h"
#include "data/data_module.h"
#include "ui/context.h"

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

    TfrmMain* frmMain = nullptr;
    TfrmContact* frmContact = nullptr;
    TfrmMessage* frmMessage = nullptr;
    TfrmSendMail* frmSendMail = nullptr;
    TfrmProgress* frmProgress = nullptr;
    TfrmLongMessage* frmLongMessage = nullptr;
    TfrmSentItems* frmSentItems = nullptr;
    TfrmSelectSending* frmSelectSending = nullptr;
    TfrmAuth* frmAuth = nullptr;

private:
    DataModule tables_;
    Context context_;
};
