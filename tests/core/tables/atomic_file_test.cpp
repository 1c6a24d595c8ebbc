// Whole-file writes: unchanged bytes are not written, links are written through, a file kept
// from an unreadable read is never replaced or removed before its copy exists.

#include "core/tables/atomic_file.h"

#include "core/store/schemas.h"
#include "core/tables/errors.h"
#include "core/tables/keep_aside.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class AtomicFile : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string dir = folder.path();
};

// Every write of this process fails as on a full disk, as long as it lives.
class NoRoom {
public:
    NoRoom() {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit none = old_;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
    }
    ~NoRoom() { ::setrlimit(RLIMIT_FSIZE, &old_); }

private:
    rlimit old_{};
};

TEST_F(AtomicFile, UnchangedBytesAreNotWrittenSoAFullDiskOnlyStopsARealChange) {
    folder.write("mail.txt", "FromName\t\r\nPat\t\r\n");
    NoRoom full;
    writeFileAtomically(folder.file("mail.txt"), "FromName\t\r\nPat\t\r\n");
    EXPECT_THROW(writeFileAtomically(folder.file("mail.txt"), "FromName\t\r\nSam\t\r\n"),
                 EFileError);
    EXPECT_EQ(readWholeFile(folder.file("mail.txt")), "FromName\t\r\nPat\t\r\n");
    EXPECT_EQ(folderWriteProblem(dir), "File too large");
    EXPECT_EQ(fs::directory_iterator(dir)->path().filename(), "mail.txt"); // nothing left over
}

// Bytes given in pieces: compared with the file while they match it, so an unchanged file is not
// written even on a full disk; from the first difference on, the old beginning and the new
// pieces make the new file, whatever piece the difference falls in.
TEST_F(AtomicFile, PiecesAreComparedUntilTheFirstDifferenceThenWrittenWhole) {
    const std::string old(200000, 'a');
    const std::string big(70000, 'a'); // longer than one comparison read
    struct Case {
        const char* what;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"the same bytes", {big, big, std::string(60000, 'a')}},
        {"a difference in a later piece", {big, big + "b", std::string(59999, 'a')}},
        {"a longer text", {big, big, std::string(60000, 'a'), "tail"}},
        {"a shorter text", {big, big}},
        {"an empty text", {}},
        {"a difference at the start", {"b" + big}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write("sentitems.txt", old);
        std::string expected;
        for (const std::string& p : c.pieces)
            expected += p;
        {
            std::optional<NoRoom> full;
            if (expected == old)
                full.emplace(); // proves that nothing is written
            AtomicFileWriter writer(folder.file("sentitems.txt"));
            for (const std::string& p : c.pieces)
                writer.write(p);
            writer.commit();
        }
        const std::string got = readWholeFile(folder.file("sentitems.txt"));
        EXPECT_EQ(got.size(), expected.size());
        EXPECT_TRUE(got == expected);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    }

    // A writer left without commit changes nothing and leaves nothing behind.
    folder.write("sentitems.txt", old);
    {
        AtomicFileWriter writer(folder.file("sentitems.txt"));
        writer.write("something else");
    }
    EXPECT_TRUE(readWholeFile(folder.file("sentitems.txt")) == old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(AtomicFile, ALinkIsWrittenThroughToItsTargetWhereverThatIs) {
    fs::create_directory(folder.file("data"));
    struct Case {
        const char* link;
        std::string target; // as the link names it
        const char* real;   // where the bytes must land
    };
    const Case cases[] = {
        {"relative.txt", "data/r.txt", "data/r.txt"},
        {"absolute.txt", folder.file("data/a.txt"), "data/a.txt"},
        {"dangling.txt", "data/missing.txt", "data/missing.txt"},
        {"chain.txt", "relative.txt", "data/r.txt"},
    };
    folder.write("data/r.txt", "old");
    folder.write("data/a.txt", "old");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        fs::create_symlink(c.target, folder.file(c.link));
        writeFileAtomically(folder.file(c.link), std::string("new ") + c.link);
        EXPECT_TRUE(fs::is_symlink(folder.file(c.link)));
        EXPECT_EQ(readWholeFile(folder.file(c.real)), std::string("new ") + c.link);
    }
    // Removing a link removes the link alone.
    removeFile(folder.file("absolute.txt"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder.file("absolute.txt"))));
    EXPECT_EQ(readWholeFile(folder.file("data/a.txt")), "new absolute.txt");
}

TEST_F(AtomicFile, AnUnreadFileWhoseCopyFailedIsNeitherReplacedNorRemovedUntilCopied) {
    const std::string bad = "groupName\t\r\nvip\t\r\n" + std::string(1, '\0') + "rest\t\r\n";
    folder.write("groups.txt", bad);
    auto groups = schemas::makeGroups();
    {
        NoRoom full;
        try {
            readTableKeepingBadFileAside(*groups, folder.file("groups.txt"));
            ADD_FAILURE() << "no error";
        } catch (const EUnreadableFile& e) {
            EXPECT_EQ(e.copyPath(), "");
            EXPECT_NE(std::string(e.what()).find("groups.txt: The file holds a NUL byte"),
                      std::string::npos);
            EXPECT_NE(std::string(e.what()).find("could not be copied aside"), std::string::npos);
        }
        EXPECT_EQ(groups->RowCount(), 1);
        EXPECT_THROW(groups->WriteDelimitedFile(folder.file("groups.txt")), EFileError);
        EXPECT_THROW(removeFile(folder.file("groups.txt")), EFileError);
        EXPECT_EQ(readWholeFile(folder.file("groups.txt")), bad);
    }
    // With room again the first change copies the file aside, then goes ahead.
    removeFile(folder.file("groups.txt"));
    EXPECT_EQ(readWholeFile(folder.file("groups.txt.unreadable")), bad);
    EXPECT_FALSE(fileExists(folder.file("groups.txt")));
    groups->WriteDelimitedFile(folder.file("groups.txt"));
    EXPECT_EQ(readWholeFile(folder.file("groups.txt")), "groupName\t\r\nvip\t\r\n");
}

TEST_F(AtomicFile, TheSameBadBytesAreKeptAsideOnce) {
    folder.write("sentitems.txt", "nothing\t\r\n");
    const std::string first = keepUnreadableFileAside(folder.file("sentitems.txt"));
    EXPECT_EQ(keepUnreadableFileAside(folder.file("sentitems.txt")), first);
    folder.write("sentitems.txt", "other\t\r\n");
    EXPECT_EQ(keepUnreadableFileAside(folder.file("sentitems.txt")),
              folder.file("sentitems.txt.unreadable-2"));
    EXPECT_EQ(readWholeFile(first), "nothing\t\r\n");
}

} // namespace

namespace {

mode_t modeOf(const std::string& file) {
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
    return st.st_mode & 0777;
}

// A keep-aside copy is no more readable than the file it copies; a rewritten file keeps the
// permissions the user gave it.
TEST_F(AtomicFile, CopiesAndRewrittenFilesKeepTheFilesPermissions) {
    const mode_t mask = ::umask(022);
    for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0644}}) {
        SCOPED_TRACE(mode);
        folder.write("reminders.txt", "bytes");
        ::chmod(folder.file("reminders.txt").c_str(), mode);
        const std::string copy = keepUnreadableFileAside(folder.file("reminders.txt"));
        EXPECT_EQ(modeOf(copy), mode);
        writeFileAtomically(folder.file("reminders.txt"), "other bytes");
        EXPECT_EQ(modeOf(folder.file("reminders.txt")), mode);
        fs::remove(copy);
    }
    writeFileAtomically(folder.file("new.txt"), "new"); // a new file: as ordinary user files are
    EXPECT_EQ(modeOf(folder.file("new.txt")), mode_t{0644});
    ::umask(mask);
}

// A table file that is a link leading out of its folder is never copied into the folder: the
// file is held (never rewritten or removed) instead. A link to a subfolder is copied as before.
TEST_F(AtomicFile, ALinkOutOfTheFolderIsNeverCopiedAside) {
    TempFolder elsewhere;
    elsewhere.write("private.txt", "somebody else's secret\r\n");
    ::chmod(elsewhere.file("private.txt").c_str(), 0600);
    fs::create_directory(folder.file("data"));
    fs::create_directory(folder.file("data/sub"));
    folder.write("data/sub/pending.txt", "not a table\r\n");
    fs::create_symlink(elsewhere.file("private.txt"), folder.file("data/reminders.txt"));
    fs::create_symlink("../data/../../" + fs::path(elsewhere.path()).filename().string() +
                           "/private.txt",
                       folder.file("data/relative.txt"));
    fs::create_symlink("sub/pending.txt", folder.file("data/inside.txt"));

    for (const char* name : {"reminders.txt", "relative.txt"}) {
        SCOPED_TRACE(name);
        auto t = schemas::makeReminders();
        t->FieldDelimiter = '^';
        try {
            readTableKeepingBadFileAside(*t, folder.file("data/") + name);
            ADD_FAILURE() << "no error";
        } catch (const EUnreadableFile& e) {
            EXPECT_EQ(e.copyPath(), "");
            EXPECT_NE(std::string(e.what()).find("outside its folder"), std::string::npos)
                << e.what();
        }
        EXPECT_THROW(writeFileAtomically(folder.file("data/") + name, "rows read so far"),
                     EFileError);
        EXPECT_THROW(removeFile(folder.file("data/") + name), EFileError);
    }
    EXPECT_EQ(elsewhere.read("private.txt"), "somebody else's secret\r\n");
    for (const auto& e : fs::directory_iterator(folder.file("data")))
        EXPECT_EQ(e.path().string().find(".unreadable"), std::string::npos) << e.path();

    auto t = schemas::makeReminders();
    t->FieldDelimiter = '^';
    EXPECT_THROW(readTableKeepingBadFileAside(*t, folder.file("data/inside.txt")), EUnreadableFile);
    EXPECT_EQ(readWholeFile(folder.file("data/inside.txt.unreadable")), "not a table\r\n");
}

} // namespace
