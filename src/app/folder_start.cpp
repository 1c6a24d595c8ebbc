#include "app/folder_start.h"

#include "core/folder/folder_lock.h"
#include "ui/prompter.h"

#include <ctime>

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

FolderAccess openDataFolder(Prompter& prompter, const AppPaths& paths) {
    FolderAccess access;
    access.lock = std::make_unique<FolderLock>(paths.file(kFolderLockFile),
                                               thisProcessOwner(std::time(nullptr)));
    const FolderLock::Look found = access.lock->take();
    if (found.state == FolderLock::State::Stale) {
        prompter.information(
            found.holder
                ? QStringLiteral("The data folder was still locked by %1, whose program is no "
                                 "longer running. This copy has taken the folder over.")
                      .arg(text(ownerDescription(*found.holder)))
                : QStringLiteral("The data folder held a lock file that no running copy of the "
                                 "program owns. This copy has replaced it."));
        return access;
    }
    if (found.state != FolderLock::State::Held)
        return access;

    access.lock.reset();
    access.holderText =
        found.holder ? text(folderInUseText(*found.holder))
                     : QStringLiteral("The data folder is in use by another copy of the program.");
    Box box;
    box.kind = BoxKind::Warning;
    box.caption = QStringLiteral("Tallyminder");
    box.text = access.holderText;
    box.buttons = {BoxButton::Yes, BoxButton::No, BoxButton::Cancel};
    box.captions = {QStringLiteral("Open Read-Only"), QStringLiteral("Open Anyway"),
                    QStringLiteral("Quit")};
    box.defaultButton = BoxButton::Yes;
    switch (prompter.show(box)) {
    case BoxButton::Yes:
        access.mode = FolderAccess::Mode::ReadOnly;
        break;
    case BoxButton::No:
        access.mode = FolderAccess::Mode::Anyway;
        break;
    default:
        access.mode = FolderAccess::Mode::Quit;
        break;
    }
    return access;
}
