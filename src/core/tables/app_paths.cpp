#include "core/tables/app_paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Folder names compared as the file system sees them: "/home/ann/" is "/home/ann".
std::string normal(const std::string& folder) {
    if (folder.empty())
        return folder;
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::path(folder), ec);
    if (ec)
        p = fs::path(folder).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

std::string parentOf(const std::string& path) {
    const std::string parent = fs::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

} // namespace

AppPaths::Environment AppPaths::Environment::ofProcess() {
    Environment env;
    std::error_code ec;
    env.currentFolder = fs::current_path(ec).string();
    env.home = variable("HOME");
    env.xdgConfigHome = variable("XDG_CONFIG_HOME");
    env.dataFolder = variable("TALLYMINDER_DATA");
    return env;
}

std::string AppPaths::chooseWorkingFolder(const Environment& env) {
    if (!env.dataFolder.empty())
        return env.dataFolder;
    const std::string current = normal(env.currentFolder);
    const bool menuStart =
        current.empty() || current == "/" || (!env.home.empty() && current == normal(env.home));
    if (!menuStart || env.home.empty())
        return env.currentFolder;
    return env.home + "/Tallyminder";
}

std::string AppPaths::chooseSettingsFolder(const std::string& programFolder,
                                           bool programFolderWritable, bool installed,
                                           const Environment& env) {
    if (programFolderWritable && !installed)
        return programFolder;
    // The XDG rule: a relative $XDG_CONFIG_HOME is ignored.
    if (!env.xdgConfigHome.empty() && env.xdgConfigHome.front() == '/')
        return env.xdgConfigHome + "/tallyminder";
    return env.home + "/.config/tallyminder";
}

AppPaths AppPaths::forProgram(const std::string& programPath, const Environment& env) {
    AppPaths paths;
    paths.programPath = programPath;
    paths.programFolder = parentOf(programPath);
    paths.workingFolder = chooseWorkingFolder(env);
    const bool writable = ::access(paths.programFolder.c_str(), W_OK) == 0;
    // An installed program sits in <prefix>/bin with its shared files in <prefix>/share.
    std::error_code ec;
    const bool installed =
        fs::path(paths.programFolder).filename() == "bin" &&
        fs::is_directory(fs::path(paths.programFolder).parent_path() / "share" / "tallyminder", ec);
    paths.settingsFolder = chooseSettingsFolder(paths.programFolder, writable, installed, env);
    return paths;
}

std::string prepareFolder(const std::string& folder) {
    if (folder.empty())
        return "no folder given";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return ec.message();
    if (!fs::is_directory(folder, ec))
        return "it is not a folder";
    return {};
}
