#pragma once

#include <string>

// Where the program keeps its files: the table files in the working folder (the data folder),
// the program's own settings files (width.ini, the dial-up settings file) in the settings
// folder. The start-up decision is made once, by forProgram(); everything else asks these fields.
struct AppPaths {
    std::string workingFolder;  // the table files
    std::string programFolder;  // the folder of the program file (the help page shipped with it)
    std::string programPath;    // the program file itself (its version block)
    std::string settingsFolder; // width.ini and the dial-up settings file

    // A table file of the working folder.
    std::string file(const std::string& name) const { return workingFolder + "/" + name; }
    // A settings file of the program: width.ini, the dial-up settings file.
    std::string settingsFile(const std::string& name) const { return settingsFolder + "/" + name; }
    // The dial-up settings file: named after the program file with ".ini" added (the program
    // file has no extension to replace), in the settings folder.
    std::string dialupSettingsFile() const {
        const size_t slash = programPath.find_last_of('/');
        return settingsFile(
            (slash == std::string::npos ? programPath : programPath.substr(slash + 1)) + ".ini");
    }

    // Everything in one folder, the program file included (tests and benchmarks).
    static AppPaths inOneFolder(const std::string& folder) {
        return {folder, folder, folder + "/tallyminder", folder};
    }

    // What the start-up decision looks at, taken from the process by ofProcess().
    struct Environment {
        std::string currentFolder; // the folder the program was started in
        std::string home;          // $HOME
        std::string xdgConfigHome; // $XDG_CONFIG_HOME, may be empty
        std::string dataFolder;    // $TALLYMINDER_DATA, may be empty
        static Environment ofProcess();
    };

    // The data folder: $TALLYMINDER_DATA when set; otherwise the folder the program was started
    // in, except the home folder and the root folder (where desktop menus start programs),
    // which mean ~/Tallyminder.
    static std::string chooseWorkingFolder(const Environment& env);

    // The settings folder: beside the program when its folder can be written and it is not an
    // installed copy (a build folder, a copied folder); otherwise the user's configuration
    // folder, $XDG_CONFIG_HOME/tallyminder or ~/.config/tallyminder. An installed copy counts
    // as read-only even for root, so that nothing of a user's lands in the system's folders.
    static std::string chooseSettingsFolder(const std::string& programFolder,
                                            bool programFolderWritable, bool installed,
                                            const Environment& env);

    // The whole decision for the program file at programPath: looks at the file system (is the
    // program's folder writable, is there a share/tallyminder beside its bin folder).
    static AppPaths forProgram(const std::string& programPath, const Environment& env);
};

// Creates the folder and any missing parents. Returns an empty string when the folder is there,
// else the reason it cannot be made. Whether it can be written is a separate question
// (folderWriteProblem): a folder that exists but cannot be written still lets the program show
// what it holds.
std::string prepareFolder(const std::string& folder);
