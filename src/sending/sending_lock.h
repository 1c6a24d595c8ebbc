#pragma once

#include <QPointer>
#include <QTimer>

#include <memory>

class Context;
class FolderLock;

// The lock a send holds from stamping to the move into the sent items, so that two copies of
// the program on one data folder never mail the same pending reminders. It is refreshed every
// minute while held (a slow link, a box left open): another copy never finds it stale while
// this send lasts.
class SendingLock {
public:
    SendingLock(std::unique_ptr<FolderLock> lock, QObject* owner);
    ~SendingLock(); // releases
    SendingLock(const SendingLock&) = delete;
    SendingLock& operator=(const SendingLock&) = delete;

private:
    std::unique_ptr<FolderLock> lock_;
    QPointer<QTimer> refresh_; // "tmrSendingLock", a child of the owner
};

// When another copy is sending, one error box says who, and nothing is returned: the send does
// not start.
std::unique_ptr<SendingLock> takeSendingLock(Context& context, QObject* owner);
