#include "core/dialup/program_launch.h"

#include "core/dialup/command_line.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

// Owns the spawn attributes and file actions for one start.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawnattr_init(&attr_);
        posix_spawn_file_actions_init(&actions_);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // A new session, so that the program outlives this one and its terminal; default signal
    // handling and no blocked signals, whatever this process set up; none of this process's
    // files or sockets beyond the standard three.
    int prepare(const std::string& directory) {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        int rc = posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                      POSIX_SPAWN_SETSIGDEF);
        if (rc == 0)
            rc = posix_spawnattr_setsigmask(&attr_, &none);
        if (rc == 0)
            rc = posix_spawnattr_setsigdefault(&attr_, &all);
        if (rc == 0 && !directory.empty())
            rc = posix_spawn_file_actions_addchdir_np(&actions_, directory.c_str());
        if (rc == 0)
            rc = posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
        return rc;
    }

    const posix_spawnattr_t* attr() const { return &attr_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

private:
    posix_spawnattr_t attr_;
    posix_spawn_file_actions_t actions_;
};

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int launchResultForError(int errorNumber) {
    switch (errorNumber) {
    case ENOENT:
    case ENAMETOOLONG:
    case ELOOP:
        return 2;
    case ENOTDIR:
        return 3;
    case EACCES:
    case EPERM:
        return 5;
    case ENOMEM:
    case E2BIG:
        return 8;
    case ENOEXEC:
    case ELIBBAD:
        return 11;
    case EAGAIN:
    case EMFILE:
    case ENFILE:
        return 0;
    case ETXTBSY:
        return 26;
    default:
        return 1;
    }
}

int startProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& directory) {
    if (program.empty())
        return 2;
    // Checked first: the program's own "not found" would otherwise hide a missing folder.
    if (!directory.empty() && !isFolder(directory))
        return 3;
    SpawnSetup setup;
    if (const int rc = setup.prepare(directory); rc != 0)
        return launchResultForError(rc);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int rc =
        ::posix_spawnp(&pid, program.c_str(), setup.actions(), setup.attr(), argv.data(), environ);
    if (rc != 0)
        return launchResultForError(rc);
    // The program is this process's child until it ends; collect its exit so that it does not
    // stay behind as a zombie, without making anybody wait for it.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return kLaunchStarted;
}

int launchCommand(std::string_view command, const std::string& directory) {
    const CommandParts parts = splitCommand(command);
    return startProgram(parts.program, splitParameterWords(parts.parameters), directory);
}

std::string launchFailureText(int result) {
    switch (result) {
    case 0:
        return "The operating system is out of memory or resources.";
    case 2:
        return "The specified file was not found.";
    case 3:
        return "The specified path was not found.";
    case 5:
        return "The operating system denied access to the specified file.";
    case 8:
        return "There was not enough memory to complete the operation.";
    case 11:
        return "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
    case 26:
        return "A sharing violation occurred.";
    case 27:
        return "The filename association is incomplete or invalid.";
    case 28:
        return "The DDE transaction could not be completed because the request timed out.";
    case 29:
        return "The DDE transaction failed.";
    case 30:
        return "The DDE transaction could not be completed because other DDE transactions "
               "were being processed.";
    case 31:
        return "There is no application associated with the given filename extension.";
    case 32:
        return "The specified dynamic-link library was not found.";
    default:
        return "ShellExecute failed with error #" + std::to_string(result);
    }
}
