#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tesselor::tools {

// Writes a file so that its name only ever holds the old contents or the whole new ones. The
// bytes go to a hidden temporary file beside the destination (".NAME.tesselor-XXXXXX", same folder
// so that the final rename stays on one file system); Commit() flushes it to disk and renames it
// over the destination. Until then the destination is untouched, so an output may name one of the
// program's own inputs. A writer destroyed without Commit() removes its temporary file, and so
// does the process when SIGINT, SIGTERM or SIGHUP ends it; the signal then ends the process as it
// would have (exit status 128 + signal number).
//
// Main thread only; at most kMaxOpen writers at once.
class SafeFileWriter {
public:
    static constexpr int kMaxOpen = 16;

    // Null with `error` set when `destination` is a folder, device or other non-regular file, is
    // read-only, or its folder takes no new file. A symbolic link is followed: the file it names is
    // replaced and the link kept. The new file gets the permissions (and, where allowed, the owner)
    // of the file it replaces, or the usual ones (0666 less the umask) when there is none.
    static std::unique_ptr<SafeFileWriter> Create(const std::string& destination,
                                                  std::string* error);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // The open temporary file, for libraries that write through a descriptor themselves; they must
    // not close it. -1 once finished.
    int Descriptor() const { return _fd; }
    bool Write(const std::vector<std::uint8_t>& bytes, std::string* error);
    // Flushes the bytes to disk and closes the temporary file. Finishing every writer of a run
    // before committing any keeps the window in which some outputs are new and some old as short
    // as a few renames.
    bool Finish(std::string* error);
    // Finishes if needed, then moves the file over the destination. After a failure the
    // destination is as it was and the temporary file is gone.
    bool Commit(std::string* error);

    // The destination as given.
    const std::string& Destination() const { return _destination; }

private:
    SafeFileWriter() = default;
    void Discard();

    std::string _destination;
    std::string _target;  // the file actually replaced: the destination with a final link resolved
    std::string _temporary;
    int _fd = -1;
    int _slot = -1;  // entry in the list the signal handler removes
    bool _committed = false;
};

}  // namespace tesselor::tools
