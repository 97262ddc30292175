#include "graphics/x11/XdgOpen.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

extern char** environ;

namespace tesselor::graphics {

namespace {

// The first executable regular file `name` in PATH's folders (an empty entry is the current
// folder), or "" when there is none.
std::string FindOnPath(const char* name) {
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string candidate = folders.substr(start, end - start);
        candidate = (candidate.empty() ? std::string(".") : candidate) + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

void ReadFully(int fd, void* buffer, std::size_t size, std::size_t* done) {
    *done = 0;
    while (*done < size) {
        const ssize_t n = read(fd, static_cast<char*>(buffer) + *done, size - *done);
        if (n > 0)
            *done += static_cast<std::size_t>(n);
        else if (n == 0 || errno != EINTR)
            return;
    }
}

}  // namespace

bool OpenWithXdgOpen(const char* url) {
    if (!url || !url[0] || url[0] == '-') return false;
    const std::string program = FindOnPath("xdg-open");
    if (program.empty()) return false;
    char name[] = "xdg-open";
    char* const argv[] = {name, const_cast<char*>(url), nullptr};

    // Everything the children need is made here: a child of a threaded host may only make
    // async-signal-safe calls between fork and exec. The pipe tells the parent whether exec
    // worked: it closes unwritten on a successful exec and carries errno otherwise.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);

    // Twice forked: the middle process leaves at once and is reaped here, so xdg-open belongs to
    // init, which reaps it, and the host, whose children are its own business, never sees it.
    const pid_t middle = fork();
    if (middle == 0) {
        const pid_t child = fork();
        if (child == 0) {
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);  // the UI thread's mask is the host's
            // Nothing of the host's goes with it: not its terminal or the pipes of whoever started
            // it (which would wait for the browser to close them), not its audio devices or
            // sockets.
            if (devNull >= 0) {
                dup2(devNull, STDIN_FILENO);
                dup2(devNull, STDOUT_FILENO);
                dup2(devNull, STDERR_FILENO);
            }
            close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
            execve(program.c_str(), argv, environ);
            const int error = errno;
            (void)!write(report[1], &error, sizeof error);
            _exit(127);
        }
        if (child < 0) {
            const int error = errno;
            (void)!write(report[1], &error, sizeof error);
        }
        _exit(0);
    }
    close(report[1]);
    if (devNull >= 0) close(devNull);
    bool started = false;
    if (middle > 0) {
        int status = 0;
        while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
        }
        int error = 0;
        std::size_t got = 0;
        ReadFully(report[0], &error, sizeof error, &got);
        started = got == 0;
    }
    close(report[0]);
    return started;
}

}  // namespace tesselor::graphics
