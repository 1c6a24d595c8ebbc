#pragma once

#include "core/tables/app_paths.h"

#include <string>

class Prompter;

// What start-up does to the data folders before any window reads them: removes the temporaries
// that killed writes of the program's own files left behind, then tries a small write in the
// working folder. When that fails, one box names the folder and the system's reason, and the
// reason is returned (empty when the folder can be written); the program then reads what it can.
std::string prepareDataFolders(Prompter& prompter, const AppPaths& paths);
