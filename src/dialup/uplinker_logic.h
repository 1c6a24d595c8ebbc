#pragma once

#include "dialup/remote_access.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Clock;
class Prompter;
class QWidget;

namespace dialup {

class DialupConfiguration;
class DialRestrictions;

// The dialer window's controls as its logic sees them. The window implements it over its widgets;
// a test may implement it over plain values.
class UplinkerView {
public:
    virtual ~UplinkerView() = default;

    virtual QString entryText() const = 0;
    virtual QString userNameText() const = 0;
    virtual QString passwordText() const = 0;
    virtual bool savePasswordChecked() const = 0;

    virtual void setEntries(const QStringList& names) = 0;
    virtual void selectEntry(int index) = 0; // -1: nothing selected
    virtual void setUserNames(const QStringList& names) = 0;
    virtual void setUserNameText(const QString& text) = 0;
    virtual void setPasswordText(const QString& text) = 0;
    virtual void setSavePasswordChecked(bool on) = 0;
    // Appends one line to the information list and shows it at once.
    virtual void addInfoLine(const QString& text) = 0;
    virtual void clearInfo() = 0;
    virtual void setDurationText(const QString& text) = 0;
    virtual void setCaption(const QString& text) = 0;
    virtual void setConnectEnabled(bool on) = 0;
    virtual void setCancelEnabled(bool on) = 0;
    virtual void setCancelCaption(const QString& text) = 0;
    virtual void setCheckTimer(bool on) = 0;
    // Runs StartConnect after the window has appeared (the auto-connect of the start-up).
    virtual void postAutoConnect() = 0;
    // The window itself: the parent of the service's dialogs and the receiver of dial progress.
    virtual QWidget* dialerWidget() = 0;
    // The program's name in the about box.
    virtual void setAboutProgramName(const QString& text) = 0;
    // The last question to the dial-up service has been answered (see UplinkerLogic::busy).
    virtual void serviceAnswered() = 0;
    // There is no connection manager to dial with: text says so and what to do, shown once in
    // place of the same failure line after every question.
    virtual void showServiceMissing(const QString& text) = 0;
};

// What the dialer says when no connection manager is running.
inline constexpr char kServiceMissingText[] =
    "No network connection manager is running on this computer. Check the cable or Wi-Fi, then "
    "press Send again.";

// What the dialer needs from the rest of the program.
struct UplinkerServices {
    Prompter& prompter;
    Clock& clock;
    std::string iniFileName; // the dial-up settings file
    RemoteAccess& remote;
    DialupConfiguration& configuration;
    DialRestrictions& restrictions;
};

// The dialer's logic: connection states, settings, progress lines and connection time, apart
// from the widgets. Every member runs on the user-interface thread.
//
// States: Idle (no handle), Dialing (a handle from Dial, no start tick), Connected (a start
// tick), Adopted (an active connection taken over, start tick -1, never counted).
class UplinkerLogic {
public:
    enum class State { Idle, Dialing, Connected, Adopted };

    UplinkerLogic(UplinkerView& view, UplinkerServices services);

    State state() const;

    // True while a question to the dial-up service is out. The service may run the event loop
    // while it waits for the answer, so that the window repaints and its buttons work: meanwhile
    // a second connect, the connection check and the other questions are not started, a Cancel
    // of the dial being started ends it at once (the dial is hung up once the service answers),
    // another Cancel runs when the answer has come (runWaiting), and the window holds dial
    // progress back and stays in existence until serviceAnswered.
    bool busy() const { return busy_ > 0; }
    // What was asked for while busy: a Cancel.
    void runWaiting();
    // The window was closed (or shown again): a dial that has not started is not started.
    void windowClosed() { closed_ = true; }
    void windowReopened() { closed_ = false; }

    // Start-up when the window first shows: entries, last choices, options, existing
    // connections, the counter, the restrictions of the entry, the auto-connect.
    void FormShow();
    // The last choices and the options into section "Last"; the password when Save Password is
    // ticked. Throws EIniFileError when the file cannot be written.
    void SaveSettings();
    // Connect button, Connect menu item, auto-connect. Refused while a dial is in progress (a
    // second dial would lose the first one's handle without hanging it up).
    void StartConnect();
    void DialEntry();
    // A dial's progress. Returns true for the connected state of the current dial: the window
    // then runs the automatic send. Events of another handle change nothing.
    bool DialEvent(ConnectionHandle handle, uint32_t state, RasCode error);
    // The five-second check of a connection.
    void CheckConnection();
    void EnterConnected();
    void ResetConnection();
    void CancelOrDisconnect();
    void EntryChanged();
    void UserNameChanged();
    void LoadUserNames();
    void LoadAutoPassword();
    void EditEntryProperties();
    void CreateNewEntry();
    void QueryIp();
    void RefreshEntryList();
    void SelectEntry(const QString& name);

    // Connection time.
    std::string DurationKey() const;
    void AccountDuration();
    void ShowDuration();
    void ClearDuration(); // asks first

    ConnectionHandle connectionHandle() const { return connectionHandle_; }
    int32_t connectStartTick() const { return connectStartTick_; }
    const QString& dialedEntry() const { return dialedEntry_; }

private:
    // Marks the logic busy for its lifetime.
    class Busy {
    public:
        explicit Busy(UplinkerLogic& logic) : logic_(logic) { ++logic_.busy_; }
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        UplinkerLogic& logic_;
    };
    // A dial being started was cancelled or its window closed: it stops here. True when so.
    bool startAbandoned();
    void refreshConnectionList();
    void AddInfoLine(const QString& text) { view_.addInfoLine(text); }
    QString errorText(RasCode code, int size) { return s_.remote.GetErrorText(code, size); }
    // A failure that only says the connection manager is missing goes to the one message that
    // says so, not to the list; true when code was such a failure.
    bool serviceMissing(RasCode code);
    // The section of an entry name as given (connection time, restrictions).
    std::string entrySection(const QString& entry) const;

    UplinkerView& view_;
    UplinkerServices s_;
    ConnectionHandle connectionHandle_ = 0;
    int32_t connectStartTick_ = 0;
    QString dialedEntry_, dialedUser_, dialedPassword_;
    std::vector<ActiveConnection> connections_;
    QStringList entries_;
    int busy_ = 0;
    bool dialStarting_ = false;  // Connect pressed; the service's answers to it still coming
    bool dialCancelled_ = false; // Cancel pressed while the dial was being started
    bool cancelWaiting_ = false; // Cancel pressed during another question
    bool closed_ = false;
};

// The dial-up settings file holds UTF-8: its names come from the system's connection profiles,
// which may hold any character, and none of it goes to the gateway.
std::string settingsText(const QString& text);
QString fromSettingsText(const std::string& bytes);

} // namespace dialup
