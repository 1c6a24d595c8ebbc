#include "core/tables/app_paths.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

AppPaths::Environment env(std::string current, std::string data = "", std::string xdg = "") {
    return {std::move(current), "/home/ann", std::move(xdg), std::move(data)};
}

TEST(AppPathsDecision, WorkingFolder) {
    struct Case {
        AppPaths::Environment env;
        std::string expected;
    } cases[] = {
        // A desktop menu starts programs in the home folder or the root folder.
        {env("/home/ann"), "/home/ann/Tallyminder"},
        {env("/home/ann/"), "/home/ann/Tallyminder"},
        {env("/"), "/home/ann/Tallyminder"},
        // A terminal in another folder keeps that folder, as the set-up script's run does.
        {env("/home/ann/Tallyminder"), "/home/ann/Tallyminder"},
        {env("/srv/shop"), "/srv/shop"},
        // The variable wins wherever the program starts.
        {env("/home/ann", "/srv/shop data"), "/srv/shop data"},
        {env("/tmp", "/srv/shop"), "/srv/shop"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppPaths::chooseWorkingFolder(c.env), c.expected) << c.env.currentFolder;
}

TEST(AppPathsDecision, SettingsFolder) {
    struct Case {
        bool writable;
        bool installed;
        std::string xdg;
        std::string expected;
    } cases[] = {
        {true, false, "", "/opt/build"}, // a build folder keeps them beside it
        {true, false, "/home/ann/cfg", "/opt/build"},
        {false, false, "", "/home/ann/.config/tallyminder"},
        {false, false, "/home/ann/cfg", "/home/ann/cfg/tallyminder"},
        {false, false, "relative/cfg", "/home/ann/.config/tallyminder"}, // ignored, as XDG says
        {true, true, "", "/home/ann/.config/tallyminder"}, // root running the installed program
        {false, true, "/x", "/x/tallyminder"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppPaths::chooseSettingsFolder("/opt/build", c.writable, c.installed,
                                                 env("/srv", "", c.xdg)),
                  c.expected)
            << c.writable << c.installed << c.xdg;
}

class AppPathsFolders : public ::testing::Test {
protected:
    TempFolder folder_;
    const std::string dir_ = folder_.path();
};

TEST_F(AppPathsFolders, InstalledProgramUsesTheUsersFoldersAndABuildFolderItsOwn) {
    fs::create_directories(dir_ + "/usr/bin");
    fs::create_directories(dir_ + "/usr/share/tallyminder/help");
    fs::create_directories(dir_ + "/build");
    const AppPaths::Environment home{dir_ + "/home", dir_ + "/home", "", ""};

    const AppPaths installed = AppPaths::forProgram(dir_ + "/usr/bin/tallyminder", home);
    EXPECT_EQ(installed.programFolder, dir_ + "/usr/bin");
    EXPECT_EQ(installed.workingFolder, dir_ + "/home/Tallyminder");
    EXPECT_EQ(installed.settingsFolder, dir_ + "/home/.config/tallyminder");
    EXPECT_EQ(installed.settingsFile("width.ini"), dir_ + "/home/.config/tallyminder/width.ini");
    EXPECT_EQ(installed.dialupSettingsFile(), dir_ + "/home/.config/tallyminder/tallyminder.ini");

    const AppPaths built = AppPaths::forProgram(dir_ + "/build/tallyminder", home);
    EXPECT_EQ(built.settingsFolder, dir_ + "/build");
    EXPECT_EQ(built.dialupSettingsFile(), dir_ + "/build/tallyminder.ini");
}

TEST_F(AppPathsFolders, PrepareFolderCreatesOrNamesTheReason) {
    const std::string nested = dir_ + "/a/b c/Tallyminder";
    EXPECT_EQ(prepareFolder(nested), "");
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(fs::is_empty(nested));    // the write probe leaves nothing behind
    EXPECT_EQ(prepareFolder(nested), ""); // an existing folder is fine

    std::ofstream(dir_ + "/plain") << "x";
    EXPECT_NE(prepareFolder(dir_ + "/plain"), "");     // a file, not a folder
    EXPECT_NE(prepareFolder(dir_ + "/plain/sub"), ""); // cannot be created
    EXPECT_FALSE(fs::exists(dir_ + "/plain/sub"));
    EXPECT_NE(prepareFolder(""), "");
}

} // namespace
