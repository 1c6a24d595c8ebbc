#include "sending/sending_lock.h"

#include "core/folder/folder_lock.h"
#include "ui/context.h"
#include "ui/prompter.h"

#include <QString>

#include <ctime>

SendingLock::SendingLock(std::unique_ptr<FolderLock> lock, QObject* owner)
    : lock_(std::move(lock)), refresh_(new QTimer(owner)) {
    refresh_->setObjectName(QStringLiteral("tmrSendingLock"));
    refresh_->setInterval(60'000);
    FolderLock* held = lock_.get();
    QObject::connect(refresh_, &QTimer::timeout, refresh_, [held] { held->refresh(); });
    refresh_->start();
}

SendingLock::~SendingLock() {
    delete refresh_.data();
}

std::unique_ptr<SendingLock> takeSendingLock(Context& context, QObject* owner) {
    auto lock = std::make_unique<FolderLock>(context.paths().file(kSendingLockFile),
                                             thisProcessOwner(std::time(nullptr)));
    const FolderLock::Look found = lock->take();
    if (found.state != FolderLock::State::Held)
        return std::make_unique<SendingLock>(std::move(lock), owner);
    context.prompter().error(
        found.holder
            ? QStringLiteral("The reminders are being sent by %1. Try again when that send has "
                             "finished.")
                  .arg(QString::fromStdString(ownerDescription(*found.holder)))
            : QStringLiteral("Another copy of the program is sending the reminders. Try again "
                             "when that send has finished."));
    return nullptr;
}
