#pragma once

// What every window needs from the program: the boxes, the clock, the folders and the tables.
// The windows get this and nothing else; what one window tells another goes through signals
// wired where the windows are created.

#include "core/store/data_module.h"
#include "core/tables/app_paths.h"

#include <string>
#include <utility>

class Clock;
class Prompter;

class Context {
public:
    Context(Prompter& prompter, Clock& clock, DataModule& tables)
        : prompter_(prompter), clock_(clock), tables_(tables) {}

    Prompter& prompter() const { return prompter_; }
    Clock& clock() const { return clock_; }
    const AppPaths& paths() const { return tables_.paths(); }
    DataModule& tables() const { return tables_; }
    // Why the data folder cannot be written, found at start (empty when it can): the start box
    // said so once, so the windows do not repeat it for each file they fail to write.
    const std::string& dataFolderProblem() const { return dataFolderProblem_; }
    void setDataFolderProblem(std::string problem) { dataFolderProblem_ = std::move(problem); }

private:
    Prompter& prompter_;
    Clock& clock_;
    DataModule& tables_;
    std::string dataFolderProblem_;
};
