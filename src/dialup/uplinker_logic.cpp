#include "dialup/uplinker_logic.h"

#include "core/dialup/connection_state_text.h"
#include "core/dialup/connection_time.h"
#include "core/dialup/dialup_settings.h"
#include "core/tables/clock.h"
#include "core/tables/date_time.h"
#include "core/tables/ini_file.h"
#include "dialup/dial_progress.h"
#include "dialup/dialer_services.h"
#include "ui/application.h"
#include "ui/prompter.h"

#include <QWidget>

namespace dialup {

std::string settingsText(const QString& text) {
    return text.toUtf8().toStdString();
}

QString fromSettingsText(const std::string& bytes) {
    return QString::fromUtf8(bytes);
}

namespace {

using Flag = DialupConfiguration::Flag;
using Text = DialupConfiguration::Text;

struct FlagKey {
    Flag flag;
    const char* key;
    const char* defaultText;
};
const FlagKey kFlags[] = {
    {Flag::AutoPW, kAutoPW, "1"},
    {Flag::AutoUN, kAutoUN, "1"},
    {Flag::AutoConnect, kAutoConnect, "0"},
    {Flag::AutoExecuteBrowser, kAutoExecuteBrowser, "0"},
    {Flag::AutoExecuteMail, kAutoExecuteMail, "0"},
    {Flag::AutoExecuteNews, kAutoExecuteNews, "0"},
    {Flag::MonthlyDuration, kMonthlyDuration, "1"},
};

struct TextKey {
    Text text;
    const char* key;
    const char* defaultText;
};
const TextKey kTexts[] = {
    {Text::BrowserExe, kBrowserExe, kDefaultBrowserExe},
    {Text::MailExe, kMailExe, kDefaultMailExe},
    {Text::NewsExe, kNewsExe, kDefaultNewsExe},
    {Text::BrowserDir, kBrowserDir, ""},
    {Text::MailDir, kMailDir, ""},
    {Text::NewsDir, kNewsDir, ""},
};

QString number(uint64_t n) {
    return QString::number(n);
}

// The tick count as the 32-bit counter the start tick holds. 0 and -1 mean "not connected" and
// "adopted", so a connection made at exactly those ticks is taken a millisecond later.
int32_t startTick(uint64_t tick) {
    const auto t = static_cast<int32_t>(static_cast<uint32_t>(tick));
    return (t == 0 || t == -1) ? 1 : t;
}

} // namespace

UplinkerLogic::UplinkerLogic(UplinkerView& view, UplinkerServices services)
    : view_(view), s_(std::move(services)) {}

UplinkerLogic::Busy::~Busy() {
    if (--logic_.busy_ == 0)
        logic_.view_.serviceAnswered();
}

UplinkerLogic::State UplinkerLogic::state() const {
    if (connectStartTick_ == -1)
        return State::Adopted;
    if (connectStartTick_ != 0)
        return State::Connected;
    return connectionHandle_ != 0 ? State::Dialing : State::Idle;
}

std::string UplinkerLogic::entrySection(const QString& entry) const {
    return RasEntrySection(settingsText(entry));
}

void UplinkerLogic::FormShow() {
    Busy busy(*this);
    view_.setCaption(QStringLiteral("Uplinker"));
    view_.setAboutProgramName(QStringLiteral("Uplinker V1.11"));
    RefreshEntryList();

    const IniDocument last = TIniFile(s_.iniFileName).Load();
    auto read = [&last](const char* key, const char* dflt) {
        return fromSettingsText(last.ReadString(kLastSection, key, dflt));
    };
    SelectEntry(read(kEntryName, ""));
    view_.setUserNameText(read(kUserName, ""));
    for (const FlagKey& f : kFlags)
        s_.configuration.setFlag(f.flag, read(f.key, f.defaultText) != QLatin1String("0"));
    for (const TextKey& t : kTexts)
        s_.configuration.setText(t.text, read(t.key, t.defaultText));
    const std::string password = last.ReadString(kLastSection, kPassword, "");
    view_.setPasswordText({});
    if (!password.empty()) {
        try {
            view_.setPasswordText(fromSettingsText(UnscramblePassword(password)));
        } catch (...) {
            // A damaged stored password is reported; the rest of the start-up still runs.
            showCurrentException();
        }
    }
    view_.setSavePasswordChecked(read(kSavePW, "0") == QLatin1String("1"));
    view_.setCancelEnabled(false);
    view_.setConnectEnabled(true);

    refreshConnectionList();
    if (!connections_.empty()) {
        AddInfoLine(number(connections_.size()) + QStringLiteral(" Existing connections"));
        for (const ActiveConnection& c : connections_)
            AddInfoLine(c.entryName);
    }
    ShowDuration();
    s_.restrictions.setRestrictionSection(entrySection(view_.entryText()));
    s_.restrictions.LoadRestrictions();
    if (s_.configuration.flag(Flag::AutoConnect))
        view_.postAutoConnect();
}

void UplinkerLogic::SaveSettings() {
    const std::string entry = settingsText(view_.entryText());
    const std::string user = settingsText(view_.userNameText());
    const std::string password = settingsText(view_.passwordText());
    const bool savePassword = view_.savePasswordChecked();
    // The scrambling keeps 255 bytes; a longer password is not stored rather than stored cut.
    const bool fits = password.size() <= 255;
    const uint32_t tick = static_cast<uint32_t>(s_.clock.tickCount());
    TIniFile(s_.iniFileName).Update([&](IniDocument& d) {
        d.WriteString(kLastSection, kEntryName, entry);
        d.WriteString(kLastSection, kUserName, user);
        for (const FlagKey& f : kFlags)
            d.WriteInteger(kLastSection, f.key, s_.configuration.flag(f.flag) ? 1 : 0);
        for (const TextKey& t : kTexts)
            d.WriteString(kLastSection, t.key,
                          settingsText(s_.configuration.text(t.text).trimmed()));
        if (savePassword && fits) {
            d.WriteString(kLastSection, kPassword, ScramblePassword(password, tick));
            d.WriteString(kLastSection, kSavePW, "1");
            const std::string e = EscapeIniName(settingsText(view_.entryText().trimmed()));
            const std::string u = EscapeIniName(settingsText(view_.userNameText().trimmed()));
            if (!e.empty() && !u.empty())
                d.WriteString("RAS_ENTRY_" + e, kUserKeyPrefix + u,
                              ScramblePassword(password, tick));
        } else {
            d.WriteString(kLastSection, kPassword, "");
            d.WriteString(kLastSection, kSavePW, savePassword ? "1" : "0");
        }
    });
    if (savePassword && !fits)
        AddInfoLine(QStringLiteral("The password is too long to be saved"));
}

void UplinkerLogic::StartConnect() {
    // The service has not answered the last question yet (Connect itself is disabled while a
    // dial is being started); the menu item does nothing meanwhile.
    if (busy())
        return;
    if (state() == State::Dialing) {
        AddInfoLine(QStringLiteral("A dial is already in progress"));
        return;
    }
    Busy busy(*this);
    try {
        SaveSettings();
    } catch (...) {
        // The settings could not be kept; the dial the user asked for still happens.
        showCurrentException();
    }
    view_.clearInfo();
    view_.setCaption(QStringLiteral("Uplinker - Dialing"));
    s_.restrictions.setRestrictionSection(entrySection(view_.entryText()));
    if (s_.restrictions.IsDialAllowed()) {
        dialedEntry_ = view_.entryText();
        dialedUser_ = view_.userNameText();
        dialedPassword_ = view_.passwordText();
        DialEntry();
    } else {
        AddInfoLine(QStringLiteral("Time Restriction Apply"));
        ResetConnection();
    }
}

bool UplinkerLogic::serviceMissing(RasCode code) {
    if (!s_.remote.IsServiceMissing(code))
        return false;
    view_.showServiceMissing(QString::fromUtf8(kServiceMissingText));
    return true;
}

void UplinkerLogic::refreshConnectionList() {
    Busy busy(*this);
    const ConnectionList list = s_.remote.EnumConnections();
    if (list.code != kSuccess && !serviceMissing(list.code))
        AddInfoLine(errorText(list.code, kLongErrorText));
    connections_ = list.connections;
}

bool UplinkerLogic::startAbandoned() {
    if (dialCancelled_) {
        dialCancelled_ = false;
        dialStarting_ = false;
        view_.setConnectEnabled(true);
        return true;
    }
    if (!closed_)
        return false;
    // Nobody is there to follow a dial the window did not start before it closed.
    if (dialStarting_) {
        dialStarting_ = false;
        ResetConnection();
    }
    return true;
}

void UplinkerLogic::DialEntry() {
    Busy busy(*this);
    dialCancelled_ = false;
    // From idle, Cancel works while the service is being asked, before the dial has a handle.
    dialStarting_ = state() == State::Idle;
    if (dialStarting_) {
        view_.setCancelEnabled(true);
        view_.setConnectEnabled(false);
    }
    refreshConnectionList();
    if (startAbandoned())
        return;
    connectionHandle_ = 0;
    for (const ActiveConnection& c : connections_) {
        if (c.entryName.compare(dialedEntry_, Qt::CaseInsensitive) == 0) {
            connectionHandle_ = c.handle;
            break;
        }
    }
    if (connectionHandle_ != 0) {
        if (dialStarting_) { // an adopted connection keeps the buttons of idle
            dialStarting_ = false;
            view_.setCancelEnabled(false);
            view_.setConnectEnabled(true);
        }
        AddInfoLine(QStringLiteral("Connection already active"));
        EnterConnected();
        connectStartTick_ = -1;
        return;
    }
    SetDialerWindowHandle(view_.dialerWidget());
    ConnectionHandle handle = 0;
    const RasCode code =
        s_.remote.Dial(dialedEntry_, dialedUser_, dialedPassword_, DialProgressNotifier, handle);
    if (dialCancelled_) {
        // "Canceled" is shown already; the dial the service started meanwhile is ended.
        if (handle != 0) {
            Busy hangingUp(*this);
            s_.remote.HangUp(handle);
        }
        startAbandoned();
        return;
    }
    dialStarting_ = false;
    connectionHandle_ = handle;
    if (code != kSuccess) {
        if (!serviceMissing(code))
            AddInfoLine(number(code) + QLatin1Char(' ') + errorText(code, kLongErrorText));
        ResetConnection();
        return;
    }
    AddInfoLine(QStringLiteral("Dialing '") + dialedEntry_ + QLatin1Char('\''));
    view_.setCancelEnabled(true);
    view_.setConnectEnabled(false);
}

bool UplinkerLogic::DialEvent(ConnectionHandle handle, uint32_t state, RasCode error) {
    // Progress of a dial that was cancelled, failed or replaced changes nothing.
    if (handle == 0 || handle != connectionHandle_ || this->state() != State::Dialing)
        return false;
    AddInfoLine(QString::fromStdString(ConnectionStateText(state)));
    if (state == kStateConnected) {
        EnterConnected();
        return true;
    }
    if (state == kStateDisconnected) {
        AddInfoLine(errorText(error, kLongErrorText));
        ResetConnection();
    }
    return false;
}

void UplinkerLogic::CheckConnection() {
    // While the service is busy with another question the check waits for the next tick.
    if (busy() || connectionHandle_ == 0)
        return;
    Busy busy(*this);
    const RasCode code = s_.remote.GetConnectStatus(connectionHandle_);
    if (code == kInvalidHandle) {
        AddInfoLine(QStringLiteral("Connection closed"));
        AccountDuration();
        ResetConnection();
    } else if (code != kSuccess) {
        AddInfoLine(QStringLiteral("Error #") + number(code) + QStringLiteral(" : ") +
                    errorText(code, kLongErrorText));
    }
}

void UplinkerLogic::EnterConnected() {
    connectStartTick_ = startTick(s_.clock.tickCount());
    view_.setCancelCaption(QStringLiteral("&Disconnect"));
    view_.setCheckTimer(true);
    view_.setCaption(QStringLiteral("Uplinker - Connected"));
}

void UplinkerLogic::ResetConnection() {
    if (connectionHandle_ != 0) {
        const ConnectionHandle handle = connectionHandle_;
        connectionHandle_ = 0;
        Busy busy(*this);
        s_.remote.HangUp(handle);
    }
    view_.setCancelEnabled(false);
    view_.setConnectEnabled(true);
    view_.setCancelCaption(QStringLiteral("Ca&ncel"));
    view_.setCheckTimer(false);
    connectStartTick_ = 0;
    view_.setCaption(QStringLiteral("Uplinker"));
}

void UplinkerLogic::CancelOrDisconnect() {
    if (busy()) {
        if (dialStarting_ && !dialCancelled_) {
            // At once: the user sees the dial cancelled; it is hung up once the service answers.
            dialCancelled_ = true;
            AddInfoLine(QStringLiteral("Canceled"));
            ResetConnection(); // no handle yet: nothing is asked of the service
            view_.setConnectEnabled(false);
        } else if (!dialCancelled_) {
            cancelWaiting_ = true;
        }
        return;
    }
    if (connectStartTick_ == 0) {
        AddInfoLine(QStringLiteral("Canceled"));
    } else {
        AddInfoLine(QStringLiteral("Disconnecting"));
        AccountDuration();
    }
    ResetConnection();
}

void UplinkerLogic::runWaiting() {
    if (busy() || !cancelWaiting_)
        return;
    cancelWaiting_ = false;
    CancelOrDisconnect();
}

void UplinkerLogic::EntryChanged() {
    ShowDuration();
    LoadUserNames();
    LoadAutoPassword();
}

void UplinkerLogic::UserNameChanged() {
    LoadAutoPassword();
}

void UplinkerLogic::LoadUserNames() {
    if (!s_.configuration.flag(Flag::AutoUN))
        return;
    const std::string section =
        "RAS_ENTRY_" + EscapeIniName(settingsText(view_.entryText().trimmed()));
    QStringList names;
    for (const std::string& key : TIniFile(s_.iniFileName).ReadSectionKeys(section)) {
        if (key.compare(0, 5, kUserKeyPrefix) == 0)
            names.append(fromSettingsText(key.substr(5)).left(100));
    }
    view_.setUserNames(names);
    if (!names.isEmpty())
        view_.setUserNameText(names.first());
}

void UplinkerLogic::LoadAutoPassword() {
    if (!s_.configuration.flag(Flag::AutoPW))
        return;
    const std::string section =
        "RAS_ENTRY_" + EscapeIniName(settingsText(view_.entryText().trimmed()));
    const std::string key = UserKey(settingsText(view_.userNameText().trimmed()));
    const std::string stored = TIniFile(s_.iniFileName).ReadString(section, key, kNoStoredPassword);
    // Emptied first: a damaged stored password leaves no other entry's password behind.
    view_.setPasswordText({});
    if (stored != kNoStoredPassword)
        view_.setPasswordText(fromSettingsText(UnscramblePassword(stored)));
}

void UplinkerLogic::EditEntryProperties() {
    if (busy())
        return;
    Busy busy(*this);
    const RasCode code = s_.remote.EditEntry(view_.dialerWidget(), view_.entryText());
    if (code != kSuccess)
        AddInfoLine(errorText(code, kShortErrorText));
}

void UplinkerLogic::CreateNewEntry() {
    if (busy())
        return;
    Busy busy(*this);
    const RasCode code = s_.remote.CreateEntry(view_.dialerWidget());
    if (code != kSuccess) {
        AddInfoLine(errorText(code, kShortErrorText));
        return;
    }
    const QString remembered = view_.entryText();
    RefreshEntryList();
    SelectEntry(remembered);
}

void UplinkerLogic::QueryIp() {
    if (busy())
        return;
    Busy busy(*this);
    const QString ip = CurrentIpAddress(s_.remote);
    AddInfoLine(ip.isEmpty() ? QStringLiteral("IP unknown") : QStringLiteral("IP=") + ip);
}

void UplinkerLogic::RefreshEntryList() {
    Busy busy(*this);
    const EntryList list = s_.remote.EnumEntries();
    if (list.code != kSuccess && !serviceMissing(list.code))
        AddInfoLine(errorText(list.code, kShortErrorText));
    entries_ = list.names;
    view_.setEntries(entries_);
}

void UplinkerLogic::SelectEntry(const QString& name) {
    // Exact and case-sensitive; without a match nothing is selected.
    int index = -1;
    const QStringList& names = entries_;
    for (int i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            index = i;
            break;
        }
    }
    view_.selectEntry(index);
}

std::string UplinkerLogic::DurationKey() const {
    const CivilDate today = civilFromDayNumber(s_.clock.today());
    return dialup::DurationKey(s_.configuration.flag(Flag::MonthlyDuration), today.month);
}

void UplinkerLogic::AccountDuration() {
    if (connectStartTick_ == 0 || connectStartTick_ == -1)
        return;
    const std::string key = DurationKey();
    const uint32_t seconds = ElapsedSeconds(static_cast<uint32_t>(connectStartTick_),
                                            static_cast<uint32_t>(s_.clock.tickCount()));
    AddInfoLine(QString::fromStdString(key) + QStringLiteral(": ") + number(seconds) +
                QStringLiteral(" Sec with ") + dialedEntry_);
    connectStartTick_ = 0;
    int32_t total = 0;
    TIniFile(s_.iniFileName).Update([&](IniDocument& d) {
        const std::string section = entrySection(dialedEntry_);
        total = AddToCounter(d.ReadInteger(section, key, 0), seconds);
        d.WriteInteger(section, key, total);
    });
    AddInfoLine(QStringLiteral("Cumulated ") + QString::fromStdString(key) + QStringLiteral(": ") +
                QString::number(total) + QStringLiteral(" Sec"));
    ShowDuration();
}

void UplinkerLogic::ShowDuration() {
    const int32_t seconds =
        TIniFile(s_.iniFileName).ReadInteger(entrySection(view_.entryText()), DurationKey(), 0);
    view_.setDurationText(QString::fromStdString(DurationText(seconds)));
}

void UplinkerLogic::ClearDuration() {
    if (!s_.prompter.confirm(QStringLiteral("Clear cumulated duration ?"), BoxButton::No,
                             QStringLiteral("Warning")))
        return;
    const std::string key = DurationKey();
    const QString entry = view_.entryText();
    const std::string section = entrySection(entry);
    TIniFile ini(s_.iniFileName);
    const int32_t old = ini.ReadInteger(section, key, 0);
    AddInfoLine(QString::fromStdString(key) + QLatin1Char('\'') + entry +
                QStringLiteral("' cleared. It was ") + QString::number(old) +
                QStringLiteral(" Sec"));
    ini.WriteInteger(section, key, 0);
    ShowDuration();
}

} // namespace dialup
