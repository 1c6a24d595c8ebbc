#include "core/tables/version_info.h"

#include "support/temp_folder.h"
#include "tallyminder_version.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

TEST(VersionInfo, ReadsTheFourPartsOfAProgramFilesBlock) {
    TempFolder folder;
    folder.write("prog", "leading bytes" + makeVersionBlock(2, 0, 13, 7) + "trailing bytes");
    TGpVersionInfo info(folder.file("prog"), "040904E4");
    ASSERT_TRUE(info.HasVersionBlock());
    EXPECT_EQ(info.FormatFileVersion("%d.%d.%d.%d"), "2.0.13.7");
    EXPECT_EQ("v." + info.FormatFileVersion("%d.%d.%d.%d"), "v.2.0.13.7");
    EXPECT_EQ(info.FormatFileVersion("%d.%d"), "2.0");
    EXPECT_EQ(info.FormatFileVersion("build %d-%d-%d-%d!"), "build 2-0-13-7!");
}

TEST(VersionInfo, AFileWithoutABlockHasNoVersion) {
    TempFolder folder;
    folder.write("prog", "no block in here");
    for (const std::string& path : {folder.file("prog"), folder.file("missing")}) {
        TGpVersionInfo info(path, "040904E4");
        EXPECT_FALSE(info.HasVersionBlock());
        EXPECT_EQ(info.FormatFileVersion("%d.%d.%d.%d"), "");
    }
}

TEST(VersionInfo, TheProgramCarriesTheVersionSetInTheBuild) {
    TGpVersionInfo info(QCoreApplication::applicationFilePath().toStdString(), "040904E4");
    ASSERT_TRUE(info.HasVersionBlock());
    EXPECT_EQ(info.FormatFileVersion("%d.%d.%d.%d"),
              std::to_string(TALLYMINDER_VERSION_MAJOR) + "." +
                  std::to_string(TALLYMINDER_VERSION_MINOR) + "." +
                  std::to_string(TALLYMINDER_VERSION_PATCH) + "." +
                  std::to_string(TALLYMINDER_VERSION_TWEAK));
}

} // namespace
