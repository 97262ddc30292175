#include "tools/SafeFileWriter.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace tesselor::tools {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What the signal handler may touch: fixed storage and lock-free flags, nothing that allocates.
struct PendingFile {
    std::atomic<bool> active{false};
    char path[PATH_MAX] = {};
};
PendingFile gPending[SafeFileWriter::kMaxOpen];
bool gHandlersInstalled = false;

extern "C" void RemovePendingFiles(int signal) {
    for (PendingFile& file : gPending) {
        if (file.active.load()) unlink(file.path);
    }
    // SA_RESETHAND put the default action back; raised again, the signal ends the process as it
    // would have, once this handler returns.
    raise(signal);
}

void InstallHandlers() {
    if (gHandlersInstalled) return;
    gHandlersInstalled = true;
    struct sigaction action = {};
    action.sa_handler = RemovePendingFiles;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals) sigaddset(&action.sa_mask, s);
    for (int s : kSignals) {
        struct sigaction previous = {};
        // A signal the caller ignores (nohup, some background jobs) stays ignored, and a handler
        // someone else installed stays theirs.
        if (sigaction(s, nullptr, &previous) == 0 && !(previous.sa_flags & SA_SIGINFO) &&
            previous.sa_handler == SIG_DFL)
            sigaction(s, &action, nullptr);
    }
}

// Holds the signals back while the pending list and the files on disk change together, so that
// the handler never sees a file without its entry or an entry without its file.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kSignals) sigaddset(&set, s);
        pthread_sigmask(SIG_BLOCK, &set, &_previous);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &_previous, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t _previous;
};

std::string FolderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

}  // namespace

std::unique_ptr<SafeFileWriter> SafeFileWriter::Create(const std::string& destination,
                                                       std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = destination + ": " + why;
        return nullptr;
    };
    std::unique_ptr<SafeFileWriter> writer(new SafeFileWriter);
    writer->_destination = destination;
    writer->_target = destination;
    std::error_code ec;
    if (std::filesystem::is_symlink(destination, ec)) {
        const std::filesystem::path resolved = std::filesystem::canonical(destination, ec);
        if (!ec) writer->_target = resolved.string();
    }

    mode_t mode = 0;
    struct stat status = {};
    const bool replacing = stat(writer->_target.c_str(), &status) == 0;
    if (replacing) {
        if (S_ISDIR(status.st_mode)) return fail("is a folder");
        if (!S_ISREG(status.st_mode)) return fail("is not a regular file");
        // A rename would replace it anyway; a file its owner made read-only stays protected.
        if (access(writer->_target.c_str(), W_OK) != 0) return fail("is read-only");
        mode = status.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    const std::filesystem::path target(writer->_target);
    if (!target.has_filename()) return fail("is a folder");
    const std::string folder = FolderOf(writer->_target);
    std::string leaf = ".";  // appended, not concatenated: GCC 12 warns falsely on "." + string
    leaf += target.filename().string();
    leaf += ".tesselor-XXXXXX";
    const std::string name = (std::filesystem::path(folder) / leaf).string();
    if (name.size() >= PATH_MAX) return fail("the name is too long");

    SignalsHeld held;
    InstallHandlers();
    int slot = 0;
    while (slot < kMaxOpen && gPending[slot].active.load()) ++slot;
    if (slot == kMaxOpen) return fail("too many files open for writing at once");
    char* path = gPending[slot].path;
    std::memcpy(path, name.c_str(), name.size() + 1);
    const int fd = mkostemp(path, O_CLOEXEC);
    if (fd < 0)
        return fail("cannot create a file in " + folder + " (" + std::strerror(errno) + ")");
    gPending[slot].active.store(true);
    writer->_fd = fd;
    writer->_slot = slot;
    writer->_temporary = path;
    // mkstemp makes the file 0600 and ours. Taking the old owner needs root; without it the
    // set-ID bits must not pass to a file of our own. A failing fchmod leaves the file more
    // private than the one it replaces, never incomplete, so it is no error.
    if (replacing && fchown(fd, status.st_uid, status.st_gid) != 0) mode &= ~(S_ISUID | S_ISGID);
    fchmod(fd, mode);
    return writer;
}

SafeFileWriter::~SafeFileWriter() {
    if (!_committed) Discard();
}

void SafeFileWriter::Discard() {
    SignalsHeld held;
    if (_fd >= 0) close(_fd);
    _fd = -1;
    if (_slot >= 0) {
        unlink(_temporary.c_str());
        gPending[_slot].active.store(false);
    }
    _slot = -1;
}

bool SafeFileWriter::Write(const std::vector<std::uint8_t>& bytes, std::string* error) {
    std::size_t done = 0;
    while (_fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (error) *error = _destination + ": " + std::strerror(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (_fd < 0 && error) *error = _destination + ": written after it was finished";
    return _fd >= 0;
}

bool SafeFileWriter::Finish(std::string* error) {
    if (_fd < 0) {
        if (_slot < 0 && error) *error = _destination + ": not written";
        return _slot >= 0;
    }
    // A full disk or a failing device often reports only here, not at write().
    const bool synced = fsync(_fd) == 0;
    const int syncError = errno;
    const bool closed = close(_fd) == 0;
    _fd = -1;
    if (!synced || !closed) {
        if (error) *error = _destination + ": " + std::strerror(synced ? errno : syncError);
        Discard();
        return false;
    }
    return true;
}

bool SafeFileWriter::Commit(std::string* error) {
    if (_committed) return true;
    if (!Finish(error)) return false;
    {
        SignalsHeld held;
        if (rename(_temporary.c_str(), _target.c_str()) != 0) {
            if (error) *error = _destination + ": " + std::strerror(errno);
            Discard();
            return false;
        }
        gPending[_slot].active.store(false);
        _slot = -1;
        _committed = true;
    }
    // The new name reaches the disk with its folder.
    const int folder = open(FolderOf(_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

}  // namespace tesselor::tools
