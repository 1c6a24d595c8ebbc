#include "sending/sending_lock.h"

#include "core/folder/folder_lock.h"
#include "ui/context.h"
#include "ui/prompter.h"

#include <QString>

#include <ctime>

std::unique_ptr<FolderLock> takeSendingLock(Context& context) {
    auto lock = std::make_unique<FolderLock>(context.paths().file(kSendingLockFile),
                                             thisProcessOwner(std::time(nullptr)));
    const FolderLock::Look found = lock->take();
    if (found.state != FolderLock::State::Held)
        return lock;
    context.prompter().error(
        found.holder
            ? QStringLiteral("The reminders are being sent by %1. Try again when that send has "
                             "finished.")
                  .arg(QString::fromStdString(ownerDescription(*found.holder)))
            : QStringLiteral("Another copy of the program is sending the reminders. Try again "
                             "when that send has finished."));
    return nullptr;
}
