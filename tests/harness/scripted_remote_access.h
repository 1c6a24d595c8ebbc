#pragma once

#include "dialup/remote_access.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>
#include <thread>
#include <vector>

// A dial-up service that the test scripts: the phone book, the active connections, the code each
// call returns, the progress a dial reports, the texts of codes, and a record of every call.
//
//   ScriptedRemoteAccess ras;
//   ras.entries = {"Office", "Home"};
//   ras.dialScript = {{0, 0}, {14, 0}, {8192, 0}};   // (state, error) after a successful Dial
//   ras.failNext(ScriptedRemoteAccess::Op::Dial, 676); // the next Dial returns 676
//   ... drive the window ...
//   EXPECT_EQ(ras.callsOf(ScriptedRemoteAccess::Op::Dial)[0].args,
//             (QStringList{"Office", "ann", "secret"}));
class ScriptedRemoteAccess : public dialup::RemoteAccess {
public:
    enum class Op {
        EnumEntries,
        EnumConnections,
        Dial,
        GetConnectStatus,
        HangUp,
        GetErrorText,
        EditEntry,
        CreateEntry,
        GetIpProjection
    };
    struct Call {
        Op op;
        QStringList args; // names as passed; handles and codes in decimal
    };
    struct Step {
        uint32_t state;
        dialup::RasCode error = 0;
    };
    // How the progress of a successful Dial is played.
    enum class Play {
        AtDial,   // every step is handed to the notifier before Dial returns
        OnThread, // every step from another thread, which has ended when Dial returns
        Manually  // the test calls play()
    };

    ~ScriptedRemoteAccess() override;

    // The phone book and the active connections.
    QStringList entries;
    std::vector<dialup::ActiveConnection> active;
    // The progress of the next successful dials.
    std::vector<Step> dialScript;
    Play playMode = Play::AtDial;
    // Status of every connection that has no code queued (0: alive).
    dialup::RasCode statusCode = 0;
    // The address GetIpProjection gives.
    QString ipAddress = QStringLiteral("10.64.3.7");
    // The entry that CreateEntry adds to the phone book when it returns 0 (none when empty).
    QString createdEntry;
    // Run at the end of every Dial, before it returns: a service that runs the event loop while
    // it waits for its answer (the NetworkManager backend does) is played by one that waits here.
    std::function<void()> whileAnswering;
    // Texts of codes; a code without one reads "Error <code>".
    std::map<dialup::RasCode, QString> texts;

    // The next call of op returns code (queued: several calls fail in turn).
    ScriptedRemoteAccess& failNext(Op op, dialup::RasCode code);

    // Plays the next count steps of the last dial's script (Play::Manually).
    void play(int count = 1);
    // Steps of the last dial not played yet.
    int unplayed() const { return static_cast<int>(pending_.size()); }
    // Handle of the last dial (0 before the first).
    dialup::ConnectionHandle lastHandle() const { return lastHandle_; }

    std::vector<Call> calls;
    std::vector<Call> callsOf(Op op) const;
    int count(Op op) const { return static_cast<int>(callsOf(op).size()); }

    dialup::EntryList EnumEntries() override;
    dialup::ConnectionList EnumConnections() override;
    dialup::RasCode GetConnectStatus(dialup::ConnectionHandle handle) override;
    void HangUp(dialup::ConnectionHandle handle) override;
    dialup::RasCode EditEntry(QWidget* parent, const QString& entry) override;
    dialup::RasCode CreateEntry(QWidget* parent) override;
    dialup::IpProjection GetIpProjection(dialup::ConnectionHandle handle) override;

protected:
    dialup::RasCode DialChecked(const QString& entry, const QString& userName,
                                const QString& password, dialup::DialNotifier notifier,
                                dialup::ConnectionHandle& handle) override;
    QString ErrorText(dialup::RasCode code) override;

private:
    dialup::RasCode nextCode(Op op);
    void record(Op op, QStringList args);

    std::map<Op, std::deque<dialup::RasCode>> codes_;
    std::deque<Step> pending_;
    dialup::DialNotifier notifier_ = nullptr;
    dialup::ConnectionHandle lastHandle_ = 0;
    dialup::ConnectionHandle nextHandle_ = 0x51;
};
