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
    std::string path(const std::string& name) const { return dir + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
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
    write("mail.txt", "FromName\t\r\nPat\t\r\n");
    NoRoom full;
    writeFileAtomically(path("mail.txt"), "FromName\t\r\nPat\t\r\n");
    EXPECT_THROW(writeFileAtomically(path("mail.txt"), "FromName\t\r\nSam\t\r\n"), EFileError);
    EXPECT_EQ(readWholeFile(path("mail.txt")), "FromName\t\r\nPat\t\r\n");
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
        write("sentitems.txt", old);
        std::string expected;
        for (const std::string& p : c.pieces)
            expected += p;
        {
            std::optional<NoRoom> full;
            if (expected == old)
                full.emplace(); // proves that nothing is written
            AtomicFileWriter writer(path("sentitems.txt"));
            for (const std::string& p : c.pieces)
                writer.write(p);
            writer.commit();
        }
        const std::string got = readWholeFile(path("sentitems.txt"));
        EXPECT_EQ(got.size(), expected.size());
        EXPECT_TRUE(got == expected);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    }

    // A writer left without commit changes nothing and leaves nothing behind.
    write("sentitems.txt", old);
    {
        AtomicFileWriter writer(path("sentitems.txt"));
        writer.write("something else");
    }
    EXPECT_TRUE(readWholeFile(path("sentitems.txt")) == old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(AtomicFile, ALinkIsWrittenThroughToItsTargetWhereverThatIs) {
    fs::create_directory(path("data"));
    struct Case {
        const char* link;
        std::string target; // as the link names it
        const char* real;   // where the bytes must land
    };
    const Case cases[] = {
        {"relative.txt", "data/r.txt", "data/r.txt"},
        {"absolute.txt", path("data/a.txt"), "data/a.txt"},
        {"dangling.txt", "data/missing.txt", "data/missing.txt"},
        {"chain.txt", "relative.txt", "data/r.txt"},
    };
    write("data/r.txt", "old");
    write("data/a.txt", "old");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        fs::create_symlink(c.target, path(c.link));
        writeFileAtomically(path(c.link), std::string("new ") + c.link);
        EXPECT_TRUE(fs::is_symlink(path(c.link)));
        EXPECT_EQ(readWholeFile(path(c.real)), std::string("new ") + c.link);
    }
    // Removing a link removes the link alone.
    removeFile(path("absolute.txt"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(path("absolute.txt"))));
    EXPECT_EQ(readWholeFile(path("data/a.txt")), "new absolute.txt");
}

TEST_F(AtomicFile, AnUnreadFileWhoseCopyFailedIsNeitherReplacedNorRemovedUntilCopied) {
    const std::string bad = "groupName\t\r\nvip\t\r\n" + std::string(1, '\0') + "rest\t\r\n";
    write("groups.txt", bad);
    auto groups = schemas::makeGroups();
    {
        NoRoom full;
        try {
            readTableKeepingBadFileAside(*groups, path("groups.txt"));
            ADD_FAILURE() << "no error";
        } catch (const EUnreadableFile& e) {
            EXPECT_EQ(e.copyPath(), "");
            EXPECT_NE(std::string(e.what()).find("groups.txt: The file holds a NUL byte"),
                      std::string::npos);
            EXPECT_NE(std::string(e.what()).find("could not be copied aside"), std::string::npos);
        }
        EXPECT_EQ(groups->RowCount(), 1);
        EXPECT_THROW(groups->WriteDelimitedFile(path("groups.txt")), EFileError);
        EXPECT_THROW(removeFile(path("groups.txt")), EFileError);
        EXPECT_EQ(readWholeFile(path("groups.txt")), bad);
    }
    // With room again the first change copies the file aside, then goes ahead.
    removeFile(path("groups.txt"));
    EXPECT_EQ(readWholeFile(path("groups.txt.unreadable")), bad);
    EXPECT_FALSE(fileExists(path("groups.txt")));
    groups->WriteDelimitedFile(path("groups.txt"));
    EXPECT_EQ(readWholeFile(path("groups.txt")), "groupName\t\r\nvip\t\r\n");
}

TEST_F(AtomicFile, TheSameBadBytesAreKeptAsideOnce) {
    write("sentitems.txt", "nothing\t\r\n");
    const std::string first = keepUnreadableFileAside(path("sentitems.txt"));
    EXPECT_EQ(keepUnreadableFileAside(path("sentitems.txt")), first);
    write("sentitems.txt", "other\t\r\n");
    EXPECT_EQ(keepUnreadableFileAside(path("sentitems.txt")), path("sentitems.txt.unreadable-2"));
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
        write("reminders.txt", "bytes");
        ::chmod(path("reminders.txt").c_str(), mode);
        const std::string copy = keepUnreadableFileAside(path("reminders.txt"));
        EXPECT_EQ(modeOf(copy), mode);
        writeFileAtomically(path("reminders.txt"), "other bytes");
        EXPECT_EQ(modeOf(path("reminders.txt")), mode);
        fs::remove(copy);
    }
    writeFileAtomically(path("new.txt"), "new"); // a new file: as ordinary user files are
    EXPECT_EQ(modeOf(path("new.txt")), mode_t{0644});
    ::umask(mask);
}

// A table file that is a link leading out of its folder is never copied into the folder: the
// file is held (never rewritten or removed) instead. A link to a subfolder is copied as before.
TEST_F(AtomicFile, ALinkOutOfTheFolderIsNeverCopiedAside) {
    TempFolder elsewhere;
    elsewhere.write("private.txt", "somebody else's secret\r\n");
    ::chmod(elsewhere.file("private.txt").c_str(), 0600);
    fs::create_directory(path("data"));
    fs::create_directory(path("data/sub"));
    write("data/sub/pending.txt", "not a table\r\n");
    fs::create_symlink(elsewhere.file("private.txt"), path("data/reminders.txt"));
    fs::create_symlink("../data/../../" + fs::path(elsewhere.path()).filename().string() +
                           "/private.txt",
                       path("data/relative.txt"));
    fs::create_symlink("sub/pending.txt", path("data/inside.txt"));

    for (const char* name : {"reminders.txt", "relative.txt"}) {
        SCOPED_TRACE(name);
        auto t = schemas::makeReminders();
        t->FieldDelimiter = '^';
        try {
            readTableKeepingBadFileAside(*t, path("data/") + name);
            ADD_FAILURE() << "no error";
        } catch (const EUnreadableFile& e) {
            EXPECT_EQ(e.copyPath(), "");
            EXPECT_NE(std::string(e.what()).find("outside its folder"), std::string::npos)
                << e.what();
        }
        EXPECT_THROW(writeFileAtomically(path("data/") + name, "rows read so far"), EFileError);
        EXPECT_THROW(removeFile(path("data/") + name), EFileError);
    }
    EXPECT_EQ(elsewhere.read("private.txt"), "somebody else's secret\r\n");
    for (const auto& e : fs::directory_iterator(path("data")))
        EXPECT_EQ(e.path().string().find(".unreadable"), std::string::npos) << e.path();

    auto t = schemas::makeReminders();
    t->FieldDelimiter = '^';
    EXPECT_THROW(readTableKeepingBadFileAside(*t, path("data/inside.txt")), EUnreadableFile);
    EXPECT_EQ(readWholeFile(path("data/inside.txt.unreadable")), "not a table\r\n");
}

} // namespace
