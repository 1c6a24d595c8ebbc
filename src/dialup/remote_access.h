#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QWidget;

// The dial-up service as the dial-up windows see it: nine operations over phone-book entries and
// connections. The windows depend on this interface alone; the program picks the backend at
// start-up and tests put a scripted one in its place.
//
// Every operation is called on the user-interface thread, never throws, and reports failure by a
// non-zero code whose text GetErrorText gives. An operation may run the event loop while it
// waits for the service, so that the windows stay alive meanwhile; the dialer starts no second
// operation until the first has returned. Only the dial's progress comes from another
// thread: the backend calls the notifier passed to Dial, which must do nothing but hand the
// progress on (see dial_progress.h).

namespace dialup {

// Names a connection being dialled or established; 0 means none.
using ConnectionHandle = std::uint64_t;
// 0 is success; every other value is a failure whose text GetErrorText gives.
using RasCode = std::uint32_t;

inline constexpr RasCode kSuccess = 0;
// From GetConnectStatus: the connection no longer exists. The end of a connection, not an error.
inline constexpr RasCode kInvalidHandle = 6;

// Entry, user name and password are at most this many characters. Longer ones are refused before
// the backend is asked, never cut: a cut password would fail in a way nobody could explain.
inline constexpr int kMaxNameLength = 256;
// Codes of the layer's own refusals; backends use other numbers.
inline constexpr RasCode kEntryNameTooLong = 9001;
inline constexpr RasCode kUserNameTooLong = 9002;
inline constexpr RasCode kPasswordTooLong = 9003;

// Sizes of the text buffers the callers give GetErrorText.
inline constexpr int kLongErrorText = 256;  // dialling, status, connection listing, disconnect
inline constexpr int kShortErrorText = 128; // entry listing, the two phone-book dialogs

struct ActiveConnection {
    QString entryName;
    ConnectionHandle handle = 0;
};

struct EntryList {
    RasCode code = kSuccess;
    QStringList names; // in the phone book's order; empty on failure
};

struct ConnectionList {
    RasCode code = kSuccess;
    std::vector<ActiveConnection> connections; // empty on failure
};

struct IpProjection {
    RasCode code = kSuccess;
    QString address; // dotted form, e.g. "10.64.3.7"; empty on failure
};

// Called by the backend, from any thread, for every step of a dial: the connection it concerns,
// the connection state (texts in data/connection_state_text.h; 8192 connected and 8193
// disconnected end the dial) and an error code (read only with 8193).
using DialNotifier = void (*)(ConnectionHandle handle, uint32_t state, RasCode error);

class RemoteAccess {
public:
    virtual ~RemoteAccess() = default;

    // The entries of the phone book.
    virtual EntryList EnumEntries() = 0;
    // The active connections, each with its entry name and handle.
    virtual ConnectionList EnumConnections() = 0;

    // Starts dialling entry with the user name and password given (an empty phone number, the
    // entry's own callback and domain). 0: dialling goes on in the background and progress
    // arrives through notifier. Non-zero: the dial did not start; handle may still have been set
    // and the caller hangs it up. A name longer than kMaxNameLength is refused here with its own
    // code and the backend is not asked.
    RasCode Dial(const QString& entry, const QString& userName, const QString& password,
                 DialNotifier notifier, ConnectionHandle& handle);

    // 0 while the connection is alive; kInvalidHandle once it is gone; other codes are errors.
    virtual RasCode GetConnectStatus(ConnectionHandle handle) = 0;
    // Ends the connection; does not wait for the line to drop. The result is not reported.
    virtual void HangUp(ConnectionHandle handle) = 0;

    // The text of code, cut to bufferSize - 1 characters as the service's buffer would cut it.
    QString GetErrorText(RasCode code, int bufferSize);

    // The service's own modal editor for an entry, and its new-entry dialog. CreateEntry returns
    // 0 when the dialog ended normally (the caller then reads the entries again).
    virtual RasCode EditEntry(QWidget* parent, const QString& entry) = 0;
    virtual RasCode CreateEntry(QWidget* parent) = 0;

    // The IPv4 address of a connection.
    virtual IpProjection GetIpProjection(ConnectionHandle handle) = 0;

    // True when code says there is no connection manager to ask at all (none installed or not
    // running), as opposed to one that answered with an error.
    virtual bool IsServiceMissing(RasCode /*code*/) const { return false; }

protected:
    // Dial once the names have been checked.
    virtual RasCode DialChecked(const QString& entry, const QString& userName,
                                const QString& password, DialNotifier notifier,
                                ConnectionHandle& handle) = 0;
    // The backend's text of one of its own codes, uncut.
    virtual QString ErrorText(RasCode code) = 0;
};

// The address of the one active connection, or empty: none, two or more active connections, or a
// failure of the listing or of the address query all give an empty text.
QString CurrentIpAddress(RemoteAccess& remote);

} // namespace dialup
