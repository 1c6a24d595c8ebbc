#pragma once

#include "core/tables/app_paths.h"

#include <QString>

#include <memory>

class FolderLock;
class Prompter;

// How this copy of the program works on its data folder, decided at start.
struct FolderAccess {
    enum class Mode {
        Own,      // it holds the folder's lock
        ReadOnly, // another copy holds it; this one looks and changes nothing
        Anyway,   // another copy holds it; this one writes too, merging what the other wrote
        Quit,     // the user chose not to start
    };
    Mode mode = Mode::Own;
    QString holderText;               // "The data folder is in use by anna on DESK-2 since 09:12."
    std::unique_ptr<FolderLock> lock; // held in Own mode
};

// Takes the data folder's lock. When another live copy holds it, one box says who and since
// when and offers "Open Read-Only", "Open Anyway" and "Quit"; a lock left by a copy that is gone
// is replaced, and one box says so. A folder where no lock can be made (it cannot be written)
// is opened as it is: the start's write check has already said so.
FolderAccess openDataFolder(Prompter& prompter, const AppPaths& paths);
