#include "app/start_checks.h"

#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "ui/prompter.h"

#include <QString>

namespace {

// A temporary younger than this may belong to a writer that has not yet locked it.
constexpr std::chrono::seconds kStaleAfter{10};

} // namespace

std::string prepareDataFolders(Prompter& prompter, const AppPaths& paths) {
    std::vector<std::string> ownFiles(kTableFiles.begin(), kTableFiles.end());
    ownFiles.push_back(".tallyminder-probe");
    removeStaleTemporaries(paths.workingFolder, ownFiles, kStaleAfter);
    const std::string dialup = paths.dialupSettingsFile();
    removeStaleTemporaries(paths.settingsFolder,
                           {"width.ini", dialup.substr(dialup.find_last_of('/') + 1)}, kStaleAfter);

    std::string problem = folderWriteProblem(paths.workingFolder);
    if (!problem.empty())
        prompter.error(
            QStringLiteral("The data folder %1 cannot be written: %2.\n\nThe program "
                           "shows what it can read; changes cannot be saved until "
                           "the folder can be written.")
                .arg(QString::fromStdString(paths.workingFolder), QString::fromStdString(problem)));
    return problem;
}
