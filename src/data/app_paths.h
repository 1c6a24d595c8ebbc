#pragma once

#include <string>

// Where the program keeps its files. The table files live in the working folder; width.ini in
// the program's folder; the dial-up settings file beside the program file.
struct AppPaths {
    std::string workingFolder;
    std::string programFolder;
    std::string programPath;

    // A table file of the working folder.
    std::string file(const std::string& name) const { return workingFolder + "/" + name; }
    std::string programFile(const std::string& name) const { return programFolder + "/" + name; }
    // The dial-up settings file: beside the program, named after it with ".ini" added (the
    // program file has no extension to replace).
    std::string dialupSettingsFile() const { return programPath + ".ini"; }

    // Everything in one folder, the program file included (tests and benchmarks).
    static AppPaths inOneFolder(const std::string& folder) {
        return {folder, folder, folder + "/tallyminder"};
    }
};
